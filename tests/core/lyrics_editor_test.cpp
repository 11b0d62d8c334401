#include "core/lyrics/lyrics_editor.h"

#include "core/document/song_file.h"
#include "lyric_items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace cantelo;
using Strings = std::vector<std::string>;

namespace {

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        doc.subscribe([this](const LyricsChange& c) {
            changes.push_back(c);
            seenLine = editor->currentLine();
        });
    }
    void load(const char* items) {
        setItems(doc.lyrics(), items);
        editor = std::make_unique<LyricsEditor>(doc);
        changes.clear();
        // A small panel: the text scrolls, so joining lines does not add one at the end.
        editor->setPanelHeight(2 * kEditorRowHeight);
    }
    void at(int line, int column) {
        editor->setCursor(line, column);
        changes.clear();
    }
    // '\n' is Enter, '\b' Backspace, '\x7F' Delete; anything else is typed.
    void press(std::string_view keys) {
        for (char c : keys) {
            if (c == '\n')
                editor->pressEnter();
            else if (c == '\b')
                editor->pressBackspace();
            else if (c == '\x7F')
                editor->pressDelete();
            else
                editor->typeCharacter(c);
        }
    }
    std::string items() { return joinedItems(doc.lyrics()); }
    Strings lines() { return lineTextsOf(doc.lyrics()); }
    LyricsCursor cursor() const { return editor->cursor(); }

    LyricsDocument doc;
    std::unique_ptr<LyricsEditor> editor;
    std::vector<LyricsChange> changes;
    int seenLine = -1;
};

// ---- the key rules, one case each -----------------------------------------------------------

// Lists in itemsOf's notation joined with ','. The cursor after the keys is checked when given.
struct KeyCase {
    const char* rule;
    const char* before;
    int line, column;
    const char* keys;
    const char* after;
    int cursorLine = -1, cursorColumn = -1;
};

const KeyCase kKeyCases[] = {
    // Typing
    {"a letter inside a word goes into its syllable", "ca@100,sa@110,|@120", 0, 3, "x",
     "ca@100,sxa@110,|@120", 0, 4},
    {"on a boundary it ends the syllable before", "ca@100,sa@110,|@120", 0, 2, "y",
     "cay@100,sa@110,|@120"},
    {"at column 0 it is a new first syllable", "casa@100,|@110", 0, 0, "b", "b@100,casa@110,|@110",
     0, 1},
    {"after a word's space it starts a syllable and pushes the line on",
     "ciao @100,va@120,|@130,poi@200", 0, 5, "ma", "ciao @100,ma@110,va@130,|@140,poi@200"},
    {"before a word's own leading space no empty syllable is left", " casa@100,|@110", 0, 0, "x",
     "x casa@100,|@110"},
    {"a space inside a word ends it there", "casa@100,mia@130,|@140", 0, 2, " ",
     "ca @100,sa@110,mia@140,|@150", 0, 3},
    {"a space at a syllable's end ends the word", "casa@100,mia @130,|@140", 0, 4, " ",
     "casa @100,mia @130,|@140"},
    {"a space on a word's own space adds nothing", "casa @100,mia @130,|@140", 0, 8, " ",
     "casa @100,mia @130,|@140", 0, 9},
    {"typing on an empty line makes its first syllable", "la@100,|@110,|@140", 1, 0, "si",
     "la@100,|@110,si@140,|@150"},
    {"the line after the final break has no item yet", "la@100,|@110,|@140", 2, 0, " o",
     "la@100,|@110,|@140, @150,o@160"},
    // Enter
    {"Enter at column 0 opens an empty line above", "uno@100,|@110,due@200,|@210", 1, 0, "\n",
     "uno@100,|@110,|@195,due@200,|@210", 2, 0},
    {"Enter at a syllable's end splits the line there",
     "ciao @100,a @120,te@140,|@150,fine@300,|@310", 0, 5, "\n",
     "ciao@100,|@105,a @120,te@140,|@150,fine@300,|@310", 1, 0},
    {"Enter after a lone-space syllable puts the break in its place", "a@100, @110,b@120,|@130", 0,
     2, "\n", "a@100,|@115,b@120,|@130"},
    {"Enter inside a syllable cuts it and the second part loses its space", "ciao mondo@100,|@200",
     0, 4, "\n", "ciao@100,|@105,mondo@110,|@200", 1, 0},
    {"a first part that is only the word's space goes with the cut", "la@100, casa@110,|@200", 0, 3,
     "\n", "la@100,|@115,casa@120,|@200"},
    // Backspace
    {"Backspace on a syllable's first character joins it to the one before",
     "la@100, casa@110,|@120", 0, 3, "\b", "lacasa@100,|@120", 0, 2},
    {"a line's first syllable only loses the character", "|@90, a@100,b@110,|@120", 1, 1, "\b",
     "|@90,a@100,b@110,|@120"},
    {"a first syllable left as a lone space goes", "|@90,x @100,b@110,|@120", 1, 1, "\b",
     "|@90,b@110,|@120"},
    {"a one-character syllable goes and the break is pulled back", "ca@100,x@130,|@140,poi@200", 0,
     3, "\b", "ca@100,|@130,poi@200"},
    {"Backspace at column 0 joins the line to the one above",
     "uno @100,|@110,due@200,|@210,|@300,tre@400", 1, 0, "\b",
     "uno @100,due@200,|@210,|@300,tre@400", 0, 4},
    {"an empty line goes with its own break", "uno @100,due@200,|@210,|@300,tre@400", 1, 0, "\b",
     "uno @100,due@200,|@210,tre@400"},
    // Delete
    {"Delete removes the character after the cursor's", "casa@100,mia@110,x@120,|@130,poi@200", 0,
     1, "\x7F", "caa@100,mia@110,x@120,|@130,poi@200"},
    {"on a syllable's last character: the next one's first", "caa@100,mia@110,x@120,|@130,poi@200",
     0, 2, "\x7F", "caa@100,ia@110,x@120,|@130,poi@200"},
    {"past a one-character syllable: the syllable after it", "caa@100,i@110,x@120,|@130,poi@200", 0,
     3, "\x7F", "caa@100,i@110,|@130,poi@200", 0, 3},
    {"at column 0: the second character, not one far away", "casa@100,mia@110,|@130", 0, 0, "\x7F",
     "csa@100,mia@110,|@130", 0, 0},
};

TEST_F(Editor, KeyRules) {
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(c.rule);
        load(c.before);
        at(c.line, c.column);
        press(c.keys);
        EXPECT_EQ(items(), c.after);
        EXPECT_TRUE(c.cursorLine < 0 || cursor() == (LyricsCursor{c.cursorLine, c.cursorColumn}))
            << cursor().line << "," << cursor().column;
    }
}

TEST_F(Editor, KeysWithNothingToActOnChangeNothing) {
    load("citt@100,|@110,tre@400");
    at(0, 0);
    press("\b"); // nothing before the first line
    at(1, 3);
    press("\x7F"); // nothing after the last line
    EXPECT_TRUE(changes.empty() && !editor->canUndo());
    // Control bytes are refused; any other byte is text.
    at(0, 4);
    press(std::string("\r\0\t\xE0", 4));
    for (char c : {'\n', '\x7F'}) editor->typeCharacter(c);
    EXPECT_EQ(items(), "citt\xE0@100,|@110,tre@400");
    EXPECT_EQ(cursor(), (LyricsCursor{0, 5}));
}

TEST_F(Editor, EnterAndDeleteAcrossLines) {
    load("uno@100,|@110,due@200,|@210");
    at(1, 0);
    press("\n");
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().rowOffset, kEditorRowHeight); // the view scrolls with the text
    at(0, 0);
    press("\n"); // a first empty line goes at the tidy-up
    doc.TidyLyrics();
    EXPECT_EQ(lines().front(), "uno");

    // Delete at a line's end joins the next line (an empty one first).
    load("uno@100,|@110,|@150,due@200,|@210,tre@300");
    at(0, 2);
    press("\x7F");
    EXPECT_EQ(lines(), (Strings{"uno", "due", "tre"}));
    at(0, 3);
    press("\x7F");
    EXPECT_TRUE(lines() == (Strings{"unodue", "tre"}) && cursor() == (LyricsCursor{0, 3}));

    // Joining lines of a text that fits the panel keeps the line count: a line goes at the end.
    load("a@100,|@110,b@200,|@210");
    editor->setPanelHeight(20 * kEditorRowHeight);
    at(1, 0);
    press("\b");
    EXPECT_EQ(items(), "a@100,b@200,|@210,|@240");
}

TEST_F(Editor, TheScrollRangeFollowsThePanelAndTheCursorStaysVisible) {
    std::string many;
    for (int i = 0; i < 30; ++i) many += "|@" + std::to_string(100 + 30 * i) + ",";
    load(many.c_str()); // 31 lines with the one after the final break
    editor->setPanelHeight(10 * kEditorRowHeight + 4);
    EXPECT_EQ(std::pair(editor->visibleRows(), editor->scrollMaximum()),
              std::pair(10, 31 - 10 + 1 - 1));
    editor->setPanelHeight(10 * kEditorRowHeight + 5);
    EXPECT_EQ(editor->scrollMaximum(), 31 - 10 + 1 - 2);
    for (int asked : {500, -3}) {
        editor->setFirstVisibleLine(asked);
        EXPECT_EQ(editor->firstVisibleLine(), asked < 0 ? 0 : editor->scrollMaximum());
    }

    at(9, 0);
    editor->moveDown(); // from the bottom row
    EXPECT_EQ(editor->firstVisibleLine(), 1);
    // The gutter ticks of the visible rows, from the first visible one.
    EXPECT_EQ(doc.lineStartTicks().get(0), 100 + 30 * 1);
    editor->setFirstVisibleLine(0);
    at(2, 0);
    press("\n"); // Enter scrolls from the lower half of the panel only
    EXPECT_EQ(editor->firstVisibleLine(), 0);
    at(7, 0);
    press("\n");
    EXPECT_EQ(editor->firstVisibleLine(), 1);
}

TEST_F(Editor, TheCursorKnowsItsSyllableLineAndTick) {
    load("|@90,ca@100,sa @110,|@120");
    editor->setPanelHeight(20 * kEditorRowHeight);
    const struct {
        int column, item, offset;
        const char* upToItem;
    } cases[] = {{0, 1, 0, ""}, {2, 1, 2, "ca"}, {5, 2, 3, "casa "}};
    for (const auto& c : cases) {
        at(1, c.column);
        const CursorLocation l = editor->LocateCursor();
        EXPECT_EQ(std::tuple(l.item, l.offset, c.column ? l.lineUpToItem : ""),
                  std::tuple(c.item, c.offset, std::string(c.upToItem)))
            << c.column;
    }
    EXPECT_EQ(editor->currentLineText(), "casa ");
    at(2, 0);
    EXPECT_EQ(editor->currentLineStartTick(), 130); // the line after the final break
    EXPECT_EQ(doc.lineStartTicks().get(3), TItemI::outOfRange);

    // A press on an item's box puts the cursor on its first character.
    editor->moveCursorToItem(2);
    EXPECT_EQ(cursor(), (LyricsCursor{1, 2}));

    // Arrows: left onto a line ending with a space stands on the space; right reaches the
    // virtual space after a line.
    load("ciao @100,|@110,tu@200,|@210,noi@300");
    at(1, 0);
    editor->moveLeft();
    EXPECT_EQ(cursor(), (LyricsCursor{0, 4}));
    at(1, 1);
    for (const LyricsCursor want : {LyricsCursor{1, 2}, LyricsCursor{2, 0}}) {
        editor->moveRight();
        EXPECT_EQ(cursor(), want);
    }
    editor->moveUp();
    EXPECT_FALSE(changes.back().movePosition);
}

TEST_F(Editor, ListenersSeeTheEditorAlreadyPlacedAndForeignRefreshesMoveIt) {
    load("a@100,|@110,b@200,|@210,c@300");
    editor->pressEnter();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(seenLine, 1);
    // A refresh by another command (binding, synchronisation) places the cursor as asked.
    doc.refresh(0, kEditorRowHeight);
    EXPECT_EQ(cursor(), (LyricsCursor{2, 0}));
    doc.lyrics().clear();
    doc.refresh(-1, 0);
    EXPECT_EQ(cursor(), (LyricsCursor{0, 0}));
    editor->setBindStartLine(7);
    EXPECT_EQ(editor->bindStartLine(), 0);
}

// ---- property: random keys on real lyrics ---------------------------------------------------

// A UTF-8 song: a typed character goes in as its bytes, and every key takes whole characters.
TEST_F(Editor, Utf8KeysTakeWholeCharacters) {
    doc.setTextEncoding(TextEncoding::utf8());
    load("m\xC3\xBC@100,de@110,|@120,ci@130,\xC3\xBC"
         "ber@140");
    at(0, 1);
    EXPECT_TRUE(editor->typeUnicode(U'\u00F6'));
    EXPECT_EQ(items(), "m\xC3\xB6\xC3\xBC@100,de@110,|@120,ci@130,\xC3\xBC"
                       "ber@140");
    EXPECT_EQ(cursor(), (LyricsCursor{0, 3}));
    // The arrows step over both bytes each way.
    for (const int column : {5, 6, 7}) {
        editor->moveRight();
        EXPECT_EQ(cursor().column, column);
    }
    for (const int column : {6, 5, 3, 1, 0}) {
        editor->moveLeft();
        EXPECT_EQ(cursor().column, column);
    }
    at(0, 3);
    press("\b");
    EXPECT_EQ(items(), "m\xC3\xBC@100,de@110,|@120,ci@130,\xC3\xBC"
                       "ber@140");
    EXPECT_EQ(cursor().column, 1);
    // Delete takes the character after the cursor's, both its bytes.
    at(0, 0);
    press("\x7F");
    EXPECT_EQ(items(), "m@100,de@110,|@120,ci@130,\xC3\xBC"
                       "ber@140");
    // Backspace after a syllable's first character joins the rest to the syllable before.
    at(1, 4);
    press("\b");
    EXPECT_EQ(items(), "m@100,de@110,|@120,ciber@130");
    EXPECT_EQ(cursor(), (LyricsCursor{1, 2}));
    // A column inside a character (from a click or another view) stands on its start.
    load("ci@100,\xC3\xBC"
         "ber@110");
    at(0, 3);
    EXPECT_EQ(cursor().column, 2);
}

TEST_F(Editor, ACharacterTheEncodingCannotHoldIsRefused) {
    load("ca@100,sa@110,|@120");
    at(0, 1);
    EXPECT_FALSE(editor->typeUnicode(U'\u0101')); // a with macron: no Windows-1252 byte
    EXPECT_TRUE(changes.empty() && !editor->canUndo());
    EXPECT_TRUE(editor->typeUnicode(U'\u20AC'));
    EXPECT_EQ(items(), "c\x80"
                       "a@100,sa@110,|@120");
}

// Any sequence of keys and text commands leaves a list that the tidy-up makes strictly rising, and
// undoing every step gives the opened list back exactly. In the UTF-8 song every text stays valid
// UTF-8 after every step, and the cursor never stands inside a character.
TEST(EditorProperty, RandomKeysOnCorpusLyricsKeepTheListSound) {
    const std::filesystem::path corpus = CANTELO_CORPUS_DIR;
    if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    const char* files[] = {"dmp__twinkle.kar", "dwm__BON_JOVI.It_s_my_life_K.mid",
                           "dmp__Negra_Sombra.kar"};
    const std::u32string alphabet =
        U"aeiouSTNrl .,'!\u00E0\u00E8\u00F9\u00C8\u00DF\u0436\u4E2D\U0001F600";
    std::mt19937 random(20261206);
    for (const char* name : files) {
        SongDocument song;
        ASSERT_TRUE(openSongFile(song, (corpus / name).string(), 0).ok) << name;
        TItemLyr& list = song.lyrics.lyrics();
        const Strings opened = itemsOf(list);
        ASSERT_GT(opened.size(), 40u) << name;
        LyricsEditor editor(song.lyrics, 1000);
        const TextEncoding& encoding = song.lyrics.textEncoding();
        editor.setPanelHeight(12 * kEditorRowHeight);
        TItemLyr original;
        for (const LyrItem* it = list.head(); it; it = it->next)
            original.add(it->text, it->lineBreak, it->tick);

        const std::function<void()> pressKey[] = {
            [&] { editor.pressEnter(); },
            [&] { editor.pressBackspace(); },
            [&] { editor.pressDelete(); },
            [&] { editor.moveLeft(); },
            [&] { editor.moveRight(); },
            [&] { random() % 2 ? editor.moveUp() : editor.moveDown(); },
            [&] { editor.undo(); },
            [&] { editor.redo(); },
            [&] { editor.joinSyllables(); },
            [&] {
                editor.changeSyllableStartCase(random() % 2 ? LetterCase::Upper
                                                            : LetterCase::Lower);
            },
            [&] { editor.changeTextCase(random() % 2 ? LetterCase::Upper : LetterCase::Lower); },
            [&] { editor.syllabify(); },
            [&] { editor.adaptTextToWindow(); },
            [&] { editor.typeUnicode(alphabet[random() % alphabet.size()]); },
        };
        const auto sound = [&] {
            for (const LyrItem* it = list.head(); it; it = it->next)
                if (!isValidUtf8(it->text)) return false;
            return true;
        };
        for (int run = 0; run < 700; ++run) {
            list.clear();
            for (const LyrItem* it = original.head(); it; it = it->next)
                list.add(it->text, it->lineBreak, it->tick);
            editor.resetForNewSong();
            const int lineCount = song.lyrics.lineCount();
            editor.setCursor(static_cast<int>(random() % static_cast<unsigned>(lineCount)),
                             static_cast<int>(random() % 12));
            const int keys = 1 + static_cast<int>(random() % 24);
            std::string trail; // the keys pressed, for a failure's message
            for (int k = 0; k < keys; ++k) {
                const auto key = std::min<unsigned long>(random() % 20, 13);
                trail += "EBDlrv<>jcCsat"[key];
                pressKey[key]();
                ASSERT_TRUE(!encoding.isUtf8() || sound())
                    << name << " run " << run << " keys " << trail;
                ASSERT_LT(editor.currentLine(), std::max(song.lyrics.lineCount(), 1));
                ASSERT_LE(editor.cursorColumn(), static_cast<int>(editor.currentLineText().size()));
                const std::string_view text = editor.currentLineText();
                const auto column = static_cast<std::size_t>(editor.cursorColumn());
                ASSERT_EQ(encoding.byteOffset(text, encoding.charIndex(text, column)), column)
                    << name << " run " << run << " keys " << trail;
            }
            for (const LyrItem* it = list.head(); it; it = it->next) {
                ASSERT_TRUE(it->lineBreak ? it->text.empty() : !it->text.empty())
                    << name << " run " << run << " keys " << trail;
                ASSERT_EQ(it->text.find('\r'), std::string::npos);
            }
            // The newest state, with whatever the sequence undid done again.
            while (editor.redo()) continue;
            const Strings edited = itemsOf(list);
            while (editor.undo()) continue;
            ASSERT_EQ(itemsOf(list), opened) << name << " run " << run;
            while (editor.redo()) continue;
            ASSERT_EQ(itemsOf(list), edited) << name << " run " << run;

            song.lyrics.TidyLyrics();
            double previous = -1;
            for (const LyrItem* it = list.head(); it; it = it->next) {
                ASSERT_GT(static_cast<long>(it->tick), static_cast<long>(previous))
                    << name << " run " << run;
                previous = it->tick;
            }
            ASSERT_TRUE(!list.head()->lineBreak || list.count() == kMinLines);
        }
    }
}

} // namespace

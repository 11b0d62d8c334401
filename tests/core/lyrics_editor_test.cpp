#include "lyrics/lyrics_editor.h"

#include "lyric_items.h"
#include "song/song_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace cantelo;
using Strings = std::vector<std::string>;

namespace {

// The lyric list from itemsOf's notation: "text@tick" for a syllable, "|@tick" for a break.
void setItems(TItemLyr& list, const Strings& items) {
    list.clear();
    for (const std::string& s : items) {
        const std::size_t at = s.rfind('@');
        const std::string text = s.substr(0, at);
        const double tick = std::stod(s.substr(at + 1));
        if (text == "|")
            list.add({}, 1, tick);
        else
            list.add(text, 0, tick);
    }
}

class Editor : public ::testing::Test {
protected:
    void load(const Strings& items) {
        setItems(doc.lyrics(), items);
        editor = std::make_unique<LyricsEditor>(doc);
        changes.clear();
        // A small panel: the text scrolls, so joining lines does not add one at the end.
        editor->setPanelHeight(2 * kEditorRowHeight);
        doc.subscribe([this](const LyricsChange& c) {
            changes.push_back(c);
            seenLine = editor->currentLine();
        });
    }
    void at(int line, int column) {
        editor->setCursor(line, column);
        changes.clear();
    }
    void type(std::string_view text) {
        for (char c : text) editor->typeCharacter(c);
    }
    Strings items() { return itemsOf(doc.lyrics()); }
    Strings lines() { return lineTextsOf(doc.lyrics()); }
    LyricsCursor cursor() const { return editor->cursor(); }

    LyricsDocument doc;
    std::unique_ptr<LyricsEditor> editor;
    std::vector<LyricsChange> changes;
    int seenLine = -1;
};

// ---- typing -------------------------------------------------------------------------------

TEST_F(Editor, TypingInsideAWordGoesIntoItsSyllable) {
    load({"ca@100", "sa@110", "|@120"});
    at(0, 3); // on the "a" of "sa"
    type("x");
    EXPECT_EQ(items(), (Strings{"ca@100", "sxa@110", "|@120"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 4}));
    at(0, 2); // on the boundary: the character goes to the end of "ca"
    type("y");
    EXPECT_EQ(items(), (Strings{"cay@100", "sxa@110", "|@120"}));
}

TEST_F(Editor, ALetterAtColumnZeroBecomesANewSyllableBeforeTheFirst) {
    load({"casa@100", "|@110"});
    type("b");
    EXPECT_EQ(items(), (Strings{"b@100", "casa@110", "|@110"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 1}));
}

TEST_F(Editor, ALetterAfterAWordsSpaceStartsANewSyllableAndPushesTheLineOn) {
    load({"ciao @100", "va@120", "|@130", "poi@200"});
    at(0, 5);
    type("m");
    EXPECT_EQ(items(), (Strings{"ciao @100", "m@110", "va@130", "|@140", "poi@200"}));
    type("a");
    EXPECT_EQ(lines(), (Strings{"ciao mava", "poi"}));
    // Before a word that starts with its space, at column 0: no empty syllable is left.
    load({" casa@100", "|@110"});
    type("x");
    EXPECT_EQ(items(), (Strings{"x casa@100", "|@110"}));
}

TEST_F(Editor, ASpaceInsideAWordEndsItThere) {
    load({"casa@100", "mia@130", "|@140"});
    at(0, 2);
    type(" ");
    EXPECT_EQ(items(), (Strings{"ca @100", "sa@110", "mia@140", "|@150"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 3}));
    // At a syllable's end the space just ends the word; on a word's own space nothing is added.
    load({"casa@100", "mia @130", "|@140"});
    at(0, 4);
    type(" ");
    EXPECT_EQ(items(), (Strings{"casa @100", "mia @130", "|@140"}));
    at(0, 8);
    type(" ");
    EXPECT_EQ(items(), (Strings{"casa @100", "mia @130", "|@140"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 9}));
    // After a space another space is simply inserted.
    at(0, 5);
    type(" ");
    EXPECT_EQ(lines()[0], "casa  mia ");
}

TEST_F(Editor, TypingOnEmptyLinesMakesTheirFirstSyllable) {
    load({"la@100", "|@110", "|@140"});
    at(1, 0);
    type("si");
    EXPECT_EQ(items(), (Strings{"la@100", "|@110", "si@140", "|@150"}));
    // The empty line after the final break has no item yet.
    at(3, 0);
    ASSERT_EQ(editor->currentLine(), 2);
    type(" o");
    EXPECT_EQ(lines(), (Strings{"la", "si", " o"}));
    EXPECT_EQ(items(), (Strings{"la@100", "|@110", "si@140", "|@150", " @160", "o@170"}));
}

TEST_F(Editor, AnyTextByteCanBeTypedButControlBytesAreRefused) {
    load({"citt@100", "|@110"});
    at(0, 4);
    type("\xE0");
    for (char c : {'\r', '\n', '\0', '\x7F', '\t'}) editor->typeCharacter(c);
    EXPECT_EQ(items(), (Strings{"citt\xE0@100", "|@110"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 5}));
}

// ---- Enter --------------------------------------------------------------------------------

TEST_F(Editor, EnterAtColumnZeroOpensAnEmptyLineAbove) {
    load({"uno@100", "|@110", "due@200", "|@210"});
    at(1, 0);
    editor->pressEnter();
    EXPECT_EQ(items(), (Strings{"uno@100", "|@110", "|@195", "due@200", "|@210"}));
    EXPECT_EQ(cursor(), (LyricsCursor{2, 0}));
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().rowOffset, kEditorRowHeight);
    EXPECT_TRUE(changes.back().movePosition);
    // On the first line the new line goes again at the next tidy-up.
    at(0, 0);
    editor->pressEnter();
    EXPECT_EQ(lines().front(), "");
    doc.TidyLyrics();
    EXPECT_EQ(lines().front(), "uno");
}

TEST_F(Editor, EnterAtASyllablesEndSplitsTheLineThere) {
    load({"ciao @100", "a @120", "te@140", "|@150", "fine@300", "|@310"});
    at(0, 5);
    editor->pressEnter();
    EXPECT_EQ(items(),
              (Strings{"ciao@100", "|@105", "a @120", "te@140", "|@150", "fine@300", "|@310"}));
    EXPECT_EQ(cursor(), (LyricsCursor{1, 0}));
    // At the end of the line the syllable keeps its space and an empty line follows.
    at(1, 4);
    editor->pressEnter();
    EXPECT_EQ(lines(), (Strings{"ciao", "a te", "", "fine", ""}));
    EXPECT_EQ(items()[5], "|@155");
    // After a syllable that is only a space, the break takes its place.
    load({"a@100", " @110", "b@120", "|@130"});
    at(0, 2);
    editor->pressEnter();
    EXPECT_EQ(items(), (Strings{"a@100", "|@115", "b@120", "|@130"}));
}

TEST_F(Editor, EnterInsideASyllableCutsItAndTheSecondPartLosesItsSpace) {
    load({"ciao mondo@100", "|@200"});
    at(0, 4);
    editor->pressEnter();
    EXPECT_EQ(items(), (Strings{"ciao@100", "|@105", "mondo@110", "|@200"}));
    EXPECT_EQ(cursor(), (LyricsCursor{1, 0}));
    // A first part that is only the word's space goes with the cut.
    load({"la@100", " casa@110", "|@200"});
    at(0, 3);
    editor->pressEnter();
    EXPECT_EQ(items(), (Strings{"la@100", "|@115", "casa@120", "|@200"}));
}

TEST_F(Editor, EnterScrollsOnlyFromTheLowerHalfOfThePanel) {
    Strings many;
    for (int i = 0; i < 40; ++i) {
        many.push_back("riga@" + std::to_string(100 + 30 * i));
        many.push_back("|@" + std::to_string(110 + 30 * i));
    }
    load(many);
    editor->setPanelHeight(10 * kEditorRowHeight);
    at(2, 0);
    editor->pressEnter();
    EXPECT_EQ(editor->firstVisibleLine(), 0);
    at(7, 0);
    editor->pressEnter();
    EXPECT_EQ(editor->firstVisibleLine(), 1);
    EXPECT_EQ(cursor(), (LyricsCursor{8, 0}));
}

// ---- Backspace ----------------------------------------------------------------------------

TEST_F(Editor, BackspaceInsideASyllableRemovesTheCharacterBefore) {
    load({"casa@100", "|@110"});
    at(0, 3);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"caa@100", "|@110"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 2}));
}

TEST_F(Editor, BackspaceOnASyllablesFirstCharacterJoinsItToTheOneBefore) {
    load({"la@100", " casa@110", "|@120"});
    at(0, 3);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"lacasa@100", "|@120"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 2}));
    // The line's first syllable only loses the character; one left as a lone space goes.
    load({"|@90", " a@100", "b@110", "|@120"});
    at(1, 1);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"|@90", "a@100", "b@110", "|@120"}));
    load({"|@90", "x @100", "b@110", "|@120"});
    at(1, 1);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"|@90", "b@110", "|@120"}));
    // A one-character syllable goes, and a break now in its place is pulled back.
    load({"ca@100", "x@130", "|@140", "poi@200"});
    at(0, 3);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"ca@100", "|@130", "poi@200"}));
}

TEST_F(Editor, BackspaceAtColumnZeroJoinsTheLineToTheOneAbove) {
    load({"uno @100", "|@110", "due@200", "|@210", "|@300", "tre@400"});
    at(0, 0);
    editor->pressBackspace();
    EXPECT_TRUE(changes.empty());
    EXPECT_FALSE(editor->canUndo());

    at(1, 0);
    editor->pressBackspace();
    EXPECT_EQ(lines(), (Strings{"uno due", "", "tre"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 4}));
    // An empty line goes with its own break.
    at(1, 0);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"uno @100", "due@200", "|@210", "tre@400"}));
}

TEST_F(Editor, BackspaceJoiningLinesOfATextThatFitsThePanelKeepsTheLineCount) {
    load({"a@100", "|@110", "b@200", "|@210"});
    editor->setPanelHeight(20 * kEditorRowHeight);
    ASSERT_EQ(editor->scrollMaximum(), 0);
    at(1, 0);
    editor->pressBackspace();
    EXPECT_EQ(items(), (Strings{"a@100", "b@200", "|@210", "|@240"}));
}

// ---- Delete -------------------------------------------------------------------------------

TEST_F(Editor, DeleteRemovesTheCharacterAfterTheCursorCharacter) {
    load({"casa@100", "mia@110", "x@120", "|@130", "poi@200"});
    at(0, 1);
    editor->pressDelete();
    EXPECT_EQ(lines()[0], "caamiax");
    // On a syllable's last character: the next syllable's first character.
    at(0, 2);
    editor->pressDelete();
    EXPECT_EQ(items(), (Strings{"caa@100", "ia@110", "x@120", "|@130", "poi@200"}));
    // On the next syllable's first character: its second one.
    at(0, 3);
    editor->pressDelete();
    EXPECT_EQ(items(), (Strings{"caa@100", "i@110", "x@120", "|@130", "poi@200"}));
    // Past a one-character syllable: the character after it, which was a syllable of its own.
    editor->pressDelete();
    EXPECT_EQ(items(), (Strings{"caa@100", "i@110", "|@130", "poi@200"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 3}));
}

TEST_F(Editor, DeleteAtColumnZeroRemovesTheSecondCharacterNotOneFarAway) {
    load({"casa@100", "mia@110", "|@130"});
    editor->pressDelete();
    EXPECT_EQ(items(), (Strings{"csa@100", "mia@110", "|@130"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 0}));
}

TEST_F(Editor, DeleteAtTheLinesEndJoinsTheNextLine) {
    load({"uno@100", "|@110", "|@150", "due@200", "|@210", "tre@300"});
    at(0, 2); // on the last character
    editor->pressDelete();
    EXPECT_EQ(lines(), (Strings{"uno", "due", "tre"}));
    at(0, 3);
    editor->pressDelete();
    EXPECT_EQ(lines(), (Strings{"unodue", "tre"}));
    EXPECT_EQ(cursor(), (LyricsCursor{0, 3}));
    at(1, 3);
    changes.clear();
    editor->pressDelete();
    EXPECT_EQ(lines(), (Strings{"unodue", "tre"}));
    EXPECT_TRUE(changes.empty());
}

// ---- cursor and scrolling -----------------------------------------------------------------

TEST_F(Editor, LocateCursorGivesABoundaryToTheSyllableBefore) {
    load({"|@90", "ca@100", "sa @110", "|@120"});
    at(1, 0);
    CursorLocation c = editor->LocateCursor();
    EXPECT_EQ(c.item, 1);
    EXPECT_EQ(c.offset, 0);
    at(1, 2);
    c = editor->LocateCursor();
    EXPECT_EQ(c.item, 1);
    EXPECT_EQ(c.offset, 2);
    EXPECT_EQ(c.lineUpToItem, "ca");
    at(1, 5);
    c = editor->LocateCursor();
    EXPECT_EQ(c.item, 2);
    EXPECT_EQ(c.offset, 3);
    EXPECT_EQ(c.lineUpToItem, "casa ");
    EXPECT_EQ(editor->currentLineFirstItem(), 1);
    EXPECT_EQ(editor->currentLineText(), "casa ");
}

TEST_F(Editor, ArrowsWalkTheTextAndStopAtItsEnds) {
    load({"ciao @100", "|@110", "tu@200", "|@210", "noi@300"});
    editor->moveLeft();
    EXPECT_EQ(cursor(), (LyricsCursor{0, 0}));
    at(1, 0);
    editor->moveLeft(); // the line above ends with a space: the cursor stands on it
    EXPECT_EQ(cursor(), (LyricsCursor{0, 4}));
    editor->moveRight();
    EXPECT_EQ(cursor(), (LyricsCursor{1, 0}));
    editor->moveRight();
    editor->moveRight();
    EXPECT_EQ(cursor(), (LyricsCursor{1, 2})); // the virtual space after the line
    editor->moveRight();
    EXPECT_EQ(cursor(), (LyricsCursor{2, 0}));
    at(2, 3);
    editor->moveRight();
    EXPECT_EQ(cursor(), (LyricsCursor{2, 3}));
    editor->moveDown();
    EXPECT_EQ(cursor(), (LyricsCursor{2, 3}));
    editor->moveUp();
    EXPECT_EQ(cursor(), (LyricsCursor{1, 0}));
    ASSERT_FALSE(changes.empty());
    EXPECT_FALSE(changes.back().movePosition);
}

TEST_F(Editor, TheScrollRangeFollowsThePanelAndTheCursorStaysVisible) {
    Strings many;
    for (int i = 0; i < 30; ++i) many.push_back("|@" + std::to_string(100 + 30 * i));
    load(many); // 31 lines with the one after the final break
    editor->setPanelHeight(10 * kEditorRowHeight + 4);
    EXPECT_EQ(editor->visibleRows(), 10);
    EXPECT_EQ(editor->scrollMaximum(), 31 - 10 + 1 - 1);
    editor->setPanelHeight(10 * kEditorRowHeight + 5);
    EXPECT_EQ(editor->scrollMaximum(), 31 - 10 + 1 - 2);
    editor->setFirstVisibleLine(500);
    EXPECT_EQ(editor->firstVisibleLine(), editor->scrollMaximum());
    editor->setFirstVisibleLine(-3);
    EXPECT_EQ(editor->firstVisibleLine(), 0);

    at(9, 0);
    editor->moveDown(); // from the bottom row
    EXPECT_EQ(editor->firstVisibleLine(), 1);
    at(1, 0);
    editor->moveUp(); // from the top row
    EXPECT_EQ(editor->firstVisibleLine(), 0);
    for (int i = 0; i < 40; ++i) editor->moveDown();
    EXPECT_EQ(cursor(), (LyricsCursor{30, 0}));
    EXPECT_EQ(editor->firstVisibleLine(), editor->scrollMaximum());
    // The gutter ticks of the visible rows, from the first visible one.
    EXPECT_EQ(doc.lineStartTicks().get(0), 100 + 30 * editor->firstVisibleLine());
}

TEST_F(Editor, TheGutterAndTheSongPositionFollowTheCursorLine) {
    load({"a@100", "|@110", "|@150"});
    editor->setPanelHeight(20 * kEditorRowHeight);
    at(1, 0);
    EXPECT_EQ(editor->currentLineStartTick(), 150);
    at(2, 0);
    EXPECT_EQ(editor->currentLineStartTick(), 160); // the line after the final break
    EXPECT_EQ(doc.lineStartTicks().get(2), 160);
    EXPECT_EQ(doc.lineStartTicks().get(3), TItemI::outOfRange);
}

TEST_F(Editor, ListenersSeeTheEditorAlreadyPlacedAndForeignRefreshesMoveIt) {
    load({"a@100", "|@110", "b@200", "|@210", "c@300"});
    editor->pressEnter();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(seenLine, 1);
    // A refresh by another command (binding, synchronisation) places the cursor as asked.
    doc.refresh(0, kEditorRowHeight);
    EXPECT_EQ(cursor(), (LyricsCursor{2, 0}));
    doc.lyrics().clear();
    doc.refresh(-1, 0);
    EXPECT_EQ(cursor(), (LyricsCursor{0, 0}));
    editor->moveCursorToItem(0);
    editor->setBindStartLine(7);
    EXPECT_EQ(editor->bindStartLine(), 0);
}

TEST_F(Editor, APressOnAnItemPutsTheCursorOnItsFirstCharacter) {
    load({"uno@100", "|@110", "ca@200", "sa@210", "|@220"});
    editor->moveCursorToItem(3);
    EXPECT_EQ(cursor(), (LyricsCursor{1, 2}));
    editor->moveCursorToItem(1);
    EXPECT_EQ(cursor(), (LyricsCursor{0, 3}));
}

// ---- property: random keys on real lyrics ---------------------------------------------------

// Any sequence of keys leaves a list that the tidy-up makes strictly rising, and undoing every
// step gives the opened list back exactly.
TEST(EditorProperty, RandomKeysOnCorpusLyricsKeepTheListSound) {
    const std::filesystem::path corpus = CANTELO_CORPUS_DIR;
    if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    const char* files[] = {"dmp__twinkle.kar", "dwm__BON_JOVI.It_s_my_life_K.mid",
                           "dmp__Negra_Sombra.kar"};
    const std::string alphabet = std::string("aeiouSTNrl .,'!\xE0\xE8\xF9\xC8");
    std::mt19937 random(20261206);
    int sequences = 0;
    for (const char* name : files) {
        SongDocument song;
        ASSERT_TRUE(openSongFile(song, (corpus / name).string(), 0).ok) << name;
        TItemLyr& list = song.lyrics.lyrics();
        const Strings opened = itemsOf(list);
        ASSERT_GT(opened.size(), 40u) << name;
        LyricsEditor editor(song.lyrics, 1000);
        editor.setPanelHeight(12 * kEditorRowHeight);
        TItemLyr original;
        for (const LyrItem* it = list.head(); it; it = it->next)
            original.add(it->text, it->lineBreak, it->tick);

        for (int run = 0; run < 700; ++run, ++sequences) {
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
                const auto key = random() % 12;
                trail += "EBDlrv<>ttt"[std::min<unsigned long>(key, 10)];
                switch (key) {
                case 0:
                    editor.pressEnter();
                    break;
                case 1:
                    editor.pressBackspace();
                    break;
                case 2:
                    editor.pressDelete();
                    break;
                case 3:
                    editor.moveLeft();
                    break;
                case 4:
                    editor.moveRight();
                    break;
                case 5:
                    random() % 2 ? editor.moveUp() : editor.moveDown();
                    break;
                case 6:
                    editor.undo();
                    break;
                case 7:
                    editor.redo();
                    break;
                default:
                    editor.typeCharacter(alphabet[random() % alphabet.size()]);
                    break;
                }
                ASSERT_LT(editor.currentLine(), std::max(song.lyrics.lineCount(), 1));
                ASSERT_LE(editor.cursorColumn(), static_cast<int>(editor.currentLineText().size()));
            }
            for (const LyrItem* it = list.head(); it; it = it->next) {
                ASSERT_TRUE(it->lineBreak ? it->text.empty() : !it->text.empty())
                    << name << " run " << run << " keys " << trail;
                ASSERT_EQ(it->text.find('\r'), std::string::npos);
            }
            // The newest state, with whatever the sequence undid done again.
            while (editor.redo()) {
            }
            const Strings edited = itemsOf(list);
            while (editor.undo()) {
            }
            ASSERT_EQ(itemsOf(list), opened) << name << " run " << run;
            while (editor.redo()) {
            }
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
    EXPECT_EQ(sequences, 2100);
}

} // namespace

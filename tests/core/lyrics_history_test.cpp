#include "core/lyrics/lyrics_editor.h"
#include "core/lyrics/lyrics_history.h"

#include "lyric_items.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace cantelo;

namespace {

TEST(History, TheOldestStepsGoPastTheLimitAndAStepThatChangedNothingIsPassedOver) {
    TItemLyr list;
    LyricsHistory history(3);
    for (int i = 1; i <= 6; ++i) {
        history.record(list, {i, 0});
        list.add("x", 0, 100 + i);
    }
    EXPECT_EQ(history.undoDepth(), 3u);
    while (history.undo(list, {})) continue;
    EXPECT_EQ(list.count(), 3); // the oldest kept step

    history.record(list, {7, 0});
    list.add("y", 0, 200);
    history.record(list, {8, 0}); // a command that then refused
    EXPECT_EQ(history.undo(list, {}), (LyricsCursor{7, 0}));
    EXPECT_TRUE(list.count() == 3 && !history.canUndo());
}

// ---- the editor's commands ----------------------------------------------------------------

class EditorUndo : public ::testing::Test {
protected:
    void SetUp() override {
        setItems(doc.lyrics(), "Ciao @100,bella @130,cantare@160,|@170,parola lunga @300,"
                               "lunga lunga @305,lunghissima@308,|@310,fine@400");
        editor = std::make_unique<LyricsEditor>(doc);
        editor->setPanelHeight(2 * kEditorRowHeight);
    }
    std::string items() { return joinedItems(doc.lyrics()); }

    LyricsDocument doc;
    std::unique_ptr<LyricsEditor> editor;
};

TEST_F(EditorUndo, EveryCommandIsOneStepThatUndoAndRedoReplayExactly) {
    const struct {
        const char* name;
        LyricsCursor at;
        std::function<void(LyricsEditor&)> run;
    } commands[] = {
        {"type", {0, 2}, [](LyricsEditor& e) { e.typeCharacter('x'); }},
        {"space", {0, 8}, [](LyricsEditor& e) { e.typeCharacter(' '); }},
        {"enter", {0, 3}, [](LyricsEditor& e) { e.pressEnter(); }},
        {"backspace", {0, 3}, [](LyricsEditor& e) { e.pressBackspace(); }},
        {"backspace join", {1, 0}, [](LyricsEditor& e) { e.pressBackspace(); }},
        {"delete", {0, 3}, [](LyricsEditor& e) { e.pressDelete(); }},
        {"delete join", {0, 18}, [](LyricsEditor& e) { e.pressDelete(); }},
        {"clear", {1, 4}, [](LyricsEditor& e) { e.clearText(); }},
        {"import", {0, 0}, [](LyricsEditor& e) { e.importText("uno due\r\ntre"); }},
        {"upper", {0, 0}, [](LyricsEditor& e) { e.changeTextCase(LetterCase::Upper); }},
        {"lower", {0, 0}, [](LyricsEditor& e) { e.changeTextCase(LetterCase::Lower); }},
        {"start case",
         {0, 5},
         [](LyricsEditor& e) { e.changeSyllableStartCase(LetterCase::Upper); }},
        {"adapt", {0, 0}, [](LyricsEditor& e) { e.adaptTextToWindow(); }},
        {"join", {0, 5}, [](LyricsEditor& e) { e.joinSyllables(); }},
        {"syllabify", {2, 3}, [](LyricsEditor& e) { e.syllabify(); }},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        SetUp();
        editor->setCursor(c.at.line, c.at.column);
        const std::string before = items();
        const LyricsCursor cursorBefore = editor->cursor();
        c.run(*editor);
        const std::string after = items();
        const LyricsCursor cursorAfter = editor->cursor();
        ASSERT_NE(after, before);
        EXPECT_EQ(editor->history().undoDepth(), 1u);

        int refreshes = 0;
        const int id = doc.subscribe(
            [&](const LyricsChange& change) { refreshes += change.cursorLine && change.editor; });
        ASSERT_TRUE(editor->undo());
        EXPECT_TRUE(items() == before && editor->cursor() == cursorBefore) << items();
        EXPECT_EQ(doc.lineCount(), static_cast<int>(lineTextsOf(doc.lyrics()).size()));
        ASSERT_TRUE(editor->redo());
        EXPECT_TRUE(items() == after && editor->cursor() == cursorAfter && refreshes == 2)
            << items();
        doc.unsubscribe(id);
    }
    // A new edit after an undo drops the redo branch.
    ASSERT_TRUE(editor->undo());
    editor->typeCharacter('z');
    EXPECT_FALSE(editor->canRedo());
}

TEST_F(EditorUndo, CharactersTypedIntoOneSyllableAreOneStepUntilAnotherKey) {
    const std::string before = items();
    editor->setCursor(0, 3);
    for (char c : std::string("ppp")) editor->typeCharacter(c);
    EXPECT_EQ(editor->history().undoDepth(), 1u);
    editor->moveLeft(); // a cursor move ends the run, even when the cursor comes back
    editor->moveRight();
    editor->typeCharacter('q');
    editor->pressBackspace();
    editor->typeCharacter('r');
    EXPECT_EQ(editor->history().undoDepth(), 4u);
    while (editor->undo()) continue;
    EXPECT_TRUE(items() == before && editor->cursor() == (LyricsCursor{0, 3})) << items();
}

// Steps recorded by the binding and synchronisation commands share the editor's history.
TEST_F(EditorUndo, OtherCommandsShareTheHistoryAndANewSongForgetsIt) {
    editor->setCursor(2, 1);
    const std::string before = items();
    editor->history().record(doc.lyrics(), editor->cursor());
    doc.lyrics().get(0)->tick = 50;
    doc.refresh(0, 0, false);
    editor->typeCharacter('y');
    EXPECT_EQ(editor->history().undoDepth(), 2u);
    editor->undo();
    editor->undo();
    EXPECT_TRUE(items() == before && editor->cursor() == (LyricsCursor{2, 1})) << items();

    // Commands that change nothing keep the redo branch.
    editor->changeTextCase(LetterCase::Lower);
    editor->setCursor(0, 3);
    editor->typeCharacter('k');
    editor->undo();
    editor->setCursor(0, 0);
    editor->pressBackspace();                  // nothing before the first line
    editor->changeTextCase(LetterCase::Lower); // nothing left to lower
    EXPECT_TRUE(editor->canRedo());
    editor->resetForNewSong();
    EXPECT_FALSE(editor->canUndo() || editor->canRedo());

    // Opening a song needs no call of its own: the document's notification is enough.
    editor->setCursor(1, 3);
    editor->typeCharacter('w');
    CMidiSong song;
    doc.reset();
    doc.chooseLyricTrack(song);
    EXPECT_TRUE(!editor->canUndo() && editor->cursor() == (LyricsCursor{0, 0}));
}

} // namespace

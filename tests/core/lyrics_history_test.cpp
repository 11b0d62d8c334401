#include "lyrics/lyrics_editor.h"
#include "lyrics/lyrics_history.h"

#include "lyric_items.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace cantelo;
using Strings = std::vector<std::string>;

namespace {

class History : public ::testing::Test {
protected:
    void set(const Strings& texts) {
        list.clear();
        double tick = 100;
        for (const std::string& t : texts) list.add(t == "|" ? "" : t, t == "|", tick += 10);
    }
    TItemLyr list;
};

TEST_F(History, ANewStepDropsRedoAndTheOldestStepsGoPastTheLimit) {
    LyricsHistory history(3);
    for (int i = 0; i < 6; ++i) {
        set(Strings(static_cast<std::size_t>(i + 1), "x"));
        history.record(list, {i, 0});
    }
    set({});
    EXPECT_EQ(history.undoDepth(), 3u);
    while (history.undo(list, {})) {
    }
    EXPECT_EQ(list.count(), 4); // the oldest kept step
    history.redo(list, {});
    ASSERT_TRUE(history.canRedo());
    history.record(list, {});
    EXPECT_FALSE(history.canRedo());
}

TEST_F(History, RecordsWithOneKeyMergeUntilTheRunIsClosed) {
    LyricsHistory history;
    set({"a"});
    history.record(list, {0, 0}, 7);
    set({"ab"});
    history.record(list, {0, 1}, 7);
    set({"abc"});
    history.closeStep();
    history.record(list, {0, 2}, 7);
    set({"abcd"});
    EXPECT_EQ(history.undoDepth(), 2u);
    EXPECT_EQ(history.undo(list, {}), (LyricsCursor{0, 2}));
    EXPECT_EQ(history.undo(list, {}), (LyricsCursor{0, 0}));
    EXPECT_EQ(itemsOf(list), (Strings{"a@110"}));
}

TEST_F(History, AStepThatChangedNothingIsPassedOver) {
    LyricsHistory history;
    set({"a"});
    history.record(list, {0, 0});
    set({"b"});
    history.record(list, {0, 1}); // a command that then refused
    EXPECT_EQ(history.undo(list, {}), (LyricsCursor{0, 0}));
    EXPECT_EQ(itemsOf(list), (Strings{"a@110"}));
    EXPECT_FALSE(history.canUndo());
}

// ---- the editor's commands ----------------------------------------------------------------

class EditorUndo : public ::testing::Test {
protected:
    void SetUp() override {
        TItemLyr& list = doc.lyrics();
        list.clear();
        list.add("Ciao ", 0, 100);
        list.add("bella ", 0, 130);
        list.add("cantare", 0, 160);
        list.add("", 1, 170);
        list.add("parola lunga ", 0, 300);
        list.add("lunga lunga ", 0, 305);
        list.add("lunghissima", 0, 308);
        list.add("", 1, 310);
        list.add("fine", 0, 400);
        editor = std::make_unique<LyricsEditor>(doc);
        editor->setPanelHeight(2 * kEditorRowHeight);
    }
    Strings items() { return itemsOf(doc.lyrics()); }

    LyricsDocument doc;
    std::unique_ptr<LyricsEditor> editor;
};

struct Command {
    const char* name;
    LyricsCursor at;
    std::function<void(LyricsEditor&)> run;
};

TEST_F(EditorUndo, EveryCommandIsOneStepThatUndoAndRedoReplayExactly) {
    const std::vector<Command> commands{
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
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        SetUp();
        editor->setCursor(c.at.line, c.at.column);
        const Strings before = items();
        const LyricsCursor cursorBefore = editor->cursor();
        c.run(*editor);
        const Strings after = items();
        const LyricsCursor cursorAfter = editor->cursor();
        ASSERT_NE(after, before);
        EXPECT_EQ(editor->history().undoDepth(), 1u);

        int refreshes = 0;
        const int id = doc.subscribe(
            [&](const LyricsChange& change) { refreshes += change.cursorLine && change.editor; });
        ASSERT_TRUE(editor->undo());
        EXPECT_EQ(items(), before);
        EXPECT_EQ(editor->cursor(), cursorBefore);
        EXPECT_EQ(doc.lineCount(), static_cast<int>(lineTextsOf(doc.lyrics()).size()));
        ASSERT_TRUE(editor->redo());
        EXPECT_EQ(items(), after);
        EXPECT_EQ(editor->cursor(), cursorAfter);
        EXPECT_EQ(refreshes, 2);
        doc.unsubscribe(id);

        // A new edit after an undo drops the redo branch.
        ASSERT_TRUE(editor->undo());
        editor->moveDown();
        EXPECT_TRUE(editor->canRedo());
        editor->typeCharacter('z');
        EXPECT_FALSE(editor->canRedo());
    }
}

TEST_F(EditorUndo, CharactersTypedIntoOneSyllableAreOneStep) {
    const Strings before = items();
    editor->setCursor(0, 3);
    for (char c : std::string("ppp")) editor->typeCharacter(c);
    EXPECT_EQ(editor->history().undoDepth(), 1u);
    // A cursor move ends the run, even when the cursor comes back.
    editor->moveLeft();
    editor->moveRight();
    editor->typeCharacter('q');
    EXPECT_EQ(editor->history().undoDepth(), 2u);
    // Another command between characters ends it too.
    editor->pressBackspace();
    editor->typeCharacter('r');
    EXPECT_EQ(editor->history().undoDepth(), 4u);
    while (editor->undo()) {
    }
    EXPECT_EQ(items(), before);
    EXPECT_EQ(editor->cursor(), (LyricsCursor{0, 3}));
}

TEST_F(EditorUndo, ARefusedCommandKeepsRedoAndANewSongForgetsEverything) {
    editor->changeTextCase(LetterCase::Lower);
    editor->setCursor(0, 3);
    editor->typeCharacter('k');
    editor->undo();
    editor->setCursor(0, 0);
    editor->pressBackspace();                  // nothing before the first line
    editor->changeTextCase(LetterCase::Lower); // nothing left to lower
    editor->setCursor(2, 4);
    editor->pressDelete(); // nothing after the last line
    EXPECT_EQ(editor->history().undoDepth(), 1u);
    EXPECT_TRUE(editor->redo());

    editor->resetForNewSong();
    EXPECT_FALSE(editor->canUndo());
    EXPECT_FALSE(editor->canRedo());
    EXPECT_FALSE(editor->undo());

    // The open command's own notification is enough.
    editor->setCursor(1, 3);
    editor->typeCharacter('w');
    CMidiSong song;
    doc.reset();
    doc.chooseLyricTrack(song);
    EXPECT_FALSE(editor->canUndo());
    EXPECT_EQ(editor->cursor(), (LyricsCursor{0, 0}));
}

TEST_F(EditorUndo, StepsRecordedByOtherCommandsShareTheHistory) {
    editor->setCursor(2, 1);
    const Strings before = items();
    // As the binding commands do: record with the editor's cursor, change, refresh.
    editor->history().record(doc.lyrics(), editor->cursor());
    doc.lyrics().get(0)->tick = 50;
    doc.refresh(0, 0, false);
    EXPECT_EQ(editor->cursor(), (LyricsCursor{2, 0}));
    editor->typeCharacter('y');
    EXPECT_EQ(editor->history().undoDepth(), 2u);
    editor->undo();
    editor->undo();
    EXPECT_EQ(items(), before);
    EXPECT_EQ(editor->cursor(), (LyricsCursor{2, 1}));
}

} // namespace

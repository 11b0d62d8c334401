#include "lyric_items.h"

#include "core/document/binding.h"
#include "core/lyrics/lyrics_history.h"
#include "core/document/song_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace cantelo {
namespace {

using Items = std::vector<std::string>;

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = std::make_unique<SongDocument>();
        doc->song.reset();
        doc->lyrics.subscribe([this](const LyricsChange& c) { changes.push_back(c); });
    }

    // "|" is a break; anything else a syllable. Ticks as given.
    void items(const std::vector<std::pair<std::string, double>>& list) {
        for (const auto& [text, tick] : list) {
            if (text == "|")
                lyrics().add("", 1, tick);
            else
                lyrics().add(text, 0, tick);
        }
    }
    void notes(const std::vector<double>& ticks) {
        for (double t : ticks) doc->melodyNotes.add(60, t, 100, 90);
    }
    TItemLyr& lyrics() { return doc->lyrics.lyrics(); }
    UndoTarget undo() { return {&history, {}}; }

    std::unique_ptr<SongDocument> doc;
    LyricsHistory history;
    std::vector<LyricsChange> changes;
};

using AutomaticBindingTest = BindingTest;

TEST_F(AutomaticBindingTest, NotesRunningOutLeaveTheRestSpacedByItsIndex) {
    items({{"L1", 0}, {"L2", 10}, {"|", 15}, {"L3", 20}});
    notes({480, 960, 1440});
    ASSERT_TRUE(bindToMelody(*doc, {0, 500}));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"L1@960", "L2@1440", "|@1460", "L3@1470"}));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].column, 0);
    EXPECT_FALSE(changes[0].movePosition);
}

TEST_F(AutomaticBindingTest, BreaksLieJustBeforeTheNoteOfTheNextSyllable) {
    items({{"L1", 0}, {"|", 5}, {"L2", 10}});
    notes({480, 960, 1440});
    ASSERT_TRUE(bindToMelody(*doc, {0, 0}));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"L1@480", "|@950", "L2@960"}));
}

TEST_F(AutomaticBindingTest, StartsAtTheStartLineAndTheNoteOnTheReference) {
    items({{"a", 7}, {"|", 12}, {"b", 20}, {"c", 30}});
    notes({100, 200, 300, 400});
    ASSERT_TRUE(bindToMelody(*doc, {1, 200}));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@7", "|@12", "b@200", "c@300"}));
}

TEST_F(AutomaticBindingTest, NothingToBindChangesNothing) {
    items({{"a", 7}, {"b", 20}});
    notes({100, 200});
    EXPECT_FALSE(bindToMelody(*doc, {0, 201}, undo())); // every note before the reference
    EXPECT_FALSE(bindToMelody(*doc, {5, 0}, undo()));   // no such line
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@7", "b@20"}));
    EXPECT_TRUE(changes.empty());
    EXPECT_FALSE(history.canUndo());
}

TEST_F(AutomaticBindingTest, DeletedNoteGivesItsSyllableToTheNextNote) {
    items({{"a", 0}, {"b", 1}});
    notes({100, 200, 300});
    ASSERT_TRUE(deleteMelodyNote(*doc, 1));
    EXPECT_FALSE(deleteMelodyNote(*doc, 2));
    ASSERT_TRUE(bindToMelody(*doc, {0, 0}));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@100", "b@300"}));
}

TEST_F(AutomaticBindingTest, UndoRestoresTheExactList) {
    items({{" la", 10.5}, {"|", 15}, {" ri", 33.25}});
    notes({100, 200});
    const Items before = itemsOf(lyrics());
    ASSERT_TRUE(bindToMelody(*doc, {0, 0}, undo()));
    ASSERT_TRUE(history.undo(lyrics(), {}));
    EXPECT_EQ(itemsOf(lyrics()), before);
    EXPECT_EQ(lyrics().get(0)->tick, 10.5);
    EXPECT_EQ(lyrics().get(2)->tick, 33.25);
}

using FirstNoteShiftTest = BindingTest;

TEST_F(FirstNoteShiftTest, MovesTheStartLineAndEverythingAfterIt) {
    items({{"a", 10}, {"|", 15}, {"b", 100}, {"c", 150}, {"|", 155}});
    notes({480, 960});
    ASSERT_TRUE(shiftToFirstNote(*doc, 1));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@10", "|@15", "b@480", "c@530", "|@535"}));
}

TEST_F(FirstNoteShiftTest, AShiftBeforeTheSongStartMovesNothing) {
    // Item c lies before b: shifting b back to the note would put c before tick 0.
    items({{"b", 500}, {"c", 50}});
    notes({100});
    EXPECT_FALSE(shiftToFirstNote(*doc, 0, undo()));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"b@500", "c@50"}));
    EXPECT_TRUE(changes.empty());
}

using AttachTest = BindingTest;

TEST_F(AttachTest, TheItemAndItsTextEventMoveToTheNote) {
    items({{"a", 120}, {"b", 240}});
    const std::uint8_t b[] = {'b'};
    doc->song.addTextEvent(5, b, 240, 1);
    ASSERT_TRUE(attachToNote(*doc, 1, 480, undo()));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@120", "b@480"}));
    int at240 = 0, at480 = 0;
    for (const auto& e : doc->song.data().texts) {
        if (e.type != 5) continue;
        at240 += e.tick == 240;
        at480 += e.tick == 480;
    }
    EXPECT_EQ(at240, 0);
    EXPECT_EQ(at480, 1);
    EXPECT_FALSE(attachToNote(*doc, 2, 480));
}

using DragTest = BindingTest;

TEST_F(DragTest, SingleSyllableMovesAloneByTheExactDistance) {
    items({{"a", 100}, {"b", 200}, {"c", 300}});
    // 7 pixels left at 480 ticks per 384 pixels: 8.75 ticks.
    const GridDrag drag{1, 100, 5, false};
    ASSERT_TRUE(dropDrag(*doc, drag, 98, 384, undo()));
    EXPECT_DOUBLE_EQ(lyrics().get(1)->tick, 191.25);
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@100", "b@191", "c@300"}));
    EXPECT_FALSE(changes.back().movePosition);
}

TEST_F(DragTest, WholeTextPreviewMatchesTheCommitAndIsOneStep) {
    items({{"a", 100}, {"b", 200}, {"|", 205}, {"c", 300}});
    const GridDrag drag{1, 100, 5, true};
    // Preview while moving: whole ticks, truncated toward zero (-8.75 gives -8).
    const auto preview = manualPositionPreview(*doc, drag, 98, 384);
    ASSERT_EQ(preview.size(), 3u);
    EXPECT_EQ(preview[0].index, 1);
    EXPECT_EQ(preview[0].tick, 192);
    EXPECT_TRUE(preview[1].lineBreak);
    EXPECT_EQ(preview[2].tick, 292);
    EXPECT_TRUE(itemsOf(lyrics())[1] == "b@200"); // the preview changes nothing

    ASSERT_TRUE(dropDrag(*doc, drag, 98, 384, undo()));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@100", "b@192", "|@197", "c@292"}));
    EXPECT_EQ(history.undoDepth(), 1u);
    history.undo(lyrics(), {});
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@100", "b@200", "|@205", "c@300"}));
}

TEST_F(DragTest, NothingMovesBeforeTheSongStart) {
    items({{"a", 100}, {"b", 200}});
    ASSERT_TRUE(dropDrag(*doc, {0, 100, 0, true}, -5000, 24));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@0", "b@100"}));
    ASSERT_TRUE(dropDrag(*doc, {1, 100, 0, false}, -5000, 24));
    EXPECT_EQ(itemsOf(lyrics()), (Items{"a@0", "b@0"}));
    EXPECT_FALSE(dropDrag(*doc, {0, 100, 0, false}, 100, 24)); // released where it was pressed
}

using SplitJoinTest = BindingTest;

TEST_F(SplitJoinTest, SplitsBeforeTheCharacterUnderTheMouse) {
    items({{" hello", 100}, {"|", 105}});
    const TextWidth width = [](std::string_view s) { return static_cast<int>(s.size()) * 10; };
    EXPECT_EQ(splitOrJoin(*doc, 0, 25, width, nullptr), SplitJoin::Split);
    EXPECT_EQ(itemsOf(lyrics()), (Items{" h@100", "ello@110", "|@105"}));
    EXPECT_EQ(changes.back().column, -1);
    EXPECT_FALSE(changes.back().movePosition);

    // Within the first character: back together.
    EXPECT_EQ(splitOrJoin(*doc, 1, 10, width, nullptr), SplitJoin::Joined);
    EXPECT_EQ(itemsOf(lyrics()), (Items{" hello@100", "|@105"}));
}

TEST_F(SplitJoinTest, RefusesAcrossBreaksAndAtTheEdges) {
    items({{" a", 100}, {"|", 105}, {"bc", 200}});
    const TextWidth width = [](std::string_view s) { return static_cast<int>(s.size()) * 10; };
    EXPECT_EQ(splitOrJoin(*doc, 2, 3, width, nullptr), SplitJoin::None);  // break before it
    EXPECT_EQ(splitOrJoin(*doc, 0, 15, width, nullptr), SplitJoin::None); // lone space left
    EXPECT_EQ(splitOrJoin(*doc, 0, 5, width, nullptr), SplitJoin::None);  // nothing before it
    EXPECT_EQ(splitOrJoin(*doc, 2, 90, width, nullptr), SplitJoin::None); // past the text
    EXPECT_EQ(splitOrJoin(*doc, 1, 5, width, nullptr), SplitJoin::None);  // a break box
    EXPECT_TRUE(changes.empty());
}

TEST_F(SplitJoinTest, KeepBoundBindsAgainAsOneUndoStep) {
    items({{" can", 0}, {"to", 10}, {"|", 15}});
    notes({100, 200, 300, 400});
    const TextWidth width = [](std::string_view s) { return static_cast<int>(s.size()) * 10; };
    const BindStart start{0, 0};
    EXPECT_EQ(splitOrJoin(*doc, 0, 25, width, &start, undo()), SplitJoin::Split);
    EXPECT_EQ(itemsOf(lyrics()), (Items{" c@100", "an@200", "to@300", "|@390"}));
    EXPECT_EQ(splitOrJoin(*doc, 1, 5, width, &start, undo()), SplitJoin::Joined);
    EXPECT_EQ(itemsOf(lyrics()), (Items{" can@100", "to@200", "|@290"}));
    EXPECT_EQ(history.undoDepth(), 2u);
    history.undo(lyrics(), {});
    history.undo(lyrics(), {});
    EXPECT_EQ(itemsOf(lyrics()), (Items{" can@0", "to@10", "|@15"}));
}

} // namespace
} // namespace cantelo

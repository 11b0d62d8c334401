#include "lyric_items.h"

#include "core/document/binding.h"
#include "core/document/song_file.h"
#include "core/lyrics/lyrics_history.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = std::make_unique<SongDocument>();
        doc->song.reset();
        doc->lyrics.subscribe([this](const LyricsChange& c) { changes.push_back(c); });
        changes.clear();
        history.clear();
    }
    void notes(const std::vector<double>& ticks) {
        for (double t : ticks) doc->melodyNotes.add(60, t, 100, 90);
    }
    TItemLyr& lyrics() { return doc->lyrics.lyrics(); }
    std::string items() { return joinedItems(lyrics()); }
    UndoTarget undo() { return {&history, {}}; }

    std::unique_ptr<SongDocument> doc;
    LyricsHistory history;
    std::vector<LyricsChange> changes;
};

TEST_F(BindingTest, AutomaticBindingFollowsTheNotesFromTheStart) {
    const struct {
        const char* what;
        const char* before;
        std::vector<double> notes;
        BindStart start;
        const char* after;
    } cases[] = {
        // clang-format off
        {"notes running out leave the rest spaced by its index", "L1@0,L2@10,|@15,L3@20",
         {480, 960, 1440}, {0, 500}, "L1@960,L2@1440,|@1460,L3@1470"},
        {"a break lies just before the note of the next syllable", "L1@0,|@5,L2@10",
         {480, 960, 1440}, {0, 0}, "L1@480,|@950,L2@960"},
        {"from the start line's first item and the note on the reference", "a@7,|@12,b@20,c@30",
         {100, 200, 300, 400}, {1, 200}, "a@7,|@12,b@200,c@300"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        setItems(lyrics(), c.before);
        notes(c.notes);
        ASSERT_TRUE(bindToMelody(*doc, c.start));
        EXPECT_EQ(items(), c.after);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_TRUE(changes[0].column == 0 && !changes[0].movePosition);
    }

    // A deleted note gives its syllable to the next note.
    SetUp();
    setItems(lyrics(), "a@0,b@1");
    notes({100, 200, 300});
    ASSERT_TRUE(deleteMelodyNote(*doc, 1));
    EXPECT_FALSE(deleteMelodyNote(*doc, 2));
    ASSERT_TRUE(bindToMelody(*doc, {0, 0}));
    EXPECT_EQ(items(), "a@100,b@300");
}

TEST_F(BindingTest, CommandsWithNothingToDoChangeAndRecordNothing) {
    setItems(lyrics(), "b@500,c@50");
    notes({100});
    EXPECT_FALSE(bindToMelody(*doc, {0, 101}, undo())); // every note before the reference
    EXPECT_FALSE(bindToMelody(*doc, {5, 0}, undo()));   // no such line
    // Shifting b back to the note would put c, which lies before it, before tick 0.
    EXPECT_FALSE(shiftToFirstNote(*doc, 0, undo()));
    EXPECT_FALSE(attachToNote(*doc, 2, 480, undo()));
    EXPECT_FALSE(dropDrag(*doc, {0, 100, 0, false}, 100, 24, undo())); // released where pressed
    EXPECT_EQ(items(), "b@500,c@50");
    EXPECT_TRUE(changes.empty() && !history.canUndo());
}

TEST_F(BindingTest, UndoRestoresTheExactTicks) {
    setItems(lyrics(), " la@10.5,|@15, ri@33.25");
    notes({100, 200});
    ASSERT_TRUE(bindToMelody(*doc, {0, 0}, undo()));
    ASSERT_TRUE(history.undo(lyrics(), {}));
    std::vector<double> ticks;
    for (const LyrItem* it = lyrics().head(); it; it = it->next) ticks.push_back(it->tick);
    EXPECT_EQ(ticks, (std::vector<double>{10.5, 15, 33.25}));
}

TEST_F(BindingTest, ShiftAndAttachMoveOntoTheNotes) {
    setItems(lyrics(), "a@10,|@15,b@100,c@150,|@155");
    notes({480, 960});
    ASSERT_TRUE(shiftToFirstNote(*doc, 1));
    EXPECT_EQ(items(), "a@10,|@15,b@480,c@530,|@535");

    // Attaching moves the item's text event with it.
    const std::uint8_t c[] = {'c'};
    doc->song.addTextEvent(5, c, 530, 1);
    ASSERT_TRUE(attachToNote(*doc, 3, 960, undo()));
    EXPECT_EQ(items(), "a@10,|@15,b@480,c@960,|@535");
    std::vector<std::int32_t> lyricTicks;
    for (const auto& e : doc->song.data().texts)
        if (e.type == 5) lyricTicks.push_back(e.tick);
    EXPECT_EQ(lyricTicks, std::vector<std::int32_t>{960});
}

TEST_F(BindingTest, DragsMoveBySingleOrWholeTextAndNeverBeforeTheStart) {
    setItems(lyrics(), "a@100,b@200,|@205,c@300");
    // 7 pixels left at 480 ticks per 384 pixels: 8.75 ticks, exactly for one syllable.
    ASSERT_TRUE(dropDrag(*doc, {1, 100, 5, false}, 98, 384, undo()));
    EXPECT_DOUBLE_EQ(lyrics().get(1)->tick, 191.25);
    EXPECT_EQ(items(), "a@100,b@191,|@205,c@300");
    EXPECT_FALSE(changes.back().movePosition);
    history.undo(lyrics(), {});

    // The whole text in whole ticks, truncated toward zero (-8.75 gives -8); the preview shows
    // what the drop does and changes nothing itself.
    const GridDrag whole{1, 100, 5, true};
    const auto preview = manualPositionPreview(*doc, whole, 98, 384);
    ASSERT_EQ(preview.size(), 3u);
    EXPECT_EQ(std::tuple(preview[0].index, preview[0].tick, preview[1].lineBreak, preview[2].tick),
              std::tuple(1, 192.0, true, 292.0));
    EXPECT_EQ(items(), "a@100,b@200,|@205,c@300");
    ASSERT_TRUE(dropDrag(*doc, whole, 98, 384, undo()));
    EXPECT_TRUE(items() == "a@100,b@192,|@197,c@292" && history.undoDepth() == 1u) << items();

    ASSERT_TRUE(dropDrag(*doc, {0, 100, 0, true}, -5000, 24));
    EXPECT_EQ(items(), "a@0,b@92,|@97,c@192");
    ASSERT_TRUE(dropDrag(*doc, {1, 100, 0, false}, -5000, 24));
    EXPECT_EQ(items(), "a@0,b@0,|@97,c@192");
}

TEST_F(BindingTest, DoubleClickSplitsOrJoinsWithinALine) {
    const TextWidth width = [](std::string_view s) { return static_cast<int>(s.size()) * 10; };
    setItems(lyrics(), " hello@100,|@105,bc@200");
    EXPECT_EQ(splitOrJoin(*doc, 2, 3, width, nullptr), SplitJoin::None);  // break before it
    EXPECT_EQ(splitOrJoin(*doc, 0, 15, width, nullptr), SplitJoin::None); // lone space left
    EXPECT_EQ(splitOrJoin(*doc, 0, 5, width, nullptr), SplitJoin::None);  // nothing before it
    EXPECT_EQ(splitOrJoin(*doc, 2, 90, width, nullptr), SplitJoin::None); // past the text
    EXPECT_EQ(splitOrJoin(*doc, 1, 5, width, nullptr), SplitJoin::None);  // a break box
    EXPECT_TRUE(changes.empty());

    // Before the character under the mouse; within the first character: back together.
    EXPECT_EQ(splitOrJoin(*doc, 0, 25, width, nullptr), SplitJoin::Split);
    EXPECT_EQ(items(), " h@100,ello@110,|@105,bc@200");
    EXPECT_TRUE(changes.back().column == -1 && !changes.back().movePosition);
    EXPECT_EQ(splitOrJoin(*doc, 1, 10, width, nullptr), SplitJoin::Joined);
    EXPECT_EQ(items(), " hello@100,|@105,bc@200");

    // Keep bound: the binding runs again, and each double click is one undo step.
    SetUp();
    setItems(lyrics(), " can@0,to@10,|@15");
    notes({100, 200, 300, 400});
    const BindStart start{0, 0};
    EXPECT_EQ(splitOrJoin(*doc, 0, 25, width, &start, undo()), SplitJoin::Split);
    EXPECT_EQ(items(), " c@100,an@200,to@300,|@390");
    EXPECT_EQ(splitOrJoin(*doc, 1, 5, width, &start, undo()), SplitJoin::Joined);
    EXPECT_EQ(items(), " can@100,to@200,|@290");
    EXPECT_EQ(history.undoDepth(), 2u);
    for (int i = 0; i < 2; ++i) history.undo(lyrics(), {});
    EXPECT_EQ(items(), " can@0,to@10,|@15");
}

} // namespace
} // namespace cantelo

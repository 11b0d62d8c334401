#include "lyric_items.h"

#include "core/document/key_sync.h"
#include "core/lyrics/lyrics_history.h"
#include "core/lyrics/lyrics_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cantelo {
namespace {

// What the editor and the strip draw after a step, on one line.
std::string shown(const SyncStep& s) {
    const SyncView& v = s.view;
    return "line " + std::to_string(v.line) + " row " + std::to_string(v.row) + " top " +
           std::to_string(v.firstVisibleLine) + " '" + v.lineText + "' tapped '" + v.tappedText +
           "' item " + std::to_string(v.highlightItem) + " gutter " + std::to_string(v.gutterTick) +
           (v.lineChanged ? " new line" : "") + (s.finished ? " finished" : "");
}

class KeySyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.subscribe([this](const LyricsChange& c) { changes.push_back(c); });
    }
    void load(const char* items, std::int32_t position = 0) {
        setItems(doc.lyrics(), items);
        sync.PlaceSyncCursor(doc.lyrics(), position);
    }
    SyncStep start(int scrollMax = 100) {
        return sync.start(doc, false, scrollMax, {&history, {}});
    }
    std::string items() { return joinedItems(doc.lyrics()); }

    LyricsDocument doc;
    KeySync sync;
    LyricsHistory history;
    std::vector<LyricsChange> changes;
};

constexpr const char* kTwoLines = " s0@10,s1@20,|@25, s2@30,s3@40,|@45";

TEST_F(KeySyncTest, AFullTakeEndsAtTheNextToLastItemAndIsOneUndoStep) {
    load(kTwoLines);
    ASSERT_TRUE(start().accepted);
    EXPECT_EQ(shown(sync.tap(doc, 100)),
              "line 0 row 0 top 0 ' s0s1' tapped ' s0' item 0 gutter -1");
    EXPECT_EQ(shown(sync.tap(doc, 200)),
              "line 0 row 0 top 0 ' s0s1' tapped ' s0s1' item 1 gutter -1");
    // The break: the editor scrolls to the next line, whose first syllable waits at its tick.
    EXPECT_EQ(shown(sync.tap(doc, 300)),
              "line 1 row 0 top 1 ' s2s3' tapped '' item -1 gutter 300 new line");
    EXPECT_EQ(items(), " s0@100,s1@200,|@300, s2@300,s3@40,|@45");
    sync.tap(doc, 350);
    const SyncStep last = sync.tap(doc, 400);
    EXPECT_TRUE(last.finished && last.message == kSyncCompleteMessage);
    EXPECT_EQ(items(), " s0@100,s1@200,|@300, s2@350,s3@400,|@400");

    // The transport's stop: the shared tick of s3 and the last break is pulled apart.
    ASSERT_TRUE(sync.stop(doc, 410));
    EXPECT_EQ(items(), " s0@100,s1@200,|@300, s2@350,s3@400,|@405");
    EXPECT_FALSE(sync.syncMode() || changes.back().movePosition);
    EXPECT_EQ(sync.syncIndex(), 6); // no syllable at or after 410
    EXPECT_TRUE(!sync.tap(doc, 500).accepted && history.undoDepth() == 1u);
    ASSERT_TRUE(history.undo(doc.lyrics(), {}));
    EXPECT_EQ(items(), kTwoLines);
}

TEST_F(KeySyncTest, StoppingEarlyKeepsTheTapsAndMakesTicksRise) {
    load(kTwoLines);
    ASSERT_TRUE(start().accepted);
    sync.tap(doc, 100);
    sync.tap(doc, 200);
    ASSERT_TRUE(sync.stop(doc, 212));
    EXPECT_EQ(items(), " s0@100,s1@200,|@205, s2@210,s3@215,|@220");
    // Placed again at the stop position: the take would resume there.
    EXPECT_TRUE(sync.syncIndex() == 4 && sync.positionLine() == 1 && !sync.stop(doc, 212));
}

TEST_F(KeySyncTest, OneTapCrossesSeveralEmptyLines) {
    load(" a@10,|@15,|@20,|@25, b@30,c@40,|@45,d@50");
    start(1); // the editor scrolls one line at most: the row moves down instead
    sync.tap(doc, 100);
    EXPECT_EQ(shown(sync.tap(doc, 200)),
              "line 3 row 2 top 1 ' bc' tapped '' item -1 gutter 200 new line");
    EXPECT_EQ(items(), " a@100,|@200,|@200,|@200, b@200,c@40,|@45,d@50");
    EXPECT_EQ(sync.syncIndex(), 4); // " b" is bound again by the next tap
}

TEST_F(KeySyncTest, StartsFromTheSongPositionWithTheLineStartAlreadyTapped) {
    load(" a@100,|@105, b@200,c@300,d@400,|@405", 250);
    EXPECT_EQ(sync.syncIndex(), 3);
    EXPECT_FALSE(sync.start(doc, true, 100).accepted || sync.syncMode()); // refused while playing
    EXPECT_EQ(shown(start(0)), "line 1 row 1 top 0 ' bcd' tapped ' b' item 2 gutter 300");
    EXPECT_FALSE(start().accepted); // already running

    // After the last syllable the first tap ends the take and changes nothing.
    sync.stop(doc, 0);
    load(" a@100,|@105", 500);
    ASSERT_TRUE(start().accepted);
    EXPECT_TRUE(sync.tap(doc, 600).finished);
    EXPECT_EQ(items(), " a@100,|@105");
}

TEST(TapLatencyTest, ATapStandsForTheMomentTheLatencyBeforeIt) {
    CMidiSong song; // 480 ticks per quarter at 120 BPM: 1 ms is 0.96 ticks
    // A negative delay is none.
    EXPECT_EQ((std::vector{tappedTick(song, 960, 0), tappedTick(song, 960, 250),
                           tappedTick(song, 100, 250), tappedTick(song, 960, -40)}),
              (std::vector{960, 720, 0, 960}));
}

} // namespace
} // namespace cantelo

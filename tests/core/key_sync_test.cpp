#include "lyric_items.h"

#include "core/document/key_sync.h"
#include "core/lyrics/lyrics_history.h"
#include "core/lyrics/lyrics_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cantelo {
namespace {

using Items = std::vector<std::string>;

class KeySyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.subscribe([this](const LyricsChange& c) { changes.push_back(c); });
    }
    void items(const std::vector<std::pair<std::string, double>>& list) {
        for (const auto& [text, tick] : list)
            lyrics().add(text == "|" ? "" : text, text == "|", tick);
    }
    TItemLyr& lyrics() { return doc.lyrics(); }
    SyncStep start(int scrollMax = 100) {
        return sync.start(doc, false, scrollMax, {&history, {}});
    }

    LyricsDocument doc;
    KeySync sync;
    LyricsHistory history;
    std::vector<LyricsChange> changes;
};

// s0 s1 break s2 s3 break.
class KeySyncExampleTest : public KeySyncTest {
protected:
    void SetUp() override {
        KeySyncTest::SetUp();
        items({{" s0", 10}, {"s1", 20}, {"|", 25}, {" s2", 30}, {"s3", 40}, {"|", 45}});
        sync.PlaceSyncCursor(lyrics(), 0);
        ASSERT_TRUE(start().accepted);
    }
};

TEST_F(KeySyncExampleTest, FullTakeEndsAtTheNextToLastItem) {
    SyncStep s = sync.tap(doc, 100);
    EXPECT_EQ(s.view.highlightItem, 0);
    EXPECT_EQ(s.view.tappedText, " s0");
    s = sync.tap(doc, 200);
    EXPECT_EQ(s.view.tappedText, " s0s1");
    EXPECT_FALSE(s.finished);

    s = sync.tap(doc, 300); // the break: the next line's first syllable waits at 300
    EXPECT_TRUE(s.view.lineChanged);
    EXPECT_EQ(s.view.line, 1);
    EXPECT_EQ(s.view.lineText, " s2s3");
    EXPECT_EQ(s.view.tappedText, "");
    EXPECT_EQ(s.view.gutterTick, 300);
    EXPECT_EQ(itemsOf(lyrics()), (Items{" s0@100", "s1@200", "|@300", " s2@300", "s3@40", "|@45"}));

    s = sync.tap(doc, 350);
    EXPECT_EQ(s.view.tappedText, " s2");
    EXPECT_FALSE(s.finished);
    s = sync.tap(doc, 400);
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(s.message, kSyncCompleteMessage);
    EXPECT_EQ(itemsOf(lyrics()),
              (Items{" s0@100", "s1@200", "|@300", " s2@350", "s3@400", "|@400"}));

    // The transport's stop: the shared tick of s3 and the last break is pulled apart.
    ASSERT_TRUE(sync.stop(doc, 410));
    EXPECT_FALSE(sync.syncMode());
    EXPECT_EQ(itemsOf(lyrics()),
              (Items{" s0@100", "s1@200", "|@300", " s2@350", "s3@400", "|@405"}));
    EXPECT_FALSE(changes.back().movePosition);
    EXPECT_EQ(sync.syncIndex(), 6); // no syllable at or after 410
    EXPECT_FALSE(sync.tap(doc, 500).accepted);
}

TEST_F(KeySyncExampleTest, StoppingEarlyKeepsTheTapsAndMakesTicksRise) {
    sync.tap(doc, 100);
    sync.tap(doc, 200);
    ASSERT_TRUE(sync.stop(doc, 212));
    EXPECT_EQ(itemsOf(lyrics()),
              (Items{" s0@100", "s1@200", "|@205", " s2@210", "s3@215", "|@220"}));
    // Placed again at the stop position: the take would resume there.
    EXPECT_EQ(sync.syncIndex(), 4);
    EXPECT_EQ(sync.positionLine(), 1);
    EXPECT_FALSE(sync.stop(doc, 212));
}

TEST_F(KeySyncExampleTest, TheWholeTakeIsOneUndoStep) {
    sync.tap(doc, 100);
    sync.tap(doc, 200);
    sync.tap(doc, 300);
    sync.stop(doc, 300);
    EXPECT_EQ(history.undoDepth(), 1u);
    ASSERT_TRUE(history.undo(lyrics(), {}));
    EXPECT_EQ(itemsOf(lyrics()), (Items{" s0@10", "s1@20", "|@25", " s2@30", "s3@40", "|@45"}));
}

TEST_F(KeySyncTest, OneTapCrossesSeveralEmptyLines) {
    items(
        {{" a", 10}, {"|", 15}, {"|", 20}, {"|", 25}, {" b", 30}, {"c", 40}, {"|", 45}, {"d", 50}});
    sync.PlaceSyncCursor(lyrics(), 0);
    start(1); // the editor scrolls one line at most: the row moves down instead
    sync.tap(doc, 100);
    const SyncStep s = sync.tap(doc, 200);
    EXPECT_EQ(itemsOf(lyrics()),
              (Items{" a@100", "|@200", "|@200", "|@200", " b@200", "c@40", "|@45", "d@50"}));
    EXPECT_EQ(sync.syncIndex(), 4); // " b" is bound again by the next tap
    EXPECT_EQ(s.view.line, 3);
    EXPECT_EQ(s.view.firstVisibleLine, 1);
    EXPECT_EQ(s.view.row, 2);
    EXPECT_EQ(s.view.lineText, " bc");
    EXPECT_FALSE(s.finished);
}

TEST_F(KeySyncTest, StartsFromTheSongPositionWithTheLineStartAlreadyTapped) {
    items({{" a", 100}, {"|", 105}, {" b", 200}, {"c", 300}, {"d", 400}, {"|", 405}});
    sync.PlaceSyncCursor(lyrics(), 250);
    EXPECT_EQ(sync.syncIndex(), 3);
    EXPECT_EQ(sync.positionLine(), 1);
    EXPECT_FALSE(sync.start(doc, true, 100).accepted); // refused while playing
    EXPECT_FALSE(sync.syncMode());

    const SyncStep s = start(0);
    EXPECT_EQ(s.view.line, 1);
    EXPECT_EQ(s.view.row, 1);
    EXPECT_EQ(s.view.lineText, " bcd");
    EXPECT_EQ(s.view.tappedText, " b");
    EXPECT_EQ(s.view.gutterTick, 300);
    EXPECT_EQ(s.view.highlightItem, 2);
    EXPECT_FALSE(start().accepted); // already running
}

TEST_F(KeySyncTest, StartAfterTheLastSyllableEndsAtTheFirstTap) {
    items({{" a", 100}, {"|", 105}});
    sync.PlaceSyncCursor(lyrics(), 500);
    ASSERT_TRUE(start().accepted);
    const SyncStep s = sync.tap(doc, 600);
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(itemsOf(lyrics()), (Items{" a@100", "|@105"}));
}

} // namespace
} // namespace cantelo

#include "lyric_items.h"

#include "core/lyrics/lyrics_model.h"
#include "core/song/midi_song.h"
#include "core/view/grid_layout.h"
#include "core/view/grid_scroll.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

// A fixed-width stand-in for the grid's font: 6 pixels a character, 13 high.
const GridFont kFont{[](std::string_view s) { return 6 * static_cast<int>(s.size()); }, 13};
constexpr int kWidth = 705;

class GridLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { song.reset(); } // 480 ticks per quarter, 4/4

    void build(int zoom, int scroll, int width = kWidth, bool withLyrics = true) {
        layout.build({&song, withLyrics ? &lyrics : nullptr, &notes},
                     GridMapping(zoom, scroll, song.division()), width, kFont);
    }
    std::vector<int> measureXs() const {
        std::vector<int> xs;
        for (const MeasureMark& m : layout.measures()) xs.push_back(m.x);
        return xs;
    }
    using Boxes = std::vector<std::array<int, 5>>;
    static Boxes boxes(const TRectItem& hits) {
        Boxes out;
        for (const RectItem* r = hits.head(); r; r = r->next)
            out.push_back({r->index, r->left, r->top, r->right, r->bottom});
        return out;
    }

    CMidiSong song;
    TItemLyr lyrics;
    TChannelItem notes;
    GridLayout layout;
};

TEST_F(GridLayoutTest, TicksAndPixelsShareOneMapping) {
    EXPECT_EQ(
        std::pair(GridMapping(24, 0, 480).xFromTick(960), GridMapping(24, 24, 480).xFromTick(960)),
        std::pair(48, 24));
    // The view starts on a whole quarter: 50 is drawn as 48.
    const GridMapping between(24, 50, 480);
    EXPECT_EQ(std::tuple(between.scroll(), between.xFromTick(960), between.tickFromX(12),
                         between.cursorX(960)),
              std::tuple(48, 0, 1200, 0));
    // Truncated toward zero: a tick just left of the view lands on column 0.
    EXPECT_EQ(std::pair(between.xFromTick(950), between.xFromTick(900)), std::pair(0, -3));
    // A damaged division does not divide by zero.
    EXPECT_EQ(GridMapping(24, 0, 0).xFromTick(2), 48);
}

TEST_F(GridLayoutTest, MeasureAndBeatLines) {
    build(24, 0);
    ASSERT_GE(layout.measures().size(), 7u);
    EXPECT_EQ(
        std::tuple(layout.measures()[0].x, layout.measures()[1].x, layout.measures()[1].number),
        std::tuple(0, 96, 2));
    EXPECT_EQ(std::vector<int>(layout.beats().begin(), layout.beats().begin() + 4),
              (std::vector<int>{24, 48, 72, 120}));
    // Scrolled, measures keep their numbers and the walk stops at the right edge.
    build(24, 200); // drawn from 192: the third measure starts the view
    EXPECT_EQ(std::tuple(layout.measures().front().x, layout.measures().front().number,
                         layout.beats().front()),
              std::tuple(0, 3, 24));
    EXPECT_LT(layout.measures().back().x, kWidth);
    for (int zoom : {3, 6}) {
        build(zoom, 0);
        EXPECT_TRUE(layout.beats().empty()) << zoom;
        ASSERT_GE(layout.measures().size(), 2u);
        EXPECT_EQ(layout.measures()[1].x, zoom * 4);
    }
    build(12, 0);
    EXPECT_FALSE(layout.beats().empty());
}

TEST_F(GridLayoutTest, SixEightBeatsAreHalfAQuarterApart) {
    const std::uint8_t sixEight[4] = {6, 3, 24, 8};
    song.setTimeSignatureAt(0, sixEight);
    build(24, 0);
    EXPECT_EQ(measureXs()[1], 72);
    EXPECT_EQ(std::vector<int>(layout.beats().begin(), layout.beats().begin() + 5),
              (std::vector<int>{12, 24, 36, 48, 60}));
    // A denominator finer than a sixteenth still advances the walk.
    const std::uint8_t tiny[4] = {3, 7, 24, 8};
    song.setTimeSignatureAt(0, tiny);
    build(24, 0);
    EXPECT_EQ(measureXs()[1], 18);
}

TEST_F(GridLayoutTest, LyricBoxesCycleThroughFourRows) {
    setItems(lyrics, "early@0,a@960,b@1440,|@1900,c@1920,d@2400,e@2880,gap@3000");
    lyricItem(lyrics, 7).text.clear(); // an empty syllable is not a break: skipped
    build(24, 24 * 2);                 // the item at tick 0 lies left of the view
    EXPECT_EQ(layout.firstVisibleItem(), 1);
    // Index, left, top, right, bottom.
    EXPECT_EQ(boxes(layout.syllableHits()), (Boxes{{1, 0, 70, 8, 85},
                                                   {2, 24, 82, 32, 97},
                                                   {3, 47, 94, 55, 108},
                                                   {4, 48, 106, 56, 121},
                                                   {5, 72, 70, 80, 85},
                                                   {6, 96, 82, 104, 97}}));
    EXPECT_EQ(std::pair(layout.syllableHits().head()->text, layout.syllableHits().head()->tick),
              std::pair(std::string("a"), 960.0));
    // A lyric box is hit strictly inside its edges.
    EXPECT_EQ(syllableAt(layout.syllableHits(), 1, 71)->index, 1);
    EXPECT_FALSE(syllableAt(layout.syllableHits(), 8, 71) ||
                 syllableAt(layout.syllableHits(), 1, 70));

    // Without a lyric track nothing is drawn, and nothing stale is left to hit.
    build(24, 0, kWidth, false);
    EXPECT_EQ(layout.syllableHits().count(), 0);
}

TEST_F(GridLayoutTest, TheWalksStopAtTheFirstItemRightOfTheView) {
    // x = 705 is drawn, x = 706 ends the walk: the late item is not reached.
    setItems(lyrics, "edge@14100,past@14120,late@0");
    notes.add(60, 14100, 480, 90);
    notes.add(60, 14120, 480, 90);
    notes.add(60, 0, 480, 90);
    build(24, 0);
    EXPECT_EQ(boxes(layout.syllableHits()), (Boxes{{0, 705, 70, 731, 85}}));
    ASSERT_EQ(layout.noteHits().count(), 1);
    EXPECT_EQ(layout.noteHits().head()->left, 705);
}

TEST_F(GridLayoutTest, NoteBarsByKey) {
    notes.add(0, 0, 480, 90);    // key 0: neither drawn nor hit
    notes.add(72, 0, 960, 90);   // starts left of the view, reaches into it
    notes.add(60, 240, 100, 90); // left of the view entirely
    notes.add(48, 1920, 480, 90);
    build(24, 24);
    EXPECT_EQ(boxes(layout.noteHits()), (Boxes{{1, -24, 48, 23, 51}, {3, 72, 72, 95, 75}}));
    EXPECT_EQ(layout.noteHits().head()->text, std::string(1, char(72)));
    EXPECT_EQ(noteAt(layout.noteHits(), 95, 75, false)->index, 3);
    EXPECT_FALSE(noteAt(layout.noteHits(), 96, 75, false) ||
                 noteAt(layout.noteHits(), 80, 10, false));
    EXPECT_EQ(noteAt(layout.noteHits(), 80, 10, true)->index, 3); // the sound bar: any height
}

TEST_F(GridLayoutTest, PreviewContinuesTheRowsFromTheDraggedBox) {
    const std::vector<PreviewItem> items{{3, "la", 960, false},
                                         {4, "", 1000, true},
                                         {5, "gone", -480, false},
                                         {6, "x", 1440, false}};
    const auto boxes = layoutPreview(items, GridMapping(24, 0, 480), kWidth, 106, kFont);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(std::pair(boxes[0].top, boxes[0].right), std::pair(106, 48 + 14));
    EXPECT_TRUE(boxes[1].lineBreak() && boxes[1].top == 70);
    EXPECT_EQ(std::pair(boxes[2].top, boxes[2].left), std::pair(82, 72));
}

TEST(GridScroll, RangeOfANewSong) {
    EXPECT_EQ(scrollForSong(0, 480), (GridScroll{24, 0, 100}));
    EXPECT_EQ(scrollForSong(228480, 480).maximum, 11424);
    EXPECT_EQ(scrollForSong(96000, 96).maximum, 24000);
    // Below 24 ticks per quarter the length is scaled, not divided by zero.
    EXPECT_EQ(scrollForSong(1200, 12).maximum, 2400);
}

TEST(GridScroll, ZoomInBringsTheCursorToTheMiddle) {
    const int width = 705;
    const std::int32_t position = 25200; // x = 300 at zoom 24, scroll 960
    const GridScroll before{24, 960, 20000};
    const GridScroll after = zoomedIn(before, 300, position, 480, width);
    EXPECT_EQ(std::tuple(after.zoom, after.maximum, after.step(), after.position % 48),
              std::tuple(48, 40000, 48, 0));
    const int x = GridMapping(48, after.position, 480).cursorX(position);
    EXPECT_LE(std::abs(x - width / 2), 48) << x;
    // At the song's start the view cannot move left of it.
    EXPECT_EQ(zoomedIn({24, 0, 20000}, 10, 200, 480, width).position, 0);
    const GridScroll top{384, 3840, 100000};
    EXPECT_EQ(zoomedIn(top, 300, 5000, 480, width), top);
    // A cursor far off the view is brought back all the same.
    const GridScroll far = zoomedIn({24, 0, 2000000}, 900000, 18000000, 480, width);
    EXPECT_LE(std::abs(GridMapping(48, far.position, 480).cursorX(18000000) - width / 2), 48);
}

TEST(GridScroll, ZoomOutKeepsTheCursorNearItsColumn) {
    const std::int32_t position = 25200;
    const GridScroll before{48, 2160, 40000}; // cursor at x = 360
    const GridScroll after = zoomedOut(before, 360);
    EXPECT_EQ(after, (GridScroll{24, 1080 - 168, 20000}));
    EXPECT_EQ(GridMapping(24, after.position, 480).cursorX(position), 348);
    EXPECT_EQ(zoomedOut({6, 0, 100}, 0), (GridScroll{3, 0, 50}));
    EXPECT_EQ(zoomedOut({3, 30, 1000}, 300), (GridScroll{3, 30, 1000}));
}

TEST(GridScroll, PlaybackPagesByOneWidth) {
    const GridScroll s{24, 1000, 5000};
    EXPECT_EQ(std::vector({pageForPlayback(s, 705, 705), pageForPlayback(s, 706, 705),
                           pageForPlayback(s, -50, 705), pageForPlayback(s, -51, 705)}),
              (std::vector<std::optional<int>>{std::nullopt, 1705, std::nullopt, 295}));
    EXPECT_EQ(pageForPlayback({24, 100, 5000}, -51, 705), 0);
    EXPECT_EQ(pageForPlayback({24, 0, 5000}, -51, 705), std::nullopt);
    EXPECT_EQ(pageForPlayback({24, 4900, 5000}, 800, 705), 5000);
}

} // namespace
} // namespace cantelo

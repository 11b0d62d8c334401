#include "test_support.h"

#include "core/view/midi_overview.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

// 480 ticks per quarter and 4/4: at the starting zoom a measure is 8 pixels.
class MidiOverviewTest : public ::testing::Test {
protected:
    void SetUp() override { song.reset(); }

    void build(int scroll, int selected = 0, int firstRow = 0) {
        notes.rebuild(song);
        layout.build(
            song, notes,
            {firstRow, selected, 0, OverviewMapping(kOverviewStartZoom, scroll, song.division())});
    }
    // The note bars drawn in `colour`: left, top, height.
    std::vector<std::vector<int>> bars(std::uint32_t colour) const {
        std::vector<std::vector<int>> out;
        for (const OverviewRect& r : layout.rects())
            if (r.colour == colour) out.push_back({r.left, r.top, r.height});
        return out;
    }
    std::vector<std::string> rulerNumbers() const {
        std::vector<std::string> out;
        for (const OverviewText& t : layout.texts())
            if (t.kind == OverviewTextKind::RulerNumber)
                out.push_back(std::to_string(t.left) + ":" + t.text);
        return out;
    }

    CMidiSong song;
    OverviewNotes notes;
    OverviewLayout layout;
};

TEST(MidiOverviewNames, LongNamesSplitAtTheirFirstSpace) {
    using Lines = std::array<std::string, 2>;
    EXPECT_EQ(splitInstrumentName("Acoustic Grand Piano"), (Lines{"Acoustic", "Grand Piano"}));
    EXPECT_EQ(splitInstrumentName("Electric Piano 1"), (Lines{"Electric", "Piano 1"}));
    EXPECT_EQ(splitInstrumentName("Electric Piano"), (Lines{"Electric Piano", ""}));
    EXPECT_EQ(splitInstrumentName("SynthStringsAndMore"), (Lines{"SynthStringsAndMore", ""}));
    EXPECT_EQ(splitInstrumentName(std::string(kNoProgramName)),
              (Lines{std::string(kNoProgramName), ""}));
}

// The click and the drawing share one mapping: the scroll position snapped down to the zoom
// step, so the tick under a ruler column is the one drawn there.
TEST_F(MidiOverviewTest, RulerClickLocatesTheTickDrawnUnderIt) {
    const OverviewView view{0, 0, 0, OverviewMapping(kOverviewStartZoom, 101, 480)};
    EXPECT_EQ(view.mapping.scroll(), 100);
    EXPECT_EQ(overviewRulerTick(view, 170, 5), 480 * (100 - 150 + 170) / 2);
    EXPECT_EQ(view.mapping.xFromTick(*overviewRulerTick(view, 170, 5)), 170);
    EXPECT_EQ(overviewRulerTick(view, 149, 5), std::nullopt);                    // the left column
    EXPECT_EQ(overviewRulerTick(view, 170, kOverviewRulerBottom), std::nullopt); // a row
    EXPECT_EQ(std::pair(view.mapping.lineX(0), view.mapping.lineX(24000)),
              std::pair(kOverviewHiddenLineX, kOverviewStripLeft));

    EXPECT_EQ(overviewRowAt(view, 19), std::nullopt);
    EXPECT_EQ(overviewRowAt({9, 0, 0, {}}, kOverviewRowTop + 6 * kOverviewRowHeight + 31), 15);
    EXPECT_EQ(overviewRowAt(view, kOverviewRowTop + 7 * kOverviewRowHeight), std::nullopt);

    // Numbered marks every tenth measure counted from the left edge: measures 1, 11 ... from the
    // start; scrolled to tick 24000 (measure 13, half way), from measure 14 on.
    for (const auto& [scroll, first, second] :
         {std::tuple(0, "152:1", "232:11"), std::tuple(101, "156:14", "236:24")}) {
        build(scroll);
        const auto numbers = rulerNumbers();
        ASSERT_GE(numbers.size(), 2u);
        EXPECT_TRUE(numbers[0] == first && numbers[1] == second) << numbers[0] << " " << numbers[1];
    }
}

// Only the visible span is drawn: notes left of the strips and from the right edge on are left
// out, silent notes too, and of the notes that start in one column the longest stands.
TEST_F(MidiOverviewTest, NoteBarsAreClippedAndMergedPerColumn) {
    const std::int32_t q = 480;                       // one quarter: 2 pixels
    test::addNote(song, 1, 274 * q, 275 * q, 60);     // x 678, the last column pair
    test::addNote(song, 1, 10 * q, 11 * q, 60);       // x 150, one quarter long
    test::addNote(song, 1, 10 * q + 100, 14 * q, 62); // the same column, longer: it stands
    test::addNote(song, 1, 20 * q, 30 * q, 64, 0);    // silent
    test::addNote(song, 1, 275 * q, 276 * q, 60);     // x 680: past the edge
    test::addNote(song, 1, 5 * q, 6 * q, 60);         // scrolled out to the left
    build(20);                                        // the strips start at tick 4800
    const int foot = kOverviewRowTop + 2 * kOverviewRowHeight - 2;
    const int longer = 2 + (4 * q - 100) * 4 / q;
    EXPECT_EQ(bars(kOverviewNoteColour),
              (std::vector<std::vector<int>>{{150, foot - longer, longer}, {678, foot - 6, 6}}));
    EXPECT_EQ(layout.barCount(), 2);

    // The selected channel's bars have their own colour; scrolled out, it has no row.
    build(20, 1);
    EXPECT_TRUE(bars(kOverviewSelectedNoteColour).size() == 2u &&
                layout.selectedRowTop() == kOverviewRowTop + kOverviewRowHeight);
    build(20, 1, 2);
    EXPECT_TRUE(!layout.selectedRowTop() && bars(kOverviewSelectedNoteColour).empty());
}

} // namespace
} // namespace cantelo

#include "core/document/display_step.h"
#include "core/tools/vu_meter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

using Paint = VuMeterAnimation::Paint;

// The meter stepped by the display timer, and what the widget would show: the last colour set
// for each segment.
struct Screen {
    VuMeterAnimation meter;
    std::array<std::array<bool, kMeterSegments>, kMeterChannels> lit{};
    void step(int runs = 1) {
        for (int i = 0; i < runs; ++i) {
            std::vector<Paint> painted;
            meter.step(painted);
            for (const Paint& p : painted) lit[p.channel][p.segment] = p.lit;
        }
    }
    int litCount(int ch) const { return static_cast<int>(std::ranges::count(lit[ch], true)); }
};

TEST(VuMeterTest, RiseHoldAndFall) {
    Screen screen;
    VuMeterAnimation& meter = screen.meter;
    meter.SetValue(13, 4);
    for (int run = 1; run <= 12; ++run) {
        screen.step();
        EXPECT_EQ(screen.litCount(4), run);
    }
    screen.step(); // 130 ms; only the fed channel moved
    EXPECT_EQ(std::tuple(screen.litCount(4), meter.peak(4), screen.litCount(5)),
              std::tuple(13, 12, 0));

    // Falling one segment per 30 ms, the peak held on top for 250 ms.
    screen.step(24);
    EXPECT_EQ(std::pair(meter.level(4), meter.peak(4)), std::pair(13 - 8, 12));
    EXPECT_TRUE(screen.lit[4][12] && !screen.lit[4][11]);
    screen.step();
    EXPECT_EQ(meter.peak(4), 11);

    // Everything ends unlit and the animation goes idle.
    for (int run = 0; run < 500 && meter.animating(); ++run) screen.step();
    EXPECT_TRUE(!meter.animating() && screen.litCount(4) == 0);
}

TEST(VuMeterTest, ZeroOnAnIdleChannelAndTheFedLevel) {
    VuMeterAnimation meter;
    std::vector<Paint> painted;
    meter.SetValue(0, 2);
    meter.step(painted);
    EXPECT_EQ(meter.peak(2), -1);
    for (const Paint& p : painted) EXPECT_FALSE(p.lit);
    EXPECT_EQ(std::tuple(meterLevel(5), meterLevel(127), meterLevel(0)), std::tuple(1, 13, 0));

    // A new value during the fall rises again from where the bar is.
    meter.SetValue(6, 1);
    for (int i = 0; i < 12; ++i) meter.step(painted);
    const int fallen = meter.level(1);
    EXPECT_LT(fallen, 6);
    meter.SetValue(9, 1);
    meter.step(painted);
    EXPECT_EQ(meter.level(1), fallen + 1);
}

} // namespace
} // namespace cantelo

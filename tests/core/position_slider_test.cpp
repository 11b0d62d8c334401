#include "core/view/position_slider.h"

#include <gtest/gtest.h>

namespace cantelo {
namespace {

TEST(PositionSliderTest, TheWholeRunOfTheCursorCoversTheWholeSong) {
    PositionSlider s;
    s.setSongLength(1000);
    EXPECT_EQ(s.cursorLeftFor(1000), PositionSlider::kSpan);
    EXPECT_EQ(s.tickFor(PositionSlider::kSpan), 1000);
    EXPECT_EQ(s.cursorLeftFor(500), 64);
    // A song shorter than the run still maps every pixel to a tick of its own.
    s.setSongLength(100);
    EXPECT_EQ(s.tickFor(65), 50);
    EXPECT_EQ(s.click(-7), 0);
    EXPECT_EQ(s.click(500), 100);
}

TEST(PositionSliderTest, ADragPastEitherEndMeansThatEndOfTheSong) {
    PositionSlider s;
    s.setSongLength(12900);
    s.showTick(0);
    EXPECT_FALSE(s.drag(10));
    s.press(5);
    EXPECT_EQ(s.drag(15), 1000);
    EXPECT_EQ(s.cursorLeft(), 10);
    EXPECT_EQ(s.drag(400), 12900);
    EXPECT_EQ(s.cursorLeft(), 10); // the cursor stays inside the bar
    EXPECT_EQ(s.drag(-300), 0);
    EXPECT_EQ(s.drag(25), 2000);
    EXPECT_EQ(s.release(), 2000);
    EXPECT_FALSE(s.release());
}

} // namespace
} // namespace cantelo

#include "core/timing/time_map.h"

#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

using namespace cantelo;

namespace {

// A reset song: division 480, 4/4 from tick 0, 120 BPM.
class TempoMap : public ::testing::Test {
protected:
    void SetUp() override { song.reset(); }
    void signature(std::int32_t tick, std::uint8_t nn, std::uint8_t dd) {
        const std::uint8_t bytes[4] = {nn, dd, 24, 8};
        song.setTimeSignatureAt(tick, bytes);
    }
    std::string pos(std::int32_t tick) { return song.timeMap().positionText(tick); }
    std::int32_t next(std::int32_t tick) { return song.timeMap().nextMeasureTick(tick); }
    std::int32_t previous(std::int32_t tick) { return song.timeMap().previousMeasureTick(tick); }

    CMidiSong song;
};

TEST_F(TempoMap, PositionsAndMeasureStepsInFourFour) {
    EXPECT_EQ(pos(0), "0001.01.000");
    EXPECT_EQ(pos(479), "0001.01.479");
    EXPECT_EQ(pos(480), "0001.02.000");
    EXPECT_EQ(pos(1920), "0002.01.000");
    EXPECT_EQ(pos(1000000), "0521.04.160");
    EXPECT_EQ(pos(1920 * 10000), "10001.01.000"); // wider fields simply take more digits
    EXPECT_EQ(song.timeMap().measureIndexAt(1919), 0);
    EXPECT_EQ(song.timeMap().measureIndexAt(1920), 1);
    const Position p = song.timeMap().positionParts(1920 * 3 + 480 * 2 + 7);
    EXPECT_EQ(p.measure, 4);
    EXPECT_EQ(p.beat, 3);
    EXPECT_EQ(p.tick, 7);
    song.setDivision(1200);
    EXPECT_EQ(pos(1100), "0001.01.1100");
    song.setDivision(480);

    EXPECT_EQ(next(0), 1920);
    EXPECT_EQ(next(1919), 1920);
    EXPECT_EQ(next(1920), 3840);
    EXPECT_EQ(previous(1920), 0);
    EXPECT_EQ(previous(2000), 1920);
    EXPECT_EQ(previous(3840), 1920);
    EXPECT_EQ(previous(1), 0);
    EXPECT_EQ(previous(0), 0);
}

TEST_F(TempoMap, WaltzFromTheThirdMeasure) {
    signature(3840, 3, 2);
    EXPECT_EQ(pos(3839), "0002.04.479");
    EXPECT_EQ(pos(3840), "0003.01.000");
    EXPECT_EQ(pos(3840 + 485), "0003.02.005");
    EXPECT_EQ(pos(3840 + 1440), "0004.01.000");
    EXPECT_EQ(song.timeMap().measureIndexAt(3840 + 1439), 2);
    EXPECT_EQ(song.timeMap().measureIndexAt(3840 + 1440), 3);

    EXPECT_EQ(next(3000), 3840);
    EXPECT_EQ(next(3840), 5280);
    EXPECT_EQ(next(5279), 5280);
    EXPECT_EQ(previous(3841), 3840);
    EXPECT_EQ(previous(5280), 3840);
    EXPECT_EQ(previous(3840), 1920); // on the change: one 4/4 measure back
}

TEST_F(TempoMap, SixEightHasEighthNoteBeats) {
    signature(0, 6, 3);
    EXPECT_EQ(pos(240), "0001.02.000");
    EXPECT_EQ(pos(1439), "0001.06.239");
    EXPECT_EQ(pos(1440), "0002.01.000");
    EXPECT_EQ(song.timeMap().measureIndexAt(2879), 1);
    EXPECT_EQ(next(0), 1440);
    EXPECT_EQ(previous(2880), 1440);
}

TEST_F(TempoMap, StepBackOverASignatureChangeUsesTheSignatureBefore) {
    signature(0, 2, 2);    // 960-tick measures
    signature(1920, 3, 2); // measure index 2
    ASSERT_EQ(song.data().signatures.tail()->tick, 1920);
    EXPECT_EQ(previous(1920), 960);

    // No signature before the first one: a 4/4 measure back, not one of its own.
    song.clear();
    signature(5760, 6, 3);
    ASSERT_EQ(song.data().signatures.size(), 1u);
    ASSERT_EQ(song.data().signatures.head()->measure, 3);
    EXPECT_EQ(previous(5760), 3840);
    EXPECT_EQ(pos(1000), "0001.03.040"); // before it the default 4/4 holds
    EXPECT_EQ(pos(5760 + 1440), "0005.01.000");
}

TEST_F(TempoMap, MillisecondsThroughTheTempoMap) {
    EXPECT_EQ(song.timeMap().tickToMs(960), 1000);
    EXPECT_EQ(song.timeMap().msToTick(1000), 960);
    EXPECT_EQ(song.timeMap().tickToMs(1), 1);
    EXPECT_EQ(song.timeMap().msToTick(1), 0);
    // Exact multiples must not fall one tick short through a rounded reciprocal.
    for (std::int32_t k = 0; k <= 4000; ++k) {
        ASSERT_EQ(song.timeMap().msToTick(25 * k), 24 * k) << "ms " << 25 * k;
        ASSERT_EQ(song.timeMap().tickToMs(24 * k), 25 * k) << "tick " << 24 * k;
    }

    song.setTempoAt(960, 60);
    EXPECT_EQ(song.timeMap().tickToMs(1200), 1500);
    EXPECT_EQ(song.timeMap().tickToMs(1440), 2000);
    EXPECT_EQ(song.timeMap().msToTick(1500), 1200);
    EXPECT_EQ(song.timeMap().msToTick(2000), 1440);
    // Ticks compare unsigned against the tempo events, so a negative tick runs past them all.
    EXPECT_EQ(song.timeMap().tickToMs(-480), -2000);

    song.setDivision(0);
    EXPECT_EQ(song.timeMap().tickToMs(960), 0);
    EXPECT_EQ(song.timeMap().msToTick(1000), 0);

    // Huge times saturate instead of wrapping.
    song.setDivision(30000);
    song.setTempoAt(0, 250);
    EXPECT_EQ(song.timeMap().msToTick(std::int64_t{1} << 40), INT_MAX);
    EXPECT_EQ(song.timeMap().msToTick(INT_MAX), INT_MAX);
}

TEST(ClockText, FramesOfThirtyThreeMilliseconds) {
    EXPECT_EQ(clockText(0), "00:00:00:00");
    EXPECT_EQ(clockText(33), "00:00:00:01");
    EXPECT_EQ(clockText(34), "00:00:00:02");
    EXPECT_EQ(clockText(999), "00:00:00:31");
    EXPECT_EQ(clockText(61500), "00:01:01:16");
    EXPECT_EQ(clockText(3905000), "01:05:05:00");
}

TEST_F(TempoMap, ZeroNumeratorCountsAsOneBeatPerMeasure) {
    signature(0, 0, 2);
    EXPECT_EQ(pos(480), "0002.01.000");
    EXPECT_EQ(song.timeMap().measureIndexAt(960), 2);
    EXPECT_EQ(next(0), 480);
    EXPECT_EQ(previous(960), 480);
    // A signature added after it must land where the measure arithmetic puts measure 4.
    signature(1920, 4, 2);
    EXPECT_EQ(song.data().signatures.tail()->tick, 1920);
    EXPECT_EQ(pos(0), "0001.01.000");
    EXPECT_EQ(pos(1920), "0005.01.000");
}

} // namespace

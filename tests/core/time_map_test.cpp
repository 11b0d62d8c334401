#include "core/timing/time_map.h"

#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

using namespace cantelo;

namespace {

// The equivalence test holds the time map to the old walks, also for zero numerators, steps
// back over changes and songs without a signature at 0; these pin the walks themselves to what a
// musician counts. A reset song: division 480, 4/4 from tick 0, 120 BPM.
struct Ask {
    std::int32_t tick;
    const char* position;
    std::int32_t next = -1, previous = -1; // -1: not asked
};

TEST(TempoMap, PositionsAndMeasureStepsUnderSignatures) {
    const struct {
        const char* what;
        std::int32_t signatureTick;
        std::uint8_t nn, dd;
        std::vector<Ask> asks;
    } maps[] = {
        // clang-format off
        {"4/4", 0, 4, 2,
         {{0, "0001.01.000", 1920, 0}, {479, "0001.01.479"}, {480, "0001.02.000"},
          {1919, "0001.04.479", 1920}, {2000, "0002.01.080", -1, 1920},
          {1000000, "0521.04.160"}, {1920 * 10000, "10001.01.000"}}}, // wider fields: more digits
        {"3/4 from the third measure", 3840, 3, 2,
         {{3000, "0002.03.120", 3840}, {3840, "0003.01.000", 5280, 1920}, // one 4/4 measure back
          {3841, "0003.01.001", -1, 3840}, {3840 + 485, "0003.02.005"},
          {5280, "0004.01.000", -1, 3840}}},
        {"6/8 has eighth-note beats", 0, 6, 3,
         {{0, "0001.01.000", 1440}, {240, "0001.02.000"}, {1439, "0001.06.239"},
          {2880, "0003.01.000", -1, 1440}}},
        // clang-format on
    };
    for (const auto& m : maps) {
        SCOPED_TRACE(m.what);
        CMidiSong song;
        song.reset();
        const std::uint8_t bytes[4] = {m.nn, m.dd, 24, 8};
        song.setTimeSignatureAt(m.signatureTick, bytes);
        for (const Ask& a : m.asks) {
            const TimeMap& map = song.timeMap();
            EXPECT_EQ(std::tuple(map.positionText(a.tick),
                                 a.next < 0 ? -1 : map.nextMeasureTick(a.tick),
                                 a.previous < 0 ? -1 : map.previousMeasureTick(a.tick)),
                      std::tuple(std::string(a.position), a.next, a.previous))
                << a.tick;
        }
    }
    CMidiSong song;
    song.reset();
    const Position p = song.timeMap().positionParts(1920 * 3 + 480 * 2 + 7);
    EXPECT_EQ(std::vector<int>({p.measure, p.beat, p.tick}), std::vector<int>({4, 3, 7}));
    song.setDivision(1200);
    EXPECT_EQ(song.timeMap().positionText(1100), "0001.01.1100");
}

// Negative ticks, damaged divisions and saturation are held to the walks by the equivalence test.
TEST(TempoMap, MillisecondsThroughTheTempoMap) {
    CMidiSong song;
    song.reset();
    // Exact multiples must not fall one tick short through a rounded reciprocal.
    for (std::int32_t k = 0; k <= 4000; ++k) {
        ASSERT_EQ(song.timeMap().msToTick(25 * k), 24 * k) << "ms " << 25 * k;
        ASSERT_EQ(song.timeMap().tickToMs(24 * k), 25 * k) << "tick " << 24 * k;
    }
    song.setTempoAt(960, 60);
    EXPECT_TRUE(song.timeMap().tickToMs(1440) == 2000 && song.timeMap().msToTick(1500) == 1200);
}

TEST(ClockText, FramesOfThirtyThreeMilliseconds) {
    const std::pair<int, const char*> cases[] = {{0, "00:00:00:00"},     {33, "00:00:00:01"},
                                                 {34, "00:00:00:02"},    {999, "00:00:00:31"},
                                                 {61500, "00:01:01:16"}, {3905000, "01:05:05:00"}};
    for (const auto& [ms, text] : cases) EXPECT_EQ(clockText(ms), text) << ms;
}

} // namespace

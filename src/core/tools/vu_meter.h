#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace cantelo {

inline constexpr int kMeterChannels = 16;
inline constexpr int kMeterSegments = 13;
inline constexpr int kMeterStepMs = 10;

// The lit colour of a segment, 0xBBGGRR: green, then yellow from 7, red from 11.
std::uint32_t meterSegmentColour(int segment);
inline constexpr std::uint32_t kMeterUnlit = 0x303030;

// The animation of the mixer's sixteen level meters, without a display: SetValue sets a
// channel's target, and each 10 ms step climbs one segment towards it, then lets the bar fall
// one segment per 30 ms while a peak marker holds for 250 ms and drops one segment per 250 ms.
// A step reports the segments whose colour it set, so the widget repaints only those.
class VuMeterAnimation {
public:
    struct Paint {
        std::int8_t channel = 0;
        std::int8_t segment = 0;
        bool lit = false; // lit in its zone colour, else unlit
        friend bool operator==(const Paint&, const Paint&) = default;
    };

    // Target := value (0..13, clamped); the channel starts rising from its present level.
    void SetValue(int value, int channel);
    // One 10 ms run; appends to `painted` the segments it set (later entries win).
    void step(std::vector<Paint>& painted);

    int level(int channel) const { return m_level[channel & 15]; }
    int peak(int channel) const { return m_peak[channel & 15]; }
    // Whether a run can change anything: the widget's timer may sleep otherwise.
    bool animating() const;

private:
    using Row = std::array<std::int32_t, kMeterChannels>;
    static void paintBar(std::vector<Paint>& out, int channel, int level);

    Row m_holdTicks{}, m_riseTicks{}, m_fallTicks{};
    Row m_holdPeriod{}, m_risePeriod{}, m_fallPeriod{};
    Row m_peak{}, m_target{}, m_level{};
};

} // namespace cantelo

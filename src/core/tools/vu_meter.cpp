#include "core/tools/vu_meter.h"

#include <algorithm>

namespace cantelo {

namespace {

constexpr int kHoldPeriod = 25; // runs the peak stays, then the runs per segment it drops
constexpr int kFallPeriod = 3;  // runs per segment of the fall

} // namespace

std::uint32_t meterSegmentColour(int segment) {
    if (segment >= 11) return 0x0000FF;
    if (segment >= 7) return 0x80FFFF;
    return 0x80FF80;
}

void VuMeterAnimation::SetValue(int value, int channel) {
    const int c = channel & 15;
    m_target[c] = std::clamp(value, 0, kMeterSegments);
    m_risePeriod[c] = 1;
}

bool VuMeterAnimation::animating() const {
    for (int c = 0; c < kMeterChannels; ++c)
        if (m_risePeriod[c] || m_fallPeriod[c] > 0 || m_holdPeriod[c]) return true;
    return false;
}

void VuMeterAnimation::paintBar(std::vector<Paint>& out, int channel, int level) {
    for (int i = 0; i < kMeterSegments; ++i)
        out.push_back({static_cast<std::int8_t>(channel), static_cast<std::int8_t>(i), i < level});
}

void VuMeterAnimation::step(std::vector<Paint>& out) {
    for (int c = 0; c < kMeterChannels; ++c) {
        const auto ch = static_cast<std::int8_t>(c);
        ++m_holdTicks[c];
        ++m_riseTicks[c];
        ++m_fallTicks[c];

        if (m_holdPeriod[c] != 0 && m_holdTicks[c] >= m_holdPeriod[c]) {
            // Held long enough: it drops one segment per period until it is gone.
            if (m_peak[c] >= 0)
                --m_peak[c];
            else
                m_holdPeriod[c] = 0;
            m_holdTicks[c] = 0;
        }

        if (m_risePeriod[c] != 0 && m_riseTicks[c] >= m_risePeriod[c]) {
            if (m_level[c] < m_target[c]) ++m_level[c];
            if (m_level[c] >= m_target[c]) {
                m_peak[c] = m_level[c] - 1;
                m_risePeriod[c] = 0;
                m_fallPeriod[c] = kFallPeriod;
                m_holdPeriod[c] = kHoldPeriod;
                // The peak holds, and the bar falls, counted from the top.
                m_holdTicks[c] = 0;
                m_fallTicks[c] = 0;
            }
            paintBar(out, c, std::max(m_level[c], 0));
            if (m_peak[c] >= 0) out.push_back({ch, static_cast<std::int8_t>(m_peak[c]), true});
            m_riseTicks[c] = 0;
        }

        if (m_fallPeriod[c] > 0 && m_fallTicks[c] >= m_fallPeriod[c]) {
            if (m_level[c] > 0) --m_level[c];
            if (m_level[c] <= 0 && m_peak[c] < 0) m_fallPeriod[c] = 0;
            if (m_level[c] > 0) {
                paintBar(out, c, m_level[c]);
            } else if (m_level[c] == 0) {
                m_level[c] = -1;
                out.push_back({ch, 0, false});
            }
            if (m_peak[c] >= 0) {
                if (m_peak[c] < kMeterSegments - 1)
                    out.push_back({ch, static_cast<std::int8_t>(m_peak[c] + 1), false});
                out.push_back({ch, static_cast<std::int8_t>(m_peak[c]), true});
            } else if (m_peak[c] == -1) {
                out.push_back({ch, 0, false});
                m_peak[c] = -2;
            }
            m_fallTicks[c] = 0;
        }
    }
}

} // namespace cantelo

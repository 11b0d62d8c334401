#include "core/view/position_slider.h"

#include <algorithm>

namespace cantelo {

int PositionSlider::cursorLeftFor(std::int32_t tick) const {
    if (m_length <= 0) return 0;
    const double left = static_cast<double>(std::clamp(tick, 0, m_length)) * kSpan / m_length;
    return static_cast<int>(left);
}

std::int32_t PositionSlider::tickFor(int left) const {
    // Exact proportion in 64 bits: dividing the length by the span first would leave the end of
    // the song out of reach, and make every position 0 in a song shorter than the span.
    const std::int64_t offset = std::clamp(left, 0, kSpan);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(m_length) * offset / kSpan);
}

std::int32_t PositionSlider::click(int x) {
    m_cursorLeft = std::clamp(x, 0, kSpan);
    m_dragTick = tickFor(m_cursorLeft);
    return m_dragTick;
}

void PositionSlider::press(int x) {
    m_dragging = true;
    m_dragX = x;
    m_dragTick = tickFor(m_cursorLeft);
}

std::optional<std::int32_t> PositionSlider::drag(int x) {
    if (!m_dragging) return std::nullopt;
    const int left = m_cursorLeft + (x - m_dragX);
    if (left >= 0 && left <= kSpan) {
        m_cursorLeft = left;
        m_dragX = x;
        m_dragTick = tickFor(left);
    } else {
        // Past either end the song's first or last tick is meant.
        m_dragTick = left > 0 ? m_length : 0;
    }
    return m_dragTick;
}

std::optional<std::int32_t> PositionSlider::release() {
    if (!m_dragging) return std::nullopt;
    m_dragging = false;
    return m_dragTick;
}

} // namespace cantelo

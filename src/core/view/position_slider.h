#pragma once

#include <cstdint>
#include <optional>

namespace cantelo {

// The transport's position slider: a bar on which a cursor stands at the song position. Pixel
// positions are from the bar's left edge. It computes where the cursor stands and which tick a
// click or a drag asks for; the window moves the song there. GUI thread only.
class PositionSlider {
public:
    static constexpr int kBarWidth = 153;
    static constexpr int kCursorWidth = 24;
    static constexpr int kSpan = kBarWidth - kCursorWidth;

    void setSongLength(std::int32_t ticks) { m_length = ticks > 0 ? ticks : 0; }
    std::int32_t songLength() const { return m_length; }

    // The cursor's left edge for `tick` (the position follows playback this way).
    int cursorLeftFor(std::int32_t tick) const;
    // The tick for a cursor standing at `left`, in proportion: the cursor at the end of its run
    // is the end of the song.
    std::int32_t tickFor(int left) const;

    int cursorLeft() const { return m_cursorLeft; }
    void showTick(std::int32_t tick) { m_cursorLeft = cursorLeftFor(tick); }
    bool dragging() const { return m_dragging; }

    // A click on the bar outside the cursor: the cursor jumps there; returns the tick to move to.
    std::int32_t click(int x);
    // The cursor is pressed at `x`: a drag starts.
    void press(int x);
    // The mouse moved to `x` during a drag: the tick the cursor now stands for (shown in the
    // position read-out), or nothing when no drag runs.
    std::optional<std::int32_t> drag(int x);
    // The drag ends: the tick to move the song to.
    std::optional<std::int32_t> release();
    // Whether `x` falls on the cursor.
    bool onCursor(int x) const { return x >= m_cursorLeft && x < m_cursorLeft + kCursorWidth; }

private:
    std::int32_t m_length = 0;
    int m_cursorLeft = 0;
    bool m_dragging = false;
    int m_dragX = 0;
    std::int32_t m_dragTick = 0;
};

} // namespace cantelo

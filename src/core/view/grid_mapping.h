#pragma once

#include <cstdint>

namespace cantelo {

// The event grid's fixed height and its zoom steps, in pixels per quarter note.
inline constexpr int kGridHeight = 130;
inline constexpr int kMinGridZoom = 3;
inline constexpr int kMaxGridZoom = 384;
inline constexpr int kStartGridZoom = 24;

// Ticks to grid pixels and back at one zoom and scroll position. Painting, hit testing and the
// mouse all go through one of these, so a box is hit where it was drawn. Pure; any thread.
class GridMapping {
public:
    GridMapping() = default;
    // `scrollPixels` is the scroll bar's position; the view starts on the quarter note at or
    // before it. A division or zoom below 1 counts as 1, so a damaged song never divides by 0.
    GridMapping(int zoom, int scrollPixels, std::int32_t division);

    int zoom() const { return m_zoom; }
    // S: the scroll position rounded down to a whole quarter note.
    int scroll() const { return m_scroll; }
    std::int32_t division() const { return m_division; }

    // trunc(zoom x tick / division - S), computed in floating point and truncated toward zero
    // (a tick just left of the view still lands on column 0). Kept within +-2^30.
    int xFromTick(double tick) const;
    // trunc(zoom x ticks / division): the width of a note of that length.
    int widthFromTicks(double ticks) const;
    // division x (x + S) / zoom in integers: the tick under a mouse column.
    std::int32_t tickFromX(int x) const;
    // position x zoom / division - S in integers: where the position cursor stands.
    int cursorX(std::int32_t position) const;

private:
    int m_zoom = kStartGridZoom;
    int m_scroll = 0;
    std::int32_t m_division = 480;
};

} // namespace cantelo

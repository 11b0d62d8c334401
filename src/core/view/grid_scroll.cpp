#include "core/view/grid_scroll.h"

#include <algorithm>

namespace cantelo {

namespace {

// The largest scroll range kept: a damaged song's huge length must not overflow the doubling.
constexpr std::int64_t kMaxScroll = std::int64_t{1} << 30;

int clampScroll(std::int64_t v, std::int64_t high = kMaxScroll) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, std::max<std::int64_t>(high, 0)));
}

std::int64_t floorTo(std::int64_t v, std::int64_t multiple) {
    const std::int64_t r = v % multiple;
    return v - (r < 0 ? r + multiple : r);
}

// The view's moves, in steps of `step`, that bring a cursor at `x` to within one step of `half`,
// counted as the centring takes them one at a time: back (negative) while the cursor is left of
// the middle; on while it is right of it and at least one step from the left edge.
std::int64_t centringSteps(std::int64_t x, std::int64_t half, std::int64_t step) {
    if (x < half) return -((half - x - 1) / step + 1);
    if (x == half || x < step) return 0;
    const std::int64_t pastMiddle = (x - half - 1) / step + 1;
    const std::int64_t offLeftEdge = x / step;
    return std::min(pastMiddle, offLeftEdge);
}

} // namespace

GridScroll scrollForSong(std::int32_t songLength, std::int32_t division) {
    GridScroll s;
    if (songLength <= 0) return s;
    const std::int64_t length = songLength;
    if (division >= kStartGridZoom)
        s.maximum = clampScroll(length / (division / kStartGridZoom));
    else
        s.maximum = clampScroll(length * kStartGridZoom / std::max<std::int32_t>(division, 1));
    return s;
}

GridScroll zoomedIn(const GridScroll& scroll, int cursorX, std::int32_t position,
                    std::int32_t division, int width) {
    if (scroll.zoom >= kMaxGridZoom) return scroll;
    const std::int64_t z = std::int64_t{scroll.zoom} * 2;
    const std::int64_t c = cursorX;
    GridScroll s = scroll;
    s.zoom = static_cast<int>(z);
    s.maximum = clampScroll(std::int64_t{scroll.maximum} * 2);
    // The old view's start, doubled, plus the cursor's offset keeps the cursor near its column;
    // a cursor right of one quarter moves the view on past it, and the centring brings it back.
    std::int64_t pos = 2 * floorTo(scroll.position, z) + floorTo(c, z / 2);
    if (c > z) pos += floorTo(c, z) + z;
    const std::int64_t cursor =
        std::int64_t{position} * z / std::max<std::int32_t>(division, 1) - floorTo(pos, z);
    pos += centringSteps(cursor, width / 2, z) * z;
    s.position = clampScroll(pos, s.maximum);
    return s;
}

GridScroll zoomedOut(const GridScroll& scroll, int cursorX) {
    if (scroll.zoom <= 5) return scroll;
    GridScroll s = scroll;
    s.zoom = scroll.zoom / 2;
    const std::int64_t z = s.zoom;
    std::int64_t pos = floorTo(scroll.position, z) / 2;
    s.maximum = scroll.maximum / 2;
    // Truncating division, as the cursor's offset is counted in whole quarters either way.
    pos -= (std::int64_t{cursorX} / (2 * z)) * z;
    s.position = clampScroll(pos, s.maximum);
    return s;
}

std::optional<int> pageForPlayback(const GridScroll& scroll, int cursorX, int width) {
    std::int64_t pos = scroll.position;
    if (cursorX > width)
        pos += width;
    else if (cursorX < -kPageBackMargin)
        pos -= width;
    else
        return std::nullopt;
    const int next = clampScroll(pos, scroll.maximum);
    if (next == scroll.position) return std::nullopt;
    return next;
}

} // namespace cantelo

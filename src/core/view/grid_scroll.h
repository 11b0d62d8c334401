#pragma once

#include "core/view/grid_mapping.h"

#include <cstdint>
#include <optional>

namespace cantelo {

// How far the position cursor may fall left of the view while playing before it pages back.
inline constexpr int kPageBackMargin = 50;

// The grid's zoom and its scroll bar. The bar's position and maximum are pixels at the current
// zoom; one click or page moves one quarter note (step = zoom).
struct GridScroll {
    int zoom = kStartGridZoom;
    int position = 0;
    int maximum = 100;

    int step() const { return zoom; }
    bool operator==(const GridScroll&) const = default;
};

// The zoom and scroll of a newly opened song: zoom 24 at the start, the maximum being the song's
// length in pixels at zoom 24 (100 for an empty song). A division below 24 ticks per quarter is
// scaled exactly rather than divided by zero.
GridScroll scrollForSong(std::int32_t songLength, std::int32_t division);

// Zoom in, "Espandi la griglia": the zoom doubles (nothing at 384) and the view is placed so
// that the position cursor, which stood at `cursorX`, ends within one quarter note of the middle
// of a view `width` pixels wide, unless the song's start or end holds the view back.
// `position` is the song position in ticks.
GridScroll zoomedIn(const GridScroll& scroll, int cursorX, std::int32_t position,
                    std::int32_t division, int width);
// Zoom out, "Restringi la griglia": the zoom halves (nothing at 3) and the view is placed so
// that the cursor stays near `cursorX`.
GridScroll zoomedOut(const GridScroll& scroll, int cursorX);

// While playing, the display timer moves the cursor to `cursorX`: past the right edge the view
// pages forward by one width, more than 50 pixels left of the view it pages back by one. The new
// scroll position, or nothing when the view stays.
std::optional<int> pageForPlayback(const GridScroll& scroll, int cursorX, int width);

} // namespace cantelo

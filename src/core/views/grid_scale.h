#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace cantelo {

// The event grid's horizontal scale: its zoom in pixels per quarter note and its scroll offset
// (the negated scroll position, in pixels). The grid view owns it and sets it each time it draws;
// the views that line up with the grid read it from there. The song does not keep it: a tick
// has no pixel until a view shows it.
struct GridScale {
    std::int32_t pixelsPerQuarter = 10;
    std::int32_t pixelOffset = 0;

    // tick * pixelsPerQuarter / division + pixelOffset (signed integer division), computed
    // wide and clamped to the 32-bit range; the offset alone at a division of 0.
    std::int32_t xFromTick(std::int32_t tick, std::int32_t division) const {
        const std::int64_t scaled =
            division == 0 ? 0 : std::int64_t{tick} * pixelsPerQuarter / division;
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(scaled + pixelOffset, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()));
    }
};

} // namespace cantelo

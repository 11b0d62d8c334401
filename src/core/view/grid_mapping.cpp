#include "core/view/grid_mapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cantelo {

namespace {

// Far beyond any panel, small enough that adding a width or a few pixels cannot overflow.
constexpr std::int64_t kPixelLimit = std::int64_t{1} << 30;

int clampPixels(std::int64_t x) {
    return static_cast<int>(std::clamp(x, -kPixelLimit, kPixelLimit));
}

int truncPixels(double x) {
    if (std::isnan(x)) return 0;
    return clampPixels(static_cast<std::int64_t>(
        std::clamp(x, static_cast<double>(-kPixelLimit), static_cast<double>(kPixelLimit))));
}

} // namespace

GridMapping::GridMapping(int zoom, int scrollPixels, std::int32_t division)
    : m_zoom(std::max(zoom, 1)), m_division(std::max<std::int32_t>(division, 1)) {
    const int position = std::max(scrollPixels, 0);
    m_scroll = position - position % m_zoom;
}

int GridMapping::xFromTick(double tick) const {
    return truncPixels(static_cast<double>(m_zoom) * tick / m_division - m_scroll);
}

int GridMapping::widthFromTicks(double ticks) const {
    return truncPixels(static_cast<double>(m_zoom) * ticks / m_division);
}

std::int32_t GridMapping::tickFromX(int x) const {
    const std::int64_t ticks =
        std::int64_t{m_division} * (static_cast<std::int64_t>(x) + m_scroll) / m_zoom;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        ticks, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int GridMapping::cursorX(std::int32_t position) const {
    return clampPixels(std::int64_t{position} * m_zoom / m_division - m_scroll);
}

} // namespace cantelo

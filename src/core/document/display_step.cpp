#include "core/document/display_step.h"

#include <algorithm>
#include <cstdio>

namespace cantelo {

std::string signatureText(const ShownSignature& s) {
    return std::to_string(s.numerator) + '/' + std::to_string(s.denominator);
}

std::string tempoText(std::int32_t bpm) {
    char text[16];
    std::snprintf(text, sizeof text, "%3i", static_cast<int>(bpm));
    return text;
}

int meterLevel(std::int32_t volume) {
    constexpr int kSegments = 13;
    const double level = std::clamp(volume, 0, 127) * double{kSegments} / 127.0;
    if (level > 0.0 && level < 1.0) return 1;
    return static_cast<int>(level);
}

} // namespace cantelo

#pragma once

#include <cstdint>

namespace cantelo {

class CMidiSong;
class CObjectMetaEventTimeSignature;

// The measure arithmetic of time signatures, which the song needs to place a signature at a
// measure and the position texts need to count measures. It reads the song's signature list and
// division and changes nothing.

// 2^power as a 32-bit divisor. Real files use powers up to 6; a damaged file's larger power is
// clamped so that the arithmetic stays defined.
std::uint32_t pow2Clamped(std::uint8_t power);

// The time signature in force at a tick: the last signature event whose tick is not after it.
struct SignatureInForce {
    std::uint32_t numerator = 4; // never 0: a damaged 0 counts as 1
    std::uint8_t denominatorPower = 2;
    std::int32_t baseTick = 0;
    std::int32_t baseMeasure = 0;
    const CObjectMetaEventTimeSignature* event = nullptr; // null before the first event
};

// The last signature event at or before `tick`, and the measure index (from 0) of `tick`.
SignatureInForce signatureAt(const CMidiSong& song, std::int32_t tick);
std::int32_t measureIndexAt(const CMidiSong& song, std::int32_t tick);

// Sums and differences of ticks and measures wrap in 32 bits, so that a damaged file's extreme
// values give a defined (if meaningless) position rather than undefined behaviour.
std::int32_t wrapAdd(std::int32_t a, std::int64_t b);
std::int32_t wrappedDistance(std::int32_t tick, std::int32_t base);
// The divisor division * 4 * nn of the measure arithmetic, as a 32-bit product; never 0.
std::uint32_t measureProduct(const CMidiSong& song, std::uint32_t nn);
// Whole measures of signature `s` in `d` ticks.
std::uint32_t measureCount(const CMidiSong& song, const SignatureInForce& s, std::int32_t d);

} // namespace cantelo

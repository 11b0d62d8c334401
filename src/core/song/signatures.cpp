#include "core/song/signatures.h"

#include "core/song/midi_song.h"

#include <algorithm>

namespace cantelo {

std::uint32_t pow2Clamped(std::uint8_t power) {
    return 1u << std::min<std::uint8_t>(power, 31);
}

std::uint32_t measureProduct(const CMidiSong& song, std::uint32_t nn) {
    const std::uint32_t p = static_cast<std::uint32_t>(song.division) * 4u * nn;
    return p == 0 ? 1 : p;
}

std::int32_t wrapAdd(std::int32_t a, std::int64_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrappedDistance(std::int32_t tick, std::int32_t base) {
    return wrapAdd(tick, -std::int64_t{base});
}

std::uint32_t measureCount(const CMidiSong& song, const SignatureInForce& s, std::int32_t d) {
    return static_cast<std::uint32_t>(d) * pow2Clamped(s.denominatorPower) /
           measureProduct(song, s.numerator);
}

SignatureInForce signatureAt(const CMidiSong& song, std::int32_t tick) {
    SignatureInForce s;
    for (const auto& e : song.data().signatures) {
        if (e.tick > tick) break;
        s.numerator = std::max<std::uint32_t>(e.numerator(), 1);
        s.denominatorPower = e.denominatorPower();
        s.baseTick = e.tick;
        s.baseMeasure = e.measure;
        s.event = &e;
    }
    return s;
}

std::int32_t measureIndexAt(const CMidiSong& song, std::int32_t tick) {
    const SignatureInForce s = signatureAt(song, tick);
    const std::uint32_t m = measureCount(song, s, wrappedDistance(tick, s.baseTick));
    return wrapAdd(s.baseMeasure, m);
}

} // namespace cantelo

#include "timing/tempo_map.h"

#include "song/midi_song.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cantelo {

std::uint32_t pow2Clamped(std::uint8_t power) { return 1u << std::min<std::uint8_t>(power, 31); }

namespace {

// Ticks in one measure of the signature, as the 32-bit product division * 4 * nn.
std::uint32_t measureProduct(const CMidiSong& song, std::uint32_t nn) {
    const std::uint32_t p = static_cast<std::uint32_t>(song.division) * 4u * nn;
    return p == 0 ? 1 : p;
}

// tick - base in wrapping 32-bit arithmetic, so a damaged file's extreme ticks stay defined.
std::int32_t distance(std::int32_t tick, std::int32_t base) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(tick) -
                                     static_cast<std::uint32_t>(base));
}

std::uint32_t measureCount(const CMidiSong& song, const SignatureInForce& s, std::int32_t d) {
    return static_cast<std::uint32_t>(d) * pow2Clamped(s.denominatorPower) /
           measureProduct(song, s.numerator);
}

} // namespace

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
    return static_cast<std::int32_t>(measureCount(song, s, distance(tick, s.baseTick))) + s.baseMeasure;
}

Position positionParts(const CMidiSong& song, std::int32_t tick) {
    const SignatureInForce s = signatureAt(song, tick);
    const std::int32_t d = distance(tick, s.baseTick);
    const auto beatLen = static_cast<std::int32_t>(
        std::max<std::uint32_t>(static_cast<std::uint32_t>(song.division) * 4u /
                                    pow2Clamped(s.denominatorPower),
                                1));
    const std::int32_t measureLen = static_cast<std::int32_t>(s.numerator) * beatLen;
    const std::int32_t m = d / measureLen;
    Position p;
    p.measure = s.baseMeasure + m + 1;
    p.beat = (d - m * measureLen) / beatLen + 1;
    p.tick = d % beatLen;
    return p;
}

std::string positionText(const CMidiSong& song, std::int32_t tick) {
    const Position p = positionParts(song, tick);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04i.%02i.%03i", p.measure, p.beat, p.tick);
    return buf;
}

std::int32_t nextMeasureTick(const CMidiSong& song, std::int32_t tick) {
    const SignatureInForce s = signatureAt(song, tick);
    const std::uint32_t k = measureCount(song, s, distance(tick, s.baseTick)) + 1;
    const std::uint32_t span = static_cast<std::uint32_t>(song.division) * k * 4u * s.numerator;
    return static_cast<std::int32_t>(span / pow2Clamped(s.denominatorPower)) + s.baseTick;
}

std::int32_t previousMeasureTick(const CMidiSong& song, std::int32_t tick) {
    const SignatureInForce s = signatureAt(song, tick);
    const std::int32_t d = distance(tick, s.baseTick);
    auto m = static_cast<std::int32_t>(measureCount(song, s, d));
    const auto pow2 = static_cast<std::int32_t>(pow2Clamped(s.denominatorPower));
    std::int32_t measureLen = static_cast<std::int32_t>(measureProduct(song, s.numerator)) / pow2;
    if (measureLen == 0) measureLen = 1;
    if (d % measureLen == 0) m -= 1;
    if (m < 0 && s.baseTick == 0) return 0;
    if (m < 0) {
        // The tick is exactly on a signature change: one measure of the signature before it.
        std::int64_t result;
        const CObjectEvent* prev = s.event ? s.event->prev : nullptr;
        if (prev) {
            const auto* ps = static_cast<const CObjectMetaEventTimeSignature*>(prev);
            const std::int64_t nn = std::max<std::int64_t>(ps->numerator(), 1);
            const std::int64_t p2 = pow2Clamped(ps->denominatorPower());
            result = s.baseTick + std::int64_t{song.division} * m * 4 * nn / p2;
        } else {
            result = s.baseTick + std::int64_t{song.division} * m * 4;
        }
        return static_cast<std::int32_t>(std::max<std::int64_t>(result, 0));
    }
    return static_cast<std::int32_t>(std::int64_t{song.division} * m * 4 * s.numerator / pow2 +
                                     s.baseTick);
}

std::int64_t tickToMs(const CMidiSong& song, std::int32_t tick) {
    if (song.division == 0) return 0;
    long double acc = 0;
    std::int32_t prevTick = 0;
    std::int32_t bpm = 120;
    const long double div = song.division;
    for (const auto& e : song.data().tempos) {
        if (static_cast<std::uint32_t>(e.tick) >= static_cast<std::uint32_t>(tick)) break;
        acc += static_cast<long double>(e.tick - prevTick) * 60000.0L / (bpm * div);
        prevTick = e.tick;
        bpm = e.bpm;
    }
    const auto ms =
        static_cast<double>(acc + static_cast<long double>(tick - prevTick) * 60000.0L / (bpm * div));
    return static_cast<std::int64_t>(std::trunc(ms));
}

std::int32_t msToTick(const CMidiSong& song, std::int64_t ms) {
    if (song.division == 0) return 0;
    static constexpr long double kPerMinute = 1.0L / 60000.0L;
    long double acc = 0;
    std::int32_t prevTick = 0;
    std::int32_t bpm = 120;
    const long double div = song.division;
    const auto target = static_cast<std::uint32_t>(ms);
    for (const auto& e : song.data().tempos) {
        const long double boundary =
            acc + static_cast<long double>(e.tick - prevTick) * 60000.0L / (bpm * div);
        if (static_cast<std::uint32_t>(static_cast<std::int64_t>(boundary)) >= target) break;
        acc = boundary;
        prevTick = e.tick;
        bpm = e.bpm;
    }
    const auto t =
        static_cast<double>(div * bpm * (static_cast<long double>(ms) - acc) * kPerMinute + prevTick);
    return static_cast<std::int32_t>(std::trunc(t));
}

std::string clockText(std::int64_t ms) {
    const std::int64_t s = ms / 1000;
    const std::int64_t f = ms - s * 1000;
    const std::int64_t frames = f / 33 + (f % 33 != 0 ? 1 : 0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>((s / 60) % 60), static_cast<int>(s % 60),
                  static_cast<int>(frames));
    return buf;
}

} // namespace cantelo

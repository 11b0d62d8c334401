#include "core/timing/tempo_map.h"

#include "core/song/midi_song.h"
#include "core/song/signatures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace cantelo {

namespace {

// division * m * 4 * nn for the measure steps, wrapping in 64 bits: exact for every real song,
// defined for the extreme measure counts of damaged ones.
std::int64_t measureSpan(std::int64_t division, std::int64_t m, std::uint32_t nn) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(division) *
                                     static_cast<std::uint64_t>(m) * 4u * nn);
}

// Truncation toward zero of a time or tick that may lie beyond the target type (a huge time, a
// tempo of 0 written straight into an event): saturates instead of converting out of range.
template <typename Int>
Int truncSaturated(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<long double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    if (v <= static_cast<long double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(std::trunc(v));
}

// The milliseconds that `ticks` last at `bpm` (the event's integer BPM, not its microseconds).
long double spanMs(long double ticks, std::int32_t bpm, long double division) {
    return ticks * 60000.0L / (bpm * division);
}

} // namespace

Position positionParts(const CMidiSong& song, std::int32_t tick) {
    const SignatureInForce s = signatureAt(song, tick);
    const std::int64_t d = wrappedDistance(tick, s.baseTick);
    // B in 32 bits with an unsigned division; the signed divisions that follow are done in 64
    // bits so that no damaged division can make them overflow. A beat of 0 ticks (a huge
    // denominator) counts as 1 tick.
    std::int64_t beatLen = static_cast<std::int32_t>(static_cast<std::uint32_t>(song.division) *
                                                     4u / pow2Clamped(s.denominatorPower));
    if (beatLen == 0) beatLen = 1;
    const std::int64_t measureLen = std::int64_t{s.numerator} * beatLen;
    const std::int64_t m = d / measureLen;
    Position p;
    p.measure = wrapAdd(s.baseMeasure, m + 1);
    p.beat = static_cast<std::int32_t>((d - m * measureLen) / beatLen + 1);
    p.tick = static_cast<std::int32_t>(d % beatLen);
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
    const std::uint32_t k = measureCount(song, s, wrappedDistance(tick, s.baseTick)) + 1;
    const std::uint32_t span = static_cast<std::uint32_t>(song.division) * k * 4u * s.numerator;
    return wrapAdd(s.baseTick, span / pow2Clamped(s.denominatorPower));
}

std::int32_t previousMeasureTick(const CMidiSong& song, std::int32_t tick) {
    const SignatureInForce s = signatureAt(song, tick);
    const std::int64_t d = wrappedDistance(tick, s.baseTick);
    std::int64_t m = static_cast<std::int32_t>(measureCount(song, s, static_cast<std::int32_t>(d)));
    const std::int64_t pow2 = pow2Clamped(s.denominatorPower);
    const std::int64_t measureLen =
        static_cast<std::int32_t>(measureProduct(song, s.numerator)) / pow2;
    // With a measure of 0 ticks only d = 0 is a multiple of it.
    if (measureLen == 0 ? d == 0 : d % measureLen == 0) m -= 1;
    const std::int64_t division = song.division;
    if (m < 0 && s.baseTick == 0) return 0;
    if (m < 0 && s.baseTick > 0) {
        // The tick is exactly on a signature change: one measure of the signature before it.
        std::int64_t back;
        const CObjectEvent* prev = s.event ? s.event->prev : nullptr;
        if (prev) {
            const auto* ps = static_cast<const CObjectMetaEventTimeSignature*>(prev);
            const std::uint32_t nn = std::max<std::uint32_t>(ps->numerator(), 1);
            const std::int64_t p2 = pow2Clamped(ps->denominatorPower());
            back = measureSpan(division, m, nn) / p2;
        } else {
            back = measureSpan(division, m, 1);
        }
        // Clamped before the sum, which then cannot overflow; a negative result becomes 0.
        back = std::clamp<std::int64_t>(back, INT32_MIN, INT32_MAX);
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(s.baseTick + back, 0, INT32_MAX));
    }
    return wrapAdd(s.baseTick, measureSpan(division, m, s.numerator) / pow2);
}

std::int64_t tickToMs(const CMidiSong& song, std::int32_t tick) {
    if (song.division == 0) return 0;
    const long double division = song.division;
    long double acc = 0;
    std::int32_t prevTick = 0;
    std::int32_t bpm = 120;
    for (const auto& e : song.data().tempos) {
        if (static_cast<std::uint32_t>(e.tick) >= static_cast<std::uint32_t>(tick)) break;
        acc += spanMs(static_cast<long double>(e.tick) - prevTick, bpm, division);
        prevTick = e.tick;
        bpm = e.bpm;
    }
    // The sum is stored as a double before it is truncated.
    const auto ms =
        static_cast<double>(acc + spanMs(static_cast<long double>(tick) - prevTick, bpm, division));
    return truncSaturated<std::int64_t>(ms);
}

std::int32_t msToTick(const CMidiSong& song, std::int64_t ms) {
    if (song.division == 0) return 0;
    // A multiplication by the extended-precision reciprocal: 1000 ms at 120 BPM and 480 ticks
    // per quarter must come out as 960 ticks, not 959.999...
    static constexpr long double kPerMinute = 1.0L / 60000.0L;
    const long double division = song.division;
    long double acc = 0;
    std::int32_t prevTick = 0;
    std::int32_t bpm = 120;
    const auto target = static_cast<std::uint32_t>(ms);
    for (const auto& e : song.data().tempos) {
        const long double boundary =
            acc + spanMs(static_cast<long double>(e.tick) - prevTick, bpm, division);
        if (static_cast<std::uint32_t>(truncSaturated<std::int64_t>(boundary)) >= target) break;
        acc = boundary;
        prevTick = e.tick;
        bpm = e.bpm;
    }
    const auto t = static_cast<double>(
        division * bpm * (static_cast<long double>(ms) - acc) * kPerMinute + prevTick);
    return truncSaturated<std::int32_t>(t);
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

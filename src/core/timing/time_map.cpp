#include "core/timing/time_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace cantelo {

std::uint32_t pow2Clamped(std::uint8_t power) {
    return 1u << std::min<std::uint8_t>(power, 31);
}

namespace {

// Sums and differences of ticks and measures wrap in 32 bits, so that a damaged file's extreme
// values give a defined (if meaningless) position rather than undefined behaviour.
std::int32_t wrapAdd(std::int32_t a, std::int64_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrappedDistance(std::int32_t tick, std::int32_t base) {
    return wrapAdd(tick, -std::int64_t{base});
}

// division * m * 4 * nn for the measure steps, wrapping in 64 bits: exact for every real song,
// defined for the extreme measure counts of damaged ones.
std::int64_t measureSpan(std::int64_t division, std::int64_t m, std::uint32_t nn) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(division) *
                                     static_cast<std::uint64_t>(m) * 4u * nn);
}

// Truncation toward zero of a time or tick that may lie beyond the target type (a huge time, a
// tempo of 0): saturates instead of converting out of range.
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

std::uint8_t numeratorOf(const SignaturePoint& p) {
    return p.length > 0 ? p.bytes[0] : 4;
}
std::uint8_t denominatorPowerOf(const SignaturePoint& p) {
    return p.length > 1 ? p.bytes[1] : 2;
}

} // namespace

TimeMap::TimeMap(std::int32_t division) : m_division(division), m_segments(1) {}

void TimeMap::setDivision(std::int32_t division) {
    if (division == m_division) return;
    m_division = division;
    refreshTemposFrom(0);
}

// ---- tempos ------------------------------------------------------------------------------

void TimeMap::assignTempos(std::span<const TempoPoint> tempos) {
    m_tempos.assign(tempos.begin(), tempos.end());
    refreshTemposFrom(0);
}

void TimeMap::insertTempo(std::size_t index, TempoPoint tempo) {
    index = std::min(index, m_tempos.size());
    m_tempos.insert(m_tempos.begin() + static_cast<std::ptrdiff_t>(index), tempo);
    refreshTemposFrom(index);
}

void TimeMap::setTempoBpm(std::size_t index, std::int32_t bpm) {
    if (index >= m_tempos.size()) return;
    m_tempos[index].bpm = bpm;
    refreshTemposFrom(index);
}

TimeMap::Segment TimeMap::segment(long double startMs, std::int32_t startTick,
                                  std::int32_t bpm) const {
    Segment s{startMs, startTick, bpm, static_cast<double>(startMs), 0};
    // An integer below 2^53 converts to a double exactly.
    const long double divisor = static_cast<long double>(bpm) * m_division;
    if (divisor != 0 && std::fabs(divisor) < 0x1p53L)
        s.perMinuteDivisor = static_cast<double>(divisor);
    return s;
}

void TimeMap::refreshTemposFrom(std::size_t index) {
    const std::size_t n = m_tempos.size();
    m_segments.resize(n + 1);
    m_segments[0] = segment(0, 0, 120);
    m_tickKeys.resize(n);
    m_msKeys.resize(n);
    m_tickFloor.resize(n);
    const long double division = m_division;
    for (std::size_t i = index; i < n; ++i) {
        const Segment& s = m_segments[i];
        const TempoPoint& e = m_tempos[i];
        // One addition per event in list order, as the walk over the list sums them, so that
        // every later sum is the walk's to the last bit. At division 0 no time is asked for.
        const long double end =
            m_division == 0 ? 0
                            : s.startMs + spanMs(static_cast<long double>(e.tick) - s.startTick,
                                                 s.bpm, division);
        m_segments[i + 1] = segment(end, e.tick, e.bpm);
        // The walks stop at the first event whose unsigned tick (or unsigned millisecond at its
        // end) reaches the one asked for; running maxima find that event by bisection even when
        // negative ticks make the unsigned order differ from the list's.
        const auto tickKey = static_cast<std::uint32_t>(e.tick);
        const auto msKey = static_cast<std::uint32_t>(truncSaturated<std::int64_t>(end));
        m_tickKeys[i] = i == 0 ? tickKey : std::max(m_tickKeys[i - 1], tickKey);
        m_msKeys[i] = i == 0 ? msKey : std::max(m_msKeys[i - 1], msKey);
    }
    // The least tick from each event on finds the last event at or before a tick. Before the
    // index it changes only as far back as the new values reach.
    for (std::size_t i = n; i-- > 0;) {
        const std::int32_t floor =
            i + 1 < n ? std::min(m_tempos[i].tick, m_tickFloor[i + 1]) : m_tempos[i].tick;
        if (i < index && m_tickFloor[i] == floor) break;
        m_tickFloor[i] = floor;
    }
}

std::size_t TimeMap::segmentFor(std::int32_t tick, std::size_t hint) const {
    const auto key = static_cast<std::uint32_t>(tick);
    const auto begin = m_tickKeys.begin();
    const std::size_t n = m_tickKeys.size();
    hint = std::min(hint, n);
    if (hint < n && m_tickKeys[hint] < key) {
        // Forward from the hint: a few steps cover the next event of a track in order.
        std::size_t i = hint + 1;
        for (int step = 0; step < 4 && i < n; ++step, ++i)
            if (m_tickKeys[i] >= key) return i;
        return static_cast<std::size_t>(
            std::lower_bound(begin + static_cast<std::ptrdiff_t>(i), m_tickKeys.end(), key) -
            begin);
    }
    if (hint > 0 && m_tickKeys[hint - 1] >= key)
        return static_cast<std::size_t>(
            std::lower_bound(begin, begin + static_cast<std::ptrdiff_t>(hint), key) - begin);
    return hint;
}

std::int64_t TimeMap::msInSegment(std::size_t segment, std::int32_t tick) const {
    const Segment& s = m_segments[segment];
    // The quick path: the same sum in doubles, whose error (like that of the extended-precision
    // sum below) is far below 2^-50 of the magnitudes. Where no integer lies within twice that
    // of it, both sums truncate to the same integer, which is then the answer; otherwise (an
    // exact millisecond, say) the extended-precision sum decides. The ticks' difference times
    // 60000 is exact in a double.
    if (s.perMinuteDivisor != 0) {
        const double span =
            (static_cast<double>(tick) - s.startTick) * 60000.0 / s.perMinuteDivisor;
        const double v = s.startMsNear + span;
        if (std::fabs(v) < 0x1p52) {
            const double error = (std::fabs(s.startMsNear) + std::fabs(span) + 1.0) * 0x1p-50;
            const auto t = static_cast<std::int64_t>(v); // toward zero
            const double r = std::fabs(v - static_cast<double>(t));
            if (r > 2 * error && 1.0 - r > 2 * error) return t;
        }
    }
    const long double division = m_division;
    // The sum is stored as a double before it is truncated.
    const auto ms = static_cast<double>(
        s.startMs + spanMs(static_cast<long double>(tick) - s.startTick, s.bpm, division));
    return truncSaturated<std::int64_t>(ms);
}

std::int64_t TimeMap::tickToMs(std::int32_t tick) const {
    if (m_division == 0) return 0;
    return msInSegment(segmentFor(tick, 0), tick);
}

std::int64_t TimeMap::MsCursor::tickToMs(std::int32_t tick) {
    if (m_known && tick == m_lastTick) return m_lastMs;
    if (m_map->m_division == 0) return 0;
    m_segment = m_map->segmentFor(tick, m_segment);
    m_known = true;
    m_lastTick = tick;
    m_lastMs = m_map->msInSegment(m_segment, tick);
    return m_lastMs;
}

std::int32_t TimeMap::msToTick(std::int64_t ms) const {
    if (m_division == 0) return 0;
    // A multiplication by the extended-precision reciprocal: 1000 ms at 120 BPM and 480 ticks
    // per quarter must come out as 960 ticks, not 959.999...
    static constexpr long double kPerMinute = 1.0L / 60000.0L;
    const auto target = static_cast<std::uint32_t>(ms);
    const Segment& s = m_segments[static_cast<std::size_t>(
        std::lower_bound(m_msKeys.begin(), m_msKeys.end(), target) - m_msKeys.begin())];
    const long double division = m_division;
    const auto t = static_cast<double>(
        division * s.bpm * (static_cast<long double>(ms) - s.startMs) * kPerMinute + s.startTick);
    return truncSaturated<std::int32_t>(t);
}

std::int32_t TimeMap::bpmAt(std::int32_t tick) const {
    // The last event in list order whose tick is not after `tick`: the one before the first
    // whose later events all lie after it.
    const auto after = std::upper_bound(m_tickFloor.begin(), m_tickFloor.end(), tick);
    if (after == m_tickFloor.begin()) return 120;
    return m_tempos[static_cast<std::size_t>(after - m_tickFloor.begin()) - 1].bpm;
}

// ---- signatures --------------------------------------------------------------------------

void TimeMap::assignSignatures(std::span<const SignaturePoint> signatures) {
    m_signatures.clear();
    m_signatures.reserve(signatures.size());
    for (const auto& p : signatures) m_signatures.push_back({p, {}});
    refreshSignaturesFrom(0);
}

void TimeMap::insertSignature(std::size_t index, const SignaturePoint& signature) {
    index = std::min(index, m_signatures.size());
    m_signatures.insert(m_signatures.begin() + static_cast<std::ptrdiff_t>(index), {signature, {}});
    refreshSignaturesFrom(index);
}

void TimeMap::setSignatureBytes(std::size_t index, std::span<const std::uint8_t> bytes) {
    if (index >= m_signatures.size()) return;
    SignaturePoint& p = m_signatures[index].point;
    p.length = static_cast<std::uint8_t>(std::min<std::size_t>(bytes.size(), 4));
    std::copy_n(bytes.begin(), p.length, p.bytes.begin());
    refreshSignaturesFrom(index);
}

void TimeMap::refreshSignaturesFrom(std::size_t index) {
    const std::size_t n = m_signatures.size();
    m_signatureKeys.resize(n);
    for (std::size_t i = index; i < n; ++i) {
        Signature& s = m_signatures[i];
        // An event's bytes replace those in force before it, as far as it has them.
        s.inForce = i == 0 ? std::array<std::uint8_t, 4>{4, 2, 24, 8} : m_signatures[i - 1].inForce;
        std::copy_n(s.point.bytes.begin(), std::min<std::uint8_t>(s.point.length, 4),
                    s.inForce.begin());
        // The walks stop at the first event after the tick: a running maximum finds it by
        // bisection even where damaged ticks do not ascend.
        m_signatureKeys[i] = i == 0 ? s.point.tick : std::max(m_signatureKeys[i - 1], s.point.tick);
    }
}

SignatureInForce TimeMap::signatureAt(std::int32_t tick) const {
    SignatureInForce s;
    const auto after = std::upper_bound(m_signatureKeys.begin(), m_signatureKeys.end(), tick);
    if (after == m_signatureKeys.begin()) return s;
    s.index = static_cast<int>(after - m_signatureKeys.begin()) - 1;
    const SignaturePoint& p = m_signatures[static_cast<std::size_t>(s.index)].point;
    s.numerator = std::max<std::uint32_t>(numeratorOf(p), 1);
    s.denominatorPower = denominatorPowerOf(p);
    s.baseTick = p.tick;
    s.baseMeasure = p.measure;
    return s;
}

std::array<std::uint8_t, 4> TimeMap::signatureBytesAt(std::int32_t tick) const {
    const auto after = std::upper_bound(m_signatureKeys.begin(), m_signatureKeys.end(), tick);
    if (after == m_signatureKeys.begin()) return {4, 2, 24, 8};
    return m_signatures[static_cast<std::size_t>(after - m_signatureKeys.begin()) - 1].inForce;
}

// The divisor division * 4 * nn of the measure arithmetic, as a 32-bit product; never 0.
std::uint32_t TimeMap::measureProduct(std::uint32_t nn) const {
    const std::uint32_t p = static_cast<std::uint32_t>(m_division) * 4u * nn;
    return p == 0 ? 1 : p;
}

// Whole measures of signature `s` in `d` ticks.
std::uint32_t TimeMap::measureCount(const SignatureInForce& s, std::int32_t d) const {
    return static_cast<std::uint32_t>(d) * pow2Clamped(s.denominatorPower) /
           measureProduct(s.numerator);
}

std::int32_t TimeMap::measureIndexAt(std::int32_t tick) const {
    const SignatureInForce s = signatureAt(tick);
    return wrapAdd(s.baseMeasure, measureCount(s, wrappedDistance(tick, s.baseTick)));
}

Position TimeMap::positionParts(std::int32_t tick) const {
    const SignatureInForce s = signatureAt(tick);
    const std::int64_t d = wrappedDistance(tick, s.baseTick);
    // B in 32 bits with an unsigned division; the signed divisions that follow are done in 64
    // bits so that no damaged division can make them overflow. A beat of 0 ticks (a huge
    // denominator) counts as 1 tick.
    std::int64_t beatLen = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_division) * 4u /
                                                     pow2Clamped(s.denominatorPower));
    if (beatLen == 0) beatLen = 1;
    const std::int64_t measureLen = std::int64_t{s.numerator} * beatLen;
    const std::int64_t m = d / measureLen;
    Position p;
    p.measure = wrapAdd(s.baseMeasure, m + 1);
    p.beat = static_cast<std::int32_t>((d - m * measureLen) / beatLen + 1);
    p.tick = static_cast<std::int32_t>(d % beatLen);
    return p;
}

std::string TimeMap::positionText(std::int32_t tick) const {
    const Position p = positionParts(tick);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04i.%02i.%03i", p.measure, p.beat, p.tick);
    return buf;
}

std::int32_t TimeMap::nextMeasureTick(std::int32_t tick) const {
    const SignatureInForce s = signatureAt(tick);
    const std::uint32_t k = measureCount(s, wrappedDistance(tick, s.baseTick)) + 1;
    const std::uint32_t span = static_cast<std::uint32_t>(m_division) * k * 4u * s.numerator;
    return wrapAdd(s.baseTick, span / pow2Clamped(s.denominatorPower));
}

std::int32_t TimeMap::previousMeasureTick(std::int32_t tick) const {
    const SignatureInForce s = signatureAt(tick);
    const std::int64_t d = wrappedDistance(tick, s.baseTick);
    std::int64_t m = static_cast<std::int32_t>(measureCount(s, static_cast<std::int32_t>(d)));
    const std::int64_t pow2 = pow2Clamped(s.denominatorPower);
    const std::int64_t measureLen = static_cast<std::int32_t>(measureProduct(s.numerator)) / pow2;
    // With a measure of 0 ticks only d = 0 is a multiple of it.
    if (measureLen == 0 ? d == 0 : d % measureLen == 0) m -= 1;
    const std::int64_t division = m_division;
    if (m < 0 && s.baseTick == 0) return 0;
    if (m < 0 && s.baseTick > 0) {
        // The tick is exactly on a signature change: one measure of the signature before it.
        std::int64_t back;
        if (s.index > 0) {
            const SignaturePoint& ps = m_signatures[static_cast<std::size_t>(s.index) - 1].point;
            const std::uint32_t nn = std::max<std::uint32_t>(numeratorOf(ps), 1);
            const std::int64_t p2 = pow2Clamped(denominatorPowerOf(ps));
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

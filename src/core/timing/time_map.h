#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cantelo {

struct Position {
    std::int32_t measure = 1; // from 1
    std::int32_t beat = 1;    // from 1
    std::int32_t tick = 0;    // within the beat, from 0
};

// A tempo change as the map takes it: the event's tick and its integer BPM.
struct TempoPoint {
    std::int32_t tick = 0;
    std::int32_t bpm = 120;
};

// A time-signature change: its tick, its measure index (from 0) and its data bytes. An event
// with fewer than four bytes (`length`) leaves the later bytes of the signature before it in
// force.
struct SignaturePoint {
    std::int32_t tick = 0;
    std::int32_t measure = 0;
    std::array<std::uint8_t, 4> bytes = {4, 2, 24, 8};
    std::uint8_t length = 4;
};

// The time signature in force at a tick: the last signature event whose tick is not after it.
struct SignatureInForce {
    std::uint32_t numerator = 4; // never 0: a damaged 0 counts as 1
    std::uint8_t denominatorPower = 2;
    std::int32_t baseTick = 0;
    std::int32_t baseMeasure = 0;
    int index = -1; // of the event in the signature list; -1 before the first
};

// The song's tempo and time-signature lists as a value that answers every conversion with a
// binary search: the milliseconds accumulated up to each tempo change and the measure of each
// signature change are kept, so ticks, milliseconds, measure.beat.tick positions and measure
// steps cost O(log n) instead of a walk over the lists. The answers are exactly those of the walks
// (the same integer and floating-point arithmetic, the same choice of event, whatever the order
// of the events and however damaged their values).
//
// The song keeps its map in step with its lists and hands playback a shared, immutable copy;
// an edit while playing makes the song build a new one. Building and patching belong to the
// user-interface thread and only to a map no other thread can see; every const member may be
// called from any thread and never allocates (except for the text it returns).
class TimeMap {
public:
    explicit TimeMap(std::int32_t division = 480);

    std::int32_t division() const { return m_division; }
    void setDivision(std::int32_t division);

    // The tempo list in list order. Patching costs the events after the one changed.
    void assignTempos(std::span<const TempoPoint> tempos);
    void insertTempo(std::size_t index, TempoPoint tempo);
    void setTempoBpm(std::size_t index, std::int32_t bpm);
    std::size_t tempoCount() const { return m_tempos.size(); }

    // The signature list in list order.
    void assignSignatures(std::span<const SignaturePoint> signatures);
    void insertSignature(std::size_t index, const SignaturePoint& signature);
    void setSignatureBytes(std::size_t index, std::span<const std::uint8_t> bytes);
    std::size_t signatureCount() const { return m_signatures.size(); }

    // Milliseconds from the start of the song, truncated; 0 at division 0.
    std::int64_t tickToMs(std::int32_t tick) const;
    // The tick at a time, truncated; a time beyond the 32-bit tick range gives the range's end.
    std::int32_t msToTick(std::int64_t ms) const;
    // BPM of the last tempo event at or before the tick; 120 when there is none.
    std::int32_t bpmAt(std::int32_t tick) const;
    // The four signature bytes in force at the tick; 4, 2, 24, 8 before the first event.
    std::array<std::uint8_t, 4> signatureBytesAt(std::int32_t tick) const;
    SignatureInForce signatureAt(std::int32_t tick) const;
    std::int32_t measureIndexAt(std::int32_t tick) const;
    Position positionParts(std::int32_t tick) const;
    // "%04i.%02i.%03i": the start of a song reads "0001.01.000".
    std::string positionText(std::int32_t tick) const;
    std::int32_t nextMeasureTick(std::int32_t tick) const;
    std::int32_t previousMeasureTick(std::int32_t tick) const;

    // tickToMs for a run of ticks that mostly ascend (a track's events, a queue's records):
    // each answer starts from the tempo segment of the one before, so a pass over n events in
    // order costs O(n + tempos). The answers are tickToMs's. Holds a pointer to the map.
    class MsCursor {
    public:
        explicit MsCursor(const TimeMap& map) : m_map(&map) {}
        std::int64_t tickToMs(std::int32_t tick);

    private:
        const TimeMap* m_map;
        std::size_t m_segment = 0;
        // Events often share a tick (a chord, a controller beside a note).
        bool m_known = false;
        std::int32_t m_lastTick = 0;
        std::int64_t m_lastMs = 0;
    };

private:
    // The tempo in force from one tempo change to the next: segment i starts at event i - 1
    // (segment 0 at tick 0 with 120 BPM) with the milliseconds summed before it.
    struct Segment {
        long double startMs = 0;
        std::int32_t startTick = 0;
        std::int32_t bpm = 120;
        // For the quick path of msInSegment: startMs as a double, and bpm * division when a
        // double holds it exactly (else 0).
        double startMsNear = 0;
        double perMinuteDivisor = 0;
    };
    struct Signature {
        SignaturePoint point;
        std::array<std::uint8_t, 4> inForce{}; // the bytes that signatureBytesAt reports
    };

    Segment segment(long double startMs, std::int32_t startTick, std::int32_t bpm) const;
    void refreshTemposFrom(std::size_t index);
    void refreshSignaturesFrom(std::size_t index);
    std::size_t segmentFor(std::int32_t tick, std::size_t hint) const;
    std::int64_t msInSegment(std::size_t segment, std::int32_t tick) const;
    std::uint32_t measureCount(const SignatureInForce& s, std::int32_t d) const;
    std::uint32_t measureProduct(std::uint32_t nn) const;

    std::int32_t m_division;
    std::vector<TempoPoint> m_tempos;
    std::vector<Segment> m_segments;       // one more than the tempos
    std::vector<std::uint32_t> m_tickKeys; // unsigned tick of each event, running maximum
    std::vector<std::uint32_t> m_msKeys;   // unsigned ms at each event's end, running maximum
    std::vector<std::int32_t> m_tickFloor; // least tick of each event and those after it
    std::vector<Signature> m_signatures;
    std::vector<std::int32_t> m_signatureKeys; // tick of each signature, running maximum
};

// 2^power as a 32-bit divisor. Real files use powers up to 6; a damaged file's larger power is
// clamped so that the arithmetic stays defined.
std::uint32_t pow2Clamped(std::uint8_t power);

// "%02d:%02d:%02d:%02d": hours, minutes, seconds and frames of 33 ms.
std::string clockText(std::int64_t ms);

} // namespace cantelo

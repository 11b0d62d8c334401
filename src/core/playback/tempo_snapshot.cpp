#include "core/playback/tempo_snapshot.h"

#include "core/song/midi_song.h"
#include "core/timing/tempo_map.h"

namespace cantelo {

TempoSnapshot::TempoSnapshot() : m_copy(std::make_unique<CMidiSong>()) {}
TempoSnapshot::TempoSnapshot(TempoSnapshot&&) noexcept = default;
TempoSnapshot& TempoSnapshot::operator=(TempoSnapshot&&) noexcept = default;
TempoSnapshot::~TempoSnapshot() = default;

std::uint32_t TempoSnapshot::packSignature(const std::uint8_t bytes[4]) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::array<std::uint8_t, 4> TempoSnapshot::unpackSignature(std::uint32_t packed) {
    return {static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
            static_cast<std::uint8_t>(packed >> 16), static_cast<std::uint8_t>(packed >> 24)};
}

void TempoSnapshot::take(const CMidiSong& song) {
    auto copy = std::make_unique<CMidiSong>();
    copy->division = song.division;
    // Event by event, not through the song's setters, so that the copy holds exactly what the
    // song holds, in the same order, damaged or not.
    for (const auto& e : song.data().tempos) {
        auto* t = new CObjectMetaEventTempo;
        t->tick = e.tick;
        t->bpm = e.bpm;
        t->data = e.data;
        copy->data().tempos.pushBack(t);
    }
    for (const auto& e : song.data().signatures) {
        auto* s = new CObjectMetaEventTimeSignature;
        s->tick = e.tick;
        s->data = e.data;
        s->measure = e.measure;
        copy->data().signatures.pushBack(s);
    }
    m_copy = std::move(copy);
}

std::int64_t TempoSnapshot::tickToMs(std::int32_t tick) const {
    return cantelo::tickToMs(*m_copy, tick);
}

std::int32_t TempoSnapshot::msToTick(std::int64_t ms) const {
    return cantelo::msToTick(*m_copy, ms);
}

std::int32_t TempoSnapshot::bpmAt(std::int32_t tick) const {
    return m_copy->tempoAt(tick);
}

std::uint32_t TempoSnapshot::signatureAt(std::int32_t tick) const {
    std::uint8_t bytes[4];
    m_copy->timeSignatureAt(tick, bytes);
    return packSignature(bytes);
}

} // namespace cantelo

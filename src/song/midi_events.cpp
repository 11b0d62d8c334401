#include "song/midi_events.h"

#include <algorithm>
#include <cinttypes>

namespace cantelo {

void CObjectEvent::writeRaw(std::FILE* file) const {
    std::fprintf(file, "%02X %" PRId32 "\n", status(), tick);
}

void CObjectEventNote::writeRaw(std::FILE* file) const {
    std::fprintf(file, "90 %" PRId32 " key=%" PRId32 " vel=%" PRId32 " off=%" PRId32 "\n", tick,
                 key, velocity, offTick);
}

void CObjectEventPitchBend::writeRaw(std::FILE* file) const {
    std::fprintf(file, "E0 %" PRId32 " lsb=%" PRId32 " msb=%" PRId32 "\n", tick, lsb, msb);
}

void CObjectEventKeyAfterTouch::writeRaw(std::FILE* file) const {
    std::fprintf(file, "A0 %" PRId32 " key=%" PRId32 " pressure=%" PRId32 "\n", tick, key,
                 pressure);
}

void CObjectEventChannelPressure::writeRaw(std::FILE* file) const {
    std::fprintf(file, "D0 %" PRId32 " pressure=%" PRId32 "\n", tick, pressure);
}

void CObjectEventControlChange::writeRaw(std::FILE* file) const {
    std::fprintf(file, "B0 %" PRId32 " cc=%" PRId32 " value=%" PRId32 "\n", tick, controller,
                 value);
}

void CObjectEventProgramChange::writeRaw(std::FILE* file) const {
    std::fprintf(file, "C0 %" PRId32 " program=%" PRId32 "\n", tick, program);
}

void CObjectMetaEvent::writeRaw(std::FILE* file) const {
    std::fprintf(file, "FF %02X %" PRId32 " len=%zu", metaType(), tick, data.size());
    for (std::uint8_t b : data) std::fprintf(file, " %02X", b);
    std::fputc('\n', file);
}

void CObjectSysExData::writeRaw(std::FILE* file) const {
    std::fprintf(file, "F0 %" PRId32 " ch=%u len=%zu\n", tick, channel, data.size());
}

void CObjectMetaEventTempo::setBpm(std::int32_t value) {
    bpm = std::clamp(value, 30, 250);
    const std::uint32_t us = 60000000u / static_cast<std::uint32_t>(bpm);
    data = {static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
            static_cast<std::uint8_t>(us)};
}

} // namespace cantelo

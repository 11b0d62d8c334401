#include "core/song/midi_events.h"

#include "core/song/byte_buffer.h"

#include <algorithm>
#include <cinttypes>
#include <initializer_list>

namespace cantelo {

namespace {

// A channel event's put, through the buffer.
template <typename Event>
int encodeChannelEvent(const Event& e, CByteBuffer& buffer, std::int32_t param, int channel,
                       std::uint16_t* runningStatus) {
    std::uint8_t* p = buffer.room(3);
    if (!p) return 0;
    const auto n = static_cast<std::size_t>(e.put(p, param, channel, runningStatus) - p);
    buffer.commit(n);
    return static_cast<int>(n);
}

// Appends the lead bytes, the data length as a variable-length quantity (so data of any length
// reads back in every program) and the data. Writes nothing for empty data.
int encodeWithLength(CByteBuffer& buffer, std::initializer_list<std::uint8_t> lead,
                     const std::vector<std::uint8_t>& data, std::uint16_t* runningStatus) {
    if (data.empty()) return 0;
    for (std::uint8_t b : lead) buffer.append(b);
    const int n = appendVlq(buffer, static_cast<std::uint32_t>(data.size()));
    buffer.append(data);
    if (runningStatus) *runningStatus = 0;
    return static_cast<int>(lead.size()) + n + static_cast<int>(data.size());
}

} // namespace

int CObjectEventNote::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                             std::uint16_t* runningStatus) const {
    return encodeChannelEvent(*this, buffer, param, channel, runningStatus);
}

int CObjectEventPitchBend::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                                  std::uint16_t* runningStatus) const {
    return encodeChannelEvent(*this, buffer, param, channel, runningStatus);
}

int CObjectEventKeyAfterTouch::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                                      std::uint16_t* runningStatus) const {
    return encodeChannelEvent(*this, buffer, param, channel, runningStatus);
}

int CObjectEventChannelPressure::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                                        std::uint16_t* runningStatus) const {
    return encodeChannelEvent(*this, buffer, param, channel, runningStatus);
}

int CObjectEventControlChange::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                                      std::uint16_t* runningStatus) const {
    return encodeChannelEvent(*this, buffer, param, channel, runningStatus);
}

int CObjectEventProgramChange::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                                      std::uint16_t* runningStatus) const {
    return encodeChannelEvent(*this, buffer, param, channel, runningStatus);
}

int CObjectMetaEvent::encode(CByteBuffer& buffer, std::int32_t, int,
                             std::uint16_t* runningStatus) const {
    return encodeWithLength(buffer, {0xFF, metaType()}, data, runningStatus);
}

int CObjectSysExData::encode(CByteBuffer& buffer, std::int32_t, int,
                             std::uint16_t* runningStatus) const {
    return encodeWithLength(buffer, {0xF0}, data, runningStatus);
}

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

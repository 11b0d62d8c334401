#include "core/song/midi_events.h"

#include "core/song/byte_buffer.h"

#include <algorithm>
#include <cinttypes>
#include <initializer_list>

namespace cantelo {

namespace {

// Appends a channel event: its status byte unless running status already holds it, then the
// data bytes. Data bytes are kept to 0..127 because a byte with bit 7 set would be read back as
// a status byte and shift every event after it.
int encodeChannelEvent(CByteBuffer& buffer, std::uint8_t kind, int channel,
                       std::uint16_t* runningStatus, std::int32_t d1, std::int32_t d2 = 0) {
    const bool twoBytes = kind != 0xC0 && kind != 0xD0;
    std::uint8_t* p = buffer.room(3);
    if (!p) return 0;
    const auto status = static_cast<std::uint8_t>(kind | (channel & 0x0F));
    std::size_t n = 0;
    if (!runningStatus || *runningStatus != status) {
        p[n++] = status;
        if (runningStatus) *runningStatus = status;
    }
    p[n++] = static_cast<std::uint8_t>(std::clamp(d1, 0, 127));
    if (twoBytes) p[n++] = static_cast<std::uint8_t>(std::clamp(d2, 0, 127));
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
    // A note-on of velocity 0 is a note-off: a note the user scaled down to 0 keeps velocity 1
    // so that it is still a note when the file is read again.
    const std::int32_t onVelocity = std::max(velocity, 1);
    return encodeChannelEvent(buffer, 0x90, channel, runningStatus, key,
                              param != 0 ? 0 : onVelocity);
}

int CObjectEventPitchBend::encode(CByteBuffer& buffer, std::int32_t, int channel,
                                  std::uint16_t* runningStatus) const {
    return encodeChannelEvent(buffer, 0xE0, channel, runningStatus, lsb, msb);
}

int CObjectEventKeyAfterTouch::encode(CByteBuffer& buffer, std::int32_t, int channel,
                                      std::uint16_t* runningStatus) const {
    return encodeChannelEvent(buffer, 0xA0, channel, runningStatus, key, pressure);
}

int CObjectEventChannelPressure::encode(CByteBuffer& buffer, std::int32_t, int channel,
                                        std::uint16_t* runningStatus) const {
    return encodeChannelEvent(buffer, 0xD0, channel, runningStatus, pressure);
}

int CObjectEventControlChange::encode(CByteBuffer& buffer, std::int32_t param, int channel,
                                      std::uint16_t* runningStatus) const {
    std::int32_t v = value;
    if (controller == 7)
        v = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{value} * param / 100, 0, 127));
    else if (controller == 10 && param >= 256)
        v = param - 256;
    return encodeChannelEvent(buffer, 0xB0, channel, runningStatus, controller, v);
}

int CObjectEventProgramChange::encode(CByteBuffer& buffer, std::int32_t, int channel,
                                      std::uint16_t* runningStatus) const {
    return encodeChannelEvent(buffer, 0xC0, channel, runningStatus, program);
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

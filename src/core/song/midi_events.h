#pragma once

#include "core/song/event_pool.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace cantelo {

class CByteBuffer;
struct CChaseEntry;

// Writes a channel event at `p` (room for 3 bytes): its status byte unless running status already
// holds it, then the data bytes; returns the end. Data bytes are kept to 0..127 because a byte
// with bit 7 set would be read back as a status byte and shift every event after it.
inline std::uint8_t* putChannelEvent(std::uint8_t* p, std::uint8_t kind, int channel,
                                     std::uint16_t* runningStatus, std::int32_t d1,
                                     std::int32_t d2 = 0) {
    const auto status = static_cast<std::uint8_t>(kind | (channel & 0x0F));
    if (!runningStatus || *runningStatus != status) {
        *p++ = status;
        if (runningStatus) *runningStatus = status;
    }
    *p++ = static_cast<std::uint8_t>(std::clamp(d1, 0, 127));
    if (kind != 0xC0 && kind != 0xD0) *p++ = static_cast<std::uint8_t>(std::clamp(d2, 0, 127));
    return p;
}

// Base of every song event: an absolute tick and the links of the one list that owns it.
class CObjectEvent : public PoolAllocated {
public:
    CObjectEvent() = default;
    explicit CObjectEvent(std::int32_t t) : tick(t) {}
    CObjectEvent(const CObjectEvent&) = delete;
    CObjectEvent& operator=(const CObjectEvent&) = delete;
    virtual ~CObjectEvent() = default;

    // The status byte for channel 0 (0x90, 0xB0, ...); 0xFF for meta and SysEx events.
    virtual std::uint8_t status() const = 0;
    // Writes a debugging image of the event (tick and fields); nothing reads it back.
    virtual void writeRaw(std::FILE* file) const;
    // Appends the event's Standard MIDI File bytes (without the delta time) and returns how many
    // it appended. `param`: non-zero writes a note as its note-off; the volume percent for
    // controller 7; 256 + pan for controller 10; 0 otherwise. `runningStatus`, when not null, is
    // the chunk's running-status cell: a channel event leaves out a status byte equal to it and
    // stores the one it writes; a meta or SysEx event that writes anything clears it.
    virtual int encode(CByteBuffer& buffer, std::int32_t param, int channel,
                       std::uint16_t* runningStatus) const = 0;

    std::int32_t tick = 0;
    CObjectEvent* next = nullptr;
    CObjectEvent* prev = nullptr;
};

class CObjectEventNote final : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0x90; }
    void writeRaw(std::FILE* file) const override;
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    // What encode appends, written at `p` (room for 3 bytes); returns the end. The channel
    // events' encode is their put through the buffer, for writers that keep their own pointer.
    std::uint8_t* put(std::uint8_t* p, std::int32_t param, int channel,
                      std::uint16_t* runningStatus) const {
        // A note-on of velocity 0 is a note-off: a note the user scaled down to 0 keeps
        // velocity 1 so that it is still a note when the file is read again.
        return putChannelEvent(p, 0x90, channel, runningStatus, key,
                               param != 0 ? 0 : std::max(velocity, 1));
    }
    std::int32_t key = 0;
    std::int32_t velocity = 80;
    std::int32_t offTick = 0;
    std::int32_t open = 0; // 1 while the reader waits for the note's note-off
};

class CObjectEventPitchBend final : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0xE0; }
    void writeRaw(std::FILE* file) const override;
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::uint8_t* put(std::uint8_t* p, std::int32_t, int channel,
                      std::uint16_t* runningStatus) const {
        return putChannelEvent(p, 0xE0, channel, runningStatus, lsb, msb);
    }
    std::int32_t lsb = 0;
    std::int32_t msb = 64;
};

class CObjectEventKeyAfterTouch final : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0xA0; }
    void writeRaw(std::FILE* file) const override;
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::uint8_t* put(std::uint8_t* p, std::int32_t, int channel,
                      std::uint16_t* runningStatus) const {
        return putChannelEvent(p, 0xA0, channel, runningStatus, key, pressure);
    }
    std::int32_t key = 0;
    std::int32_t pressure = 0;
};

class CObjectEventChannelPressure final : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0xD0; }
    void writeRaw(std::FILE* file) const override;
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::uint8_t* put(std::uint8_t* p, std::int32_t, int channel,
                      std::uint16_t* runningStatus) const {
        return putChannelEvent(p, 0xD0, channel, runningStatus, pressure);
    }
    std::int32_t pressure = 0;
};

class CObjectEventControlChange final : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0xB0; }
    void writeRaw(std::FILE* file) const override;
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::uint8_t* put(std::uint8_t* p, std::int32_t param, int channel,
                      std::uint16_t* runningStatus) const {
        std::int32_t v = value;
        if (controller == 7)
            v = static_cast<std::int32_t>(
                std::clamp<std::int64_t>(std::int64_t{value} * param / 100, 0, 127));
        else if (controller == 10 && param >= 256)
            v = param - 256;
        return putChannelEvent(p, 0xB0, channel, runningStatus, controller, v);
    }
    std::int32_t controller = 7;
    std::int32_t value = 100;
    CChaseEntry* chase = nullptr; // not owned: the song's chase list owns it
};

class CObjectEventProgramChange final : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0xC0; }
    void writeRaw(std::FILE* file) const override;
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::uint8_t* put(std::uint8_t* p, std::int32_t, int channel,
                      std::uint16_t* runningStatus) const {
        return putChannelEvent(p, 0xC0, channel, runningStatus, program);
    }
    std::int32_t program = 0;
    CChaseEntry* chase = nullptr; // not owned: the song's chase list owns it
};

// Base of the meta and SysEx events: the data bytes, kept whole.
class CObjectMetaEvent : public CObjectEvent {
public:
    std::uint8_t status() const override { return 0xFF; }
    void writeRaw(std::FILE* file) const override;
    // The meta type byte; 0xF0 for system-exclusive data.
    virtual std::uint8_t metaType() const = 0;
    // 0xFF, the type, the length as a variable-length quantity, the data; nothing without data.
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::int32_t length() const { return static_cast<std::int32_t>(data.size()); }
    void setData(std::span<const std::uint8_t> bytes) { data.assign(bytes.begin(), bytes.end()); }

    std::vector<std::uint8_t> data;
};

class CObjectMetaEventTempo final : public CObjectMetaEvent {
public:
    CObjectMetaEventTempo() { setBpm(120); }
    std::uint8_t metaType() const override { return 0x51; }
    // Clamps to 30..250 and stores 60 000 000 / bpm as the three data bytes.
    void setBpm(std::int32_t value);
    std::int32_t bpm = 120;
    std::int32_t lastSet = 0;
};

class CObjectMetaEventTimeSignature final : public CObjectMetaEvent {
public:
    CObjectMetaEventTimeSignature() { data = {4, 2, 24, 8}; }
    std::uint8_t metaType() const override { return 0x58; }
    // `data` is public: a caller that shortened it gets the 4/4 defaults instead of a stray read.
    std::uint8_t numerator() const { return data.size() > 0 ? data[0] : 4; }
    std::uint8_t denominatorPower() const { return data.size() > 1 ? data[1] : 2; }
    std::int32_t measure = 0; // 0-based measure at which it takes effect
};

class CObjectMetaEventText final : public CObjectMetaEvent {
public:
    std::uint8_t metaType() const override { return type; }
    std::uint8_t type = 1;
    std::int32_t track = 0; // 0-based index of the file chunk it came from
    // Set by lyric extraction when the event became a lyric item: saving replaces exactly these.
    bool extracted = false;
};

class CObjectSysExData final : public CObjectMetaEvent {
public:
    std::uint8_t metaType() const override { return 0xF0; }
    void writeRaw(std::FILE* file) const override;
    // 0xF0, the length as a variable-length quantity, the data (which keeps its closing 0xF7).
    int encode(CByteBuffer& buffer, std::int32_t param, int channel,
               std::uint16_t* runningStatus) const override;
    std::int32_t flag = 0;
    std::uint8_t channel = 0; // channel of the last channel event read before it
};

// A flat mirror of a program or control change, for value-at-tick look-ups.
struct CChaseEntry : PoolAllocated {
    std::uint32_t tick = 0;
    std::uint8_t channel = 0;
    std::uint8_t status = 0;       // 0xB0 or 0xC0
    std::uint8_t data1 = 0;        // controller number or program
    std::uint8_t data2 = 0;        // controller value; 0 for a program change
    std::uint64_t order = 0;       // rank in the order of adding, kept by the song's chase index
    CObjectEvent* event = nullptr; // the program or control change it mirrors
    CChaseEntry* next = nullptr;
    CChaseEntry* prev = nullptr;
};

} // namespace cantelo

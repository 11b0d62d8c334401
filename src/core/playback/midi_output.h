#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace cantelo {

// One MIDI destination: the built-in synthesizer, a system MIDI port, or a recorder for tests.
// open/close/reset run on the user-interface thread; sendShort and sendSysEx may run on the
// playback thread. An implementation is not required to be thread-safe by itself: the device
// layer serialises every call and never sends on an output that is being closed.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;

    virtual std::string name() const = 0;
    // Opens the destination; on failure returns false and says why in `error` (may be null).
    virtual bool open(std::string* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // All Sound Off, All Notes Off and Reset All Controllers on every channel.
    virtual void reset() = 0;
    // A short message packed in one word: status in bits 0-7, first data byte in bits 8-15,
    // second in bits 16-23.
    virtual void sendShort(std::uint32_t packed) = 0;
    // A complete system-exclusive message (F0 ... F7). The bytes are copied before returning.
    virtual void sendSysEx(std::span<const std::uint8_t> bytes) = 0;
};

inline constexpr std::uint32_t packShort(std::uint8_t status, std::uint8_t d1,
                                         std::uint8_t d2 = 0) {
    return std::uint32_t{status} | (std::uint32_t{d1} << 8) | (std::uint32_t{d2} << 16);
}

} // namespace cantelo

#pragma once

#include "core/playback/midi_output.h"
#include "core/playback/playback_clock.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace cantelo {

// An output that sounds nothing and keeps every call it receives with the time it arrived, in
// order: the destination of tests and benchmarks. Every member may be called from any thread;
// reading while another thread sends sees a consistent prefix of what was sent.
class RecordingOutput final : public MidiOutput {
public:
    enum class Kind : std::uint8_t { Short, SysEx, Reset, Open, Close };

    struct Entry {
        Kind kind = Kind::Short;
        std::uint32_t packed = 0;       // Short: the packed message
        std::size_t dataOffset = 0;     // SysEx: where its bytes start in the byte pool
        std::size_t dataLength = 0;     // SysEx: how many bytes (F0 ... F7)
        PlaybackClock::time_point time; // when the call arrived, on the recorder's clock
    };

    explicit RecordingOutput(std::string name = "Recorder",
                             const PlaybackClock& clock = systemPlaybackClock());

    std::string name() const override { return m_name; }
    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    void reset() override;
    // Kept only while open; a send to a closed recorder is counted as dropped, as a closed
    // port loses it. Never allocates once reserve() has made room for it.
    void sendShort(std::uint32_t packed) override;
    void sendSysEx(std::span<const std::uint8_t> bytes) override;

    // The next open() fails with this reason (once).
    void failNextOpen(std::string reason);
    // Makes room so that sends up to these totals do not allocate (benchmarks, real-time tests).
    void reserve(std::size_t entries, std::size_t sysExBytes);
    void clear();

    std::vector<Entry> entries() const;
    std::size_t size() const;
    std::size_t droppedCount() const;
    // The packed short messages in the order they arrived.
    std::vector<std::uint32_t> shortMessages() const;
    std::vector<std::uint8_t> sysExBytes(const Entry& e) const;

private:
    void record(Kind kind, std::uint32_t packed);

    const std::string m_name;
    const PlaybackClock& m_clock;
    mutable std::mutex m_mutex;
    bool m_open = false;
    std::string m_failReason;
    bool m_failNext = false;
    std::size_t m_dropped = 0;
    std::vector<Entry> m_entries;
    std::vector<std::uint8_t> m_pool;
};

} // namespace cantelo

#pragma once

#include "core/playback/midi_output.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace cantelo {

class CMidiSong;

// The listing never offers more entries than the output menu can hold.
inline constexpr int kMaxOutputs = 32;

// Frames a stored SysEx event (the bytes after 0xF0, normally ending with 0xF7) as one complete
// message in `out`, supplying a missing 0xF7. False, with `out` untouched, when there is nothing
// between the status bytes or the data holds a status byte before its end: a port would end the
// message there and take the rest for channel messages. Reuses `out`'s storage.
bool frameSysEx(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);

// Where the device layer gets its outputs from. The MIDI library supplies the real one (built-in
// synthesizer first, then the system's ports); tests supply fakes. Called on the user-interface
// thread only.
class OutputProvider {
public:
    virtual ~OutputProvider() = default;
    // Names of the available outputs, listing index 0 first. Never blocks for long and never
    // throws when the system has no MIDI service at all.
    virtual std::vector<std::string> list() = 0;
    // A new, closed output for listing index `index` of the last listing; null when none.
    virtual std::unique_ptr<MidiOutput> create(int index) = 0;
};

// The one output the editor plays through. It owns the open back end and is itself a MidiOutput,
// so the sequencer sends through it: every send and every open, close or reset is serialised by
// one mutex, and a back end is taken out of reach of the senders before it is closed, so nothing
// is ever sent on an output that is being closed. A send while no output is open is dropped.
//
// Open, close, reset, listing and the single-message operations run on the user-interface thread;
// sendShort, sendSysEx and SendSysEx may also run on the playback thread.
class MidiDevice final : public MidiOutput {
public:
    using MessageSink = std::function<void()>;

    explicit MidiDevice(OutputProvider& provider);
    MidiDevice(const MidiDevice&) = delete;
    MidiDevice& operator=(const MidiDevice&) = delete;
    ~MidiDevice() override;

    // Asks the provider for the outputs (at most kMaxOutputs). A `deviceNumber` that is not a
    // listed index falls back to 0.
    const std::vector<std::string>& listDevices();
    const std::vector<std::string>& deviceNames() const { return m_names; }

    int deviceNumber() const { return m_deviceNumber.load(std::memory_order_relaxed); }
    void setDeviceNumber(int n) { m_deviceNumber.store(n, std::memory_order_relaxed); }
    // Whether the song's SysEx events are sent is the player's setting (CMidiPlayer::
    // sysExEnabled): the playback thread moves its SysEx cursor on whether or not it sends.

    // Program changes go out on the song's output channel for the given song channel.
    void setSong(const CMidiSong* song) { m_song = song; }
    // Called after a failed open, so the user interface can show its device message in its own
    // language; without a sink the failure is only reported by the return value and lastError().
    void setMessageSink(MessageSink sink) { m_sink = std::move(sink); }

    // Closes the open output, then opens output `deviceNumber`. On failure the message sink is
    // called, nothing stays open, and every later send is dropped.
    bool OpenDevice();
    // The back end's own reason for the last failed open (for logs and the command line).
    const std::string& lastError() const { return m_lastError; }

    void SendProgramChange(int channel, int program);
    // Controller 7, 10, 91 or 93 (volume, pan, reverb, chorus) of the mixer.
    void SendController(int channel, int value, int controller);
    void AuditionNoteOn(int channel, int note);
    // Ends the last auditioned note; before any audition that is channel 0, note 0.
    void AuditionNoteOff();
    // `data` is a stored SysEx event, framed by frameSysEx (and dropped when that refuses it)
    // into the device's own buffer and sent as one message while the lock is held, so neither
    // the caller's data nor the buffer is in use after the call returns.
    void SendSysEx(std::span<const std::uint8_t> data);

    // Raised by SendProgramChange so the display refreshes the instrument; true once per raise.
    bool takeRefreshAny() { return m_refreshAny.exchange(false, std::memory_order_relaxed); }
    bool refreshAny() const { return m_refreshAny.load(std::memory_order_relaxed); }

    // MidiOutput: open() is OpenDevice; name() is the listed name of `deviceNumber`.
    std::string name() const override;
    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    void reset() override;
    void sendShort(std::uint32_t packed) override;
    void sendSysEx(std::span<const std::uint8_t> bytes) override;

private:
    std::unique_ptr<MidiOutput> detach();

    OutputProvider& m_provider;
    const CMidiSong* m_song = nullptr;
    MessageSink m_sink;
    std::vector<std::string> m_names;
    std::string m_lastError;
    std::atomic<int> m_deviceNumber{0};
    std::atomic<bool> m_refreshAny{false};

    // Serialises open, close and reset against each other without holding up the senders while
    // a slow back end (a synthesizer loading its soundfont) opens.
    std::mutex m_controlMutex;
    // Guards m_output, the SysEx buffer and the audition note: held for every send.
    mutable std::mutex m_sendMutex;
    std::unique_ptr<MidiOutput> m_output;
    std::vector<std::uint8_t> m_sysExBuffer;
    std::uint8_t m_auditionChannel = 0;
    std::uint8_t m_auditionNote = 0;
};

} // namespace cantelo

#pragma once

#include "core/playback/midi_output.h"

#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

namespace cantelo {

// The system's MIDI output ports by name (the ALSA sequencer on Linux). Empty, quickly and
// quietly, when there are no ports or no MIDI service at all.
std::vector<std::string> listMidiPorts();

// One system MIDI output port, found by the name the listing gave it.
class RtMidiOutput final : public MidiOutput {
public:
    explicit RtMidiOutput(std::string portName);
    RtMidiOutput(const RtMidiOutput&) = delete;
    RtMidiOutput& operator=(const RtMidiOutput&) = delete;
    ~RtMidiOutput() override;

    std::string name() const override { return m_portName; }
    // Fails when the MIDI service is missing, the port has gone away or cannot be connected.
    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    // Ports have no reset of their own: the three channel-mode messages on every channel.
    void reset() override;
    void sendShort(std::uint32_t packed) override;
    void sendSysEx(std::span<const std::uint8_t> bytes) override;

private:
    std::string m_portName;
    std::unique_ptr<RtMidiOut> m_out;
};

} // namespace cantelo

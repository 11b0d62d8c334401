#pragma once

#include "core/playback/midi_device.h"
#include "midi/fluidsynth_output.h"

#include <memory>
#include <string>
#include <vector>

namespace cantelo {

// The outputs of this machine as the editor lists them: entry 0 is the built-in synthesizer,
// always present; then the system's MIDI ports by name; at most kMaxOutputs entries in all.
class SystemOutputs final : public OutputProvider {
public:
    explicit SystemOutputs(FluidSynthOptions synthOptions = {});

    std::vector<std::string> list() override;
    // Entry 0 is a FluidSynthOutput with the options given; entry k a port of the last listing
    // (listing first when there was none yet).
    std::unique_ptr<MidiOutput> create(int index) override;

    FluidSynthOptions& synthOptions() { return m_synthOptions; }

private:
    FluidSynthOptions m_synthOptions;
    std::vector<std::string> m_ports;
    bool m_listed = false;
};

} // namespace cantelo

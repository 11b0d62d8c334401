#include "midi/system_outputs.h"

#include "midi/rtmidi_output.h"

namespace cantelo {

SystemOutputs::SystemOutputs(FluidSynthOptions synthOptions)
    : m_synthOptions(std::move(synthOptions)) {}

std::vector<std::string> SystemOutputs::list() {
    m_ports = listMidiPorts();
    if (m_ports.size() > static_cast<std::size_t>(kMaxOutputs - 1)) m_ports.resize(kMaxOutputs - 1);
    m_listed = true;
    std::vector<std::string> names;
    names.reserve(m_ports.size() + 1);
    names.emplace_back(kBuiltInSynthName);
    names.insert(names.end(), m_ports.begin(), m_ports.end());
    return names;
}

std::unique_ptr<MidiOutput> SystemOutputs::create(int index) {
    if (index == 0) return std::make_unique<FluidSynthOutput>(m_synthOptions);
    if (!m_listed) list();
    if (index < 1 || index > static_cast<int>(m_ports.size())) return nullptr;
    return std::make_unique<RtMidiOutput>(m_ports[static_cast<std::size_t>(index - 1)]);
}

} // namespace cantelo

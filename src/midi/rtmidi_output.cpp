#include "midi/rtmidi_output.h"

#include "midi/library_noise.h"

#include <rtmidi/RtMidi.h>

#include <array>

#ifdef __linux__
#include <unistd.h>
#endif

namespace cantelo {

namespace {

constexpr const char* kClientName = "Cantelo Edit";

#ifdef __linux__
constexpr RtMidi::Api kApi = RtMidi::LINUX_ALSA;
#else
constexpr RtMidi::Api kApi = RtMidi::UNSPECIFIED;
#endif

// Without a sequencer device RtMidi still works it out, but only after printing its complaint
// to the terminal and throwing; checking first keeps a machine without MIDI quiet.
bool midiServicePresent() {
#ifdef __linux__
    return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
#else
    return true;
#endif
}

// Once a port object exists, its errors are reported through this instead of exceptions and
// console output; the callers check the port's state themselves.
void ignoreError(RtMidiError::Type, const std::string&, void*) {}

std::unique_ptr<RtMidiOut> newClient(std::string* error) {
    quietBackendLibraries();
    if (!midiServicePresent()) {
        if (error) *error = "the system has no MIDI sequencer";
        return nullptr;
    }
    try {
        auto out = std::make_unique<RtMidiOut>(kApi, kClientName);
        out->setErrorCallback(ignoreError, nullptr);
        return out;
    } catch (const RtMidiError& e) {
        if (error) *error = e.getMessage();
    }
    return nullptr;
}

std::size_t shortMessageLength(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 2;
    case 0xF0:
        return 0; // system messages are not sent as short messages here
    default:
        return (status & 0x80) ? 3 : 0;
    }
}

} // namespace

std::vector<std::string> listMidiPorts() {
    std::vector<std::string> names;
    auto out = newClient(nullptr);
    if (!out) return names;
    const unsigned count = out->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string n = out->getPortName(i);
        if (!n.empty()) names.push_back(std::move(n));
    }
    return names;
}

RtMidiOutput::RtMidiOutput(std::string portName) : m_portName(std::move(portName)) {}

RtMidiOutput::~RtMidiOutput() {
    close();
}

bool RtMidiOutput::open(std::string* error) {
    if (m_out) return true;
    auto out = newClient(error);
    if (!out) return false;
    const unsigned count = out->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (out->getPortName(i) != m_portName) continue;
        out->openPort(i, kClientName);
        if (!out->isPortOpen()) break;
        m_out = std::move(out);
        return true;
    }
    if (error) *error = "the MIDI port \"" + m_portName + "\" is not available";
    return false;
}

void RtMidiOutput::close() {
    if (m_out) m_out->closePort();
    m_out.reset();
}

bool RtMidiOutput::isOpen() const {
    return m_out != nullptr;
}

void RtMidiOutput::reset() {
    if (!m_out) return;
    for (std::uint8_t ch = 0; ch < 16; ++ch) {
        for (std::uint8_t controller : {120, 123, 121}) {
            const std::array<unsigned char, 3> m{static_cast<unsigned char>(0xB0 | ch), controller,
                                                 0};
            m_out->sendMessage(m.data(), m.size());
        }
    }
}

void RtMidiOutput::sendShort(std::uint32_t packed) {
    if (!m_out) return;
    const std::array<unsigned char, 3> m{static_cast<unsigned char>(packed & 0xFF),
                                         static_cast<unsigned char>((packed >> 8) & 0x7F),
                                         static_cast<unsigned char>((packed >> 16) & 0x7F)};
    const std::size_t n = shortMessageLength(m[0]);
    if (n) m_out->sendMessage(m.data(), n);
}

void RtMidiOutput::sendSysEx(std::span<const std::uint8_t> bytes) {
    if (!m_out || bytes.size() < 2 || bytes.front() != 0xF0) return;
    m_out->sendMessage(bytes.data(), bytes.size());
}

} // namespace cantelo

#include "core/playback/midi_device.h"

#include "core/song/midi_song.h"

#include <algorithm>

namespace cantelo {

namespace {

std::uint8_t clamp7(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}
std::uint8_t channelNibble(int channel) {
    return static_cast<std::uint8_t>(channel & 0x0F);
}

// The usual SysEx buffer is small; reserving it up front keeps the playback thread from
// allocating for every ordinary message.
constexpr std::size_t kSysExReserve = 256;

} // namespace

MidiDevice::MidiDevice(OutputProvider& provider) : m_provider(provider) {
    m_sysExBuffer.reserve(kSysExReserve);
}

MidiDevice::~MidiDevice() {
    close();
}

const std::vector<std::string>& MidiDevice::listDevices() {
    std::lock_guard control(m_controlMutex);
    m_names = m_provider.list();
    if (m_names.size() > static_cast<std::size_t>(kMaxOutputs)) m_names.resize(kMaxOutputs);
    const int n = deviceNumber();
    if (n < 0 || n >= static_cast<int>(m_names.size())) setDeviceNumber(0);
    return m_names;
}

std::unique_ptr<MidiOutput> MidiDevice::detach() {
    std::lock_guard lock(m_sendMutex);
    return std::move(m_output);
}

bool MidiDevice::OpenDevice() {
    bool opened = false;
    {
        std::lock_guard control(m_controlMutex);
        if (auto old = detach()) old->close();
        m_lastError.clear();
        // Opening happens outside the send lock: senders meanwhile find no output and drop
        // their messages instead of waiting for a soundfont to load.
        std::unique_ptr<MidiOutput> next = m_provider.create(deviceNumber());
        if (!next) {
            m_lastError = "no output with number " + std::to_string(deviceNumber());
        } else if (next->open(&m_lastError)) {
            std::lock_guard lock(m_sendMutex);
            m_output = std::move(next);
            opened = true;
        }
    }
    if (!opened && m_sink) m_sink();
    return opened;
}

bool MidiDevice::open(std::string* error) {
    const bool ok = OpenDevice();
    if (!ok && error) *error = m_lastError;
    return ok;
}

void MidiDevice::close() {
    std::lock_guard control(m_controlMutex);
    if (auto old = detach()) old->close();
}

bool MidiDevice::isOpen() const {
    std::lock_guard lock(m_sendMutex);
    return m_output != nullptr;
}

std::string MidiDevice::name() const {
    const int n = deviceNumber();
    if (n >= 0 && n < static_cast<int>(m_names.size())) return m_names[static_cast<std::size_t>(n)];
    return {};
}

void MidiDevice::reset() {
    std::lock_guard lock(m_sendMutex);
    if (m_output) m_output->reset();
}

void MidiDevice::sendShort(std::uint32_t packed) {
    std::lock_guard lock(m_sendMutex);
    if (m_output) m_output->sendShort(packed);
}

void MidiDevice::sendSysEx(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_sendMutex);
    if (m_output) m_output->sendSysEx(bytes);
}

void MidiDevice::SendProgramChange(int channel, int program) {
    const int out = m_song ? m_song->outputChannel(channel) : channel;
    sendShort(packShort(static_cast<std::uint8_t>(0xC0 | channelNibble(out)), clamp7(program)));
    m_refreshAny.store(true, std::memory_order_relaxed);
}

void MidiDevice::SendController(int channel, int value, int controller) {
    sendShort(packShort(static_cast<std::uint8_t>(0xB0 | channelNibble(channel)),
                        clamp7(controller), clamp7(value)));
}

void MidiDevice::AuditionNoteOn(int channel, int note) {
    std::lock_guard lock(m_sendMutex);
    if (!m_output) return;
    m_auditionChannel = channelNibble(channel);
    m_auditionNote = clamp7(note);
    m_output->sendShort(
        packShort(static_cast<std::uint8_t>(0x90 | m_auditionChannel), m_auditionNote, 127));
}

void MidiDevice::AuditionNoteOff() {
    std::lock_guard lock(m_sendMutex);
    if (!m_output) return;
    m_output->sendShort(
        packShort(static_cast<std::uint8_t>(0x80 | m_auditionChannel), m_auditionNote, 0));
}

void MidiDevice::SendSysEx(std::span<const std::uint8_t> data) {
    std::lock_guard lock(m_sendMutex);
    if (m_output && frameSysEx(data, m_sysExBuffer)) m_output->sendSysEx(m_sysExBuffer);
}

bool frameSysEx(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    if (data.empty()) return false;
    const auto payload = data.back() == 0xF7 ? data.first(data.size() - 1) : data;
    if (payload.empty()) return false;
    if (std::any_of(payload.begin(), payload.end(), [](std::uint8_t b) { return b & 0x80; }))
        return false;
    out.clear();
    out.push_back(0xF0);
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(0xF7);
    return true;
}

} // namespace cantelo

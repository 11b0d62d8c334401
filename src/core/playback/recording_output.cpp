#include "core/playback/recording_output.h"

#include <utility>

namespace cantelo {

RecordingOutput::RecordingOutput(std::string name, const PlaybackClock& clock)
    : m_name(std::move(name)), m_clock(clock) {}

bool RecordingOutput::open(std::string* error) {
    std::lock_guard lock(m_mutex);
    if (m_failNext) {
        m_failNext = false;
        if (error) *error = m_failReason;
        return false;
    }
    m_open = true;
    m_entries.push_back({Kind::Open, 0, 0, 0, m_clock.now()});
    return true;
}

void RecordingOutput::close() {
    std::lock_guard lock(m_mutex);
    if (!m_open) return;
    m_open = false;
    m_entries.push_back({Kind::Close, 0, 0, 0, m_clock.now()});
}

bool RecordingOutput::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

void RecordingOutput::reset() {
    record(Kind::Reset, 0);
}

void RecordingOutput::sendShort(std::uint32_t packed) {
    record(Kind::Short, packed);
}

void RecordingOutput::record(Kind kind, std::uint32_t packed) {
    // Read the time before taking the lock so that waiting for a reader does not count as
    // lateness of the send.
    const auto t = m_clock.now();
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        ++m_dropped;
        return;
    }
    m_entries.push_back({kind, packed, 0, 0, t});
}

void RecordingOutput::sendSysEx(std::span<const std::uint8_t> bytes) {
    const auto t = m_clock.now();
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        ++m_dropped;
        return;
    }
    const std::size_t offset = m_pool.size();
    m_pool.insert(m_pool.end(), bytes.begin(), bytes.end());
    m_entries.push_back({Kind::SysEx, 0, offset, bytes.size(), t});
}

void RecordingOutput::failNextOpen(std::string reason) {
    std::lock_guard lock(m_mutex);
    m_failNext = true;
    m_failReason = std::move(reason);
}

void RecordingOutput::reserve(std::size_t entries, std::size_t sysExBytes) {
    std::lock_guard lock(m_mutex);
    // Writing the room once maps its pages now, so a send later pays no page fault either.
    const std::size_t keptEntries = m_entries.size();
    m_entries.reserve(entries);
    m_entries.resize(m_entries.capacity());
    m_entries.resize(keptEntries);
    const std::size_t keptBytes = m_pool.size();
    m_pool.reserve(sysExBytes);
    m_pool.resize(m_pool.capacity());
    m_pool.resize(keptBytes);
}

void RecordingOutput::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_pool.clear();
    m_dropped = 0;
}

std::vector<RecordingOutput::Entry> RecordingOutput::entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

std::size_t RecordingOutput::size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::size_t RecordingOutput::droppedCount() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

std::vector<std::uint32_t> RecordingOutput::shortMessages() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint32_t> out;
    for (const auto& e : m_entries)
        if (e.kind == Kind::Short) out.push_back(e.packed);
    return out;
}

std::vector<std::uint8_t> RecordingOutput::sysExBytes(const Entry& e) const {
    std::lock_guard lock(m_mutex);
    if (e.kind != Kind::SysEx || e.dataOffset + e.dataLength > m_pool.size()) return {};
    const auto first = m_pool.begin() + static_cast<std::ptrdiff_t>(e.dataOffset);
    return {first, first + static_cast<std::ptrdiff_t>(e.dataLength)};
}

} // namespace cantelo

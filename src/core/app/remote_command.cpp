#include "core/app/remote_command.h"

#include "core/app/config_file.h"
#include "core/document/song_file.h"

#include <algorithm>

namespace cantelo {

namespace {

void appendWord(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t wordAt(std::span<const std::uint8_t> bytes) {
    return bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

std::string remoteTagText(std::uint32_t tag) {
    std::string text(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) text[i] = static_cast<char>(tag >> (8 * i));
    return text;
}

int remoteCommandResult(const RemoteMessage& message) {
    if (message.refused) return 0;
    switch (message.tag) {
    case kTagOpenFile:
    case kTagPlay:
    case kTagStop:
    case kTagShowWindow:
        return 1;
    default:
        return 0;
    }
}

std::vector<std::uint8_t> encodeRemoteMessage(std::uint32_t tag,
                                              std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(kRemoteHeaderSize + data.size());
    appendWord(out, tag);
    appendWord(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> forwardingMessages(std::string_view path) {
    std::vector<std::uint8_t> data(path.begin(), path.end());
    data.push_back(0);
    std::vector<std::uint8_t> out = encodeRemoteMessage(kTagShowWindow, data);
    const std::vector<std::uint8_t> open = encodeRemoteMessage(kTagOpenFile, data);
    out.insert(out.end(), open.begin(), open.end());
    return out;
}

std::vector<std::uint8_t> encodeRemoteReply(int result) {
    std::vector<std::uint8_t> out;
    appendWord(out, static_cast<std::uint32_t>(result));
    return out;
}

std::optional<int> decodeRemoteReply(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kRemoteReplySize) return std::nullopt;
    return static_cast<int>(wordAt(bytes));
}

void RemoteMessageDecoder::feed(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        if (m_skip > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(m_skip, bytes.size()));
            m_skip -= n;
            bytes = bytes.subspan(n);
            continue;
        }
        // Take only what completes the header, then what completes the data it announces, so
        // that a refused message is recognised before its data could be stored.
        std::size_t want = kRemoteHeaderSize - std::min(m_pending.size(), kRemoteHeaderSize);
        if (want == 0)
            want = kRemoteHeaderSize + wordAt(std::span(m_pending).subspan(4)) - m_pending.size();
        const std::size_t n = std::min(want, bytes.size());
        m_pending.insert(m_pending.end(), bytes.begin(),
                         bytes.begin() + static_cast<std::ptrdiff_t>(n));
        bytes = bytes.subspan(n);
        if (m_pending.size() >= kRemoteHeaderSize) takeMessage();
    }
}

void RemoteMessageDecoder::takeMessage() {
    const std::span<const std::uint8_t> head(m_pending.data(), kRemoteHeaderSize);
    RemoteMessage message;
    message.tag = wordAt(head);
    message.length = wordAt(head.subspan(4));
    if (message.length > kMaxRemoteData) {
        message.refused = true;
        m_skip = message.length;
    } else if (m_pending.size() == kRemoteHeaderSize + message.length) {
        const auto data = m_pending.begin() + static_cast<std::ptrdiff_t>(kRemoteHeaderSize);
        message.text.assign(data, std::find(data, m_pending.end(), std::uint8_t{0}));
    } else {
        return; // the data is still on its way
    }
    m_pending.clear();
    m_ready.push_back(std::move(message));
}

std::optional<RemoteMessage> RemoteMessageDecoder::next() {
    if (m_ready.empty()) return std::nullopt;
    RemoteMessage message = std::move(m_ready.front());
    m_ready.pop_front();
    return message;
}

StartupFile startupFile(std::span<const std::string> arguments) {
    StartupFile file;
    if (arguments.empty() || arguments.front().empty()) return file;
    file.path = arguments.front();
    file.pendingOpen = isSongFileName(file.path);
    file.badExtension = !file.pendingOpen;
    return file;
}

bool isSongFileName(std::string_view path) {
    return hasExtension(path, ".mid") || hasExtension(path, ".kar") || hasExtension(path, ".nvk");
}

RunningEditorMessage runningEditorMessage(bool english) {
    if (english) return {"Cantelo Edit is still running!", "Sorry..."};
    return {"Cantelo Edit e' gia' attivo", "Mi dispiace..."};
}

RunningEditorMessage runningEditorMessage(const std::filesystem::path& configFolder) {
    return runningEditorMessage(configuredLanguageForMessage(configFolder));
}

} // namespace cantelo

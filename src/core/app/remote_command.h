#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// Commands that a second start (or any process of the same user) sends to the running editor.
// On the wire a message is the four tag bytes, the data length as a little-endian 32-bit value,
// then the data; the answer is a little-endian 32-bit result.

inline constexpr std::size_t kMaxRemoteData = 1024;
inline constexpr std::size_t kRemoteHeaderSize = 8;
inline constexpr std::size_t kRemoteReplySize = 4;

// A four-letter tag as one 32-bit word, first letter in the lowest byte.
constexpr std::uint32_t remoteTag(std::string_view letters) {
    std::uint32_t tag = 0;
    for (std::size_t i = 0; i < 4 && i < letters.size(); ++i)
        tag |= static_cast<std::uint32_t>(static_cast<unsigned char>(letters[i])) << (8 * i);
    return tag;
}

inline constexpr std::uint32_t kTagOpenFile = remoteTag("cnof");
inline constexpr std::uint32_t kTagPlay = remoteTag("cnps");
inline constexpr std::uint32_t kTagStop = remoteTag("cnss");
inline constexpr std::uint32_t kTagShowWindow = remoteTag("cnsw");

// The four letters of a tag, for messages and tests.
std::string remoteTagText(std::uint32_t tag);

// One received message.
struct RemoteMessage {
    std::uint32_t tag = 0;
    std::uint32_t length = 0; // the data length the sender announced
    std::string text;         // the data up to its first NUL; empty when refused
    bool refused = false;     // more than kMaxRemoteData bytes: answered 0, never acted on
};

// Whether the editor acts on the message, as its answer: 1 for "cnof", "cnps", "cnss" and
// "cnsw" within the data limit, 0 for anything else.
int remoteCommandResult(const RemoteMessage& message);

// The bytes of one message. `data` is sent as it is; a receiver refuses more than 1024 bytes.
std::vector<std::uint8_t> encodeRemoteMessage(std::uint32_t tag,
                                              std::span<const std::uint8_t> data);

// What a second start sends for a file: "cnsw" then "cnof", both with the path and its NUL.
std::vector<std::uint8_t> forwardingMessages(std::string_view path);

std::vector<std::uint8_t> encodeRemoteReply(int result);
// The result of an answer of exactly kRemoteReplySize bytes; nothing otherwise.
std::optional<int> decodeRemoteReply(std::span<const std::uint8_t> bytes);

// Splits a byte stream into messages. A partial message never takes more than one header and
// kMaxRemoteData bytes however much a sender announces: the data of a refused message is dropped
// as it arrives, so the messages after it are still read. One per connection; not thread-safe.
class RemoteMessageDecoder {
public:
    void feed(std::span<const std::uint8_t> bytes);
    // The next complete message in arrival order, or nothing until more bytes arrive.
    std::optional<RemoteMessage> next();

private:
    void takeMessage();

    std::vector<std::uint8_t> m_pending; // the message being received
    std::uint64_t m_skip = 0;            // data bytes of a refused message still to drop
    std::deque<RemoteMessage> m_ready;
};

// What the command line asks of a first start: the first argument only.
struct StartupFile {
    std::string path;          // empty when there is no argument
    bool pendingOpen = false;  // ".mid", ".kar" or ".nvk" in any case: open once shown
    bool badExtension = false; // any other name: show the bad-extension message, open nothing
};

// `arguments` are the program's arguments without the program name.
StartupFile startupFile(std::span<const std::string> arguments);

// Whether the editor opens a file of this name: ".mid", ".kar" or ".nvk", in any case.
bool isSongFileName(std::string_view path);

// The plain message box of a second start without a file.
struct RunningEditorMessage {
    std::string_view text;
    std::string_view caption;
};

// English when `english`, otherwise Italian.
RunningEditorMessage runningEditorMessage(bool english);
// The message in the language that config.cne in `configFolder` names (Italian without a file).
RunningEditorMessage runningEditorMessage(const std::filesystem::path& configFolder);

} // namespace cantelo

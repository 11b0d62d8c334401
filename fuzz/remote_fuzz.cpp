// Any bytes, as what a local process writes to the single-instance socket, arriving in pieces of
// any size: no message may hold more than the data limit, a refused one is never acted on, and
// how the stream was cut must not change what is read from it.
#include "core/app/remote_command.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

using namespace cantelo;

namespace {

void failed(const char* what) {
    std::fprintf(stderr, "broken remote-message invariant: %s\n", what);
    std::abort();
}
#define check(x) ((x) ? void() : failed(#x))

bool sameMessage(const RemoteMessage& a, const RemoteMessage& b) {
    return a.tag == b.tag && a.length == b.length && a.text == b.text && a.refused == b.refused;
}

void drain(RemoteMessageDecoder& decoder, std::vector<RemoteMessage>& out) {
    while (auto message = decoder.next()) {
        check(message->text.size() <= kMaxRemoteData);
        check(message->refused == (message->length > kMaxRemoteData));
        check(!message->refused || (message->text.empty() && remoteCommandResult(*message) == 0));
        check(message->text.size() <= message->length);
        check(message->text.find('\0') == std::string::npos);
        out.push_back(std::move(*message));
    }
}

} // namespace

// The first four bytes give the sizes of the pieces in turn (a zero byte is a piece of one); the
// rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::span<const std::uint8_t> cuts(data, 4);
    const std::span<const std::uint8_t> stream(data + 4, size - 4);

    RemoteMessageDecoder piecewise;
    std::vector<RemoteMessage> got;
    for (std::size_t at = 0, turn = 0; at < stream.size(); ++turn) {
        const std::size_t piece =
            std::min<std::size_t>(std::max<std::uint8_t>(cuts[turn % 4], 1), stream.size() - at);
        piecewise.feed(stream.subspan(at, piece));
        drain(piecewise, got);
        at += piece;
    }

    RemoteMessageDecoder whole;
    whole.feed(stream);
    std::vector<RemoteMessage> expected;
    drain(whole, expected);
    check(got.size() == expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) check(sameMessage(got[i], expected[i]));
    // Complete messages only: each took at least its header from the stream.
    check(got.size() <= stream.size() / kRemoteHeaderSize);
    return 0;
}

#include "core/app/remote_command.h"
#include "smf_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace cantelo {
namespace {

using test::Bytes;
using test::bytesOf;

class RemoteDecoderTest : public ::testing::Test {
protected:
    std::vector<RemoteMessage> drain() {
        std::vector<RemoteMessage> out;
        while (auto m = decoder.next()) out.push_back(*m);
        return out;
    }
    RemoteMessageDecoder decoder;
};

TEST_F(RemoteDecoderTest, ForwardedFileArrivesAsShowThenOpenEvenByteByByte) {
    const Bytes stream = forwardingMessages("/home/u/Canzoni/song.KAR");
    // On the wire: the tag's letters in order, then the length low byte first.
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 8), (Bytes{'c', 'n', 's', 'w', 25, 0, 0, 0}));
    for (std::uint8_t b : stream) decoder.feed(std::span(&b, 1));
    const auto messages = drain();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(remoteTagText(messages[0].tag) + remoteTagText(messages[1].tag), "cnswcnof");
    for (const auto& m : messages) // the NUL travels with the path
        EXPECT_EQ(std::tuple(m.text, m.length, remoteCommandResult(m)),
                  std::tuple("/home/u/Canzoni/song.KAR", m.text.size() + 1, 1));
}

TEST_F(RemoteDecoderTest, TextEndsAtTheFirstNulOrTheLength) {
    decoder.feed(encodeRemoteMessage(kTagOpenFile, bytesOf(std::string("a.kar\0junk", 10))));
    decoder.feed(encodeRemoteMessage(kTagOpenFile, bytesOf("b.mid")));
    decoder.feed(encodeRemoteMessage(kTagPlay, {}));
    const auto messages = drain();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text + "|" + messages[1].text + "|" + messages[2].text, "a.kar|b.mid|");
    EXPECT_EQ(remoteCommandResult(messages[2]), 1);
}

TEST_F(RemoteDecoderTest, OverLimitIsRefusedAndTheStreamStaysInStep) {
    const Bytes atLimit(kMaxRemoteData, 'x');
    const Bytes overLimit(kMaxRemoteData + 1, 'y');
    decoder.feed(encodeRemoteMessage(kTagStop, atLimit));
    // Announced but sent in pieces: the refusal must come before the data is all there.
    Bytes big = encodeRemoteMessage(kTagOpenFile, overLimit);
    decoder.feed(std::span(big).first(kRemoteHeaderSize + 10));
    auto early = drain();
    ASSERT_EQ(early.size(), 2u);
    EXPECT_TRUE(!early[0].refused && early[0].text.size() == kMaxRemoteData);
    EXPECT_EQ(std::tuple(early[1].refused, early[1].text, remoteCommandResult(early[1])),
              std::tuple(true, "", 0));

    Bytes rest(big.begin() + kRemoteHeaderSize + 10, big.end());
    const Bytes after = encodeRemoteMessage(kTagShowWindow, bytesOf("z"));
    rest.insert(rest.end(), after.begin(), after.end());
    decoder.feed(rest);
    const auto late = drain();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_TRUE(late[0].tag == kTagShowWindow && late[0].text == "z");

    // A huge announced length is refused without waiting for the data.
    Bytes head = encodeRemoteMessage(kTagOpenFile, {});
    head[4] = head[5] = head[6] = head[7] = 0xFF; // 4 GiB announced
    decoder.feed(head);
    const auto huge = drain();
    ASSERT_EQ(huge.size(), 1u);
    EXPECT_TRUE(huge[0].refused && huge[0].length == 0xFFFFFFFFu);
}

TEST(RemoteCommand, UnknownTagsAreAnsweredZeroAndRepliesHaveFourBytes) {
    for (const char* tag : {"cnxx", "CNOF"}) // tags are case-sensitive
        EXPECT_EQ(remoteCommandResult(RemoteMessage{remoteTag(tag), 0, {}, false}), 0) << tag;
    for (int reply : {1, 0}) EXPECT_EQ(decodeRemoteReply(encodeRemoteReply(reply)), reply);
    EXPECT_EQ(decodeRemoteReply(Bytes{1, 0, 0}), std::nullopt);
}

TEST(StartupFile, ExtensionDecidesBetweenOpeningAndTheMessage) {
    for (const auto& [arg, open] : {std::pair{"song.KAR", true},
                                    {"/tmp/a.Mid", true},
                                    {"x.nvk", true},
                                    {"notes.txt", false},
                                    {"/music.kar/noextension", false},
                                    {"song.midi", false}}) {
        const StartupFile f = startupFile(std::vector<std::string>{arg, "ignored.kar"});
        EXPECT_EQ(std::tuple(f.path, f.pendingOpen, f.badExtension), std::tuple(arg, open, !open));
    }
    const StartupFile none = startupFile({});
    EXPECT_FALSE(none.pendingOpen || none.badExtension || !none.path.empty());
}

} // namespace
} // namespace cantelo

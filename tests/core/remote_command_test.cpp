#include "core/app/remote_command.h"
#include "smf_builder.h"

#include <gtest/gtest.h>

#include <string>
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
    EXPECT_EQ(remoteTagText(messages[0].tag), "cnsw");
    EXPECT_EQ(remoteTagText(messages[1].tag), "cnof");
    for (const auto& m : messages) {
        EXPECT_EQ(m.text, "/home/u/Canzoni/song.KAR");
        EXPECT_EQ(m.length, m.text.size() + 1); // the NUL travels with the path
        EXPECT_EQ(remoteCommandResult(m), 1);
    }
}

TEST_F(RemoteDecoderTest, TextEndsAtTheFirstNulOrTheLength) {
    decoder.feed(encodeRemoteMessage(kTagOpenFile, bytesOf(std::string("a.kar\0junk", 10))));
    decoder.feed(encodeRemoteMessage(kTagOpenFile, bytesOf("b.mid")));
    decoder.feed(encodeRemoteMessage(kTagPlay, {}));
    const auto messages = drain();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "a.kar");
    EXPECT_EQ(messages[1].text, "b.mid");
    EXPECT_EQ(messages[2].text, "");
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
    EXPECT_FALSE(early[0].refused);
    EXPECT_EQ(early[0].text.size(), kMaxRemoteData);
    EXPECT_TRUE(early[1].refused);
    EXPECT_EQ(early[1].text, "");
    EXPECT_EQ(remoteCommandResult(early[1]), 0);

    Bytes rest(big.begin() + kRemoteHeaderSize + 10, big.end());
    const Bytes after = encodeRemoteMessage(kTagShowWindow, bytesOf("z"));
    rest.insert(rest.end(), after.begin(), after.end());
    decoder.feed(rest);
    const auto late = drain();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].tag, kTagShowWindow);
    EXPECT_EQ(late[0].text, "z");

    // A huge announced length is refused without waiting for the data.
    Bytes head = encodeRemoteMessage(kTagOpenFile, {});
    head[4] = head[5] = head[6] = head[7] = 0xFF; // 4 GiB announced
    decoder.feed(head);
    const auto huge = drain();
    ASSERT_EQ(huge.size(), 1u);
    EXPECT_TRUE(huge[0].refused);
    EXPECT_EQ(huge[0].length, 0xFFFFFFFFu);
}

TEST(RemoteCommand, UnknownTagsAreAnsweredZeroAndRepliesHaveFourBytes) {
    RemoteMessage m;
    m.tag = remoteTag("cnxx");
    EXPECT_EQ(remoteCommandResult(m), 0);
    m.tag = remoteTag("CNOF"); // tags are case-sensitive
    EXPECT_EQ(remoteCommandResult(m), 0);
    EXPECT_EQ(decodeRemoteReply(encodeRemoteReply(1)), 1);
    EXPECT_EQ(decodeRemoteReply(encodeRemoteReply(0)), 0);
    EXPECT_EQ(decodeRemoteReply(Bytes{1, 0, 0}), std::nullopt);
}

TEST(StartupFile, ExtensionDecidesBetweenOpeningAndTheMessage) {
    const std::pair<const char*, bool> cases[] = {{"song.KAR", true},
                                                  {"/tmp/a.Mid", true},
                                                  {"x.nvk", true},
                                                  {"notes.txt", false},
                                                  {"/music.kar/noextension", false},
                                                  {"song.midi", false}};
    for (const auto& [arg, open] : cases) {
        const std::vector<std::string> args{arg, "ignored.kar"};
        const StartupFile f = startupFile(args);
        EXPECT_EQ(f.path, arg);
        EXPECT_EQ(f.pendingOpen, open) << arg;
        EXPECT_EQ(f.badExtension, !open) << arg;
    }

    const StartupFile none = startupFile({});
    EXPECT_FALSE(none.pendingOpen || none.badExtension);
    EXPECT_TRUE(none.path.empty());
}

} // namespace
} // namespace cantelo

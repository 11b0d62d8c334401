#include "app/remote_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace cantelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

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
}

TEST_F(RemoteDecoderTest, HugeAnnouncedLengthIsRefusedWithoutWaitingForIt) {
    Bytes head = encodeRemoteMessage(kTagOpenFile, {});
    head[4] = head[5] = head[6] = head[7] = 0xFF; // 4 GiB announced
    decoder.feed(head);
    const auto messages = drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].refused);
    EXPECT_EQ(messages[0].length, 0xFFFFFFFFu);
}

TEST(RemoteCommand, UnknownTagsAreAnsweredZero) {
    RemoteMessage m;
    m.tag = remoteTag("cnxx");
    EXPECT_EQ(remoteCommandResult(m), 0);
    m.tag = remoteTag("CNOF"); // tags are case-sensitive
    EXPECT_EQ(remoteCommandResult(m), 0);
    m.tag = kTagShowWindow;
    EXPECT_EQ(remoteCommandResult(m), 1);
}

TEST(RemoteCommand, TagKeepsItsFirstLetterInTheLowByte) {
    EXPECT_EQ(kTagOpenFile, 0x666F6E63u); // 'c' 'n' 'o' 'f' in memory order
    EXPECT_EQ(remoteTagText(kTagPlay), "cnps");
}

TEST(RemoteCommand, ReplyRoundTripsAndRejectsOtherSizes) {
    EXPECT_EQ(decodeRemoteReply(encodeRemoteReply(1)), 1);
    EXPECT_EQ(decodeRemoteReply(encodeRemoteReply(0)), 0);
    EXPECT_EQ(decodeRemoteReply(Bytes{1, 0, 0}), std::nullopt);
}

TEST(StartupFile, ExtensionDecidesBetweenOpeningAndTheMessage) {
    const auto check = [](std::string arg, bool open, bool bad) {
        const std::vector<std::string> args{arg, "ignored.kar"};
        const StartupFile f = startupFile(args);
        EXPECT_EQ(f.path, arg);
        EXPECT_EQ(f.pendingOpen, open) << arg;
        EXPECT_EQ(f.badExtension, bad) << arg;
    };
    check("song.KAR", true, false);
    check("/tmp/a.Mid", true, false);
    check("x.nvk", true, false);
    check("notes.txt", false, true);
    check("/music.kar/noextension", false, true);
    check("song.midi", false, true);

    const StartupFile none = startupFile({});
    EXPECT_FALSE(none.pendingOpen || none.badExtension);
    EXPECT_TRUE(none.path.empty());
}

class RunningEditorMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("cantelo_remote_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void writeConfig(const Bytes& bytes) {
        std::ofstream(folder / "config.cne", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::path folder;
};

TEST_F(RunningEditorMessageTest, LastConfigurationByteChoosesTheLanguage) {
    EXPECT_EQ(runningEditorMessage(folder).caption, "Mi dispiace..."); // no file
    Bytes record(35, 0);
    record[33] = 0x0D;
    record[34] = 1;
    writeConfig(record);
    EXPECT_EQ(runningEditorMessage(folder).text, "Cantelo Edit is still running!");
    EXPECT_EQ(runningEditorMessage(folder).caption, "Sorry...");
    record[34] = 0;
    writeConfig(record);
    EXPECT_EQ(runningEditorMessage(folder).text, "Cantelo Edit e' gia' attivo");
    writeConfig({});
    EXPECT_EQ(runningEditorMessage(folder).text, "Cantelo Edit e' gia' attivo");
}

} // namespace
} // namespace cantelo

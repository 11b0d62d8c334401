// Files that are not what they claim: huge, endless, links, read-only, leftovers of killed saves.

#include "core/app/config_file.h"
#include "core/document/song_file.h"
#include "core/files/atomic_file.h"
#include "core/files/regular_file.h"
#include "core/language/language.h"
#include "core/lyrics/text_tools.h"
#include "core/song/midi_reader.h"
#include "core/song/syllable_file.h"
#include "test_support.h"

#include <chrono>
#include <csignal>
#include <memory>

#include <sys/stat.h>
#include <sys/wait.h>

namespace cantelo {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;

std::string tool(const std::string& args) {
    int status = 0;
    std::string out =
        test::commandOutput("timeout 10 " CANTELO_TOOL_PATH " " + args + " 2>&1", &status);
    return out + "[exit " + std::to_string(WEXITSTATUS(status)) + "]";
}

TEST(HostileFiles, HugeSparseSongIsRefusedAtOnceByEveryCaller) {
    ScratchDir dir;
    const fs::path huge = dir / "huge.kar";
    { std::ofstream(huge).put('M'); }
    fs::resize_file(huge, std::uintmax_t{200} << 30); // sparse: no disk, and no memory to read it
    // Just under the limit and without a header: refused by its first bytes, not its size.
    const fs::path noHeader = dir / "zeros.mid";
    { std::ofstream(noHeader).put('x'); }
    fs::resize_file(noHeader, kMaxSongFileBytes);

    const auto start = std::chrono::steady_clock::now();
    auto song = std::make_unique<CMidiSong>();
    song->reset();
    EXPECT_EQ(readSongFile(*song, huge.string()).reason, FailureReason::TooLarge);
    song->reset();
    EXPECT_EQ(readSongFile(*song, noHeader.string()).reason, FailureReason::Unrecognised);
    auto doc = std::make_unique<SongDocument>();
    EXPECT_EQ(openSongFile(*doc, huge.string(), 0).reason, FailureReason::TooLarge);
    EXPECT_FALSE(doc->saveEnabled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    const LanguageTexts italian;
    const std::string info = tool("info " + huge.string());
    EXPECT_NE(info.find(italian[ExtraTextId::ReasonTooLarge]), std::string::npos) << info;
    EXPECT_NE(info.find("[exit 2]"), std::string::npos) << info;
}

// Each reader runs in a child under an alarm: one that waits for a writer dies of it.
TEST(HostileFiles, FifoIsRefusedByEveryReaderWithoutBlocking) {
    ScratchDir dir;
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir / "config");
    ASSERT_EQ(::mkfifo((dir / "config" / std::string(kConfigFileName)).c_str(), 0600), 0);
    const std::string path = fifo.string();

    EXPECT_EXIT(
        {
            ::alarm(5);
            auto song = std::make_unique<CMidiSong>();
            song->reset();
            SyllableFile syllables;
            TItemLyr lyrics;
            std::vector<std::uint8_t> bytes;
            bool found = true;
            readConfiguration(dir / "config", &found);
            const bool refused =
                readSongFile(*song, path).reason == FailureReason::NotAFile &&
                readSyllableFile(path, syllables) == SyllableLoad::Unreadable &&
                !importTextFile(lyrics, path) && !LanguageFile::load(fifo) &&
                readFileImage(path, 100, bytes).reason == FailureReason::NotAFile && !found &&
                !configuredLanguageForMessage(dir / "config");
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    // The tool's readers too, on a FIFO and on an endless device; `timeout` turns a hang into
    // exit 124.
    for (const std::string& input : {path, std::string("/dev/zero")})
        for (const char* command : {"info ", "nvs-show ", "import-text ", "lang-build "}) {
            const bool build = std::string_view(command) == "lang-build ";
            const std::string out = tool(command + input + (build ? " /dev/null" : ""));
            EXPECT_EQ(out.find("[exit 124]"), std::string::npos) << command << out;
            EXPECT_EQ(out.find("[exit 0]"), std::string::npos) << command << out;
        }
}

class SaveTarget : public ::testing::Test {
protected:
    bool save(const fs::path& p, std::string_view text, int* err = nullptr) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(text.data());
        return writeFileReplacing(p.string(), {b, text.size()}, nullptr, err);
    }
    std::vector<std::string> namesIn(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    ScratchDir dir;
};

TEST_F(SaveTarget, StaleTemporariesOfKilledSavesAreRemovedOnSaveAndOpen) {
    const pid_t child = ::fork();
    if (child == 0) std::_Exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0); // its pid now names no process
    const std::string killed = ".song.kar.cantelo-save-" + std::to_string(child) + "-0badf00d.tmp";
    const std::string running = ".song.kar.cantelo-save-" + std::to_string(::getpid()) + "-1.tmp";
    const std::string otherFile = ".other.kar.cantelo-save-" + std::to_string(child) + "-2.tmp";
    for (const auto& name : {killed, running, otherFile}) test::writeFile(dir / name, "partial");

    ASSERT_TRUE(save(dir / "song.kar", "whole"));
    EXPECT_EQ(test::fileText(dir / "song.kar"), "whole");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{otherFile, running, "song.kar"}));

    // Opening a song clears its leftovers too, through a link as a save would.
    fs::create_symlink("other.kar", dir / "link.kar");
    removeStaleSaveTemporaries((dir / "link.kar").string());
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{running, "link.kar", "song.kar"}));
}

TEST_F(SaveTarget, SavingThroughLinksReplacesTheFileTheyLeadTo) {
    fs::create_directory(dir / "real");
    test::writeFile(dir / "real" / "song.kar", "old");
    fs::permissions(dir / "real" / "song.kar", fs::perms(0640));
    fs::create_symlink("real/song.kar", dir / "link.kar");
    fs::create_symlink("link.kar", dir / "chain.kar");
    fs::create_symlink("real/new.kar", dir / "dangling.kar");

    ASSERT_TRUE(save(dir / "chain.kar", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "chain.kar") && fs::is_symlink(dir / "link.kar"));
    EXPECT_EQ(test::fileText(dir / "real" / "song.kar"), "new");
    EXPECT_EQ(fs::status(dir / "real" / "song.kar").permissions(), fs::perms(0640));

    ASSERT_TRUE(save(dir / "dangling.kar", "created"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.kar"));
    EXPECT_EQ(test::fileText(dir / "real" / "new.kar"), "created");
    EXPECT_EQ(namesIn(dir / "real"), (std::vector<std::string>{"new.kar", "song.kar"}));

    fs::create_symlink("loop.kar", dir / "loop.kar");
    EXPECT_FALSE(save(dir / "loop.kar", "never"));
}

TEST_F(SaveTarget, ReadOnlyFileIsRefusedEvenForTheSuperuser) {
    const fs::path target = dir / "song.kar";
    test::writeFile(target, "kept");
    fs::permissions(target, fs::perms(0444));
    fs::create_symlink("song.kar", dir / "link.kar");
    for (const fs::path& p : {target, dir / "link.kar"}) {
        int err = 0;
        EXPECT_FALSE(save(p, "lost", &err));
        EXPECT_EQ(reasonOfErrno(err), FailureReason::Denied);
    }
    EXPECT_EQ(test::fileText(target), "kept");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"link.kar", "song.kar"}));
}

} // namespace
} // namespace cantelo

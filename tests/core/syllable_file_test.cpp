#include "core/document/song_file.h"
#include "core/song/syllable_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

class SyllableFileTest : public ::testing::Test {
protected:
    std::string file(const Bytes& bytes) { return test::writeFile(dir / "syllables.nvs", bytes); }
    static std::vector<std::string> items(TItemLyr& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.count(); ++i) {
            const LyrItem* it = list.get(i);
            out.push_back((it->lineBreak ? "B " : "S ") + std::to_string(it->tick) + " " +
                          it->text);
        }
        return out;
    }

    static const Bytes kExample; // 'Ciao ' at 500 and a break at 900, division 480
    test::ScratchDir dir;
    TItemLyr list;
};

const Bytes SyllableFileTest::kExample =
    test::bytesOf(std::string_view("NVSL\xE0\x01\x05"
                                   "Ciao \xF4\x01\0\0\x01\x0D\x84\x03\0\0",
                                   22));

TEST_F(SyllableFileTest, SavesTheExampleBytesAndLoadsThemBackAskingAboutTheDivision) {
    list.add("Ciao ", 0, 500.75); // the integer part is written
    list.add("", 1, 900);
    const fs::path out = dir / "out.nvs";
    std::string error;
    ASSERT_TRUE(saveSyllableFile(out.string(), list, 480, &error)) << error;
    EXPECT_EQ(test::fileBytes(out), kExample);

    const std::vector<std::string> example = {"S 500.000000 Ciao ", "B 900.000000 "};
    TItemLyr loaded;
    int asked = 0;
    EXPECT_EQ(loadSyllableFile(out.string(), loaded, 480, [&] { return ++asked, false; }),
              SyllableLoad::Loaded);
    EXPECT_TRUE(asked == 0 && items(loaded) == example);
    loaded.add("kept", 0, 7);
    EXPECT_EQ(loadSyllableFile(out.string(), loaded, 120, [&] { return ++asked, false; }),
              SyllableLoad::Cancelled);
    EXPECT_EQ(loaded.count(), 3);
    EXPECT_EQ(loadSyllableFile(out.string(), loaded, 120, [&] { return ++asked, true; }),
              SyllableLoad::Loaded);
    EXPECT_TRUE(asked == 2 && items(loaded) == example); // ticks as stored, not rescaled
}

TEST_F(SyllableFileTest, WhatIsNotASyllableFileLeavesTheListAlone) {
    list.add("kept", 0, 7);
    auto load = [&](const Bytes& b) { return loadSyllableFile(file(b), list, 480, nullptr); };
    EXPECT_EQ(load({}), SyllableLoad::Unreadable);
    EXPECT_EQ(loadSyllableFile((dir / "missing.nvs").string(), list, 480, nullptr),
              SyllableLoad::Unreadable);
    EXPECT_EQ(load({'M', 'T', 'h', 'd', 0, 0, 0, 6}), SyllableLoad::NotRecognised);
    EXPECT_EQ(load({'N', 'V', 'S', 'L', 0xE0}), SyllableLoad::NotRecognised);
    EXPECT_EQ(items(list), std::vector<std::string>{"S 7.000000 kept"});
    EXPECT_TRUE(load({'N', 'V', 'S', 'L', 0xE0, 0x01}) == SyllableLoad::Loaded &&
                list.count() == 0);
}

TEST_F(SyllableFileTest, TruncatedRecordsAreNotRead) {
    // Every cut of the example keeps the whole records before the cut and nothing after it.
    for (std::size_t n = 6; n < kExample.size(); ++n) {
        SyllableFile parsed;
        ASSERT_EQ(parseSyllableImage({kExample.data(), n}, parsed), SyllableLoad::Loaded);
        EXPECT_EQ(parsed.records.size(), n < 16 ? 0u : 1u) << n;
        EXPECT_EQ(parsed.truncated, n != 6 && n != 16) << n;
    }
}

TEST_F(SyllableFileTest, EverySavedSyllableReadsBackAsWritten) {
    const std::string longText(300, 'x');
    list.add(longText, 0, 1000); // split at 255 bytes, both pieces at its tick
    list.add("\rNext", 0, 1200); // a line start: a record beginning 0x0D reads as a break
    list.add("", 0, 269);        // empty, and 269 = 0x010D: would read as a break
    list.add("y", 0, 0x0D0D);
    SyllableFile parsed;
    ASSERT_EQ(parseSyllableImage(encodeSyllables(list, 96), parsed), SyllableLoad::Loaded);
    EXPECT_FALSE(parsed.truncated);
    TItemLyr back;
    applySyllables(parsed, back);
    EXPECT_EQ(items(back),
              (std::vector<std::string>{"S 1000.000000 " + longText.substr(0, 255),
                                        "S 1000.000000 " + longText.substr(255), "B 1200.000000 ",
                                        "S 1200.000000 Next", "S 3341.000000 y"}));
    EXPECT_EQ(parsed.division, 96);
}

// nvs-save opens the song as the editor does and saves its lyric list; nvs-show lists it.
TEST_F(SyllableFileTest, ToolSavesTheOpenedSongsLyrics) {
    const fs::path song = fs::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";
    if (!fs::exists(song)) GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR;
    const fs::path out = dir / "twinkle.nvs";
    const std::string tool = CANTELO_TOOL_PATH;
    ASSERT_EQ(
        std::system((tool + " nvs-save '" + song.string() + "' '" + out.string() + "'").c_str()),
        0);
    auto doc = std::make_unique<SongDocument>();
    ASSERT_TRUE(openSongFile(*doc, song.string(), 0).ok);
    TItemLyr loaded;
    ASSERT_EQ(loadSyllableFile(out.string(), loaded, doc->song.division(), nullptr),
              SyllableLoad::Loaded);
    EXPECT_TRUE(loaded.count() > 36 && items(loaded) == items(doc->lyrics.lyrics()));

    int status = -1;
    const std::string shown =
        test::commandOutput(tool + " nvs-show '" + out.string() + "'", &status);
    EXPECT_EQ(status, 0);
    // The division, then one record a line.
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1 + loaded.count());
}

} // namespace
} // namespace cantelo

#include "test_support.h"

#include "core/document/song_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::SmfFile;
using test::SmfTrack;

TEST(SongFileNamesTest, ExtensionsCompareFromTheLastDotWithoutCase) {
    EXPECT_TRUE(hasExtension("/a/song.NVK", "nvk") && hasExtension("song.mid.nvk", ".nvk"));
    // A dot in a folder name is no extension.
    for (const char* other : {"song.nvk.mid", "song", "/music.nvk/song"})
        EXPECT_FALSE(hasExtension(other, "nvk")) << other;

    EXPECT_EQ(withExtension("lyrics", "txt"), "lyrics.txt");
    EXPECT_EQ(withExtension("lyrics.TXT", ".txt"), "lyrics.TXT");
    EXPECT_EQ(withExtension("sillabe.txt", "nvs"), "sillabe.txt.nvs");

    // Scrambled songs are only saved as .nvk.
    EXPECT_EQ(songSavePath("song.mid", "old.nvk", false), "song.mid.nvk");
    EXPECT_EQ(songSavePath("song.mid", "old.kar", true), "song.mid.nvk");
    EXPECT_EQ(songSavePath("song.NVK", "old.nvk", true), "song.NVK");
    EXPECT_EQ(songSavePath("song.kar", "old.mid", false), "song.kar");
    EXPECT_EQ(songSavePath("song.nvk", "old.mid", false), "song.nvk");
}

class SongFileTest : public ::testing::Test {
protected:
    std::string file(const std::string& name, const Bytes& bytes) {
        return test::writeFile(dir / name, bytes);
    }
    std::string line(SongDocument& d, int i) {
        const std::string* text = d.lyrics.lineList().get(i);
        return text ? *text : "(none)";
    }
    static std::pair<std::int32_t, double> note(SongDocument& d, int i) {
        const ChannelItem* n = d.melodyNotes.get(i);
        return n ? std::pair{n->extra, n->amount} : std::pair{-1, -1.0};
    }
    // A small song: 120 bpm, notes on channels 1 and 4, a volume at tick 0 on channel 4, and
    // `lyrics` as lyric events from tick 480 on, 120 ticks apart.
    static Bytes song(const std::vector<std::string>& lyrics = {}) {
        SmfTrack conductor;
        conductor.tempo(0, 500000).meta(0, 0x03, "Song");
        std::uint32_t delta = 480;
        for (const auto& l : lyrics) {
            conductor.meta(delta, 0x05, l);
            delta = 120;
        }
        conductor.endOfTrack();
        SmfTrack notes;
        notes.event(0, {0xB3, 7, 90}).noteOn(0, 0, 60, 100).noteOn(0, 3, 40, 70);
        notes.noteOff(960, 0, 60).noteOff(960, 3, 40).endOfTrack();
        return SmfFile(1, 480).track(conductor).track(notes).bytes();
    }

    test::ScratchDir dir;
    std::unique_ptr<SongDocument> doc = std::make_unique<SongDocument>();
};

TEST_F(SongFileTest, OpenFillsTheDocumentForTheViews) {
    const std::string path = file("song.mid", song());
    ASSERT_TRUE(openSongFile(*doc, path, 3).ok);
    EXPECT_TRUE(doc->saveEnabled);
    EXPECT_EQ(std::tuple(doc->currentFileName, doc->positionLabel, doc->songEnd, doc->endLabel,
                         doc->lengthLabel),
              std::tuple(path, "0001.01.000", 1920, "0002.01.000", "00:00:02:00"));
    ASSERT_EQ(doc->melodyNotes.count(), 1);
    EXPECT_EQ(std::tuple(doc->melodyNotes.head()->value,
                         doc->song.displayValue(3, DisplayController::Volume),
                         doc->song.displayValue(0, DisplayController::Volume),
                         doc->lyrics.lyricTrack(), doc->lyrics.lineCount()),
              std::tuple(40, 90, -1, 0, 37));
}

// A scrambled song is saved scrambled under .nvk; the credit text that every reset adds is in
// a saved file once, however often it is saved; a failed save says why and keeps the name.
TEST_F(SongFileTest, SavesKeepTheFormTheCreditAndTheName) {
    const std::string path = file("song.nvk", test::scrambleImage(song(), 0x5A));
    ASSERT_TRUE(openSongFile(*doc, path, 0).ok);
    ASSERT_TRUE(doc->song.scrambled);
    const SaveResult saved = saveSongFile(*doc, (dir / "copy.mid").string(), kFormatChoice1);
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_TRUE(saved.path == (dir / "copy.mid.nvk").string() &&
                doc->currentFileName == saved.path);
    EXPECT_FALSE(fs::exists(dir / "copy.mid"));
    EXPECT_NE(test::fileText(saved.path).substr(0, 4), "MThd");

    const std::string plain = file("song.mid", song());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(openSongFile(*doc, plain, 0).ok);
        ASSERT_TRUE(saveSongFile(*doc, plain, kFormatChoice1).ok);
    }
    const std::string text = test::fileText(plain);
    const auto first = text.find(doc->song.creditText);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find(doc->song.creditText, first + 1), std::string::npos);

    const SaveResult failed =
        saveSongFile(*doc, (dir / "missing" / "song.mid").string(), kFormatChoice1);
    EXPECT_TRUE(!failed.ok && failed.error.find("song.mid") != std::string::npos) << failed.error;
    EXPECT_EQ(doc->currentFileName, plain);
}

// A note that ends where it starts lasts one tick; another note of its key that starts at the
// same tick keeps its own end.
TEST_F(SongFileTest, OneTickNoteKeepsItsEndBesideANoteOfTheSameKey) {
    SmfTrack notes;
    notes.noteOn(100, 0, 60, 89).noteOff(0, 0, 60).noteOn(0, 0, 60, 93).noteOff(240, 0, 60);
    notes.endOfTrack();
    ASSERT_TRUE(openSongFile(*doc, file("song.mid", SmfFile(0, 480).track(notes).bytes()), 0).ok);
    for (const int choice : {kFormatChoice0, kFormatChoice1}) {
        ASSERT_TRUE(saveSongFile(*doc, (dir / "out.mid").string(), choice).ok);
        auto again = std::make_unique<SongDocument>();
        ASSERT_TRUE(openSongFile(*again, (dir / "out.mid").string(), 0).ok);
        ASSERT_EQ(again->melodyNotes.count(), 2);
        EXPECT_TRUE(note(*again, 0) == std::pair(89, 1.0) &&
                    note(*again, 1) == std::pair(93, 240.0));
    }
}

// What scripts read from the tool: the lines with their start positions, or the items one a line.
TEST_F(SongFileTest, ToolListsLyricsAndConvertsSongs) {
    const std::string path =
        file("song.mid", song({"One ", "two ", "three ", "four ", "five ", "six ", "se", "ven ",
                               "/eight ", "nine ", "ten"}));
    const std::string tool = CANTELO_TOOL_PATH;
    auto run = [](const std::string& command) {
        int status = 0;
        const std::string out = test::commandOutput(command, &status);
        return status == 0 ? out : "failed: " + out;
    };
    const std::string lines = run(tool + " lyrics '" + path + "'");
    const std::string twoLines = "0001.02.000\tOne two three four five six seven\n"
                                 "0001.04.000\teight nine ten\n";
    EXPECT_EQ(lines.substr(0, twoLines.size()), twoLines);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 36);

    const std::string items = run(tool + " lyrics '" + path + "' --syllables");
    const std::string first = "S\t480\tOne \nS\t600\ttwo \nS\t720\tthree \n";
    EXPECT_EQ(items.substr(0, first.size()), first);
    EXPECT_NE(items.find("S\t1320\tven\nB\t1325\nS\t1440\teight \n"), std::string::npos) << items;

    const std::string out = (dir / "copy.kar").string();
    EXPECT_EQ(run(tool + " convert '" + path + "' '" + out + "' --format 0"), out + "\n");
    auto again = std::make_unique<SongDocument>();
    ASSERT_TRUE(openSongFile(*again, out, 0).ok);
    EXPECT_TRUE(again->song.format == 0 && line(*again, 1) == "eight nine ten");
    EXPECT_NE(run(tool + " convert '" + path + "' 2>/dev/null").find("failed"), std::string::npos);
}

} // namespace
} // namespace cantelo

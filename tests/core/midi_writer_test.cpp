#include "test_support.h"

#include "core/files/atomic_file.h"
#include "core/song/byte_buffer.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "core/song/midi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include <sys/resource.h>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::bytesOf;
using test::fileBytes;
using test::SmfFile;
using test::SmfTrack;
using Notes = std::vector<std::tuple<int, int, int, int>>; // tick, off tick, key, velocity

class EncodeTest : public ::testing::Test {
protected:
    Bytes encode(const CObjectEvent& e, std::int32_t param, int channel, bool useRunning = true) {
        buffer.release();
        const int n = e.encode(buffer, param, channel, useRunning ? &running : nullptr);
        EXPECT_EQ(n, static_cast<int>(buffer.length()));
        return Bytes(buffer.bytes().begin(), buffer.bytes().end());
    }
    CByteBuffer buffer;
    std::uint16_t running = 0;
};

// The golden song covers notes, running status and tempos; these are what it does not reach.
TEST_F(EncodeTest, ValuesClampAndLongDataTakesVariableLengthsThatClearRunningStatus) {
    CObjectEventNote note;
    note.key = 60;
    note.velocity = 0; // scaled down to nothing: still a note, not a note-off
    EXPECT_EQ(encode(note, 0, 4, false), (Bytes{0x94, 60, 1}));
    CObjectEventProgramChange program;
    program.program = 300;
    EXPECT_EQ(encode(program, 0, 4), (Bytes{0xC4, 127}));
    CObjectEventControlChange cc; // param: volume percent, 256 + pan
    EXPECT_EQ(encode(cc, 200, 1), (Bytes{0xB1, 7, 127}));
    cc.controller = 10;
    EXPECT_EQ(encode(cc, 256 + 64, 1), (Bytes{10, 64}));

    CObjectMetaEventText lyric;
    lyric.type = 5;
    lyric.data.assign(200, 'a');
    const Bytes long200 = encode(lyric, 0, 0);
    ASSERT_EQ(long200.size(), 204u);
    EXPECT_EQ(Bytes(long200.begin(), long200.begin() + 4), (Bytes{0xFF, 0x05, 0x81, 0x48}));
    EXPECT_EQ(running, 0);
    CObjectSysExData sysEx;
    sysEx.data = {0x41, 0x10, 0x42, 0xF7};
    running = 0x90;
    EXPECT_EQ(encode(sysEx, 0, 0), (Bytes{0xF0, 4, 0x41, 0x10, 0x42, 0xF7}));
    EXPECT_EQ(running, 0);
    CObjectMetaEventText empty; // writes nothing, so running status still holds
    running = 0x90;
    EXPECT_TRUE(encode(empty, 0, 0).empty());
    EXPECT_EQ(running, 0x90);
}

// ---- whole songs ----------------------------------------------------------------------------

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = std::make_unique<CMidiSong>();
        song->reset();
        song->data().texts.clear(); // no credit text: the golden bytes stay short
    }

    CChannelTrack* track(int ch, std::string name) {
        CChannelTrack* t = test::trackOf(*song, ch);
        t->name = std::move(name);
        return t;
    }
    void note(CChannelTrack* t, std::int32_t tick, std::int32_t off, int key, int vel) {
        test::addNote(*song, t->channel, tick, off, key, vel);
    }
    void text(std::uint8_t type, std::int32_t tick, std::int32_t chunk, std::string_view s) {
        song->addTextEvent(type, bytesOf(s), tick, chunk);
    }

    std::unique_ptr<CMidiSong> reread(const Bytes& image) {
        auto back = std::make_unique<CMidiSong>();
        back->reset();
        back->data().texts.clear();
        EXPECT_TRUE(readSongImage(*back, image, "back.mid"));
        return back;
    }
    static Notes notes(const CMidiSong& s, int ch) {
        Notes out;
        if (const CChannelTrack* t = s.findTrack(ch))
            for (const auto& e : t->events)
                if (e.status() == 0x90) {
                    const auto& n = static_cast<const CObjectEventNote&>(e);
                    out.emplace_back(n.tick, n.offTick, n.key, n.velocity);
                }
        return out;
    }

    std::unique_ptr<CMidiSong> song;
};

// Running status, a note-off as a note-on of velocity 0, a tempo between two notes.
TEST_F(WriterTest, Format0GoldenBytesAndReadBack) {
    CChannelTrack* t = track(3, "Melody");
    note(t, 960, 1440, 60, 100);
    note(t, 1440, 1920, 62, 90);
    note(t, 2400, 2880, 64, 80);
    song->setTempoAt(2000, 100);

    SmfTrack expected;
    expected.meta(0, 0x03, "Melody").tempo(0, 500000).meta(0, 0x58, Bytes{4, 2, 24, 8});
    expected.event(960, {0x93, 60, 100}).event(480, {60, 0}).event(0, {62, 90});
    expected.event(480, {62, 0}).tempo(80, 600000).event(400, {0x93, 64, 80});
    expected.event(480, {64, 0}).endOfTrack();
    const Bytes image = encodeSong(*song, 0, false);
    EXPECT_EQ(image, SmfFile(0, 480).track(expected).bytes());

    auto back = reread(image);
    EXPECT_EQ(notes(*back, 3), notes(*song, 3));
    EXPECT_EQ(std::pair(back->tempoAt(1999), back->tempoAt(2000)), std::pair(120, 100));
    EXPECT_EQ(back->findTrack(3)->name, "Melody");
}

TEST_F(WriterTest, Format1KeepsEachChunksTextsTogetherAndEveryChannelApart) {
    text(1, 0, 0, "@TTitle");
    text(1, 0, 2, "@LENGL");
    for (int i = 0; i < 12; ++i) text(5, 200 + 50 * i, 2, i % 4 == 0 ? "/La" : "la ");
    text(1, 300, 7, "/elsewhere");
    song->addSysEx(Bytes{0x7E, 0x7F, 0x09, 0x01, 0xF7}, 0);
    note(track(9, "Drums"), 0, 10, 36, 100);
    note(track(0, "Piano"), 5, 500, 60, 70);

    auto back = reread(encodeSong(*song, 1, false));
    // The conductor, the texts of chunks 2 and 7, two channels.
    EXPECT_EQ(std::pair(back->format, back->trackCount + 1), std::pair(1, 5));
    std::map<std::int32_t, std::vector<std::string>> byChunk;
    for (const auto& e : back->data().texts)
        byChunk[e.track].emplace_back(e.data.begin(), e.data.end());
    ASSERT_EQ(byChunk.size(), 3u);
    EXPECT_EQ(std::tuple(byChunk[0], byChunk[1].size(), byChunk[2]),
              std::tuple(std::vector<std::string>{"@TTitle"}, 13u,
                         std::vector<std::string>{"/elsewhere"}));

    auto lists = std::make_unique<std::array<TItemLyr, 512>>();
    extractLyrics(*back, *lists);
    EXPECT_EQ(std::tuple((*lists)[1].count(), back->lyricSource[1], back->lyricSource[2]),
              std::tuple(12, LyricSource::Lyr, LyricSource::Text));

    std::vector<std::pair<int, std::string>> tracks;
    for (const auto& t : back->data().tracks) tracks.emplace_back(t.channel, t.name);
    EXPECT_EQ(tracks, (std::vector<std::pair<int, std::string>>{{9, "Drums"}, {0, "Piano"}}));
    for (int ch : {9, 0}) EXPECT_EQ(notes(*back, ch), notes(*song, ch)) << ch;
    ASSERT_EQ(back->data().sysEx.size(), 1u);
    EXPECT_EQ(back->data().sysEx.head()->data, song->data().sysEx.head()->data);
}

TEST_F(WriterTest, EditedNotesStillReadBackAsTheSameNotes) {
    CChannelTrack* t = track(2, "");
    note(t, 960, 1200, 50, 100); // appended out of order, as an edit may leave them
    note(t, 0, 480, 60, 100);
    note(t, 480, 960, 60, 90);    // starts where the note of the same key before it ends
    note(t, 1500, 1500, 70, 100); // ends where it starts: one tick long when read
    note(t, 1600, 1700, 71, 0);   // velocity scaled to 0: stays a note
    for (int format : {0, 1}) {
        auto back = reread(encodeSong(*song, format, false));
        EXPECT_EQ(notes(*back, 2), (Notes{{0, 480, 60, 100},
                                          {480, 960, 60, 90},
                                          {960, 1200, 50, 100},
                                          {1500, 1501, 70, 100},
                                          {1600, 1700, 71, 1}}))
            << "format " << format;
    }
}

// ---- the scrambled form ---------------------------------------------------------------------

TEST_F(WriterTest, ScrambledSongReadsBackAsThePlainOne) {
    note(track(0, "x"), 0, 10, 60, 100); // a file far shorter than 256 + 13 bytes
    const Bytes plain = encodeSong(*song, 1, false);
    Bytes scrambled = encodeSong(*song, 1, true);
    ASSERT_GE(scrambled.size(), 256u + 13u);
    EXPECT_NE(Bytes(scrambled.begin(), scrambled.begin() + 4), bytesOf("MThd"));
    auto back = reread(scrambled);
    EXPECT_TRUE(back->scrambled && notes(*back, 0) == notes(*song, 0));
    ASSERT_TRUE(descrambleImage(scrambled));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), scrambled.begin()));
}

TEST(ScrambleTest, KeyIsNeverZero) {
    Bytes image = SmfFile(0, 96).track(SmfTrack().endOfTrack()).bytes();
    image.resize(300, 0);
    image[290] = 0x21; // the last 13 bytes XOR to 0x21 ^ 0x21 = 0
    image[295] = 0x21;
    const Bytes plain = image;
    scrambleSongImage(image);
    ASSERT_EQ(image.size(), plain.size() + 1);
    std::uint8_t key = 0;
    for (std::size_t i = image.size() - 13; i < image.size(); ++i) key ^= image[i];
    EXPECT_TRUE(key != 0 && image[0] == ('M' ^ key)) << int{key};
    ASSERT_TRUE(descrambleImage(image));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), image.begin()));
}

// ---- writing files --------------------------------------------------------------------------

class WriteFileTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        note(track(0, "x"), 0, 480, 60, 100);
    }
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path())) out.insert(e.path().filename());
        return out;
    }

    test::ScratchDir dir;
    std::string error;
};

TEST_F(WriteFileTest, ReplacesThePreviousFileAndLeavesNothingElse) {
    const fs::path target = dir / "song.kar";
    std::ofstream(target) << "previous";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(writeSongFile(*song, target, 1, false, &error)) << error;
    EXPECT_EQ(fileBytes(target), encodeSong(*song, 1, false));
    EXPECT_EQ(names(), std::set<std::string>{"song.kar"});
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(writeSongFile(*song, target, 2, false, &error));
    EXPECT_EQ(fileBytes(target), encodeSong(*song, 1, false));
}

TEST_F(WriteFileTest, FailuresKeepThePreviousFileAndSayWhy) {
    std::ofstream(dir / "file") << "a regular file";
    fs::create_directory(dir / "taken.mid"); // the rename fails at the last step
    for (const auto& [target, says] :
         {std::pair{dir / "file" / "song.mid", "folder does not exist"},
          {dir / "none" / "song.mid", "folder does not exist"},
          {dir / "taken.mid", "taken.mid"}}) {
        error.clear();
        EXPECT_FALSE(writeSongFile(*song, target.string(), 0, false, &error));
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    EXPECT_TRUE(fs::is_directory(dir / "taken.mid"));
    EXPECT_EQ(names(), (std::set<std::string>{"file", "taken.mid"}));
}

TEST_F(WriteFileTest, DiskFullHalfwayKeepsThePreviousFile) {
    const fs::path target = dir / "song.mid";
    std::ofstream(target) << "previous";
    // A file-size limit makes writes fail part-way, as a full disk does, even for root.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Bytes big(5000, 0x55);
    const bool ok = writeFileReplacing(target.string(), big, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(!ok && error.find("larger than") != std::string::npos) << error;
    EXPECT_EQ(fileBytes(target), bytesOf("previous"));
    EXPECT_EQ(names(), std::set<std::string>{"song.mid"});
}

} // namespace
} // namespace cantelo

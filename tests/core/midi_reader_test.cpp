// Hand-built files in the shapes that real files get wrong. What the real corpus holds is checked
// against midicsv in corpus_test.cpp.
#include "smf_builder.h"
#include "song_summary.h"

#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <tuple>

namespace cantelo {
namespace {

using namespace std::string_view_literals;

using test::Bytes;
using test::bytesOf;
using test::SmfFile;
using test::SmfTrack;

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { fresh(); }

    void fresh() {
        song = std::make_unique<CMidiSong>();
        song->reset();
    }
    bool read(const Bytes& image) {
        fresh();
        return readSongImage(*song, image, "test.mid");
    }

    std::vector<const CObjectEventNote*> notes(int ch) const {
        std::vector<const CObjectEventNote*> out;
        if (const CChannelTrack* t = song->findTrack(ch))
            for (const auto& e : t->events)
                if (e.status() == 0x90) out.push_back(static_cast<const CObjectEventNote*>(&e));
        return out;
    }
    std::size_t noteCount() const {
        std::size_t n = 0;
        for (int ch = 0; ch < kChannels; ++ch) n += notes(ch).size();
        return n;
    }
    // The file's text events, without the credit text that the reset put first.
    std::vector<const CObjectMetaEventText*> texts() const {
        std::vector<const CObjectMetaEventText*> out;
        for (const auto& t : song->data().texts) out.push_back(&t);
        if (!out.empty()) out.erase(out.begin());
        return out;
    }

    std::unique_ptr<CMidiSong> song;
};

TEST_F(ReaderTest, RefusesWhatIsNotAFormat0Or1Song) {
    SmfTrack t;
    t.noteOn(0, 0, 60, 100).endOfTrack();
    const Bytes good = SmfFile(0, 480).track(t).bytes();
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"one byte", {0x12}},
        {"header cut short", Bytes(good.begin(), good.begin() + 13)},
        {"header only", Bytes(good.begin(), good.begin() + 14)},
        {"header length 8", SmfFile(0, 480).headerLength(8).track(t).bytes()},
        {"format 2", SmfFile(2, 480).track(t).bytes()},
        {"no track chunks announced", SmfFile(0, 480).announceTracks(0).track(t).bytes()},
        {"division 0", SmfFile(0, 0).track(t).bytes()},
        {"time-code division (25 fps, 40 ticks)", SmfFile(0, 0xE728).track(t).bytes()},
        {"only a foreign chunk",
         SmfFile(0, 480).announceTracks(1).chunk("JUNK", t.bytes()).bytes()},
        {"RIFF wrapper", bytesOf("RIFF\x10\0\0\0RMIDdata"sv)},
        {"descrambles to zeros, not a header", Bytes(300, 0x00)},
    };
    for (const auto& [what, bytes] : cases) EXPECT_FALSE(read(bytes)) << what;
    EXPECT_TRUE(read(good));
    EXPECT_FALSE(readSongFile(*song, "/nonexistent/cantelo/song.mid"));
    EXPECT_FALSE(readSongFile(*song, std::filesystem::temp_directory_path().string()));
}

// A foreign chunk is skipped and not counted; the header's count, not the chunks present,
// decides how many track chunks are read.
TEST_F(ReaderTest, ChunkStructure) {
    SmfTrack first, second;
    first.meta(200, 0x01, "one").noteOn(0, 0, 60, 100).endOfTrack();
    second.meta(200, 0x01, "two").noteOn(0, 1, 62, 90).noteOff(10, 1, 62).endOfTrack();
    SmfTrack junk; // would add a note on channel 3 if it were parsed
    junk.noteOn(0, 3, 64, 100);
    ASSERT_TRUE(
        read(SmfFile(1, 480).track(first).chunk("XFIH", junk.bytes()).track(second).bytes()));
    EXPECT_TRUE(song->trackCount == 1 && !song->findTrack(3));
    ASSERT_EQ(notes(1).size(), 1u);
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_EQ(texts()[1]->track, 1) << "the chunk after the foreign one is chunk 1";

    ASSERT_TRUE(read(SmfFile(1, 480).announceTracks(5).track(first).track(second).bytes()));
    EXPECT_EQ(song->trackCount, 1) << "more announced than present: the ones present";
    EXPECT_EQ(notes(1).size(), 1u);
    ASSERT_TRUE(read(SmfFile(1, 480).announceTracks(1).track(first).track(second).bytes()));
    // Fewer announced: the rest are bytes after the last chunk.
    EXPECT_TRUE(song->trackCount == 0 && !song->findTrack(1));
}

TEST_F(ReaderTest, EventsAreBoundedByTheirChunk) {
    // A text whose length runs past its chunk takes only the chunk's bytes; the next chunk still
    // starts where the first chunk's length says.
    SmfTrack first;
    first.raw({0x00, 0xFF, 0x01, 0x32}).raw(bytesOf("short"));
    SmfTrack second;
    second.noteOn(0, 2, 60, 100).endOfTrack();
    ASSERT_TRUE(read(SmfFile(1, 480).track(first).track(second).bytes()));
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_TRUE(texts()[0]->data == bytesOf("short") && notes(2).size() == 1u);

    // A channel event cut by the end of its chunk is dropped, not completed from the next chunk.
    SmfTrack cut;
    cut.raw({0x00, 0x93, 0x3C});
    ASSERT_TRUE(read(SmfFile(1, 480).track(cut).track(second).bytes()));
    EXPECT_EQ(std::pair(song->findTrack(3)->events.size(), notes(2).size()), std::pair(0ul, 1ul));
}

TEST_F(ReaderTest, EveryTruncationOfAFileReadsWithinItsBytes) {
    SmfTrack conductor, words, music;
    conductor.tempo(0, 500000).meta(0, 0x58, Bytes{3, 2, 24, 8});
    conductor.sysEx(0, Bytes(300, 0x41)).endOfTrack();
    words.meta(0, 0x03, "Words").meta(120, 0x05, "Hel-").meta(120, 0x05, "lo").endOfTrack();
    music.event(0, {0xC0, 5}).noteOn(0, 0, 60, 100).event(0, {0x3E, 100}).noteOff(96, 0, 60);
    music.event(0, {0x3E, 0}).event(0, {0xE0, 0, 64}).event(0, {0xB9, 98, 5}).endOfTrack();
    const Bytes image = SmfFile(1, 96).track(conductor).track(words).track(music).bytes();
    ASSERT_TRUE(read(image));
    ASSERT_EQ(noteCount(), 2u);

    std::size_t previous = 0;
    for (std::size_t n = 0; n <= image.size(); ++n) {
        // An exact-size copy: a read past its end is a sanitizer error.
        const Bytes prefix(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(read(prefix), n >= 22) << n << " bytes"; // header plus one chunk header
        EXPECT_GE(noteCount(), previous) << n << " bytes";
        previous = noteCount();
    }
    EXPECT_EQ(previous, 2u);
}

TEST_F(ReaderTest, LongMetaAndSysExDataAreKeptWholeWhateverTheLengthEncoding) {
    Bytes copyright = bytesOf(std::string(507, 'c'));
    Bytes dump(1000);
    for (std::size_t i = 0; i < dump.size(); ++i) dump[i] = static_cast<std::uint8_t>(i & 0x7F);
    dump.back() = 0xF7;
    SmfTrack t;
    t.meta(0, 0x02, copyright).sysEx(0, dump).noteOn(10, 0, 60, 100).endOfTrack();
    const Bytes image = SmfFile(0, 480).track(t).bytes();
    ASSERT_EQ(image[14 + 8 + 3], 0x83) << "the copyright's length takes two bytes";
    ASSERT_TRUE(read(image));
    ASSERT_TRUE(texts().size() == 1u && song->data().sysEx.size() == 1u);
    EXPECT_TRUE(texts()[0]->data == copyright && song->data().sysEx.head()->data == dump);
    ASSERT_EQ(notes(0).size(), 1u) << "the events after the long ones stay in step";
    EXPECT_EQ(notes(0)[0]->tick, 10);

    // Files written with the length as one byte: read as a variable-length quantity the length
    // would run past the chunk, so the byte alone is the length.
    Bytes ascii = bytesOf(std::string(200, 'a'));
    Bytes latin1(150, 0xE8); // every data byte has its top bit set
    Bytes sysex(144, 0x10);
    sysex.back() = 0xF7;
    SmfTrack old;
    old.metaOneByteLength(0, 0x01, ascii).metaOneByteLength(0, 0x05, latin1);
    old.raw({0x00, 0xF0, 0x90}).raw(sysex).noteOn(5, 0, 60, 100).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 480).track(old).bytes()));
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_EQ(std::pair(texts()[0]->data, texts()[1]->data), std::pair(ascii, latin1));
    ASSERT_EQ(song->data().sysEx.size(), 1u);
    EXPECT_EQ(song->data().sysEx.head()->data, sysex);
    ASSERT_EQ(notes(0).size(), 1u);
    EXPECT_EQ(notes(0)[0]->tick, 5);
}

TEST_F(ReaderTest, RunningStatusSurvivesMetaAndSysExButNotAChunkEnd) {
    // The first sysex comes before any channel event: channel 0x40. By running status past a
    // meta and a sysex: note-on 62 on channel 5, then a note-off 60, then control change 10.
    SmfTrack t;
    t.sysEx(0, {0x41, 0xF7}).noteOn(0, 4, 60, 100).meta(0, 0x05, "la").event(10, {62, 90});
    t.sysEx(0, {0x7E, 0xF7}).event(10, {60, 0}).event(0, {0xB4, 7, 100}).meta(0, 0x01, "x");
    t.event(5, {10, 30}).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 480).track(t).bytes()));
    const auto n = notes(4);
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0]->offTick, 20);
    EXPECT_EQ(test::eventLine(*n[1]), "note 10 key 62 vel 90 off 30 open 1");
    EXPECT_EQ(song->controllerAt(10, 4, 1000), 30);
    const auto& sx = song->data().sysEx;
    ASSERT_EQ(sx.size(), 2u);
    // The second has the channel of the last channel status read.
    EXPECT_EQ(std::pair(int{sx.head()->channel}, int{sx.tail()->channel}), std::pair(0x40, 4));

    // Data bytes before any status are skipped one by one, each followed by a delta time: 0x3C
    // is skipped, 0x40 is a 64-tick delta.
    SmfTrack skip;
    skip.meta(0, 0x01, "x").raw({0x00, 0x3C, 0x40, 0x90, 0x3C, 0x64}).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 480).track(skip).bytes()));
    ASSERT_EQ(notes(0).size(), 1u);
    EXPECT_EQ(notes(0)[0]->tick, 64);

    SmfTrack a, b;
    a.noteOn(0, 0, 60, 100).endOfTrack();
    b.raw({0x00, 0x3E, 0x00, 0x64}).endOfTrack();
    ASSERT_TRUE(read(SmfFile(1, 480).track(a).track(b).bytes()));
    EXPECT_EQ(notes(0).size(), 1u);
}

TEST_F(ReaderTest, NoteOffsCloseTheMostRecentOpenNoteOfTheirKey) {
    // A at 0, B at 10, the same key on another channel; a note-off closes B at 20, a velocity-0
    // note-on A at 30, and the third finds nothing open. The last note ends where it starts.
    SmfTrack t;
    t.noteOn(0, 0, 60, 100).noteOn(10, 0, 60, 80).noteOn(0, 1, 60, 70).noteOff(10, 0, 60);
    t.noteOn(10, 0, 60, 0).noteOff(10, 0, 60).noteOn(10, 2, 50, 90).noteOff(0, 2, 50).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 24).track(t).bytes())); // provisional ends one tick on
    const auto n = notes(0);
    ASSERT_EQ(n.size(), 2u) << "a velocity-0 note-on is a note-off, not a note";
    EXPECT_EQ(test::eventLine(*n[0]), "note 0 key 60 vel 100 off 30 open 0");
    EXPECT_EQ(test::eventLine(*n[1]), "note 10 key 60 vel 80 off 20 open 0");
    EXPECT_EQ(song->findTrack(0)->lastTick, 30) << "an unmatched note-off does not extend it";
    ASSERT_EQ(notes(1).size(), 1u);
    EXPECT_EQ(test::eventLine(*notes(1)[0]), "note 10 key 60 vel 70 off 11 open 1")
        << "provisional end: division / 24 after the start";
    EXPECT_EQ(song->findTrack(1)->lastTick, 11);
    ASSERT_EQ(notes(2).size(), 1u);
    EXPECT_EQ(notes(2)[0]->offTick, 51);
    EXPECT_EQ(std::tuple(song->songLength, song->channelUsed[1], song->channelUsed[3]),
              std::tuple(51, true, false));

    // The provisional end counts for the song's length even when the note-off comes sooner.
    SmfTrack early;
    early.noteOn(100, 0, 60, 100).noteOff(0, 0, 60).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 96).track(early).bytes()));
    EXPECT_EQ(std::pair(notes(0)[0]->offTick, song->songLength), std::pair(101, 104));

    // A note-off in a later chunk closes the note of its channel, whose track keeps the name of
    // the chunk it began in (a name beginning with "MIDI" gives way to a later one there).
    SmfTrack a, b, c;
    a.meta(0, 0x03, "MIDI 1").noteOn(0, 2, 64, 100).meta(0, 0x03, "Lead").endOfTrack();
    b.meta(0, 0x03, "Other").noteOff(300, 2, 64).noteOn(0, 2, 65, 100).endOfTrack();
    c.noteOn(0, 5, 60, 100).meta(0, 0x03, "Too late").endOfTrack();
    ASSERT_TRUE(read(SmfFile(1, 480).track(a).track(b).track(c).bytes()));
    EXPECT_EQ(song->findTrack(2)->name, "Lead");
    EXPECT_EQ(song->findTrack(5)->name, "") << "named only by a name read before it";
    ASSERT_EQ(notes(2).size(), 2u);
    EXPECT_EQ(notes(2)[0]->offTick, 300);
}

TEST_F(ReaderTest, ChannelEventsKeepTheirValuesAndTicks) {
    // The program at tick 0 is also the channel's program, the one at 150 is not in the channel
    // program list. Controller 98 keeps its value off the percussion channel, is 0 on it.
    SmfTrack a, b;
    a.event(0, {0xC3, 24}).event(50, {0xE3, 1, 70}).event(0, {0xA3, 60, 33}).event(0, {0xD3, 44});
    a.event(100, {0xC3, 30}).event(0, {0xB3, 98, 7}).event(0, {0xB9, 98, 7});
    a.event(0, {0xB9, 7, 99}).endOfTrack();
    b.event(40, {0xB9, 7, 90}).endOfTrack(); // lowers channel 10's first tick
    ASSERT_TRUE(read(SmfFile(1, 480).track(a).track(b).bytes()));

    const CChannelTrack* t = song->findTrack(3);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::pair(t->firstTick, t->lastTick), std::pair(0, 150));
    std::vector<std::string> lines;
    for (const auto& e : t->events) lines.push_back(test::eventLine(e));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"program 0 24", "bend 50 1 70", "keypressure 50 60 33",
                                        "pressure 50 44", "program 150 30", "cc 150 98=7"}));
    ASSERT_EQ(song->data().programs[3].size(), 1u);
    EXPECT_EQ(song->data().programs[3].head()->program, 24);
    EXPECT_EQ(std::tuple(song->programAt(3, 150), song->controllerAt(98, 9, 150),
                         song->controllerAt(7, 9, 150)),
              std::tuple(30, 0, 99));
    EXPECT_EQ(std::pair(song->findTrack(9)->firstTick, song->findTrack(9)->lastTick),
              std::pair(40, 150));
}

TEST_F(ReaderTest, TempoAndSignatureEventsReplaceTheDefaults) {
    const std::pair<std::uint32_t, std::int32_t> cases[] = {
        {500000, 120}, {0, 120}, {1000000, 60}, {10000, 250}, {0xFFFFFF, 30}, {666666, 90}};
    for (const auto& [us, bpm] : cases) {
        SmfTrack t;
        t.tempo(0, us).tempo(960, us).endOfTrack();
        ASSERT_TRUE(read(SmfFile(0, 480).track(t).bytes()));
        const auto& tempos = song->data().tempos;
        ASSERT_EQ(tempos.size(), 2u) << "the file's tempo at 0 replaces the reset's";
        EXPECT_EQ(std::tuple(tempos.head()->bpm, tempos.tail()->tick, tempos.tail()->bpm),
                  std::tuple(bpm, 960, bpm))
            << us;
    }

    SmfTrack t;
    t.meta(0, 0x58, Bytes{3, 2, 24, 8}).meta(1440 * 2, 0x58, Bytes{6, 3, 36, 8}).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 480).track(t).bytes()));
    const auto& sigs = song->data().signatures;
    ASSERT_EQ(sigs.size(), 2u);
    EXPECT_EQ(sigs.head()->data, (std::vector<std::uint8_t>{3, 2, 24, 8}));
    EXPECT_EQ(std::pair(sigs.tail()->measure, sigs.tail()->tick), std::pair(2, 2880));
}

TEST_F(ReaderTest, TextsOfChunk512AndAboveAreKeptWithoutLyricState) {
    SmfFile f(1, 480);
    SmfTrack empty, words;
    empty.endOfTrack();
    words.meta(200, 0x05, "far").meta(0, 0x01, "/away").endOfTrack();
    for (int i = 0; i < 600; ++i) f.track(i == 530 ? words : empty);
    ASSERT_TRUE(read(f.bytes()));
    EXPECT_EQ(song->trackCount, 599);
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_EQ(texts()[0]->track, 530);

    auto lists = std::make_unique<std::array<TItemLyr, 512>>();
    extractLyrics(*song, *lists);
    for (const auto& l : *lists) EXPECT_EQ(l.count(), 0);
    for (LyricSource s : song->lyricSource) EXPECT_EQ(s, LyricSource::Undecided);
}

TEST_F(ReaderTest, TicksPastTheLargestSignedTickStayThere) {
    SmfTrack t;
    for (int i = 0; i < 9; ++i) t.raw({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00}); // deltas
    t.noteOn(0, 0, 60, 100).noteOff(0, 0, 60).endOfTrack();
    ASSERT_TRUE(read(SmfFile(0, 480).track(t).bytes()));
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    ASSERT_EQ(notes(0).size(), 1u);
    EXPECT_EQ(std::tuple(notes(0)[0]->tick, notes(0)[0]->offTick, song->songLength),
              std::tuple(kMax, kMax, kMax));
}

} // namespace
} // namespace cantelo

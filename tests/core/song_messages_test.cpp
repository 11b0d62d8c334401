#include "core/playback/song_messages.h"

#include "core/playback/midi_output.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>

using namespace cantelo;
using namespace cantelo::test;

namespace {

// A message as the tests compare it: time, and either the short message or the SysEx's first
// data byte (with packed 0).
struct Sent {
    std::int64_t ms;
    std::uint32_t packed;
    int sysExFirst = -1;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Sent& s) {
    return os << "{" << s.ms << " ms, 0x" << std::hex << s.packed << std::dec << ", sysex "
              << s.sysExFirst << "}";
}

class SongMessagesTest : public ::testing::Test {
protected:
    void load(const SmfFile& file) {
        song->reset();
        const auto image = file.bytes();
        ASSERT_TRUE(readSongImage(*song, image, "test.mid"));
    }

    std::vector<Sent> sent() const {
        std::vector<Sent> out;
        for (const auto& m : songMessages(*song))
            out.push_back({m.ms, m.packed, m.sysEx ? m.sysEx->data.at(0) : -1});
        return out;
    }

    std::unique_ptr<CMidiSong> song = std::make_unique<CMidiSong>();
};

// Tempo 120 for the first two beats, then 60: tick 960 is 1000 ms, tick 1440 is 2000 ms.
TEST_F(SongMessagesTest, OrderAtEqualTimesAndTimesThroughTheTempoMap) {
    SmfTrack conductor;
    conductor.tempo(0, 500000).tempo(960, 1000000).endOfTrack();
    SmfTrack ch0;
    // Released and struck again at 500 ms, with a volume written after the note, sent before it.
    ch0.event(0, {0xC0, 5}).noteOn(0, 0, 60, 90).noteOff(480, 0, 60).noteOn(0, 0, 60, 80);
    ch0.event(0, {0xB0, 7, 100}).noteOff(480, 0, 60).noteOn(480, 0, 62, 70).noteOff(480, 0, 62);
    ch0.endOfTrack();
    SmfTrack ch1;
    ch1.event(480, {0xE1, 0x00, 0x50}).noteOn(0, 1, 40, 50).noteOff(10, 1, 40).endOfTrack();
    // A reset at the start must come before the program set beside it, or it would undo it.
    SmfTrack late;
    late.sysEx(0, {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}).endOfTrack();
    load(SmfFile().track(conductor).track(ch0).track(ch1).track(late));

    // The reader also files the tick-0 program in the channel's program list, so it is played
    // from both, as the sequencer plays it.
    const std::vector<Sent> expected{
        {0, 0, 0x41},
        {0, packShort(0xC0, 5)},
        {0, packShort(0xC0, 5)},
        {0, packShort(0x90, 60, 90)},
        {500, packShort(0xB0, 7, 100)},
        {500, packShort(0x80, 60)},
        {500, packShort(0x90, 60, 80)},
        {500, packShort(0xE1, 0x00, 0x50)},
        {500, packShort(0x91, 40, 50)},
        {510, packShort(0x81, 40)},
        {1000, packShort(0x80, 60)},
        {2000, packShort(0x90, 62, 70)},
        {3000, packShort(0x80, 62)}, //
    };
    EXPECT_EQ(sent(), expected);
}

TEST_F(SongMessagesTest, SysExFromSeveralTracksIsPlacedByTimeNotByReadingOrder) {
    SmfTrack first;
    first.sysEx(960, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}).endOfTrack();
    SmfTrack second;
    second.sysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .sysEx(480, {0x7F, 0x7F, 0x04, 0x01, 0, 100, 0xF7});
    second.endOfTrack();
    load(SmfFile().track(first).track(second));
    EXPECT_EQ(sent(), (std::vector<Sent>{{0, 0, 0x7E}, {500, 0, 0x7F}, {1000, 0, 0x43}}));
}

TEST_F(SongMessagesTest, OutputChannelMapAndANoteEndingWhereItStarts) {
    addNote(*song, 2, 480, 480, 64, 99);
    song->setOutputChannel(2, 7);
    // Released after its own note-on: the other way round it would sound to the end.
    EXPECT_EQ(sent(),
              (std::vector<Sent>{{500, packShort(0x97, 64, 99)}, {500, packShort(0x87, 64)}}));
}

} // namespace

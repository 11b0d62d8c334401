#include "core/song/midi_song.h"
#include "song_summary.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace cantelo;

namespace {

std::vector<std::int32_t> ticksOf(const auto& list) {
    std::vector<std::int32_t> v;
    for (const auto& e : list) v.push_back(e.tick);
    return v;
}

class SongModel : public ::testing::Test {
protected:
    void SetUp() override { song.reset(); }

    CObjectEventProgramChange* program(int ch, std::int32_t tick, int p) {
        return test::addProgram(song, ch, tick, p);
    }
    CObjectEventControlChange* control(int ch, std::int32_t tick, int cc, int value) {
        return test::addControl(song, ch, tick, cc, value);
    }
    // Channel ch's program and control changes as "tick:value", in track order.
    std::vector<std::string> valuesOf(int ch, std::uint8_t status) {
        std::vector<std::string> v;
        if (CChannelTrack* t = song.findTrack(ch))
            for (auto& e : t->events) {
                if (e.status() != status) continue;
                const int value = status == 0xB0
                                      ? static_cast<CObjectEventControlChange&>(e).value
                                      : static_cast<CObjectEventProgramChange&>(e).program;
                v.push_back(std::to_string(e.tick) + ":" + std::to_string(value));
            }
        return v;
    }

    // Every program and control change in a track or a program list owns exactly one entry of
    // the chase list, mirroring its values, and the chase list holds nothing else.
    void expectChaseMirrorsEvents() {
        std::set<const CChaseEntry*> inList;
        for (const auto& c : song.data().chase) inList.insert(&c);
        std::set<const CChaseEntry*> owned;
        auto check = [&](const CObjectEvent& e, int ch) {
            const CChaseEntry* c = nullptr;
            std::uint8_t d1 = 0, d2 = 0;
            if (e.status() == 0xB0) {
                const auto& cc = static_cast<const CObjectEventControlChange&>(e);
                c = cc.chase;
                d1 = static_cast<std::uint8_t>(cc.controller);
                d2 = static_cast<std::uint8_t>(cc.value);
            } else if (e.status() == 0xC0) {
                const auto& pc = static_cast<const CObjectEventProgramChange&>(e);
                c = pc.chase;
                d1 = static_cast<std::uint8_t>(pc.program);
            } else {
                return;
            }
            ASSERT_NE(c, nullptr);
            EXPECT_TRUE(inList.count(c)) << "event points at a freed chase entry";
            EXPECT_TRUE(owned.insert(c).second) << "two events share a chase entry";
            EXPECT_EQ(std::tuple(c->tick, int{c->channel}, c->status, c->data1, c->data2),
                      std::tuple(static_cast<std::uint32_t>(e.tick), ch, e.status(), d1, d2));
        };
        for (const auto& t : song.data().tracks)
            for (const auto& e : t.events) check(e, t.channel);
        for (int ch = 0; ch < kChannels; ++ch)
            for (const auto& e : song.data().programs[static_cast<std::size_t>(ch)]) check(e, ch);
        EXPECT_EQ(owned, inList) << "chase entries without an event";
    }

    CMidiSong song;
};

// A reset leaves exactly what a new song's reset does, whatever the song held before.
TEST_F(SongModel, ResetAfterEditsIsAFreshReset) {
    CMidiSong fresh;
    fresh.reset();
    program(3, 0, 5);
    song.setTempoAt(960, 90);
    const std::uint8_t waltz[4] = {3, 2, 24, 8};
    song.setTimeSignatureAt(7680, waltz);
    song.addSysEx(std::vector<std::uint8_t>{0x7E, 0x7F}, 0);
    song.addTextEvent(5, std::vector<std::uint8_t>{'l', 'a'}, 480, 1);
    song.setMuted(4, true);
    song.setOutputChannel(2, 9);
    song.selectedTrack = song.findTrack(3);
    song.reset();

    EXPECT_EQ(test::songSummary(song), test::songSummary(fresh));
    EXPECT_EQ(song.data().texts.size(), 1u) << "the credit text, once";
    EXPECT_TRUE(!song.selectedTrack && !song.isMuted(4) && song.outputChannel(2) == 2);
}

TEST_F(SongModel, ProgramNameNeverReadsPastTheTable) {
    std::string out = "untouched";
    for (int ch : {16, -1}) EXPECT_EQ(song.programNameAt(ch, 0, &out), -1) << ch;
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(song.programNameAt(0, 0, nullptr), -1);
    // A program number outside the table (a caller filled in a raw byte) must not read past it.
    program(5, 960, 200);
    EXPECT_EQ(song.programNameAt(5, 960, &out), 200);
    EXPECT_EQ(out, kNoProgramName);
}

// Sorting, clamping and the look-ups of both maps are compared with plain setters in the
// equivalence test; here what it does not see: the mark of the last set tempo and its bytes.
TEST_F(SongModel, OnlyTheLastSetTempoIsMarkedAndEmptyMapsGiveTheDefaults) {
    song.setTempoAt(960, 100);
    song.setTempoAt(2880, 400);
    song.setTempoAt(960, 110);
    const auto& tempos = song.data().tempos;
    std::vector<std::int32_t> marks;
    for (const auto& e : tempos) marks.push_back(e.lastSet);
    EXPECT_EQ(marks, (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(tempos.tail()->data, (std::vector<std::uint8_t>{0x03, 0xA9, 0x80})); // 240 000 us
    song.shiftAllTempos(true);
    EXPECT_EQ(tempos.tail()->lastSet, 1);

    song.clear();
    EXPECT_EQ(song.tempoAt(5000), 120);
    std::uint8_t sig[4] = {};
    song.timeSignatureAt(5000, sig);
    EXPECT_EQ(std::vector<std::uint8_t>(sig, sig + 4), (std::vector<std::uint8_t>{4, 2, 24, 8}));
}

TEST_F(SongModel, TextAndSysExListsKeepLongDataWhole) {
    const std::vector<std::uint8_t> la{'l', 'a'};
    song.addTextEvent(5, {}, 10, 1); // no data: ignored
    for (auto [type, chunk] : {std::pair{5, 1}, {3, 1}, {5, 2}})
        song.addTextEvent(static_cast<std::uint8_t>(type), la, 480, chunk);
    std::vector<std::uint8_t> copyright(507, 'c');
    song.addTextEvent(2, copyright, 0, 0);
    // Long data is not cut to 255.
    EXPECT_EQ(std::pair(song.data().texts.size(), song.data().texts.tail()->length()),
              std::pair(std::size_t{5}, 507));

    song.moveTextEventTick(480, 960, 5); // the first event of the type at the tick only
    EXPECT_EQ(ticksOf(song.data().texts), (std::vector<std::int32_t>{0, 960, 480, 480, 0}));

    song.removeLyricText();
    std::vector<int> types;
    for (const auto& e : song.data().texts) types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<int>{3, 2}));

    song.lastChannel = 6;
    song.addSysEx(la, 0);
    song.addSysEx({}, 0);
    song.addSysEx(copyright, 100);
    const auto& sx = song.data().sysEx;
    ASSERT_EQ(sx.size(), 2u);
    EXPECT_EQ(std::pair(int{sx.head()->channel}, sx.tail()->length()), std::pair(6, 507));
}

// The look-ups themselves are checked against plain walks in the equivalence test; here the
// chase list must mirror the events through every kind of edit.
TEST_F(SongModel, AddChaseTakesProgramAndControlChangesOnly) {
    // A second call re-mirrors the event.
    EXPECT_FALSE(song.addChase(test::addNote(song, 0, 0, 10, 60), 0) || song.addChase(nullptr, 0));
    CObjectEventProgramChange* pc = program(0, 0, 8);
    pc->program = 9;
    EXPECT_TRUE(song.addChase(pc, 0));
    EXPECT_EQ(song.programAt(0, 0), 9);
    expectChaseMirrorsEvents();
}

TEST_F(SongModel, ProgramEditsKeepTheChannelListSortedAndTheChaseInStep) {
    // The last at an exact tick already there: changed in place.
    for (auto [tick, p] : {std::pair{960, 5}, {0, 200}, {480, -3}, {960, 6}})
        song.setChannelProgram(1, tick, p);
    const auto& list = song.data().programs[1];
    EXPECT_EQ(ticksOf(list), (std::vector<std::int32_t>{0, 480, 960}));
    std::vector<std::int32_t> programs;
    for (const auto& e : list) programs.push_back(e.program);
    EXPECT_EQ(programs, (std::vector<std::int32_t>{127, 0, 6}));

    // moveProgram follows the track's program change into the channel list and keeps it sorted.
    program(1, 960, 6);
    song.moveProgram(1, 1000, 240);
    EXPECT_EQ(valuesOf(1, 0xC0), (std::vector<std::string>{"240:6"}));
    EXPECT_TRUE(ticksOf(list) == (std::vector<std::int32_t>{0, 240, 480}) &&
                song.programAt(1, 300) == 6);
    song.moveProgram(1, 100, 2000); // no program change of the track at 100: nothing moves
    EXPECT_EQ(ticksOf(list), (std::vector<std::int32_t>{0, 240, 480}));
    expectChaseMirrorsEvents();

    // applyProgram without a program change on the channel: one goes to the track at the insert
    // position and one to the channel list at tick 0.
    test::trackOf(song, 4);
    song.insertAtPosition = true;
    song.insertPosition = 960;
    song.applyProgram(4, 5000, 300);
    EXPECT_EQ(valuesOf(4, 0xC0), (std::vector<std::string>{"960:127"}));
    EXPECT_EQ(ticksOf(song.data().programs[4]), (std::vector<std::int32_t>{0}));
    // With one in force (tick 960), it and the list's entries at its tick change.
    song.setChannelProgram(4, 960, 3);
    song.applyProgram(4, 5000, 33);
    EXPECT_EQ(valuesOf(4, 0xC0), (std::vector<std::string>{"960:33"}));
    EXPECT_EQ(std::pair(song.data().programs[4].head()->program, song.programAt(4, 5000)),
              std::pair(127, 33));
    song.applyProgram(9, 0, 10); // no track: nothing
    EXPECT_TRUE(song.data().programs[9].empty());
    expectChaseMirrorsEvents();
}

TEST_F(SongModel, ControllerEditsChangeRemoveAndAdd) {
    control(0, 0, 7, 100);
    control(0, 960, 7, 80);
    control(0, 960, 7, 80);  // duplicate of the one before: removed when changed
    control(0, 960, 10, 80); // other controller: untouched
    control(0, 960, 7, 50);  // same tick, different old value: changed too
    song.setControllerValue(0, 1000, 300, 7);
    EXPECT_EQ(valuesOf(0, 0xB0),
              (std::vector<std::string>{"0:100", "960:127", "960:80", "960:127"}));
    EXPECT_EQ(song.controllerAt(7, 0, 959), 100);
    expectChaseMirrorsEvents();

    // No control change 91 yet: one is added at tick 0 (or the insert position).
    song.setControllerValue(0, 1000, 40, 91);
    EXPECT_EQ(song.controllerAt(91, 0, 0), 40);
    song.insertAtPosition = true;
    song.insertPosition = 480;
    song.addControlChange(0, 0, -7, 93);
    EXPECT_EQ(std::pair(song.latestControllerTick(0, 1000, 93), song.controllerAt(93, 0, 1000)),
              std::pair(480, 0));

    song.deleteController(0, 5000, 7);
    EXPECT_EQ(song.controllerAt(7, 0, 5000), 127); // the second one at 960 is still there
    for (int i = 0; i < 2; ++i) song.deleteController(0, 5000, 7);
    EXPECT_EQ(song.controllerAt(7, 0, 5000), -1);
    song.deleteController(0, 5000, 7); // nothing left: nothing happens
    EXPECT_EQ(song.controllerAt(10, 0, 5000), 80);
    expectChaseMirrorsEvents();
}

TEST_F(SongModel, ScaleVelocitiesMovesAtLeastOneStepAndClamps) {
    auto* quiet = test::addNote(song, 1, 0, 0, 60, 5);
    auto* loud = test::addNote(song, 1, 0, 0, 62, 100);
    auto* silent = test::addNote(song, 1, 0, 0, 0, 50); // key 0 is not a note
    auto* other = test::addNote(song, 2, 0, 0, 60, 100);
    const auto velocities = [&] {
        return std::vector<int>{quiet->velocity, loud->velocity, silent->velocity, other->velocity};
    };
    song.scaleVelocities(1, -10);
    EXPECT_EQ(velocities(), (std::vector<int>{4, 90, 50, 100}));
    song.scaleVelocities(1, 50);
    EXPECT_EQ(velocities(), (std::vector<int>{6, 127, 50, 100}));
    // Damaged percentages: the arithmetic stays defined and the clamps still hold.
    song.scaleVelocities(1, INT_MAX);
    EXPECT_EQ(quiet->velocity, 127);
    song.scaleVelocities(1, INT_MIN);
    EXPECT_EQ(quiet->velocity, 0);
}

TEST_F(SongModel, DeletingTracksAndEventsReleasesTheirChaseEntries) {
    program(3, 0, 1);
    control(3, 0, 7, 100);
    CObjectEventControlChange* pan = control(3, 480, 10, 64);
    test::addNote(song, 3, 0, 10, 60);
    program(6, 0, 2);
    song.setChannelProgram(3, 0, 1);
    EXPECT_EQ(song.data().chase.size(), 5u);

    song.removeEvent(song.findTrack(3), pan);
    EXPECT_EQ(song.controllerAt(10, 3, 1000), -1);
    expectChaseMirrorsEvents();

    song.selectedTrack = song.findTrack(3);
    song.deleteTrack(song.findTrack(3), true);
    EXPECT_TRUE(!song.selectedTrack && !song.findTrack(3));
    // The channel list's own entry stays.
    EXPECT_EQ(std::pair(song.programAt(3, 0), song.controllerAt(7, 3, 0)), std::pair(1, -1));
    expectChaseMirrorsEvents();

    // Without events requested, events still in the track must not be left pointing nowhere.
    song.deleteTrack(song.findTrack(6), false);
    EXPECT_EQ(song.programAt(6, 0), -1);
    expectChaseMirrorsEvents();
    EXPECT_EQ(song.data().chase.size(), 1u);
}

} // namespace

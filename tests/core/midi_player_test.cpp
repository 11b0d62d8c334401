#include "core/playback/chase_channels.h"
#include "core/playback/midi_player.h"
#include "core/playback/recording_output.h"
#include "core/song/midi_song.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>
#include <vector>

using namespace cantelo;
using namespace std::chrono_literals;

namespace {

using Kind = RecordingOutput::Kind;

struct Sent {
    std::uint32_t msg;
    std::int64_t us; // from the moment Play was called
};

using test::control;
using test::noteOff;
using test::noteOn;
using test::programChange;

// A reset song (division 480 at 120 BPM: 480 ticks are 500 ms) played into a recorder on a
// clock that moves only when the test moves it; pump() is called exactly as the playback thread
// calls it, so every send time is deterministic.
class Player : public ::testing::Test {
protected:
    void SetUp() override {
        song.reset();
        song.songLength = 100000;
        ASSERT_TRUE(out.open(nullptr));
        out.clear();
        player.AttachSong(&song);
    }

    void note(int ch, std::int32_t tick, std::int32_t off, int key) {
        test::addNote(song, ch, tick, off, key);
    }
    void cc(int ch, std::int32_t t, int c, int v) { test::addControl(song, ch, t, c, v); }
    void trackProgram(int ch, std::int32_t t, int p) { test::addProgram(song, ch, t, p); }

    void play() {
        m_start = clock.now();
        const std::size_t before = out.size();
        ASSERT_TRUE(player.Play());
        m_preamble = out.size();
        ASSERT_GE(m_preamble - before, 16u);
    }
    // Runs the sequencer as its thread would (sleeping exactly until each wake time it asks
    // for) until `ms` after Play, or until it stops by itself.
    void runUntil(std::int64_t ms) {
        const auto until = m_start + std::chrono::milliseconds(ms);
        while (player.playing()) {
            const auto wake = player.pump();
            if (!player.playing()) break;
            ASSERT_GT(wake, clock.now());
            ASSERT_LE(wake, clock.now() + CMidiPlayer::kMaxSleep);
            if (wake > until) {
                clock.set(until);
                player.pump();
                break;
            }
            clock.set(wake);
        }
    }
    // The short messages sent from entry `from` of the recording on.
    std::vector<Sent> shorts(std::size_t from = 0) const {
        std::vector<Sent> s;
        const auto all = out.entries();
        for (std::size_t i = from; i < all.size(); ++i) {
            if (all[i].kind != Kind::Short) continue;
            s.push_back({all[i].packed, std::chrono::duration_cast<std::chrono::microseconds>(
                                            all[i].time - m_start)
                                            .count()});
        }
        return s;
    }
    // Short messages sent after Play returned (it sends the Reset All Controllers and the
    // programs in force itself; the rest comes from pump).
    std::vector<Sent> afterPreamble() const { return shorts(m_preamble); }
    std::size_t preambleSize() const { return m_preamble; }
    static std::vector<std::uint32_t> messages(const std::vector<Sent>& s) {
        std::vector<std::uint32_t> m;
        for (const auto& x : s) m.push_back(x.msg);
        return m;
    }
    static std::int64_t timeOf(const std::vector<Sent>& s, std::uint32_t m) {
        const auto it = std::find_if(s.begin(), s.end(), [&](const Sent& x) { return x.msg == m; });
        return it == s.end() ? -1 : it->us;
    }
    static int count(const std::vector<Sent>& s, std::uint32_t m) {
        return static_cast<int>(std::ranges::count(messages(s), m));
    }

    ManualPlaybackClock clock;
    RecordingOutput out{"recorder", clock};
    CMidiSong song;
    CMidiPlayer player{out, clock, CMidiPlayer::Threading::CallerPumps};

private:
    PlaybackClock::time_point m_start;
    std::size_t m_preamble = 0;
};

// The order of messages within a channel is the song messages' (checked there and, queue for
// queue, in the equivalence test); here the player's own part: timing, preamble, muting, stopping.
TEST_F(Player, ANoteEndingInTheMillisecondItStartsIsReleasedAfterIt) {
    song.setDivision(960); // a tick is about half a millisecond
    note(9, 0, 1, 42);
    note(9, 961, 962, 42);
    song.setOutputChannel(9, 10); // the records stay in the song channel's queue
    play();
    runUntil(600);
    EXPECT_EQ(messages(afterPreamble()),
              (std::vector<std::uint32_t>{noteOn(10, 42, 100), noteOff(10, 42), noteOn(10, 42, 100),
                                          noteOff(10, 42)}));
    EXPECT_TRUE(player.queue(9).size() == 4u && player.queue(10).empty());
}

TEST_F(Player, EverySendHappensExactlyWhenDueAndTheClockFollows) {
    song.setTempoAt(960, 60); // 1000 ms at 120, then 1000 ms per quarter note
    for (int i = 0; i < 8; ++i) note(i % 3, i * 240, i * 240 + 100, 40 + i);
    play();
    runUntil(400);
    EXPECT_EQ(std::pair(player.clock(), player.tick()),
              std::pair(400u, song.timeMap().msToTick(400)));
    runUntil(3000);
    EXPECT_EQ(player.tempo(), 60);
    for (const Sent& x : afterPreamble()) {
        const auto& records = player.queue(static_cast<int>(x.msg & 0x0F));
        const auto it = std::find_if(records.begin(), records.end(),
                                     [&](const TimedMessage& r) { return r.message == x.msg; });
        ASSERT_NE(it, records.end());
        EXPECT_EQ(it->ms, song.timeMap().tickToMs(it->tick));
        EXPECT_EQ(x.us, std::int64_t{it->ms} * 1000) << std::hex << x.msg;
    }
}

TEST_F(Player, PanReverbAndChorusAreNotedNotSentVolumeIsBoth) {
    for (auto [c, v] : {std::pair{10, 20}, {91, 30}, {93, 40}, {7, 90}}) cc(2, 96, c, v);
    play();
    runUntil(50);
    EXPECT_FALSE(player.refreshFlag(RefreshFlag::Any));
    runUntil(150);
    EXPECT_EQ(messages(afterPreamble()), std::vector<std::uint32_t>{control(2, 7, 90)});
    for (auto [kind, value] : {std::pair{DisplayController::Pan, 20},
                               {DisplayController::Reverb, 30},
                               {DisplayController::Chorus, 40},
                               {DisplayController::Volume, 90}})
        EXPECT_EQ(song.displayValue(2, kind), value);

    const ChaseKinds kinds = player.takeRefreshFlags();
    EXPECT_TRUE(kinds.pan && kinds.reverb && kinds.chorus && kinds.volume && !kinds.program);
    EXPECT_TRUE(player.takeRefreshFlags().none());
}

TEST_F(Player, StartingOnAChordSoundsEveryNoteOfIt) {
    note(1, 0, 960, 50);
    for (int key : {60, 64, 67}) note(1, 1920, 2400, key);
    note(1, 2400, 2880, 72);
    song.setChannelProgram(1, 0, 33);
    player.Locate(1920);
    EXPECT_EQ(player.clock(), 2000u);
    play();
    runUntil(10);
    const auto s = afterPreamble();
    EXPECT_EQ(messages(s), (std::vector<std::uint32_t>{noteOn(1, 60, 100), noteOn(1, 64, 100),
                                                       noteOn(1, 67, 100)}));
    EXPECT_EQ(s[0].us, 0);
    EXPECT_EQ(count(shorts(), programChange(1, 33)), 1) << "the program in force";
}

TEST_F(Player, PlayResetsControllersAndSendsOnlyProgramsInForce) {
    song.setChannelProgram(0, 0, 12);
    trackProgram(4, 2000, 70); // not yet in force at the start
    note(4, 0, 100, 60);
    play();
    const auto preamble = messages(shorts());
    std::vector<std::uint32_t> expected;
    for (int c = 0; c < 16; ++c) {
        expected.push_back(control(c, 121, 0));
        if (c == 0) expected.push_back(programChange(0, 12));
    }
    EXPECT_EQ(preamble, expected);

    player.Stop();
    player.Locate(2400);
    out.clear();
    play();
    EXPECT_EQ(count(shorts(), programChange(4, 70)), 1);
}

TEST_F(Player, StopsByItselfPastTheSongLengthAndSilencesOnce) {
    song.songLength = 960;
    note(3, 480, 960, 62);
    play();
    runUntil(999);
    EXPECT_TRUE(player.playing());
    runUntil(1100);
    EXPECT_EQ(std::tuple(player.playing(), player.tick(), player.clock()),
              std::tuple(false, 960, 1000u));

    const auto s = afterPreamble();
    ASSERT_EQ(s.size(), 2u + 32u);
    // The last note ends before the silence.
    EXPECT_EQ(messages({s.begin() + 1, s.begin() + 4}),
              (std::vector{noteOff(3, 62), control(0, 120, 0), control(0, 123, 0)}));
    EXPECT_EQ(out.entries().back().kind, Kind::Reset);
    const auto before = out.size();
    player.Stop();
    EXPECT_EQ(out.size(), before);
}

TEST_F(Player, MutedChannelsGetOneAllNotesOffAndNoNotesButVolume) {
    for (int i = 0; i < 10; ++i) {
        note(0, i * 96, i * 96 + 48, 60);
        note(1, i * 96, i * 96 + 48, 70);
    }
    cc(1, 480, 7, 33);
    play();
    runUntil(250);
    song.setMuted(1, true);
    runUntil(800);
    auto s = afterPreamble();
    EXPECT_EQ(count(s, control(1, 123, 0)), 1); // not repeated on every run
    const std::int64_t mutedAt = timeOf(s, control(1, 123, 0));
    EXPECT_TRUE(mutedAt >= 250000 && mutedAt <= 260000) << mutedAt;
    for (const Sent& x : s)
        EXPECT_TRUE(x.us <= mutedAt || (x.msg & 0x0F) != 1 || x.msg == control(1, 7, 33))
            << std::hex << x.msg;
    EXPECT_GT(count(s, noteOn(0, 60, 100)), 6);

    // Solo is muting every other channel: only the soloed one sounds.
    for (int c = 0; c < 16; ++c) song.setMuted(c, c != 1);
    out.clear();
    runUntil(1100);
    s = shorts();
    EXPECT_EQ(std::tuple(count(s, control(0, 123, 0)), count(s, control(1, 123, 0)),
                         count(s, noteOn(0, 60, 100))),
              std::tuple(1, 0, 0));
    EXPECT_GT(count(s, noteOn(1, 70, 100)), 0);
    EXPECT_TRUE(song.noteSent(1));
}

TEST_F(Player, RetimingInTheFirstHalfSecondMovesThePendingRecords) {
    note(0, 480, 960, 60);   // 500 ms at 120 BPM
    note(0, 1920, 2400, 62); // 2000 ms
    play();
    runUntil(200);
    const std::int32_t at = player.tick();
    ASSERT_EQ(at, 192);

    song.setTempoAt(0, 240); // twice as fast from the start
    player.RetimeQueues();
    // The position holds (nothing between the old and the new clock is sent in a burst)...
    player.pump();
    EXPECT_EQ(std::tuple(player.tick(), player.tempo(), afterPreamble().size()),
              std::tuple(at, 240, 0u));
    // ...and the tempo tool's Locate at the tick it remembered changes nothing.
    player.Locate(at);
    EXPECT_EQ(player.tick(), at);
    runUntil(1500);

    // From tick 192 (100 ms at the new tempo) the note at tick 480 is 150 ms away.
    const auto s = afterPreamble();
    EXPECT_EQ(std::tuple(timeOf(s, noteOn(0, 60, 100)), timeOf(s, noteOff(0, 60)),
                         timeOf(s, noteOn(0, 62, 100))),
              std::tuple(350000, 600000, 1100000));
    EXPECT_EQ(player.clock(), 100u + 1300u);
}

// A reset sent at the moment of a channel's first program change must not undo it.
TEST_F(Player, SysExGoesOutByTickFirstAtItsMoment) {
    // A late one, the reset, one with a status byte inside, one in the middle.
    for (auto [tick, bytes] : std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>>{
             {960, {0x7E, 0x7F, 0x09, 0x01, 0xF7}},
             {0, {0x41, 0x10, 0x42, 0x12, 0xF7}},
             {240, {0x43, 0x90, 0x40, 0xF7}},
             {480, {0x43, 0x10, 0x4C, 0xF7}}})
        song.addSysEx(bytes, tick);
    trackProgram(0, 0, 20);
    play();
    runUntil(1100);
    std::vector<int> order; // the SysEx's first data byte, or 0 for the program change
    const auto all = out.entries();
    for (std::size_t i = preambleSize(); i < all.size(); ++i) {
        if (all[i].kind == Kind::SysEx) order.push_back(out.sysExBytes(all[i])[1]);
        if (all[i].kind == Kind::Short && all[i].packed == programChange(0, 20)) order.push_back(0);
    }
    EXPECT_EQ(order, (std::vector<int>{0x41, 0, 0x43, 0x7E}));
}

TEST_F(Player, SysExSkippedWhileSwitchedOffIsNotSentLater) {
    for (int k = 0; k < 5; ++k) {
        const std::uint8_t data[] = {0x41, static_cast<std::uint8_t>(k), 0xF7};
        song.addSysEx(data, k * 480);
    }
    player.setSysExEnabled(false);
    play();
    runUntil(1200);
    player.setSysExEnabled(true);
    runUntil(2600);
    std::vector<std::uint8_t> sent;
    for (const auto& e : out.entries())
        if (e.kind == Kind::SysEx) sent.push_back(out.sysExBytes(e)[2]);
    EXPECT_EQ(sent, (std::vector<std::uint8_t>{3, 4}));
}

TEST_F(Player, ChaseChannelsSendsTheValuesInForceAtThePlayersTick) {
    song.setChannelProgram(0, 0, 5);
    trackProgram(0, 960, 7);
    for (auto [ch, t, c, v] : {std::array{0, 0, 7, 100}, {0, 960, 7, 50}, {3, 0, 10, 11}})
        cc(ch, t, c, v);
    player.Locate(500);
    ChaseChannels(player, out, ChaseKinds::all());
    EXPECT_EQ(
        out.shortMessages(),
        (std::vector<std::uint32_t>{programChange(0, 5), control(0, 7, 100), control(3, 10, 11)}));
    EXPECT_TRUE(song.displayValue(3, DisplayController::Pan) == 11 &&
                player.refreshFlag(RefreshFlag::Any));

    out.clear();
    player.Locate(1000);
    ChaseKinds volumeOnly;
    volumeOnly.volume = true;
    ChaseChannels(player, out, volumeOnly);
    EXPECT_EQ(out.shortMessages(), std::vector<std::uint32_t>{control(0, 7, 50)});
    EXPECT_EQ(song.displayValue(0, DisplayController::Volume), 50);
}

// The real playback thread on the real clock, while another thread polls the display values as
// the display timer does; ThreadSanitizer checks the sharing.
TEST(PlayerThread, PlayStopAndLocateRaceTheDisplayPolling) {
    RecordingOutput out;
    ASSERT_TRUE(out.open(nullptr));
    CMidiSong song;
    song.reset();
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < 400; ++i) test::addNote(song, c, i * 12, i * 12 + 10, 40 + c);
        test::addControl(song, c, 24, 10, 0);
    }
    song.songLength = 400 * 12;
    CMidiPlayer player(out);
    player.AttachSong(&song);

    std::atomic<bool> done{false};
    std::thread display([&] {
        std::int64_t sum = 0;
        while (!done.load()) {
            sum += player.tick() + player.clock() + player.tempo() + player.timeSignature()[0];
            sum += player.playing();
            const ChaseKinds k = player.takeRefreshFlags();
            sum += k.pan;
            for (int c = 0; c < 16; ++c) {
                sum += song.displayValue(c, DisplayController::Pan);
                if (song.noteSent(c)) song.setNoteSent(c, false);
            }
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_NE(sum, 0);
    });

    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(player.Play());
        EXPECT_FALSE(player.Play());
        std::this_thread::sleep_for(30ms);
        song.setMuted(round % 4, true);
        player.Locate(240 * round);
        // A tempo edit while the thread plays gives the song a new time map; the player takes
        // it over under its lock.
        song.setTempoAt(0, 100 + 10 * round);
        player.RetimeQueues();
        std::this_thread::sleep_for(20ms);
        song.setMuted(round % 4, false);
        player.Stop();
        // Once Stop has returned the thread can send nothing more.
        const std::size_t after = out.size();
        std::this_thread::sleep_for(15ms);
        EXPECT_EQ(out.size(), after);
        EXPECT_EQ(out.entries().back().kind, Kind::Reset);
    }

    // A short song runs out by itself, and the thread silences once.
    player.Locate(400 * 12 - 48);
    out.clear();
    ASSERT_TRUE(player.Play());
    for (int i = 0; i < 2500 && player.playing(); ++i) std::this_thread::sleep_for(2ms);
    EXPECT_FALSE(player.playing());
    player.Stop();
    done.store(true);
    display.join();
    const auto s = out.shortMessages();
    EXPECT_EQ(std::count(s.begin(), s.end(), control(0, 120, 0)), 1);
    EXPECT_EQ(out.entries().back().kind, Kind::Reset);
}

} // namespace

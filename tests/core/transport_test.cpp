#include "core/app/remote_transport.h"
#include "core/document/transport.h"
#include "core/playback/recording_output.h"
#include "core/timing/time_map.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace cantelo;

namespace {

using test::control;
using Text = std::optional<std::string>;
using test::programChange;

// The transport over a player that runs only when the test pumps it, on a clock the test moves:
// division 480 at 120 BPM, so 960 ticks last one second.
class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.song.reset();
        doc.song.songLength = 960;
        ASSERT_TRUE(out.open(nullptr));
        player.AttachSong(&doc.song);
    }
    // Playback as its thread would run it, 10 ms at a time.
    void run(int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.advanceMs(10);
            player.pump();
        }
    }
    // How many short messages match `message` in the bytes that `mask` keeps.
    int sent(std::uint32_t message, std::uint32_t mask = 0xFFFFFF) const {
        const auto all = out.shortMessages();
        return static_cast<int>(std::count_if(
            all.begin(), all.end(), [&](std::uint32_t m) { return (m & mask) == message; }));
    }
    void syllables(std::initializer_list<std::pair<const char*, double>> items) {
        for (const auto& [text, tick] : items) doc.lyrics.lyrics().add(text, 0, tick);
    }

    ManualPlaybackClock clock;
    RecordingOutput out{"recorder", clock};
    SongDocument doc;
    CMidiPlayer player{out, clock, CMidiPlayer::Threading::CallerPumps};
    KeySync sync;
    Transport transport{player, doc, out, sync};
};

TEST_F(TransportTest, ASongPlayedToItsEndStopsThereOnceAndPlaysAgainFromTheStart) {
    test::addNote(doc.song, 0, 0, 900, 60);
    syllables({{"a", 100}, {"b", 200}, {"c", 1200}});
    ASSERT_TRUE(transport.startSync(100).accepted);
    EXPECT_EQ(transport.state(), TransportState::Synchronising);
    EXPECT_FALSE(transport.startSync(100).accepted);
    run(300);
    sync.tap(doc.lyrics, player.tick());
    run(700);
    ASSERT_TRUE(player.playing()); // at the length itself the song still plays
    EXPECT_EQ(transport.displayStep().position, "0001.03.000");

    run(20);
    EXPECT_EQ(player.tick(), 960);
    // The position did not move since the last run, and still the end is noticed.
    const DisplayUpdate u = transport.displayStep();
    EXPECT_TRUE(u.songEnded && u.syncFinished && !u.position);
    EXPECT_EQ(transport.state(), TransportState::Idle);
    EXPECT_FALSE(transport.syncRunning() || sync.syncMode());
    EXPECT_EQ(lyricItem(doc.lyrics.lyrics(), 0).tick, 288);
    EXPECT_EQ(lyricItem(doc.lyrics.lyrics(), 1).tick, 293) << "the ticks rise again";
    EXPECT_EQ(sync.syncIndex(), 2) << "the next take starts at the first syllable from the end";
    EXPECT_FALSE(transport.displayStep().songEnded);
    EXPECT_EQ(sent(control(0, 120, 0)), 1);

    ASSERT_TRUE(transport.play());
    EXPECT_TRUE(player.tick() == 0 && transport.displayStep().position == "0001.01.000");
}

TEST_F(TransportTest, PositionCommandsStepByMeasuresAndWaitWhilePlaying) {
    const std::uint8_t threeFour[4] = {3, 2, 24, 8};
    doc.song.setTimeSignatureAt(3840, threeFour);
    doc.song.songLength = 3840 + 2 * 1440;

    std::vector<std::int32_t> ticks;
    for (int i = 0; i < 3; ++i) ticks.push_back(transport.measureForward().tick);
    EXPECT_EQ(ticks, (std::vector<std::int32_t>{1920, 3840, 5280}));
    const auto shown = [&] {
        const DisplayUpdate u = transport.displayStep();
        return std::pair(u.position.value_or("-"), u.clock.value_or("-"));
    };
    using Shown = std::pair<std::string, std::string>;
    DisplayUpdate u = transport.displayStep();
    EXPECT_EQ(std::pair(u.position.value_or("-"), u.signature.value_or("-")),
              Shown("0004.01.000", "3/4"));
    ASSERT_TRUE(u.currentSignature);
    EXPECT_EQ(u.currentSignature->denominator, 4);
    for (std::int32_t back : {3840, 1920}) EXPECT_EQ(transport.measureBack().tick, back);
    EXPECT_EQ(transport.displayStep().signature, "4/4");

    const TransportMove end = transport.goToEnd();
    EXPECT_TRUE(end.moved && end.tick == 6720);
    EXPECT_EQ(shown(), Shown("0005.01.000", "00:00:07:00"));
    transport.goToStart();
    EXPECT_EQ(shown(), Shown("0001.01.000", "00:00:00:00"));

    transport.measureForward();
    ASSERT_TRUE(transport.play());
    run(100);
    const std::int32_t at = player.tick();
    EXPECT_FALSE(transport.goToStart().moved || transport.goToEnd().moved);
    const TransportMove back = transport.measureBack();
    EXPECT_TRUE(!back.moved && back.toolWindowsRefresh);
    EXPECT_TRUE(player.tick() == at && player.playing());
}

TEST_F(TransportTest, ATempoEditWhilePlayingKeepsThePositionAndTimesTheRestAnew) {
    doc.song.setTempoAt(0, 120);
    doc.song.songLength = 9600;
    ASSERT_TRUE(transport.play());
    run(500);
    const std::int32_t at = player.tick();
    ASSERT_EQ(at, 480);
    transport.displayStep();
    doc.song.setTempoAt(0, 240);
    transport.tempoEdited();
    EXPECT_EQ(player.tick(), at) << "no jump";
    DisplayUpdate u = transport.displayStep();
    EXPECT_EQ(std::pair(u.position, u.tempo), std::pair(Text("0001.02.000"), Text(tempoText(240))));
    run(500);
    EXPECT_EQ(player.tick(), at + 960) << "the rest plays at the new speed";

    transport.stop();
    const std::int32_t stopped = player.tick();
    doc.song.setTempoAt(0, 60);
    transport.tempoEdited();
    u = transport.displayStep();
    EXPECT_EQ(player.tick(), stopped);
    EXPECT_EQ(std::pair(u.clock, u.tempo),
              std::pair(Text(clockText(doc.song.timeMap().tickToMs(stopped))), Text(tempoText(60))))
        << "the clock of the new tempo";
}

TEST_F(TransportTest, RemoteCommandsAndAnOpenStopPlaybackOnce) {
    doc.song.songLength = 96000;
    const auto message = [](std::string_view tag, std::string text, bool refused = false) {
        return RemoteMessage{remoteTag(tag), static_cast<std::uint32_t>(text.size()), text,
                             refused};
    };
    ASSERT_TRUE(transport.play());
    run(100);
    const int resets = sent(control(0, 121, 0));
    EXPECT_EQ(answerRemoteCommand(transport, message("cnps", "")).result, 1);
    EXPECT_EQ(sent(control(0, 121, 0)), resets) << "already playing: not started again";
    EXPECT_EQ(answerRemoteCommand(transport, message("cnsw", "")).action, RemoteAction::ShowWindow);
    EXPECT_EQ(answerRemoteCommand(transport, message("cnzz", "x")).result, 0);

    const RemoteReply open = answerRemoteCommand(transport, message("cnof", "/songs/a.kar"));
    EXPECT_TRUE(open.result == 1 && open.stopped.stopped && open.action == RemoteAction::OpenFile);
    EXPECT_TRUE(open.path == "/songs/a.kar" && !player.playing());
    // The open that follows finds nothing left to stop, and no later step stops again.
    const std::size_t entries = out.size();
    EXPECT_FALSE(transport.beforeOpen().stopped);
    EXPECT_EQ(out.size(), entries);
    EXPECT_FALSE(transport.displayStep().songEnded);
    EXPECT_EQ(sent(control(0, 120, 0)), 1);

    EXPECT_EQ(answerRemoteCommand(transport, message("cnps", "", true)).result, 0);
    EXPECT_FALSE(player.playing());
    EXPECT_FALSE(answerRemoteCommand(transport, message("cnss", "")).stopped.stopped);

    // An open from the menu while playing.
    ASSERT_TRUE(transport.play());
    EXPECT_TRUE(transport.beforeOpen().stopped);
    EXPECT_FALSE(transport.displayStep().songEnded);
    EXPECT_EQ(sent(control(0, 120, 0)), 2);
}

TEST_F(TransportTest, TheDisplayStepRewritesAndSendsOnlyWhatChanged) {
    doc.song.songLength = 96000;
    doc.song.setChannelProgram(Transport::kFirstMelodyChannel, 0, 5);
    test::addControl(doc.song, 2, 0, 10, 40); // a pan, which only the refresh sends
    test::addControl(doc.song, 1, 0, 7, 5);   // a quiet channel
    test::addNote(doc.song, 1, 0, 480, 60);

    DisplayUpdate u = transport.displayStep();
    EXPECT_TRUE(u.position && u.clock && u.signature && u.tempo == "120");
    EXPECT_FALSE(u.instrument) << "the instrument follows only while playing";
    u = transport.displayStep();
    EXPECT_FALSE(u.tick || u.position || u.clock || u.signature || u.tempo);

    for (int start = 0; start < 2; ++start) {
        ASSERT_TRUE(transport.play());
        run(60);
        out.clear();
        u = transport.displayStep();
        EXPECT_TRUE(u.position && u.gridFollows && !u.tempo);
        EXPECT_TRUE(u.chased.volume && u.chased.pan && u.chased.program);
        EXPECT_EQ(sent(control(2, 10, 40)), 1) << "one full refresh, not one per flag";
        EXPECT_TRUE(u.meterLevels[1] == 1 && !u.meterLevels[0]);
        if (start == 0) {
            EXPECT_EQ(u.instrument, doc.song.programNames[5]);
            EXPECT_EQ(sent(programChange(3, 5)), 2); // the refresh's and the melody's own
        }

        run(50);
        out.clear();
        u = transport.displayStep();
        EXPECT_TRUE(u.position && !u.instrument && !u.meterLevels[1] && u.chased.none());
        EXPECT_EQ(out.size(), 0u);
        transport.stop();
        transport.goToStart();
    }

    ASSERT_TRUE(transport.play());
    transport.setMelodyChannel(4);
    run(60);
    out.clear();
    EXPECT_EQ(transport.displayStep().instrument, kNoProgramName);
    EXPECT_EQ(sent(0xC4, 0xFF), 0) << "no program change on the melody channel";
    run(50);
    EXPECT_FALSE(transport.displayStep().instrument);
}

} // namespace

TEST(DeferredRemoteOpenTest, OpensDuringAModalWaitAndOnlyTheLatestIsReleased) {
    DeferredRemoteOpen deferred;
    EXPECT_EQ(deferred.arrive("a.kar", false), "a.kar");
    EXPECT_FALSE(deferred.arrive("b.kar", true) || deferred.arrive("c.kar", true));
    EXPECT_FALSE(deferred.release(true)) << "still behind the modal";
    EXPECT_EQ(deferred.release(false), "c.kar");
    EXPECT_FALSE(deferred.release(false)) << "released once";

    // An open that goes ahead makes an older waiting one pointless.
    EXPECT_FALSE(deferred.arrive("d.kar", true));
    EXPECT_EQ(deferred.arrive("e.kar", false), "e.kar");
    EXPECT_FALSE(deferred.waiting());
}

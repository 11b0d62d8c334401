#include "test_support.h"

#include "core/document/editor_document.h"
#include "core/timing/time_map.h"
#include "core/tools/song_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using Kind = DocumentChangeKind;
using test::SmfFile;
using test::SmfTrack;

// The largest song of the corpus: every kind of event, several channels.
fs::path largestCorpusSong() {
    fs::path best;
    std::uintmax_t size = 0;
    for (const fs::path& p : test::corpusFiles({".mid", ".kar"}))
        if (fs::file_size(p) > size) size = fs::file_size(p), best = p;
    return best;
}

class SongEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.subscribe([this](const DocumentChange& c) { seen.push_back(c.kind); });
    }
    void open(const std::string& path) {
        ASSERT_TRUE(doc.open(path)) << path;
        seen.clear();
    }
    void openCorpus() {
        const fs::path song = largestCorpusSong();
        if (song.empty()) GTEST_SKIP() << "no corpus";
        open(song.string());
    }
    test::Bytes saved() {
        const fs::path p = dir.path() / ("s" + std::to_string(saves++) + ".mid");
        EXPECT_TRUE(doc.save(p.string(), kFormatChoice0).result);
        return test::fileBytes(p);
    }
    int firstChannelWith(int status) {
        for (auto& t : doc.song().data().tracks)
            for (auto& e : t.events)
                if (e.status() == status) return t.channel;
        return -1;
    }
    // Runs `edit`, then checks that undo gives back the song's saved bytes and redo those of
    // the edited song, each publishing `kind`.
    void expectUndoable(Kind kind, const std::function<Result()>& edit) {
        const test::Bytes before = saved();
        seen.clear();
        ASSERT_TRUE(edit());
        EXPECT_TRUE(std::count(seen.begin(), seen.end(), kind) != 0 && doc.modified());
        const test::Bytes after = saved();
        EXPECT_NE(after, before);
        seen.clear();
        ASSERT_TRUE(doc.undo());
        EXPECT_TRUE(std::count(seen.begin(), seen.end(), kind) != 0 && saved() == before);
        ASSERT_TRUE(doc.redo());
        EXPECT_EQ(saved(), after);
        ASSERT_TRUE(doc.undo());
    }

    test::ScratchDir dir;
    EditorDocument doc;
    std::vector<Kind> seen;
    int saves = 0;
};

TEST_F(SongEditTest, EachToolEditIsOneStepThatRestoresTheSavedBytes) {
    openCorpus();
    const int notes = firstChannelWith(0x90);
    ASSERT_GE(notes, 0);
    expectUndoable(Kind::Tempo, [&] { return shiftTempos(doc, true); });
    expectUndoable(Kind::Velocities, [&] { return scaleVelocities(doc, notes, -10); });
    expectUndoable(Kind::Controllers,
                   [&] { return setChannelController(doc, notes, 3000, 17, 10); });
    // A controller the channel never had is created at tick 0, and goes again.
    expectUndoable(Kind::Controllers,
                   [&] { return setChannelController(doc, notes, 3000, 5, 94); });
    expectUndoable(Kind::Programs, [&] {
        return doc.editSong(Kind::Programs, SongScope::controls(notes), [&](CMidiSong& s) {
            s.insertAtPosition = true;
            s.insertPosition = 960;
            s.addControlChange(notes, 960, 3, 0);
            s.moveProgram(notes, 5000, 1);
            s.applyProgram(notes, 5000, 33);
            s.insertAtPosition = false;
            return true;
        });
    });
}

TEST_F(SongEditTest, GestureIsOneStepAndUndoBackToTheSavedSongIsNoChange) {
    openCorpus();
    const int ch = firstChannelWith(0x90);
    const test::Bytes before = saved();
    doc.beginSongGesture(Kind::Controllers, SongScope::controls(ch));
    for (int v = 100; v <= 127; ++v) ASSERT_TRUE(setChannelController(doc, ch, 0, v, 7));
    EXPECT_EQ(doc.song().displayValue(ch, DisplayController::Volume), 127);
    ASSERT_TRUE(doc.endSongGesture() && doc.modified());
    ASSERT_TRUE(doc.undo());
    EXPECT_FALSE(doc.modified() || doc.canUndo());
    EXPECT_EQ(saved(), before);

    // Dragged away and back: nothing recorded.
    const std::int32_t at = doc.song().latestControllerTick(ch, 1 << 30, 7);
    ASSERT_GE(at, 0) << "the song sets the channel's volume";
    const int volume = doc.song().controllerAt(7, ch, at);
    doc.beginSongGesture(Kind::Controllers, SongScope::controls(ch));
    setChannelController(doc, ch, at, 3, 7);
    setChannelController(doc, ch, at, volume, 7);
    EXPECT_EQ(doc.endSongGesture().reason, FailureReason::NothingToDo);
    EXPECT_FALSE(doc.modified());
}

TEST_F(SongEditTest, SongAndLyricStepsShareOneHistory) {
    openCorpus();
    const auto lyrics = LyricsHistory::itemsOf(doc.lyrics().lyrics());
    const std::int32_t tempo = doc.song().tempoAt(0);
    const std::string length = doc.songDocument().lengthLabel;
    ASSERT_TRUE(shiftTempos(doc, false));
    EXPECT_EQ(doc.songDocument().lengthLabel,
              clockText(doc.song().timeMap().tickToMs(doc.song().songLength)));
    ASSERT_TRUE(doc.clearText());
    ASSERT_TRUE(shiftTempos(doc, false));
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.song().tempoAt(0), std::max(tempo - 1, 30));
    EXPECT_FALSE(LyricsHistory::holds(doc.lyrics().lyrics(), lyrics));
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(LyricsHistory::holds(doc.lyrics().lyrics(), lyrics));
    EXPECT_EQ(doc.song().tempoAt(0), std::max(tempo - 1, 30));
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(doc.song().tempoAt(0) == tempo && !doc.modified());
    EXPECT_EQ(doc.songDocument().lengthLabel, length);
    ASSERT_TRUE(doc.redo() && doc.redo());
    EXPECT_FALSE(LyricsHistory::holds(doc.lyrics().lyrics(), lyrics));
}

TEST_F(SongEditTest, EditsThatChangeNothingAreNoStepAndBanksComeBackWithTheirChase) {
    SmfTrack track;
    track.tempo(0, 60'000'000 / 250).event(0, {0xB2, 0, 1}).event(0, {0xC2, 5});
    track.noteOn(0, 2, 60, 100).noteOff(240, 2, 60).endOfTrack();
    open(test::writeFile(dir.path() / "e.mid", SmfFile(0, 480).track(track).bytes()));
    EXPECT_EQ(shiftTempos(doc, true).reason, FailureReason::NothingToDo);      // 250 stays 250
    EXPECT_EQ(scaleVelocities(doc, 9, 10).reason, FailureReason::NothingToDo); // no track
    EXPECT_FALSE(doc.canUndo());

    ASSERT_TRUE(doc.clearAllBanks());
    EXPECT_EQ(doc.song().controllerAt(0, 2, 100), -1);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.song().controllerAt(0, 2, 100), 1); // the chase list has it back
    EXPECT_EQ(doc.song().programAt(2, 100), 5);
}

} // namespace
} // namespace cantelo

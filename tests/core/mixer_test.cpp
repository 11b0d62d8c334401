#include "smf_builder.h"
#include "test_support.h"

#include "core/document/display_step.h"
#include "core/playback/midi_device.h"
#include "core/playback/recording_output.h"
#include "core/tools/mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>

namespace cantelo {
namespace {

using test::SmfFile;
using test::SmfTrack;

class Recorders final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder"}; }
    std::unique_ptr<MidiOutput> create(int) override {
        auto out = std::make_unique<RecordingOutput>();
        last = out.get();
        return out;
    }
    RecordingOutput* last = nullptr;
};

// Channels 0, 3 and 5 play; channel 0 has its volume (100) and pan at the start, channel 3 a
// volume change at tick 960; the others are unused.
class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SmfTrack t;
        t.event(0, {0xB0, 7, 100}).event(0, {0xB0, 10, 20}).event(0, {0xB3, 7, 90});
        for (int ch : {0, 3, 5}) t.noteOn(0, ch, 60, 100);
        t.event(960, {0xB3, 7, 70});
        for (int ch : {0, 3, 5}) t.noteOff(480, ch, 60);
        t.endOfTrack();
        ASSERT_TRUE(
            doc.open(test::writeFile(dir.path() / "m.mid", SmfFile(0, 480).track(t).bytes())));
        device.listDevices();
        ASSERT_TRUE(device.OpenDevice());
        ASSERT_TRUE(outputs.last);
    }
    test::Bytes saved() {
        const auto p = dir.path() / ("s" + std::to_string(saves++) + ".mid");
        EXPECT_TRUE(doc.save(p.string(), kFormatChoice0).result);
        return test::fileBytes(p);
    }
    const MixerItem& item(int ch, MixKind kind) {
        mixer.layout();
        for (const MixerItem& i : mixer.items())
            if (i.channel == ch && i.kind == kind) return i;
        ADD_FAILURE() << "no item";
        return mixer.items().front();
    }
    static int midX(const MixerItem& i) { return (i.left + i.right) / 2; }
    static int midY(const MixerItem& i) { return (i.top + i.bottom) / 2; }
    bool sent(int ch, int controller, int value) const {
        return std::ranges::count(outputs.last->shortMessages(),
                                  test::control(ch, controller, value)) > 0;
    }

    test::ScratchDir dir;
    EditorDocument doc;
    Recorders outputs;
    MidiDevice device{outputs};
    std::int32_t position = 0;
    Mixer mixer{doc, device, [this] { return position; }};
    int saves = 0;
};

TEST_F(MixerTest, FaderDragIsOneUndoStepAndFeedsTheMeter) {
    position = 1500; // channel 3's volume in force there is the one at tick 960
    mixer.SetMixValue(3, 100, 7);
    const test::Bytes before = saved();
    EXPECT_EQ(doc.song().controllerAt(7, 3, 0), 90);

    const MixerItem fader = item(3, MixKind::Volume);
    EXPECT_EQ(fader.value, 100);
    ASSERT_TRUE(mixer.mouseDown(midX(fader), midY(fader)));
    EXPECT_EQ(mixer.mouseMove(midX(fader), midY(fader) - 10), meterLevel(110));
    EXPECT_EQ(mixer.mouseMove(midX(fader), midY(fader) - 200), 13);
    mixer.mouseUp();
    EXPECT_EQ(std::tuple(doc.song().controllerAt(7, 3, position),
                         doc.song().displayValue(3, DisplayController::Volume),
                         item(3, MixKind::Volume).value),
              std::tuple(127, 127, 127));
    EXPECT_TRUE(sent(3, 7, 127));

    // Dragged far down it stops at 0. An undo pressed mid-drag takes the moves so far back, and
    // the moves after it are again one step.
    const MixerItem top = item(3, MixKind::Volume);
    ASSERT_TRUE(mixer.mouseDown(midX(top), midY(top)));
    mixer.mouseMove(midX(top), midY(top) + 50);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.song().controllerAt(7, 3, position), 127);
    mixer.mouseMove(midX(top), midY(top) + 100);
    mixer.mouseMove(midX(top), midY(top) + 500);
    mixer.mouseUp();
    EXPECT_EQ(doc.song().controllerAt(7, 3, position), 0);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.song().controllerAt(7, 3, position), 127);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(saved(), before);

    // The undo left the shown value behind: following the song brings it and the output back.
    outputs.last->clear();
    mixer.followSong();
    EXPECT_EQ(doc.song().displayValue(3, DisplayController::Volume), 100);
    EXPECT_TRUE(sent(3, 7, 100) && outputs.last->shortMessages().size() == 1u);
}

TEST_F(MixerTest, KnobsWheelAndAChannelWithoutTheController) {
    // Straight up from the pan knob's centre: 63, written at the position and sent.
    position = 200;
    const MixerItem pan = item(0, MixKind::Pan);
    ASSERT_TRUE(mixer.mouseDown(midX(pan), midY(pan)));
    mixer.mouseMove(pan.left + kMixerKnobSize / 2, pan.top - 30);
    mixer.mouseUp();
    EXPECT_TRUE(doc.song().controllerAt(10, 0, position) == 63 && sent(0, 10, 63));
    // Down-left, down-right, left (90 degrees), up-right (225 degrees), straight down.
    EXPECT_EQ((std::vector{knobValue(-10, 10), knobValue(10, 10), knobValue(-10, 0),
                           knobValue(10, -10), knobValue(0, 10)}),
              (std::vector{0, 127, 21, 84, 0}));

    // Channel 5 has no reverb: the wheel shows 0 + 1 and puts the event at tick 0.
    EXPECT_TRUE(doc.song().controllerAt(91, 5, position) == -1 &&
                item(5, MixKind::Reverb).value == 0);
    ASSERT_TRUE(mixer.stepControl(item(5, MixKind::Reverb).id, +1));
    EXPECT_EQ(std::pair(doc.song().latestControllerTick(5, position, 91),
                        doc.song().controllerAt(91, 5, 0)),
              std::pair(0, 1));
    EXPECT_FALSE(mixer.stepControl(item(5, MixKind::Mute).id, +1));
}

TEST_F(MixerTest, SoloMuteAndUnusedChannels) {
    mixer.toggleMute(5);
    EXPECT_TRUE(doc.song().isMuted(5));
    ASSERT_TRUE(mixer.mouseDown(midX(item(3, MixKind::Solo)), midY(item(3, MixKind::Solo))));
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(doc.song().isMuted(c), c != 3) << c;
    // A mute pressed under a solo waits for the solo to go.
    mixer.toggleMute(0);
    EXPECT_TRUE(doc.song().isMuted(0));
    mixer.toggleSolo(3);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(doc.song().isMuted(c), c == 0 || c == 5) << c;

    // A channel the song does not use ignores the mouse: no button, no drag, no step.
    const bool couldUndo = doc.canUndo();
    for (MixKind k : {MixKind::Mute, MixKind::Solo, MixKind::Volume, MixKind::Pan}) {
        const MixerItem i = item(7, k);
        EXPECT_FALSE(mixer.mouseDown(midX(i), midY(i)) || mixer.dragging());
        EXPECT_FALSE(mixer.stepControl(i.id, 1));
    }
    EXPECT_FALSE(mixer.muted(7) || mixer.soloed(7));
    EXPECT_EQ(doc.canUndo(), couldUndo);

    // Opening a song lets every button up.
    mixer.toggleSolo(3);
    mixer.songOpened();
    for (int c = 0; c < kChannels; ++c) EXPECT_FALSE(doc.song().isMuted(c) || mixer.muted(c));
}

} // namespace
} // namespace cantelo

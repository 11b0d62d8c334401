#include "core/playback/midi_device.h"
#include "midi/rtmidi_output.h"
#include "midi/system_outputs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>

using namespace cantelo;

namespace {

bool haveSoundFont() {
    return !soundFontCandidates({}).empty();
}

TEST(SystemOutputsTest, ListingStartsWithTheSynthesizerAndWorksWithoutASequencer) {
    SystemOutputs outputs;
    const auto names = outputs.list();
    ASSERT_GE(names.size(), 1u);
    EXPECT_LE(names.size(), static_cast<std::size_t>(kMaxOutputs));
    EXPECT_EQ(names[0], kBuiltInSynthName);
    EXPECT_TRUE(::access("/dev/snd/seq", F_OK) == 0 || names.size() == 1u) << names.size();

    EXPECT_NE(dynamic_cast<FluidSynthOutput*>(outputs.create(0).get()), nullptr);
    EXPECT_FALSE(outputs.create(static_cast<int>(names.size())) || outputs.create(-1));
    for (int i = 1; i < static_cast<int>(names.size()); ++i)
        EXPECT_EQ(outputs.create(i)->name(), names[static_cast<std::size_t>(i)]);
}

TEST(SystemOutputsTest, APortThatIsNotThereFailsToOpenQuietly) {
    RtMidiOutput port("Cantelo test port that does not exist");
    std::string error;
    EXPECT_FALSE(port.open(&error) || error.empty() || port.isOpen());
    port.sendShort(packShort(0x90, 60, 100));
    port.sendSysEx(std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    port.reset();
    port.close();
}

class DeviceOverSystemOutputsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI soundfont";
        device.setMessageSink([this] { ++messages; });
        device.listDevices();
        device.setDeviceNumber(0);
    }

    SystemOutputs outputs;
    MidiDevice device{outputs};
    int messages = 0;
};

// The sequencer's sends racing the menus' open, close and reset on the real synthesizer: run
// under ThreadSanitizer this must stay quiet, and under AddressSanitizer no send may touch a
// synthesizer that has been deleted.
TEST_F(DeviceOverSystemOutputsTest, OpenCloseAndResetWhileAnotherThreadSends) {
    outputs.synthOptions().offline = true;
    ASSERT_TRUE(device.OpenDevice()) << device.lastError();
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread player([&] {
        const std::vector<std::uint8_t> volume{0x7F, 0x7F, 0x04, 0x01, 0x00, 0x60, 0xF7};
        for (std::uint8_t key = 0; !stop.load();
             key = static_cast<std::uint8_t>((key + 1) & 0x7F)) {
            device.sendShort(packShort(0x90, key, 100));
            device.sendShort(packShort(0x80, key, 0));
            device.SendSysEx(volume);
            rounds.fetch_add(1);
        }
    });
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(device.OpenDevice()) << device.lastError();
        const int seen = rounds.load();
        while (rounds.load() < seen + 20) std::this_thread::yield();
        device.reset();
        device.close();
    }
    stop = true;
    player.join();
    EXPECT_TRUE(!device.isOpen() && messages == 0);
}

} // namespace

#include "midi/fluidsynth_output.h"

#include "../core/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

using namespace cantelo;
namespace fs = std::filesystem;

namespace {

// The synthesizer offline, with the machine's General MIDI soundfont: no audio device needed.
class FluidSynthOfflineTest : public ::testing::Test {
protected:
    void SetUp() override {
        FluidSynthOptions options;
        options.offline = true;
        if (soundFontCandidates(options).empty()) GTEST_SKIP() << "no General MIDI soundfont";
        synth = std::make_unique<FluidSynthOutput>(options);
        std::string error;
        ASSERT_TRUE(synth->open(&error)) << error;
    }

    // Root mean square level of the next `seconds` of sound.
    double level(double seconds) {
        std::vector<float> buf(2 * static_cast<std::size_t>(seconds * synth->sampleRate()));
        EXPECT_TRUE(synth->render(buf));
        double sum = 0;
        for (float s : buf) sum += double{s} * s;
        return std::sqrt(sum / static_cast<double>(buf.size()));
    }

    void sysEx(std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> v(bytes);
        synth->sendSysEx(v);
    }

    static constexpr double kSilent = 1e-5;
    static constexpr double kAudible = 1e-3;
    std::unique_ptr<FluidSynthOutput> synth;
};

TEST_F(FluidSynthOfflineTest, ResetSilencesEveryChannelAndRestoresTheControllers) {
    synth->sendShort(packShort(0xC0, 19)); // an organ holds its notes for ever
    for (std::uint8_t ch : {0, 5, 9, 15}) synth->sendShort(packShort(0x90 | ch, 60, 100));
    level(0.2);
    EXPECT_GE(synth->activeVoices(), 4);
    synth->reset();
    level(0.05);
    EXPECT_EQ(synth->activeVoices(), 0);
    level(3.0); // the reverb fades

    synth->sendShort(packShort(0xB3, 11, 0)); // channel 3 at expression 0 plays nothing
    synth->sendShort(packShort(0x93, 64, 100));
    EXPECT_LT(level(0.2), kSilent);
    synth->reset();
    level(0.05);
    synth->sendShort(packShort(0x93, 64, 100));
    EXPECT_GT(level(0.2), kAudible);
}

TEST_F(FluidSynthOfflineTest, ResetAndMasterVolumeSysExAreUnderstood) {
    const auto noteThen = [&](auto send) {
        synth->sendShort(packShort(0x90, 60, 100));
        level(0.1);
        send();
        level(0.05);
        return synth->activeVoices();
    };
    const std::vector<std::vector<std::uint8_t>> resets = {
        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},                               // GM on
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, // GS reset
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}};            // XG system on
    for (const auto& r : resets) EXPECT_EQ(noteThen([&] { synth->sendSysEx(r); }), 0);
    // Something it does not know, and broken messages, leave the note sounding.
    EXPECT_GT(noteThen([&] {
                  sysEx({0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0xF7});
                  sysEx({0xF0});
                  sysEx({0x7E, 0x7F, 0x09, 0x01});
              }),
              0);
    synth->reset();
    level(2.0);

    sysEx({0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7}); // master volume 0
    synth->sendShort(packShort(0x90, 60, 100));
    EXPECT_LT(level(0.2), kSilent);
    sysEx({0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}); // and full again
    synth->sendShort(packShort(0x90, 64, 100));
    EXPECT_GT(level(0.2), kAudible);
}

class SoundFontSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "dir" / "sub");
        fs::create_directories(root / "empty");
    }

    // A file with a soundfont's RIFF header and nothing after it, unless told otherwise.
    fs::path file(const fs::path& rel,
                  const std::string& text = std::string("RIFF\4\0\0\0sfbk", 12)) {
        return test::writeFile(root / rel, text);
    }

    test::ScratchDir scratch;
    const fs::path root = scratch.path();
};

TEST_F(SoundFontSearchTest, NamedThenDefaultThenEveryFontOfTheFoldersOnce) {
    const auto b = file("dir/b.sf2"), a = file("dir/a.SF3"), c = file("dir/sub/c.sf2");
    file("dir/readme.txt");
    file("dir/page.sf2", "<html>not found</html>");
    const auto named = file("mine.sf2");
    fs::create_symlink(b, root / "default-GM.sf2");

    FluidSynthOptions options;
    options.soundFont = named;
    options.systemDefault = root / "default-GM.sf2";
    options.searchDirs = {root / "dir", root / "missing"};
    EXPECT_EQ(soundFontCandidates(options),
              (std::vector<fs::path>{named, root / "default-GM.sf2", a, c}));

    // Named and default files that are not there are simply not tried.
    options.soundFont = root / "gone.sf2";
    options.systemDefault = root / "gone-too.sf2";
    EXPECT_EQ(soundFontCandidates(options), (std::vector<fs::path>{a, b, c}));
}

TEST_F(SoundFontSearchTest, OpenFailsWithoutASoundFontOrAnAudioOutput) {
    FluidSynthOptions options;
    options.offline = true;
    options.systemDefault.clear();
    options.searchDirs = {root / "empty"};
    FluidSynthOutput none(options);
    std::string error;
    EXPECT_FALSE(none.open(&error) || none.isOpen());
    EXPECT_NE(error.find("soundfont"), std::string::npos) << error;

    // A file that only looks like a soundfont is passed over for the next one (the loader may
    // print a complaint about it).
    options.searchDirs = {root / "dir"};
    file("dir/broken.sf2");
    FluidSynthOutput broken(options);
    error.clear();
    EXPECT_FALSE(broken.open(&error));
    EXPECT_NE(error.find("soundfont"), std::string::npos) << error;

    FluidSynthOptions real;
    if (soundFontCandidates(real).empty()) GTEST_SKIP() << "no General MIDI soundfont";
    real.soundFont = root / "dir" / "broken.sf2";
    real.offline = true;
    FluidSynthOutput fallback(real);
    ASSERT_TRUE(fallback.open(&error)) << error;
    EXPECT_NE(fallback.soundFont(), real.soundFont);

    real.offline = false;
    real.audioDrivers = {"no-such-driver"};
    FluidSynthOutput mute(real);
    error.clear();
    std::vector<float> buf(64);
    EXPECT_FALSE(mute.open(&error) || mute.isOpen() || mute.render(buf));
    EXPECT_NE(error.find("audio"), std::string::npos) << error;
}

} // namespace

#include "midi/fluidsynth_output.h"
#include "midi/song_render.h"
#include "midi/wav_writer.h"

#include "../core/test_support.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

using namespace cantelo;
namespace fs = std::filesystem;

namespace {

std::uint32_t le(const test::Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    return v;
}

class RenderTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
};

TEST_F(RenderTest, WavFilesAreWrittenWholeOrNotAtAll) {
    const fs::path target = dir / "out.wav";
    std::ofstream(target) << "previous";
    {
        WavWriter abandoned(target, 22050);
        ASSERT_TRUE(abandoned.write(std::vector<float>{0.5f, -0.5f}));
    }
    std::ifstream previous(target);
    std::string kept;
    std::getline(previous, kept);
    EXPECT_TRUE(kept == "previous" &&
                std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) == 1);

    WavWriter wav(target, 22050);
    ASSERT_TRUE(wav.write(std::vector<float>{0.0f, 1.0f, -1.0f, 0.5f}));
    ASSERT_TRUE(wav.write(std::vector<float>{2.0f, -3.0f})); // clipped, not wrapped
    std::string error;
    ASSERT_TRUE(wav.finish(&error)) << error;
    EXPECT_EQ(wav.frames(), 3u);
    // 16-bit PCM stereo at 22050 Hz, three frames; the samples clipped at +-32767.
    const std::string_view expected("RIFF\x30\0\0\0WAVEfmt \x10\0\0\0\1\0\2\0\x22\x56\0\0"
                                    "\x88\x58\1\0\4\0\x10\0data\x0C\0\0\0"
                                    "\0\0\xFF\x7F\x01\x80\0\x40\xFF\x7F\x01\x80",
                                    56);
    EXPECT_EQ(test::fileBytes(target), test::bytesOf(expected));

    WavWriter nowhere(dir / "no-such-folder" / "x.wav", 44100);
    EXPECT_FALSE(nowhere.ok() || nowhere.finish(&error));
}

// Rendering places every message at its own sample: a song whose only note starts at 500 ms is
// exactly silent before it and sounds from there.
TEST_F(RenderTest, ASongRendersWithItsNotesInPlace) {
    FluidSynthOptions options;
    options.offline = true;
    FluidSynthOutput synth(options);
    std::string error;
    if (soundFontCandidates(options).empty()) GTEST_SKIP() << "no General MIDI soundfont";
    ASSERT_TRUE(synth.open(&error)) << error;

    test::SmfTrack t;
    t.event(0, {0xC0, 0}).noteOn(480, 0, 69, 110).noteOff(960, 0, 69).endOfTrack();
    CMidiSong song;
    song.reset();
    const auto image = test::SmfFile().track(t).bytes();
    ASSERT_TRUE(readSongImage(song, image, "note.mid"));

    std::vector<float> all;
    RenderSummary summary;
    ASSERT_TRUE(renderSong(
        song, synth,
        [&](std::span<const float> block) {
            all.insert(all.end(), block.begin(), block.end());
            return true;
        },
        &summary));
    const auto rate = synth.sampleRate();
    EXPECT_EQ(std::pair(summary.songMs, summary.frames * 2),
              std::pair(std::int64_t{1500}, static_cast<std::int64_t>(all.size())));
    EXPECT_TRUE(summary.frames > static_cast<std::int64_t>(1.5 * rate) &&
                summary.frames < static_cast<std::int64_t>(7.0 * rate))
        << summary.frames;

    const auto firstSound = static_cast<std::size_t>(
        std::find_if(all.begin(), all.end(), [](float s) { return std::fabs(s) > 1e-4f; }) -
        all.begin());
    const auto noteStart = static_cast<std::size_t>(0.5 * rate) * 2;
    EXPECT_TRUE(firstSound >= noteStart &&
                firstSound < noteStart + static_cast<std::size_t>(0.02 * rate) * 2)
        << firstSound;
    double held = 0;
    for (std::size_t i = noteStart; i < static_cast<std::size_t>(1.5 * rate) * 2; ++i)
        held = std::max(held, double{std::fabs(all[i])});
    EXPECT_GT(held, 0.01);

    // A sink that gives up stops the render.
    int blocks = 0;
    EXPECT_FALSE(renderSong(song, synth, [&](std::span<const float>) { return ++blocks < 2; }));
    EXPECT_EQ(blocks, 2);
}

TEST_F(RenderTest, TheToolRendersACorpusSongToAWavFile) {
    const fs::path song = fs::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";
    if (!fs::exists(song)) GTEST_SKIP() << "corpus not found at " << CANTELO_CORPUS_DIR;
    if (soundFontCandidates({}).empty()) GTEST_SKIP() << "no General MIDI soundfont";
    const fs::path out = dir / "twinkle.wav";
    const auto run = [&](const std::string& extra) {
        const std::string cmd = std::string("\"") + CANTELO_TOOL_PATH + "\" render \"" +
                                song.string() + "\" \"" + out.string() + "\"" + extra +
                                " > /dev/null 2>&1";
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(run(""), 0);
    const test::Bytes wav = test::fileBytes(out);
    ASSERT_GT(wav.size(), 44u + 4u * 44100u * 10u); // the song lasts well over ten seconds
    EXPECT_EQ(le(wav, 24, 4), 44100u);
    int loudest = 0;
    for (std::size_t i = 44; i + 1 < wav.size(); i += 2)
        loudest = std::max(loudest, int{static_cast<std::int16_t>(le(wav, i, 2))});
    EXPECT_GT(loudest, 1000);

    fs::remove(out);
    EXPECT_NE(run(" --soundfont " + (dir / "none.sf2").string()), 0);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_NE(run(" --bogus"), 0);
}

} // namespace

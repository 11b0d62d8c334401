// cantelo-tool render: a song through the built-in synthesizer into a WAV file, offline and as
// fast as the processor allows, so no audio device is needed.
#include <cstdio>
#include <string>
#include <string_view>

#ifdef CANTELO_WITH_MIDI
#include "core/language/language.h"
#include "core/playback/song_messages.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "core/timing/time_map.h"
#include "midi/fluidsynth_output.h"
#include "midi/song_render.h"
#include "midi/wav_writer.h"

#include <chrono>
#include <filesystem>
#include <memory>
#endif

namespace {

int usage() {
    std::fputs("usage: cantelo-tool render FILE OUT.wav [--soundfont SF]\n", stderr);
    return 1;
}

} // namespace

int renderCommand(int argc, char** argv) {
    std::string songPath, wavPath, soundFont;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--soundfont" && i + 1 < argc)
            soundFont = argv[++i];
        else if (!a.starts_with("--") && songPath.empty())
            songPath = a;
        else if (!a.starts_with("--") && wavPath.empty())
            wavPath = a;
        else
            return usage();
    }
    if (wavPath.empty()) return usage();
#ifdef CANTELO_WITH_MIDI
    using namespace cantelo;
    auto song = std::make_unique<CMidiSong>();
    song->reset();
    if (const Result read = readSongFile(*song, songPath); !read) {
        const LanguageTexts italian;
        std::fprintf(stderr, "cantelo-tool: %s: %s %s\n", songPath.c_str(),
                     italian[TextId::OpenErrorLine1].c_str(),
                     reasonText(italian, read.reason).c_str());
        return 2;
    }
    FluidSynthOptions options;
    options.offline = true;
    if (!soundFont.empty()) {
        // A soundfont asked for by name is not silently replaced by another one.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(soundFont, ec)) {
            std::fprintf(stderr, "cantelo-tool: no soundfont at %s\n", soundFont.c_str());
            return 3;
        }
        options.soundFont = soundFont;
        options.systemDefault.clear();
        options.searchDirs.clear();
    }
    FluidSynthOutput synth(options);
    std::string error;
    if (!synth.open(&error)) {
        std::fprintf(stderr, "cantelo-tool: the synthesizer cannot start: %s\n", error.c_str());
        return 3;
    }
    // A damaged file can put a stray event hours after the music; say so before rendering
    // hours of silence into a file that cannot hold them.
    const auto messages = songMessages(*song);
    const std::int64_t lastMs = messages.empty() ? 0 : messages.back().ms;
    const auto maxMs = static_cast<std::int64_t>(static_cast<double>(WavWriter::kMaxFrames) /
                                                 synth.sampleRate() * 1000.0) -
                       kRenderMaxTailMs;
    if (lastMs > maxMs) {
        std::fprintf(stderr, "cantelo-tool: the song lasts %s, longer than a WAV file holds (%s)\n",
                     clockText(lastMs).c_str(), clockText(maxMs).c_str());
        return 4;
    }
    WavWriter wav(wavPath, static_cast<int>(synth.sampleRate()));
    if (!wav.ok()) {
        std::fprintf(stderr, "cantelo-tool: cannot create %s\n", wavPath.c_str());
        return 4;
    }
    const auto started = std::chrono::steady_clock::now();
    RenderSummary summary;
    const bool rendered = renderSong(
        *song, synth, [&](std::span<const float> block) { return wav.write(block); }, &summary);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    if (!rendered || !wav.finish(&error)) {
        std::fprintf(stderr, "cantelo-tool: %s\n",
                     error.empty() ? ("cannot write " + wavPath).c_str() : error.c_str());
        return 4;
    }
    const double audioSeconds = static_cast<double>(summary.frames) / synth.sampleRate();
    std::printf("%s: %s of song, %zu messages, %.1f s of audio in %.2f s (%.1fx real time)\n",
                wavPath.c_str(), clockText(summary.songMs).c_str(), summary.messages, audioSeconds,
                took.count(), took.count() > 0 ? audioSeconds / took.count() : 0.0);
    std::printf("soundfont: %s\n", synth.soundFont().c_str());
    return 0;
#else
    std::fputs("cantelo-tool: built without the MIDI outputs\n", stderr);
    return 1;
#endif
}

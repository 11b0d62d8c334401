// Offline rendering through the built-in synthesizer against real time: the figure reported is
// seconds of audio per second of wall-clock time (the target is at least 20).
#ifdef CANTELO_WITH_MIDI
#include "bench_inputs.h"

#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "midi/fluidsynth_output.h"
#include "midi/song_render.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

using namespace cantelo;

namespace {

void BM_RenderSong(benchmark::State& state, const char* name) {
    const auto image = loadBenchInput(name);
    auto song = std::make_unique<CMidiSong>();
    song->reset();
    if (image.size() < 14 || !readSongImage(*song, image, name)) {
        state.SkipWithError("input missing: run bench/run.sh");
        return;
    }
    FluidSynthOptions options;
    options.offline = true;
    FluidSynthOutput synth(options);
    std::string error;
    if (!synth.open(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    double audioSeconds = 0;
    // The machine may be shared: the processor time of this (the only rendering) thread says
    // what the render costs whatever else runs.
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        RenderSummary summary;
        // The samples are only summed: what is measured is synthesis, not disk writing.
        float sink = 0;
        renderSong(
            *song, synth,
            [&](std::span<const float> block) {
                sink += block[0];
                return true;
            },
            &summary);
        benchmark::DoNotOptimize(sink);
        audioSeconds += static_cast<double>(summary.frames) / synth.sampleRate();
        synth.sendSysEx(std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    }
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    state.counters["x_real_time"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.counters["x_real_time_cpu"] = cpuSeconds > 0 ? audioSeconds / cpuSeconds : 0;
    state.SetLabel(synth.soundFont().filename().string());
}

} // namespace

BENCHMARK_CAPTURE(BM_RenderSong, notes5000, "song5000.mid")
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(3);
#endif

// Opening and saving a song as the editor does, against the bare walk of reader_bench.cpp over
// the same file (run in the same binary): open = read, lyric extraction, choice of the lyric
// chunk, normalisation, lines; save = tidy-up, hand-over, writer, file written and renamed.
#include "bench_inputs.h"

#include "core/document/song_file.h"
#include "core/song/midi_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace cantelo;

namespace {

bool inputPresent(benchmark::State& state, const char* name) {
    if (loadBenchInput(name).size() >= 14) return true;
    state.SkipWithError("input missing: run bench/run.sh");
    return false;
}

void BM_OpenSong(benchmark::State& state, const char* name) {
    if (!inputPresent(state, name)) return;
    const std::string path = benchInputPath(name);
    auto doc = std::make_unique<SongDocument>();
    for (auto _ : state) benchmark::DoNotOptimize(openSongFile(*doc, path, 0).ok);
}

// The writer alone: the opened song's bytes in memory.
void BM_EncodeSong(benchmark::State& state, const char* name) {
    if (!inputPresent(state, name)) return;
    auto doc = std::make_unique<SongDocument>();
    if (!openSongFile(*doc, benchInputPath(name), 0).ok) {
        state.SkipWithError("cannot open the input");
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto image = encodeSong(doc->song, 1, false);
        bytes = image.size();
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_OpenAndSaveSong(benchmark::State& state, const char* name) {
    if (!inputPresent(state, name)) return;
    const std::string path = benchInputPath(name);
    const std::string out = benchInputPath(std::string("saved_") + name);
    auto doc = std::make_unique<SongDocument>();
    for (auto _ : state) {
        if (!openSongFile(*doc, path, 0).ok || !saveSongFile(*doc, out, kFormatChoice1).ok) {
            state.SkipWithError("open or save failed");
            break;
        }
    }
    std::remove(out.c_str());
}

} // namespace

BENCHMARK_CAPTURE(BM_OpenSong, notes5000, "song5000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenSong, notes50000, "song50000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenSong, notes500000, "song500000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenSong, notes2000000, "song2000000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenSong, signatures5000, "signatures5000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenSong, signatures40000, "signatures40000.mid")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenSong, tempos100000, "tempos100000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeSong, notes500000, "song500000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenAndSaveSong, notes500000, "song500000.mid")->Unit(benchmark::kMillisecond);

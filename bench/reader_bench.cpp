// Reading a song against the practical limit: a bare walk over the same bytes that decodes
// delta times, running status and event lengths but stores nothing.
#include "bench_inputs.h"

#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

using namespace cantelo;

namespace {

std::uint32_t vlq(const std::uint8_t*& p, const std::uint8_t* end) {
    std::uint32_t v = 0;
    while (p < end) {
        const std::uint8_t b = *p++;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) break;
    }
    return v;
}

// Returns a checksum of what it walked so the compiler cannot drop the work.
std::uint64_t bareWalk(const std::vector<std::uint8_t>& image) {
    std::uint64_t sum = 0;
    const std::uint8_t* p = image.data() + 14;
    const std::uint8_t* const fileEnd = image.data() + image.size();
    while (fileEnd - p >= 8) {
        const std::uint32_t len = (std::uint32_t{p[4]} << 24) | (std::uint32_t{p[5]} << 16) |
                                  (std::uint32_t{p[6]} << 8) | p[7];
        const std::uint8_t* end = p + 8 + std::min<std::size_t>(len, fileEnd - p - 8);
        const bool track = std::memcmp(p, "MTrk", 4) == 0;
        p += 8;
        std::uint32_t tick = 0;
        std::uint8_t running = 0;
        while (track && p < end) {
            tick += vlq(p, end);
            if (p >= end) break;
            std::uint8_t b = *p;
            if (b == 0xFF) {
                p += 2;
                const std::uint32_t n = vlq(p, end);
                p += std::min<std::size_t>(n, end - p);
            } else if (b >= 0xF0) {
                ++p;
                const std::uint32_t n = vlq(p, end);
                p += std::min<std::size_t>(n, end - p);
            } else {
                if (b & 0x80) {
                    running = b;
                    ++p;
                }
                const int need = ((running & 0xE0) == 0xC0) ? 1 : 2;
                if (end - p < need) break;
                sum += tick + running + p[0];
                p += need;
            }
        }
        p = end;
    }
    return sum;
}

// The input's bytes, or empty after marking the benchmark skipped.
std::vector<std::uint8_t> inputOrSkip(benchmark::State& state, const char* name) {
    auto image = loadBenchInput(name);
    if (image.size() < 14) {
        state.SkipWithError("input missing: run bench/run.sh");
        image.clear();
    }
    return image;
}

void BM_BareWalk(benchmark::State& state, const char* name) {
    const auto image = inputOrSkip(state, name);
    if (image.empty()) return;
    for (auto _ : state) benchmark::DoNotOptimize(bareWalk(image));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}

void BM_ReadSong(benchmark::State& state, const char* name) {
    const auto image = inputOrSkip(state, name);
    if (image.empty()) return;
    auto song = std::make_unique<CMidiSong>();
    // The open command resets the song before reading; freeing the previous song is not
    // part of reading, so it is kept out of the measurement.
    for (auto _ : state) {
        state.PauseTiming();
        song->reset();
        state.ResumeTiming();
        benchmark::DoNotOptimize(readSongImage(*song, image, name));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}

void BM_ResetAndReadSong(benchmark::State& state, const char* name) {
    const auto image = inputOrSkip(state, name);
    if (image.empty()) return;
    auto song = std::make_unique<CMidiSong>();
    for (auto _ : state) {
        song->reset();
        benchmark::DoNotOptimize(readSongImage(*song, image, name));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}

} // namespace

BENCHMARK_CAPTURE(BM_BareWalk, notes5000, "song5000.mid")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadSong, notes5000, "song5000.mid")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_BareWalk, notes50000, "song50000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadSong, notes50000, "song50000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareWalk, notes500000, "song500000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadSong, notes500000, "song500000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ResetAndReadSong, notes500000, "song500000.mid")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareWalk, notes2000000, "song2000000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareWalk, signatures5000, "signatures5000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareWalk, signatures40000, "signatures40000.mid")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareWalk, tempos100000, "tempos100000.mid")->Unit(benchmark::kMillisecond);

// What the time map and the per-channel chase indexes make cheap, on the generated songs of
// 5,000 to 2,000,000 notes and on the songs dense in tempos or signatures (bench/gen_maps.py):
// starting playback (the queues built and positioned, the thread not started), retiming the
// queues after a tempo edit made while playing, and re-sending the values in force on every
// channel. Compare with BM_BareWalk and BM_OpenSong of the same input (reader_bench.cpp,
// save_bench.cpp), run in the same binary.
#include "bench_inputs.h"

#include "core/playback/chase_channels.h"
#include "core/playback/midi_player.h"
#include "core/playback/recording_output.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace cantelo;

namespace {

std::unique_ptr<CMidiSong> songOrSkip(benchmark::State& state, const char* name) {
    auto song = std::make_unique<CMidiSong>();
    song->reset();
    if (!readSongFile(*song, benchInputPath(name))) {
        state.SkipWithError("input missing: run bench/run.sh");
        return nullptr;
    }
    return song;
}

// A player on a clock that stands still, driven by hand; its output is never opened, so what it
// sends is counted and dropped.
struct Rig {
    RecordingOutput output;
    ManualPlaybackClock clock;
    CMidiPlayer player{output, clock, CMidiPlayer::Threading::CallerPumps};
};

void BM_PlayStart(benchmark::State& state, const char* name) {
    auto song = songOrSkip(state, name);
    if (!song) return;
    Rig rig;
    rig.player.AttachSong(song.get());
    for (auto _ : state) {
        if (!rig.player.Play()) {
            state.SkipWithError("Play failed");
            break;
        }
        rig.player.Stop();
    }
}

// The tempo tool's edit while playing: the first tempo one BPM up or down, then the retime.
void BM_Retime(benchmark::State& state, const char* name) {
    auto song = songOrSkip(state, name);
    if (!song) return;
    Rig rig;
    rig.player.AttachSong(song.get());
    if (!rig.player.Play()) {
        state.SkipWithError("Play failed");
        return;
    }
    rig.clock.advanceMs(1000);
    rig.player.pump();
    const std::int32_t bpm = song->tempoAt(0);
    bool up = false;
    for (auto _ : state) {
        up = !up;
        song->setTempoAt(0, up ? bpm + 1 : bpm);
        rig.player.RetimeQueues();
    }
    rig.player.Stop();
}

// The display refresh after a port toggle: every kind of value on all sixteen channels.
void BM_ChaseChannels(benchmark::State& state, const char* name) {
    auto song = songOrSkip(state, name);
    if (!song) return;
    Rig rig;
    rig.player.AttachSong(song.get());
    rig.player.Locate(song->songLength / 2);
    for (auto _ : state) ChaseChannels(rig.player, rig.output, ChaseKinds::all());
}

} // namespace

#define CANTELO_MAP_BENCH(fn, unit)                                                                \
    BENCHMARK_CAPTURE(fn, notes5000, "song5000.mid")->Unit(benchmark::unit);                       \
    BENCHMARK_CAPTURE(fn, notes50000, "song50000.mid")->Unit(benchmark::unit);                     \
    BENCHMARK_CAPTURE(fn, notes500000, "song500000.mid")->Unit(benchmark::unit);                   \
    BENCHMARK_CAPTURE(fn, notes2000000, "song2000000.mid")->Unit(benchmark::unit);                 \
    BENCHMARK_CAPTURE(fn, signatures40000, "signatures40000.mid")->Unit(benchmark::unit);          \
    BENCHMARK_CAPTURE(fn, tempos100000, "tempos100000.mid")->Unit(benchmark::unit)

CANTELO_MAP_BENCH(BM_PlayStart, kMillisecond);
CANTELO_MAP_BENCH(BM_Retime, kMillisecond);
BENCHMARK_CAPTURE(BM_ChaseChannels, notes500000, "song500000.mid")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ChaseChannels, notes2000000, "song2000000.mid")->Unit(benchmark::kMicrosecond);

// The tool windows' core work: a step of the level meters' animation, and the song edits of the
// mixer and the overview on the generated 500,000-note file, each with its undo step.
#include "bench_inputs.h"

#include "core/document/editor_document.h"
#include "core/tools/song_tools.h"
#include "core/tools/vu_meter.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace cantelo;

namespace {

void BM_VuMeterStep16(benchmark::State& state) {
    VuMeterAnimation meter;
    std::vector<VuMeterAnimation::Paint> painted;
    int run = 0;
    for (auto _ : state) {
        // Every channel fed again every 50 ms, as the display timer does while all play.
        if (run++ % 5 == 0)
            for (int c = 0; c < kMeterChannels; ++c) meter.SetValue(13 - c % 5, c);
        painted.clear();
        meter.step(painted);
        benchmark::DoNotOptimize(painted.data());
    }
}
BENCHMARK(BM_VuMeterStep16);

// The largest generated song, opened once; the channel with the most notes.
struct BigSong {
    EditorDocument doc;
    int channel = -1;
    bool ok = false;
    BigSong() {
        ok = static_cast<bool>(doc.open(benchInputPath("song500000.mid")));
        std::size_t most = 0;
        for (auto& t : doc.song().data().tracks) {
            std::size_t n = 0;
            for ([[maybe_unused]] auto& e : t.events) ++n;
            if (n > most) most = n, channel = t.channel;
        }
    }
};

BigSong& bigSong() {
    static BigSong song;
    return song;
}

// One move of a fader drag: the song edit inside the gesture and its notification.
void BM_FaderDragStep500k(benchmark::State& state) {
    BigSong& s = bigSong();
    if (!s.ok) return state.SkipWithError("no song500000.mid: run bench/run.sh");
    s.doc.beginSongGesture(DocumentChangeKind::Controllers, SongScope::controls(s.channel));
    int v = 0;
    for (auto _ : state) setChannelController(s.doc, s.channel, 100000, v++ & 127, 7);
    s.doc.endSongGesture();
}
BENCHMARK(BM_FaderDragStep500k)->Unit(benchmark::kMicrosecond);

// A fader released: the channel's controls kept before and after, recorded, and undone.
void BM_FaderReleaseAndUndo500k(benchmark::State& state) {
    BigSong& s = bigSong();
    if (!s.ok) return state.SkipWithError("no song500000.mid: run bench/run.sh");
    int v = 0;
    for (auto _ : state) {
        s.doc.beginSongGesture(DocumentChangeKind::Controllers, SongScope::controls(s.channel));
        setChannelController(s.doc, s.channel, 100000, 1 + (v++ % 126), 7);
        s.doc.endSongGesture();
        s.doc.undo();
    }
}
BENCHMARK(BM_FaderReleaseAndUndo500k)->Unit(benchmark::kMillisecond);

// "Diminuisci 10%" on the fullest channel and its undo.
void BM_VelocityStepAndUndo500k(benchmark::State& state) {
    BigSong& s = bigSong();
    if (!s.ok) return state.SkipWithError("no song500000.mid: run bench/run.sh");
    for (auto _ : state) {
        scaleVelocities(s.doc, s.channel, -10);
        s.doc.undo();
    }
}
BENCHMARK(BM_VelocityStepAndUndo500k)->Unit(benchmark::kMillisecond);

} // namespace

// A full redraw of the "Parametri Midi" overview: the core's lists for the seven rows shown and
// the painting into the panel's back buffer, in the middle of the song, on the seven channels
// that hold the most notes. The note index is built when a song opens or its notes change, not
// per redraw; it is measured apart.
#if CANTELO_WITH_GUI
#include "gui_bench_support.h"

#include "bench_inputs.h"

#include "core/document/song_file.h"
#include "core/view/midi_overview.h"
#include "gui/views/midi_overview_qt.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace cantelo;

int busiestRows(const OverviewNotes& notes) {
    int best = 0;
    std::size_t most = 0;
    for (int first = 0; first <= kOverviewFirstRowMax; ++first) {
        std::size_t count = 0;
        for (int ch = first; ch < first + kOverviewRowsShown; ++ch)
            count += notes.channel(ch).size();
        if (count > most) {
            most = count;
            best = first;
        }
    }
    return best;
}

void redrawOverview(benchmark::State& state, const std::string& path) {
    benchApplication();
    SongDocument doc;
    if (!openSongFile(doc, path, 0).ok) {
        state.SkipWithError(("cannot open " + path).c_str());
        return;
    }
    OverviewNotes notes;
    notes.rebuild(doc.song);
    const int first = busiestRows(notes);
    const std::int32_t middle = doc.song.songLength / 2;
    const int scroll =
        static_cast<int>(std::int64_t{middle} * kOverviewStartZoom / doc.song.division());
    const OverviewView view{first, first, middle,
                            OverviewMapping(kOverviewStartZoom, scroll, doc.song.division())};
    MidiOverviewPanel panel(nullptr);
    panel.setCaptions({QStringLiteral("Chn"), QStringLiteral("Patch Strumento"),
                       QStringLiteral("Vol"), QStringLiteral("Pan")});
    OverviewLayout layout;
    for (auto _ : state) {
        layout.build(doc.song, notes, view);
        panel.paintLayout(layout);
        benchmark::DoNotOptimize(panel.backBuffer().constBits());
    }
    state.counters["bars"] = layout.barCount();
}

void indexNotes(benchmark::State& state, const std::string& path) {
    SongDocument doc;
    if (!openSongFile(doc, path, 0).ok) {
        state.SkipWithError(("cannot open " + path).c_str());
        return;
    }
    OverviewNotes notes;
    for (auto _ : state) {
        notes.rebuild(doc.song);
        benchmark::DoNotOptimize(notes.channel(0).data());
    }
}

void BM_OverviewRedrawCorpus(benchmark::State& state) {
    redrawOverview(state, largestCorpusSong());
}
void BM_OverviewRedraw500k(benchmark::State& state) {
    redrawOverview(state, benchInputPath("song500000.mid"));
}
void BM_OverviewNoteIndex500k(benchmark::State& state) {
    indexNotes(state, benchInputPath("song500000.mid"));
}

BENCHMARK(BM_OverviewRedrawCorpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverviewRedraw500k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverviewNoteIndex500k)->Unit(benchmark::kMillisecond);

} // namespace
#endif

// A full redraw of the event grid: the core's lists and the painting into the back buffer, for a
// 1400-pixel view in the middle of the song, at the smallest, the starting and the largest zoom.
#if CANTELO_WITH_GUI
#include "gui_bench_support.h"

#include "bench_inputs.h"

#include "core/document/song_file.h"
#include "core/view/grid_layout.h"
#include "gui/views/grid_panel_qt.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace cantelo;

// The song with the densest channel as the melody: the most bars to draw.
struct GridInput {
    std::unique_ptr<SongDocument> doc;
    bool ok = false;
};

GridInput openForGrid(const std::string& path) {
    GridInput in{std::make_unique<SongDocument>()};
    if (!openSongFile(*in.doc, path, 0).ok) return in;
    int densest = 0;
    int most = -1;
    for (int ch = 0; ch < kChannels; ++ch) {
        TChannelItem notes;
        in.doc->song.noteTable(notes, ch);
        if (notes.count() > most) {
            most = notes.count();
            densest = ch;
        }
    }
    in.doc->melodyNotes.clear();
    in.doc->song.noteTable(in.doc->melodyNotes, densest);
    in.ok = true;
    return in;
}

// `cold`: a new panel for every redraw, so no text has been rendered before (the first view of
// a song); otherwise the panel keeps its rendered texts, as while scrolling and dragging.
void redrawGrid(benchmark::State& state, const std::string& path, bool cold) {
    benchApplication();
    const GridInput in = openForGrid(path);
    if (!in.ok) {
        state.SkipWithError(("cannot open " + path).c_str());
        return;
    }
    SongDocument& doc = *in.doc;
    auto panel = std::make_unique<GridPanel>();
    const int zoom = static_cast<int>(state.range(0));
    const std::int64_t songPixels =
        std::int64_t{doc.song.songLength} * zoom / std::max(doc.song.division(), 1);
    const int scroll = static_cast<int>(songPixels / 2);
    const GridScene scene{&doc.song, &doc.lyrics.lyrics(), &doc.melodyNotes};
    GridLayout layout;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            panel = std::make_unique<GridPanel>();
            state.ResumeTiming();
        }
        layout.build(scene, GridMapping(zoom, scroll, doc.song.division()), GridPanel::kBufferWidth,
                     panel->gridFont());
        panel->paintGrid(layout, false);
        benchmark::DoNotOptimize(panel->backBuffer().constBits());
    }
    state.counters["syllables"] = layout.syllableHits().count();
    state.counters["notes"] = layout.noteHits().count();
    state.counters["measures"] = static_cast<double>(layout.measures().size());
}

const std::string kLargestCorpusSong =
    std::string(CANTELO_CORPUS_DIR) + "/dwm__CREEDENCE_C.R.Up_around_the_bend_k.mid";

void BM_GridRedrawCorpus(benchmark::State& state) {
    redrawGrid(state, kLargestCorpusSong, false);
}
void BM_GridRedrawCorpusCold(benchmark::State& state) {
    redrawGrid(state, kLargestCorpusSong, true);
}
void BM_GridRedraw50000(benchmark::State& state) {
    redrawGrid(state, benchInputPath("song50000.mid"), false);
}
void BM_GridRedraw50000Cold(benchmark::State& state) {
    redrawGrid(state, benchInputPath("song50000.mid"), true);
}

BENCHMARK(BM_GridRedrawCorpus)->Arg(3)->Arg(24)->Arg(384)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridRedrawCorpusCold)->Arg(3)->Arg(24)->Arg(384)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridRedraw50000)->Arg(3)->Arg(24)->Arg(384)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridRedraw50000Cold)->Arg(3)->Arg(24)->Arg(384)->Unit(benchmark::kMillisecond);

} // namespace

#endif

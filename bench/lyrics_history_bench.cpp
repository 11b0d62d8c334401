// One undo step of a long song's lyrics: the snapshot of a 2,000-item lyric list that the
// history keeps per step, and a whole editor keystroke that records one.
#include "core/lyrics/lyrics_editor.h"
#include "core/lyrics/lyrics_history.h"
#include "core/lyrics/lyrics_model.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace cantelo;

namespace {

constexpr int kItems = 2000;

// Lines of six syllables and a break, texts as songs have them (a few bytes each).
void fillLyrics(TItemLyr& list) {
    static const char* const syllables[] = {"A", "ma", "re ", "can", "ta", "re "};
    list.clear();
    double tick = 480;
    for (int i = 0; list.count() < kItems; ++i, tick += 120) {
        if (i % 7 == 6)
            list.add({}, 1, tick);
        else
            list.add(syllables[i % 7], 0, tick);
    }
}

// What one step holds: the item records and any text too long for the string's own buffer.
std::size_t stepBytes(const TItemLyr& list) {
    std::size_t bytes = sizeof(LyricsHistory::Snapshot);
    for (const LyrItem* it = list.head(); it; it = it->next) {
        bytes += sizeof(LyricsHistory::Item);
        if (it->text.size() >= sizeof(std::string)) bytes += it->text.capacity() + 1;
    }
    return bytes;
}

void BM_HistoryRecordStep(benchmark::State& state) {
    TItemLyr list;
    fillLyrics(list);
    LyricsHistory history;
    for (auto _ : state) history.record(list, {3, 1});
    state.counters["bytes_per_step"] = static_cast<double>(stepBytes(list));
    state.counters["items"] = kItems;
}
BENCHMARK(BM_HistoryRecordStep);

void BM_HistoryUndoRedo(benchmark::State& state) {
    TItemLyr list;
    fillLyrics(list);
    LyricsHistory history;
    history.record(list, {0, 0});
    lyricItem(list, 5).text += "x";
    for (auto _ : state) {
        benchmark::DoNotOptimize(history.undo(list, {0, 0}));
        benchmark::DoNotOptimize(history.redo(list, {0, 0}));
    }
}
BENCHMARK(BM_HistoryUndoRedo);

// A character typed as its own step: the editor's before-copy and comparison, the recorded
// snapshot, the line list and the refresh.
void BM_EditorTypedStep(benchmark::State& state) {
    LyricsDocument doc;
    fillLyrics(doc.lyrics());
    LyricsEditor editor(doc);
    editor.setCursor(100, 2);
    for (auto _ : state) {
        editor.history().closeStep();
        editor.typeCharacter('o');
        state.PauseTiming();
        if (editor.currentLineText().size() > 60) fillLyrics(doc.lyrics());
        editor.setCursor(100, 2);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorTypedStep);

} // namespace

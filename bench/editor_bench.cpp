// The karaoke text editor's redraw (the core's layout lists and their painting into the panel's
// back buffer) and a typed character from the key event to the painted windows, on the largest
// corpus song and on the generated 50,000-note file. Runs on Qt's offscreen platform.
#ifdef CANTELO_WITH_GUI
#include "bench_inputs.h"
#include "gui_bench_support.h"

#include "core/playback/recording_output.h"
#include "core/view/editor_layout.h"
#include "gui/app/editor_session_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/child_window.h"
#include "gui/views/editor_panel_qt.h"

#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

using namespace cantelo;

namespace {

namespace fs = std::filesystem;

std::string songPath(const char* which) {
    return std::string(which) == "corpus" ? largestCorpusSong() : benchInputPath(which);
}

class RecorderOutputs final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder"}; }
    std::unique_ptr<MidiOutput> create(int) override {
        return std::make_unique<RecordingOutput>("Recorder");
    }
};

// The editor as large as its window allows, scrolled to the middle of the text with the cursor
// on a line there, so that every row holds text.
struct Frame {
    explicit Frame(const std::string& song) {
        benchApplication();
        window = std::make_unique<TCanteloEd1>(Configuration{}, "/nonexistent/reg.cne");
        session = std::make_unique<EditorSession>(*window, std::make_unique<RecorderOutputs>(),
                                                  fs::temp_directory_path().string());
        window->resize(1400, 900);
        window->show();
        window->editorChild()->setClientSize({420, 577});
        QApplication::processEvents();
        ok = session->document().open(song).ok();
        panel = window->editorChild()->findChild<EditorPanel*>(QStringLiteral("EditorPanel"));
        LyricsEditor& editor = session->document().editor();
        editor.setFirstVisibleLine(editor.scrollMaximum() / 2);
        editor.setCursor(editor.firstVisibleLine() + 10, 3);
        QApplication::processEvents();
    }
    int lines() { return session->document().lyrics().lineCount(); }

    std::unique_ptr<TCanteloEd1> window;
    std::unique_ptr<EditorSession> session;
    EditorPanel* panel = nullptr;
    bool ok = false;
};

void BM_EditorLayout(benchmark::State& state, const char* which) {
    Frame frame(songPath(which));
    if (!frame.ok || !frame.panel) {
        state.SkipWithError("song missing: run bench/run.sh");
        return;
    }
    const EditorFont& font = frame.panel->editorFont();
    for (auto _ : state) {
        EditorLayout layout = layoutEditor(frame.session->document(), font.measure(),
                                           frame.panel->width(), frame.panel->height());
        benchmark::DoNotOptimize(layout);
    }
    state.counters["lines"] = frame.lines();
}

void BM_EditorRedraw(benchmark::State& state, const char* which) {
    Frame frame(songPath(which));
    if (!frame.ok || !frame.panel) {
        state.SkipWithError("song missing: run bench/run.sh");
        return;
    }
    for (auto _ : state) {
        frame.panel->redraw();
        benchmark::DoNotOptimize(frame.panel->backBuffer().constBits());
    }
    state.counters["lines"] = frame.lines();
    state.counters["rows"] = frame.panel->height() / kEditorRowHeight;
}

// One character from the key press to the repainted windows: the editor's edit with its undo
// step, every listener of the change (the panel's redraw, the song position, the read-outs and
// any other view) and the painting of everything it left dirty. The character is taken back
// with Backspace outside the timing.
void BM_EditorTypedCharacter(benchmark::State& state, const char* which) {
    Frame frame(songPath(which));
    if (!frame.ok || !frame.panel) {
        state.SkipWithError("song missing: run bench/run.sh");
        return;
    }
    QWidget* panel = frame.panel;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_O, Qt::NoModifier, QStringLiteral("o"));
        QApplication::sendEvent(panel, &press);
        QApplication::processEvents();
        state.PauseTiming();
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(panel, &back);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["lines"] = frame.lines();
}

BENCHMARK_CAPTURE(BM_EditorLayout, corpus, "corpus")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorLayout, notes50000, "song50000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorRedraw, corpus, "corpus")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorRedraw, notes50000, "song50000.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorTypedCharacter, corpus, "corpus")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorTypedCharacter, notes50000, "song50000.mid")
    ->Unit(benchmark::kMillisecond);

} // namespace
#endif

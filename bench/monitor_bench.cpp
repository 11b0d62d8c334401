// The karaoke monitor's colour wipe (one display step that colours a syllable, painted), its
// half-page flip, and one run of the display timer with every view following, on the largest
// corpus song. Runs on Qt's offscreen platform.
#ifdef CANTELO_WITH_GUI
#include "core/playback/recording_output.h"
#include "gui/app/editor_session_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/child_window.h"
#include "gui/views/monitor_view_qt.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace cantelo;

namespace {

namespace fs = std::filesystem;

void startApplication() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "cantelo_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

std::string largestSong() {
    fs::path largest;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(CANTELO_CORPUS_DIR, error))
        if (entry.is_regular_file() &&
            (largest.empty() || entry.file_size() > fs::file_size(largest)))
            largest = entry.path();
    return largest.string();
}

class Recorders final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder"}; }
    std::unique_ptr<MidiOutput> create(int) override {
        return std::make_unique<RecordingOutput>("Recorder");
    }
};

struct Frame {
    explicit Frame(QSize monitorClient) {
        startApplication();
        window = std::make_unique<TCanteloEd1>(Configuration{}, "/nonexistent/reg.cne");
        session = std::make_unique<EditorSession>(*window, std::make_unique<Recorders>(),
                                                  fs::temp_directory_path().string());
        window->resize(1400, 900);
        window->show();
        window->monitorChild()->setClientSize(monitorClient);
        QApplication::processEvents();
        ok = session->document().open(largestSong()).ok();
        QApplication::processEvents();
    }
    MonitorView& view() { return session->monitor().view(); }
    TItemLyr& lyrics() { return session->document().lyrics().lyrics(); }

    std::unique_ptr<TCanteloEd1> window;
    std::unique_ptr<EditorSession> session;
    bool ok = false;
};

// Items i whose successor is a syllable of the same line: following to its tick colours it.
std::vector<int> wipeSteps(TItemLyr& list) {
    std::vector<int> steps;
    for (int i = 0; i + 1 < list.count(); ++i)
        if (!lyricItem(list, i).lineBreak && !lyricItem(list, i + 1).lineBreak &&
            lyricItem(list, i + 1).tick > lyricItem(list, i).tick)
            steps.push_back(i);
    return steps;
}

void BM_MonitorWipeStep(benchmark::State& state, int clientWidth) {
    Frame frame({clientWidth, clientWidth * 5 / 13});
    const std::vector<int> steps = frame.ok ? wipeSteps(frame.lyrics()) : std::vector<int>{};
    if (steps.empty()) {
        state.SkipWithError("no song with lyrics");
        return;
    }
    std::size_t n = 0;
    for (auto _ : state) {
        const int i = steps[n++ % steps.size()];
        state.PauseTiming();
        frame.view().relocate(lyricItem(frame.lyrics(), i).tick);
        state.ResumeTiming();
        frame.view().follow(lyricItem(frame.lyrics(), i + 1).tick, false);
    }
}

// The first syllable of a line in the lower half turns the upper half over.
void BM_MonitorHalfPageFlip(benchmark::State& state) {
    Frame frame({712, 274});
    TItemLyr& list = frame.lyrics();
    int firstOfLine2 = -1;
    for (int i = 0, breaks = 0; i < list.count() && firstOfLine2 < 0; ++i) {
        if (lyricItem(list, i).lineBreak) ++breaks;
        else if (breaks == 2) firstOfLine2 = i;
    }
    if (!frame.ok || firstOfLine2 < 1) {
        state.SkipWithError("no song with three lines");
        return;
    }
    const double tick = lyricItem(list, firstOfLine2).tick;
    for (auto _ : state) {
        state.PauseTiming();
        frame.view().relocate(tick - 1);
        state.ResumeTiming();
        frame.view().follow(tick, false);
    }
}

// One run of the display timer after the position moved: read-outs, slider, grid cursor and
// monitor.
void BM_DisplayTimerRun(benchmark::State& state) {
    Frame frame({712, 274});
    if (!frame.ok) {
        state.SkipWithError("corpus missing");
        return;
    }
    const std::int32_t length = frame.session->document().song().songLength;
    std::int32_t tick = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tick = (tick + 97) % std::max(length, 1);
        frame.session->player().Locate(tick);
        state.ResumeTiming();
        frame.session->updateDisplay();
    }
}

BENCHMARK_CAPTURE(BM_MonitorWipeStep, default_712, 712)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MonitorWipeStep, wide_1008, 1008)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonitorHalfPageFlip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DisplayTimerRun)->Unit(benchmark::kMillisecond);

} // namespace
#endif

// The karaoke monitor's colour wipe (one display step that colours a syllable, painted), its
// half-page flip, and one run of the display timer with every view following, on the largest
// corpus song. Runs on Qt's offscreen platform.
#ifdef CANTELO_WITH_GUI
#include "gui_bench_support.h"

#include "core/playback/recording_output.h"
#include "gui/app/editor_session_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/mixer_link_qt.h"
#include "gui/views/child_window.h"
#include "gui/views/monitor_view_qt.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace cantelo;

namespace {

namespace fs = std::filesystem;

class Recorders final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder"}; }
    std::unique_ptr<MidiOutput> create(int) override {
        auto out = std::make_unique<RecordingOutput>("Recorder");
        out->reserve(400000, 1 << 20); // no allocation in the sends being measured
        last = out.get();
        return out;
    }
    RecordingOutput* last = nullptr;
};

struct Frame {
    explicit Frame(QSize monitorClient) {
        benchApplication();
        window = std::make_unique<TCanteloEd1>(Configuration{}, "/nonexistent/reg.cne");
        auto outputs = std::make_unique<Recorders>();
        recorders = outputs.get();
        session = std::make_unique<EditorSession>(*window, std::move(outputs),
                                                  fs::temp_directory_path().string());
        window->resize(1400, 900);
        window->show();
        window->monitorChild()->setClientSize(monitorClient);
        QApplication::processEvents();
        ok = session->document().open(largestCorpusSong()).ok();
        QApplication::processEvents();
    }
    MonitorView& view() { return session->monitor().view(); }
    TItemLyr& lyrics() { return session->document().lyrics().lyrics(); }

    std::unique_ptr<TCanteloEd1> window;
    std::unique_ptr<EditorSession> session;
    Recorders* recorders = nullptr;
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
        if (lyricItem(list, i).lineBreak)
            ++breaks;
        else if (breaks == 2)
            firstOfLine2 = i;
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

// How late the playback thread sends while the window follows the song (display timer, slider,
// grid, monitor): each channel's sends are paired in order with its queue, the values the
// window re-sends in between (the full refresh after the start) being passed over.
// `during` runs at each turn of the event loop while the song plays.
void playbackLateness(benchmark::State& state, Frame& frame, const std::function<void()>& during) {
    QApplication::processEvents();
    RecordingOutput* out = frame.recorders->last;
    if (!frame.ok || !out) {
        state.SkipWithError("corpus missing or no output");
        return;
    }
    const char* limitText = std::getenv("CANTELO_PLAYBACK_SECONDS");
    const auto limit = std::chrono::seconds(limitText ? std::max(1, std::atoi(limitText)) : 20);
    for (auto _ : state) {
        const std::size_t first = out->size();
        frame.session->transport().play();
        const auto start = std::chrono::steady_clock::now();
        while (frame.session->player().playing() &&
               std::chrono::steady_clock::now() - start < limit) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (during) during();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        frame.session->transport().stop();
        const CMidiPlayer& player = frame.session->player();
        const auto entries = out->entries();
        std::vector<double> late;
        for (int c = 0; c < 16; ++c) {
            std::size_t e = first;
            const auto& records = player.queue(c);
            for (std::size_t i = 0; i < player.queueNext(c); ++i) {
                const std::uint32_t m = records[i].message;
                // Pan, reverb and chorus records are only noted by playback, not sent.
                const std::uint32_t cc = (m >> 8) & 0x7F;
                if ((m & 0xF0) == 0xB0 && (cc == 10 || cc == 91 || cc == 93)) continue;
                while (e < entries.size() &&
                       (entries[e].kind != RecordingOutput::Kind::Short ||
                        (entries[e].packed & 0x0F) != static_cast<std::uint32_t>(c) ||
                        entries[e].packed != m))
                    ++e;
                if (e == entries.size()) break;
                const auto d = entries[e++].time - player.timeOfClock(records[i].ms);
                late.push_back(std::chrono::duration<double, std::micro>(d).count());
            }
        }
        if (late.empty()) {
            state.SkipWithError("nothing was played");
            return;
        }
        std::sort(late.begin(), late.end());
        state.counters["messages"] = static_cast<double>(late.size());
        state.counters["median_us"] = late[late.size() / 2];
        state.counters["p99_us"] = late[late.size() * 99 / 100];
        state.counters["max_us"] = late.back();
    }
}

void BM_PlaybackWhileTheViewsFollow(benchmark::State& state) {
    Frame frame({712, 274});
    playbackLateness(state, frame, {});
}

// The same while the mixer is open and a volume fader is dragged up and down all the time: each
// move is a song edit, a send and a redraw on the window's thread.
void BM_PlaybackWhileTheMixerIsDragged(benchmark::State& state) {
    Frame frame({712, 274});
    frame.session->mixer().open();
    QApplication::processEvents();
    MixerPanel* panel = frame.session->mixer().panel();
    const Mixer& mixer = frame.session->mixer().mixer();
    const auto fader =
        std::find_if(mixer.items().begin(), mixer.items().end(), [&](const auto& it) {
            return it.kind == MixKind::Volume && mixer.strips()[std::size_t(it.channel)].used;
        });
    if (!panel || fader == mixer.items().end()) {
        state.SkipWithError("no mixer or no channel in use");
        return;
    }
    const QPoint grab((fader->left + fader->right) / 2, (fader->top + fader->bottom) / 2);
    const auto send = [panel](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), panel->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(panel, &event);
    };
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton);
    int step = 0;
    playbackLateness(state, frame, [&] {
        const int offset = (step++ % 40 < 20) ? step % 20 : 20 - step % 20;
        send(QEvent::MouseMove, grab - QPoint(0, offset), Qt::LeftButton);
    });
    send(QEvent::MouseButtonRelease, grab, Qt::NoButton);
    state.counters["moves"] = step;
}

BENCHMARK(BM_PlaybackWhileTheViewsFollow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PlaybackWhileTheMixerIsDragged)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_MonitorWipeStep, default_712, 712)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MonitorWipeStep, wide_1008, 1008)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonitorHalfPageFlip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DisplayTimerRun)->Unit(benchmark::kMillisecond);

} // namespace
#endif

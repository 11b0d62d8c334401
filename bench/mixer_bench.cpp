// The mixer window: a full redraw of its panel, a step of the painted level meters, and one move
// of a fader drag as the user makes it (the song edit inside the drag's undo gesture, the value
// sent to the output, the panel redrawn) on the generated 500,000-note file.
#if CANTELO_WITH_GUI
#include "gui_bench_support.h"

#include "bench_inputs.h"

#include "core/playback/midi_device.h"
#include "core/playback/recording_output.h"
#include "core/tools/mixer.h"
#include "gui/views/mixer_panel_qt.h"
#include "gui/views/vu_meter_qt.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace cantelo;

class Recorders final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder"}; }
    std::unique_ptr<MidiOutput> create(int) override {
        auto out = std::make_unique<RecordingOutput>();
        out->reserve(1u << 20, 0);
        return out;
    }
};

// A document with the song, a recording output, the mixer and its panel.
struct MixerRig {
    EditorDocument doc;
    Recorders outputs;
    MidiDevice device{outputs};
    std::int32_t position = 100000;
    Mixer mixer{doc, device, [this] { return position; }};
    std::unique_ptr<MixerPanel> panel;
    QImage image{kMixerWidth, kMixerHeight, QImage::Format_ARGB32_Premultiplied};
    bool ok = false;

    explicit MixerRig(const std::string& path) {
        benchApplication();
        ok = static_cast<bool>(doc.open(path));
        device.listDevices();
        device.OpenDevice();
        panel = std::make_unique<MixerPanel>(mixer);
        panel->setCaptions({"Chr", "Rev", "Pan", "Vol", "m", "s"});
        mixer.songOpened();
    }
    void redraw() { panel->render(&image); }
    // The channel with the most events: its track is the longest to search.
    int fullestChannel() {
        int channel = 0;
        std::size_t most = 0;
        for (auto& t : doc.song().data().tracks) {
            std::size_t n = 0;
            for ([[maybe_unused]] auto& e : t.events) ++n;
            if (n > most) most = n, channel = t.channel;
        }
        return channel;
    }
};

void BM_MixerRedrawLargestCorpusSong(benchmark::State& state) {
    MixerRig rig(largestCorpusSong());
    if (!rig.ok) return state.SkipWithError("cannot open the largest corpus song");
    for (auto _ : state) {
        rig.redraw();
        benchmark::DoNotOptimize(rig.image.constBits());
    }
}
BENCHMARK(BM_MixerRedrawLargestCorpusSong)->Unit(benchmark::kMicrosecond);

// Sixteen channels fed again every 50 ms; each step repaints the segments it changed.
void BM_VuMeterWidgetStep16(benchmark::State& state) {
    benchApplication();
    VuMeterWidget meter;
    int run = 0;
    for (auto _ : state) {
        if (run++ % 5 == 0)
            for (int c = 0; c < kMeterChannels; ++c) meter.SetValue(13 - c % 5, c);
        meter.step();
        benchmark::DoNotOptimize(meter.lastRepaint());
    }
}
BENCHMARK(BM_VuMeterWidgetStep16)->Unit(benchmark::kMicrosecond);

void BM_FaderDragStepWithSendAndRedraw500k(benchmark::State& state) {
    MixerRig rig(benchInputPath("song500000.mid"));
    if (!rig.ok) return state.SkipWithError("no song500000.mid: run bench/run.sh");
    const int channel = rig.fullestChannel();
    rig.mixer.SetMixValue(channel, 64, 7);
    rig.mixer.layout();
    const MixerItem* fader = rig.mixer.findItem(channel * 8);
    const int x = (fader->left + fader->right) / 2, y0 = (fader->top + fader->bottom) / 2;
    rig.mixer.mouseDown(x, y0);
    int step = 0;
    for (auto _ : state) {
        // Up and down by a few pixels, as a hand drags.
        rig.mixer.mouseMove(x, y0 - (step++ % 20 < 10 ? step % 10 : 10 - step % 10));
        rig.redraw();
    }
    rig.mixer.mouseUp();
}
BENCHMARK(BM_FaderDragStepWithSendAndRedraw500k)->Unit(benchmark::kMicrosecond);

} // namespace
#endif

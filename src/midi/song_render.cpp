#include "midi/song_render.h"

#include "core/playback/midi_device.h"
#include "midi/fluidsynth_output.h"
#include "core/playback/song_messages.h"
#include "core/song/midi_events.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace cantelo {

namespace {

constexpr std::int64_t kBlockFrames = 4096;
constexpr std::int64_t kReverbTailMs = 1000;
constexpr std::int64_t kMaxTailMs = kRenderMaxTailMs - kReverbTailMs;

class Renderer {
public:
    Renderer(FluidSynthOutput& synth, const RenderSink& sink)
        : m_synth(synth), m_sink(sink), m_buffer(2 * kBlockFrames) {}

    std::int64_t frameAt(std::int64_t ms) const {
        return std::llround(static_cast<double>(ms) * m_synth.sampleRate() / 1000.0);
    }

    // Renders up to (not including) frame `end`; stops early, returning false, when the sink
    // declines or the synthesizer cannot render.
    bool until(std::int64_t end, bool stopWhenSilent = false) {
        while (m_done < end) {
            if (stopWhenSilent && m_synth.activeVoices() == 0) return true;
            const auto n = std::min(kBlockFrames, end - m_done);
            const std::span<float> block(m_buffer.data(), static_cast<std::size_t>(2 * n));
            if (!m_synth.render(block) || !m_sink(block)) return false;
            m_done += n;
        }
        return true;
    }

    std::int64_t done() const { return m_done; }

private:
    FluidSynthOutput& m_synth;
    const RenderSink& m_sink;
    std::vector<float> m_buffer;
    std::int64_t m_done = 0;
};

} // namespace

bool renderSong(const CMidiSong& song, FluidSynthOutput& synth, const RenderSink& sink,
                RenderSummary* summary) {
    if (!synth.render({})) return false;
    const auto messages = songMessages(song);
    Renderer r(synth, sink);
    std::vector<std::uint8_t> sysEx;
    std::int64_t lastMs = 0;
    for (const auto& m : messages) {
        if (!r.until(r.frameAt(m.ms))) return false;
        if (m.sysEx) {
            if (frameSysEx(m.sysEx->data, sysEx)) synth.sendSysEx(sysEx);
        } else {
            synth.sendShort(m.packed);
        }
        lastMs = m.ms;
    }
    bool ok = r.until(r.frameAt(lastMs + kMaxTailMs), true);
    if (ok) {
        synth.reset();
        ok = r.until(r.done() + r.frameAt(kReverbTailMs));
    }
    if (summary) *summary = {lastMs, r.done(), messages.size()};
    return ok;
}

} // namespace cantelo

// Real-time playback of a dense three-minute song into the recorder: how late every channel
// message leaves (actual minus scheduled send time) with the sequencer's own thread, with and
// without real-time scheduling, and with a 10 ms polling loop as the reference; and the
// processor time spent. Runs in real time: CANTELO_PLAYBACK_SECONDS cuts it short.
#include "bench_inputs.h"

#include "core/playback/midi_player.h"
#include "core/playback/recording_output.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <time.h>

using namespace cantelo;
using Clock = std::chrono::steady_clock;

namespace {

enum class Mode { Thread, ThreadNoRealtime, Poll10ms };

std::chrono::nanoseconds callerCpuTime() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

std::chrono::milliseconds playbackLimit() {
    const char* s = std::getenv("CANTELO_PLAYBACK_SECONDS");
    const long v = s ? std::strtol(s, nullptr, 10) : 0;
    return std::chrono::milliseconds(v > 0 ? v * 1000 : 24L * 3600 * 1000);
}

// Pairs every channel message sent with the queue record it came from (each channel's sends
// are its queue in order, minus the pan, reverb and chorus records that playback only notes)
// and returns the lateness of each in microseconds. Empty if the sends do not match the queues.
std::vector<double> lateness(const CMidiPlayer& player, const RecordingOutput& out,
                             std::size_t preamble) {
    const auto entries = out.entries();
    std::array<std::vector<const RecordingOutput::Entry*>, 16> sent;
    for (std::size_t i = preamble; i < entries.size(); ++i)
        if (entries[i].kind == RecordingOutput::Kind::Short)
            sent[entries[i].packed & 0x0F].push_back(&entries[i]);
    std::vector<double> late;
    for (int c = 0; c < 16; ++c) {
        std::size_t k = 0;
        const auto& records = player.queue(c);
        for (std::size_t i = 0; i < player.queueNext(c); ++i) {
            const std::uint32_t m = records[i].message;
            const std::uint32_t cc = (m >> 8) & 0x7F;
            if ((m & 0xF0) == 0xB0 && (cc == 10 || cc == 91 || cc == 93)) continue;
            if (k >= sent[c].size() || sent[c][k]->packed != m) return {};
            const auto d = sent[c][k++]->time - player.timeOfClock(records[i].ms);
            late.push_back(std::chrono::duration<double, std::micro>(d).count());
        }
    }
    return late;
}

double percentile(std::vector<double>& v, double p) {
    const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(at), v.end());
    return v[at];
}

void playInRealTime(benchmark::State& state, Mode mode) {
    auto song = std::make_unique<CMidiSong>();
    song->reset();
    if (!readSongFile(*song, benchInputPath("song5000.mid"))) {
        state.SkipWithError("song5000.mid missing: run bench/run.sh");
        return;
    }
    const auto limit = playbackLimit();
    for (auto _ : state) {
        RecordingOutput out;
        out.open(nullptr);
        out.reserve(200000, 1 << 20); // no allocation in the sends being measured
        CMidiPlayer player(out, systemPlaybackClock(),
                           mode == Mode::Poll10ms ? CMidiPlayer::Threading::CallerPumps
                                                  : CMidiPlayer::Threading::OwnThread);
        player.setRealtimeRequested(mode == Mode::Thread);
        player.AttachSong(song.get());
        const std::size_t before = out.size();
        std::size_t preamble = before + 16;
        for (int c = 0; c < 16; ++c) preamble += song->programAt(c, 0) >= 0;

        const auto start = Clock::now();
        const auto cpuStart = callerCpuTime();
        if (!player.Play()) {
            state.SkipWithError("Play failed");
            return;
        }
        if (mode == Mode::Poll10ms) {
            // The reference: wake every 10 ms whatever is due, as a periodic timer would.
            for (auto wake = start; player.playing() && Clock::now() - start < limit;) {
                player.pump();
                wake += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(wake);
            }
        } else {
            while (player.playing() && Clock::now() - start < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const auto cpuPoll = callerCpuTime() - cpuStart;
        const auto wall = Clock::now() - start;
        player.Stop();

        std::vector<double> late = lateness(player, out, preamble);
        if (late.empty()) {
            state.SkipWithError("the sends do not match the queues");
            return;
        }
        const auto cpu = mode == Mode::Poll10ms ? cpuPoll : player.lastThreadCpuTime();
        state.counters["messages"] = static_cast<double>(late.size());
        state.counters["median_us"] = percentile(late, 0.5);
        state.counters["p99_us"] = percentile(late, 0.99);
        state.counters["p999_us"] = percentile(late, 0.999);
        state.counters["max_us"] = *std::max_element(late.begin(), late.end());
        state.counters["cpu_pct"] = 100.0 * std::chrono::duration<double>(cpu).count() /
                                    std::chrono::duration<double>(wall).count();
        state.counters["realtime"] = player.realtimeGranted() ? 1 : 0;
    }
}

void BM_PlaybackThread(benchmark::State& state) {
    playInRealTime(state, Mode::Thread);
}
void BM_PlaybackThreadNoRealtime(benchmark::State& state) {
    playInRealTime(state, Mode::ThreadNoRealtime);
}
void BM_PlaybackPoll10ms(benchmark::State& state) {
    playInRealTime(state, Mode::Poll10ms);
}

BENCHMARK(BM_PlaybackThread)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PlaybackThreadNoRealtime)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PlaybackPoll10ms)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

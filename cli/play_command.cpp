// cantelo-tool play: plays a song in the terminal through one of the editor's outputs, showing
// the position, the clock and the tempo on one line. Ctrl+C stops as the editor's Stop does, so
// no note is left hanging.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#ifdef CANTELO_WITH_MIDI
#include "core/language/language.h"
#include "core/playback/chase_channels.h"
#include "core/playback/midi_device.h"
#include "core/playback/midi_player.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "core/timing/time_map.h"
#include "midi/system_outputs.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>
#endif

namespace {

int usage() {
    std::fputs("usage: cantelo-tool play FILE [--output N] [--from POSITION]\n"
               "       POSITION is measure[.beat[.tick]] (\"5\", \"0005.02.240\") or "
               "[hours:]minutes:seconds\n",
               stderr);
    return 1;
}

#ifdef CANTELO_WITH_MIDI

using namespace cantelo;

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) {
    g_interrupted = 1;
}

// Reads one to `most` non-negative numbers separated by `sep` and nothing else.
bool parseFields(std::string_view s, char sep, std::size_t most, std::vector<long>& out) {
    const char* p = s.data();
    const char* const end = p + s.size();
    for (;;) {
        long v = 0;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || v < 0 || out.size() == most) return false;
        out.push_back(v);
        if (next == end) return true;
        if (*next != sep) return false;
        p = next + 1;
    }
}

// A position as the editor shows one (measure.beat.tick, counted from 1.1.0) or a clock time.
bool parsePosition(const CMidiSong& song, std::string_view text, std::int32_t& tick) {
    constexpr long kMaxMeasure = 100000;
    std::vector<long> v;
    if (text.find(':') != std::string_view::npos) {
        if (!parseFields(text, ':', 3, v)) return false;
        long seconds = 0;
        for (long part : v) {
            if (part > 100000) return false;
            seconds = seconds * 60 + part;
        }
        tick = song.timeMap().msToTick(std::int64_t{seconds} * 1000);
        return true;
    }
    if (!parseFields(text, '.', 3, v)) return false;
    if (v.size() == 1) v.push_back(1); // a measure alone means its first beat
    v.resize(3, 0);
    if (v[0] < 1 || v[0] > kMaxMeasure || v[1] < 1 || v[1] > 1000 || v[2] > 1000000) return false;
    std::int32_t t = 0;
    for (long m = 1; m < v[0]; ++m) t = song.timeMap().nextMeasureTick(t);
    const SignatureInForce s = song.timeMap().signatureAt(t);
    const auto beat =
        static_cast<std::int64_t>(song.division()) * 4 / pow2Clamped(s.denominatorPower);
    const std::int64_t result = t + (v[1] - 1) * beat + v[2];
    if (result > INT32_MAX) return false;
    tick = static_cast<std::int32_t>(result);
    return true;
}

std::string progressLine(const CMidiSong& song, const CMidiPlayer& player) {
    const std::int32_t tick = player.tick();
    char line[160];
    std::snprintf(line, sizeof line, "\r%s  %s / %s  %3d bpm ",
                  song.timeMap().positionText(tick).c_str(),
                  clockText(song.timeMap().tickToMs(tick)).c_str(),
                  clockText(song.timeMap().tickToMs(song.songLength)).c_str(), player.tempo());
    return line;
}

int play(const std::string& path, int outputIndex, const char* from) {
    auto song = std::make_unique<CMidiSong>();
    song->reset();
    if (const Result read = readSongFile(*song, path); !read) {
        const LanguageTexts italian;
        std::fprintf(stderr, "cantelo-tool: %s: %s %s\n", path.c_str(),
                     italian[TextId::OpenErrorLine1].c_str(),
                     reasonText(italian, read.reason).c_str());
        return 2;
    }
    std::int32_t startTick = 0;
    if (from && !parsePosition(*song, from, startTick)) {
        std::fprintf(stderr, "cantelo-tool: not a position: %s\n", from);
        return 1;
    }

    SystemOutputs outputs;
    MidiDevice device(outputs);
    const auto& names = device.listDevices();
    if (outputIndex >= static_cast<int>(names.size())) {
        std::fprintf(stderr, "cantelo-tool: there is no output %d (see cantelo-tool outputs)\n",
                     outputIndex);
        return 1;
    }
    device.setDeviceNumber(outputIndex);
    device.setSong(song.get());
    device.setMessageSink([] {
        const LanguageTexts italian;
        std::fprintf(stderr, "%s\n%s\n", italian[TextId::DeviceErrorLine1].c_str(),
                     italian[TextId::DeviceErrorLine2].c_str());
    });
    if (!device.OpenDevice()) {
        if (!device.lastError().empty()) std::fprintf(stderr, "(%s)\n", device.lastError().c_str());
        return 3;
    }
    std::printf("%s -> %s\n", path.c_str(), names[static_cast<std::size_t>(outputIndex)].c_str());

    // Declared after the device, so it stops (and silences) before the device goes.
    CMidiPlayer player(device);
    player.AttachSong(song.get());
    player.Locate(startTick);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    if (!player.Play()) {
        std::fputs("cantelo-tool: playback cannot start\n", stderr);
        return 4;
    }
    // What the editor's display timer does while a song plays: the values that playback only
    // notes (pan, reverb, chorus) reach the output from here, and every channel's values are
    // sent once after the start.
    bool fullRefreshDone = false;
    std::string shown;
    while (player.playing() && !g_interrupted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const ChaseKinds raised = player.takeRefreshFlags();
        if (!raised.none()) ChaseChannels(player, device, raised);
        if (!fullRefreshDone) {
            ChaseChannels(player, device, ChaseKinds::all());
            fullRefreshDone = true;
        }
        std::string line = progressLine(*song, player);
        if (line != shown) {
            std::fputs(line.c_str(), stdout);
            std::fflush(stdout);
            shown = std::move(line);
        }
    }
    player.Stop();
    std::fputs(progressLine(*song, player).c_str(), stdout);
    std::fputs(g_interrupted ? "\nstopped\n" : "\nend of song\n", stdout);
    // Give a synthesizer the moment it needs to play the silence out, so closing it does not
    // cut the sound with a click.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    device.close();
    return 0;
}

#endif

} // namespace

int playCommand(int argc, char** argv) {
    std::string path;
    const char* from = nullptr;
    long output = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--output" && i + 1 < argc) {
            char* end = nullptr;
            output = std::strtol(argv[++i], &end, 10);
            if (!end || *end || output < 0) return usage();
        } else if (a == "--from" && i + 1 < argc) {
            from = argv[++i];
        } else if (!a.starts_with("--") && path.empty()) {
            path = a;
        } else {
            return usage();
        }
    }
    if (path.empty()) return usage();
#ifdef CANTELO_WITH_MIDI
    return play(path, static_cast<int>(output), from);
#else
    (void)from;
    std::fputs("cantelo-tool: built without the MIDI outputs\n", stderr);
    return 1;
#endif
}

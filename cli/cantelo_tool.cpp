// cantelo-tool: inspect karaoke songs from scripts and tests with the editor's own core.
#include "core/document/song_file.h"
#include "core/language/language.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "core/timing/time_map.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

using namespace cantelo;

namespace {

int usage() {
    std::fputs("usage: cantelo-tool info FILE\n"
               "       cantelo-tool events FILE [CHANNEL]\n"
               "       cantelo-tool lyrics FILE [--syllables] [--encoding NAME] [--utf8]\n"
               "       cantelo-tool convert IN OUT [--format 0|1] [--to-utf8]\n"
               "       cantelo-tool outputs\n"
               "       cantelo-tool render FILE OUT.wav [--soundfont SF]\n"
               "       cantelo-tool play FILE [--output N] [--from POSITION]\n"
               "       cantelo-tool nvs-save SONG OUT.nvs\n"
               "       cantelo-tool nvs-show FILE.nvs\n"
               "       cantelo-tool syllabify [WORD ...]\n"
               "       cantelo-tool import-text FILE.txt [--syllabify]\n"
               "       cantelo-tool lang-build SRC OUT\n",
               stderr);
    return 1;
}

// Song bytes as one printable line: control bytes escaped, other bytes unchanged.
std::string escaped(const std::uint8_t* p, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = p[i];
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

bool openSong(CMidiSong& song, const char* path) {
    song.reset();
    const Result read = readSongFile(song, path);
    if (read) return true;
    const LanguageTexts italian;
    std::fprintf(stderr, "cantelo-tool: %s: %s %s\n", path, italian[TextId::OpenErrorLine1].c_str(),
                 reasonText(italian, read.reason).c_str());
    return false;
}

std::string where(const CMidiSong& song, std::int32_t tick) {
    return song.timeMap().positionText(tick) + " " + clockText(song.timeMap().tickToMs(tick));
}

int info(const char* path) {
    auto song = std::make_unique<CMidiSong>();
    if (!openSong(*song, path)) return 2;
    const TextEncoding encoding = detectSongEncoding(*song);
    auto lists = std::make_unique<std::array<TItemLyr, 512>>();
    extractLyrics(*song, *lists, characterLengthOf(encoding));

    std::printf("file: %s\n", path);
    std::printf("format: %d%s\n", song->format, song->scrambled ? " (scrambled)" : "");
    std::printf("division: %d\n", song->division());
    std::printf("tracks: %d\n", song->trackCount + 1);
    std::printf("length: %d ticks %s\n", song->songLength, where(*song, song->songLength).c_str());
    std::printf("tempos: %zu\n", song->data().tempos.size());
    for (const auto& t : song->data().tempos)
        std::printf("  %s  %d bpm\n", where(*song, t.tick).c_str(), t.bpm);
    std::printf("signatures: %zu\n", song->data().signatures.size());
    for (const auto& s : song->data().signatures)
        std::printf("  %s  %d/%u\n", where(*song, s.tick).c_str(), s.numerator(),
                    1u << std::min(s.denominatorPower(), std::uint8_t{31}));
    std::printf("channels: %zu\n", song->data().tracks.size());
    for (const auto& t : song->data().tracks) {
        std::size_t notes = 0;
        for (const auto& e : t.events) notes += e.status() == 0x90;
        std::string program;
        const int p = song->programNameAt(t.channel, 0, &program);
        std::printf(
            "  channel %2d  notes %6zu  first %8d  last %8d  program %3d %-20s  name \"%s\"\n",
            t.channel + 1, notes, t.firstTick, t.lastTick, p, program.c_str(),
            escaped(reinterpret_cast<const std::uint8_t*>(t.name.data()), t.name.size()).c_str());
    }
    std::printf("sysex: %zu\n", song->data().sysEx.size());
    std::printf("text encoding: %.*s\n", static_cast<int>(encoding.label().size()),
                encoding.label().data());
    std::printf("lyric chunks:\n");
    for (int k = 0; k <= song->trackCount && k < kLyricChunks; ++k) {
        const auto& list = (*lists)[static_cast<std::size_t>(k)];
        const auto src = song->lyricSource[static_cast<std::size_t>(k)];
        if (list.count() == 0 && src == LyricSource::Undecided) continue;
        std::printf("  chunk %3d  %-4s  %d items\n", k, std::string(lyricSourceName(src)).c_str(),
                    list.count());
    }
    return 0;
}

const char* kindName(std::uint8_t status) {
    switch (status) {
    case 0x90:
        return "note";
    case 0xA0:
        return "keypressure";
    case 0xB0:
        return "control";
    case 0xC0:
        return "program";
    case 0xD0:
        return "pressure";
    case 0xE0:
        return "pitchbend";
    default:
        return "?";
    }
}

int events(const char* path, int onlyChannel) {
    auto song = std::make_unique<CMidiSong>();
    if (!openSong(*song, path)) return 2;
    for (const auto& t : song->data().tracks) {
        if (onlyChannel >= 0 && t.channel != onlyChannel) continue;
        for (const auto& e : t.events) {
            std::printf("%10d %s ch%-2d %-11s", e.tick,
                        song->timeMap().positionText(e.tick).c_str(), t.channel + 1,
                        kindName(e.status()));
            switch (e.status()) {
            case 0x90: {
                const auto& n = static_cast<const CObjectEventNote&>(e);
                std::printf(" key %3d vel %3d off %d\n", n.key, n.velocity, n.offTick);
                break;
            }
            case 0xA0: {
                const auto& a = static_cast<const CObjectEventKeyAfterTouch&>(e);
                std::printf(" key %3d pressure %3d\n", a.key, a.pressure);
                break;
            }
            case 0xB0: {
                const auto& c = static_cast<const CObjectEventControlChange&>(e);
                std::printf(" cc %3d value %3d\n", c.controller, c.value);
                break;
            }
            case 0xC0:
                std::printf(" program %3d\n",
                            static_cast<const CObjectEventProgramChange&>(e).program);
                break;
            case 0xD0:
                std::printf(" pressure %3d\n",
                            static_cast<const CObjectEventChannelPressure&>(e).pressure);
                break;
            case 0xE0: {
                const auto& b = static_cast<const CObjectEventPitchBend&>(e);
                std::printf(" value %5d\n", (b.msb << 7) | b.lsb);
                break;
            }
            default:
                std::printf("\n");
            }
        }
    }
    if (onlyChannel < 0) {
        for (const auto& e : song->data().texts)
            std::printf("%10d %s chunk%-3d text%d \"%s\"\n", e.tick,
                        song->timeMap().positionText(e.tick).c_str(), e.track, e.type,
                        escaped(e.data.data(), e.data.size()).c_str());
    }
    return 0;
}

} // namespace

int lyricsCommand(int argc, char** argv);
int convertCommand(int argc, char** argv);
int outputsCommand(int argc, char** argv);
int renderCommand(int argc, char** argv);
int playCommand(int argc, char** argv);
int nvsSaveCommand(int argc, char** argv);
int nvsShowCommand(int argc, char** argv);
int syllabifyCommand(int argc, char** argv);
int importTextCommand(int argc, char** argv);
int langBuildCommand(int argc, char** argv);

int main(int argc, char** argv) {
    // The commands in their own files take the arguments from their own name on.
    if (argc >= 2) {
        const std::string_view first = argv[1];
        if (first == "lyrics") return lyricsCommand(argc - 1, argv + 1);
        if (first == "convert") return convertCommand(argc - 1, argv + 1);
        if (first == "outputs") return outputsCommand(argc - 1, argv + 1);
        if (first == "render") return renderCommand(argc - 1, argv + 1);
        if (first == "play") return playCommand(argc - 1, argv + 1);
        if (first == "nvs-save") return nvsSaveCommand(argc - 1, argv + 1);
        if (first == "nvs-show") return nvsShowCommand(argc - 1, argv + 1);
        if (first == "syllabify") return syllabifyCommand(argc - 1, argv + 1);
        if (first == "import-text") return importTextCommand(argc - 1, argv + 1);
        if (first == "lang-build") return langBuildCommand(argc - 1, argv + 1);
    }
    if (argc < 3) return usage();
    const std::string_view cmd = argv[1];
    if (cmd == "info" && argc == 3) return info(argv[2]);
    if (cmd == "events" && (argc == 3 || argc == 4)) {
        int channel = -1;
        if (argc == 4) {
            char* end = nullptr;
            const long c = std::strtol(argv[3], &end, 10);
            if (!end || *end || c < 1 || c > 16) {
                std::fputs("cantelo-tool: CHANNEL is 1..16\n", stderr);
                return 1;
            }
            channel = static_cast<int>(c) - 1;
        }
        return events(argv[2], channel);
    }
    return usage();
}

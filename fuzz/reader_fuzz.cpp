// Any bytes, as a song file the user opens: the reader and the lyric extraction must neither
// crash nor read outside the image, and what they build must hold together.
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace cantelo;

namespace {

// Stops the run with a crash report the fuzzer keeps, like a sanitizer finding.
void failed(const char* what) {
    std::fprintf(stderr, "broken song invariant: %s\n", what);
    std::abort();
}
#define check(x) ((x) ? void() : failed(#x))

void checkSong(const CMidiSong& song) {
    check(song.songLength >= 0);
    check(song.trackCount >= 0);
    check(song.division() > 0 && song.division() < 0x8000);
    for (const auto& t : song.data().tracks) {
        check(t.channel >= 0 && t.channel < kChannels);
        check(t.firstTick >= 0 && t.firstTick <= t.lastTick);
        for (const auto& e : t.events) {
            check(e.tick >= t.firstTick || e.status() == 0xE0 || e.status() == 0xA0 ||
                  e.status() == 0xD0);
            check(e.tick <= t.lastTick && e.tick <= song.songLength);
            if (e.status() == 0x90) {
                const auto& n = static_cast<const CObjectEventNote&>(e);
                check(n.offTick <= song.songLength && n.offTick <= t.lastTick);
            }
        }
    }
    for (const auto& c : song.data().chase) check(c.data1 < 128 && c.data2 < 128);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One song for the whole run, reset before every read, as the editor does on every open.
    static auto* song = new CMidiSong;
    static auto* lists = new std::array<TItemLyr, 512>;
    song->reset();
    for (auto& l : *lists) l.clear();
    if (readSongImage(*song, {data, size}, "fuzz.mid")) {
        checkSong(*song);
        extractLyrics(*song, *lists);
    }
    return 0;
}

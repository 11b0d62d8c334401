#pragma once

#include "core/song/signatures.h"

#include <cstdint>
#include <string>

namespace cantelo {

class CMidiSong;

struct Position {
    std::int32_t measure = 1; // from 1
    std::int32_t beat = 1;    // from 1
    std::int32_t tick = 0;    // within the beat, from 0
};

// All functions read the song's tempo and signature lists and its division and change nothing.
// They take no lock: the lists must not change while playback calls them.
Position positionParts(const CMidiSong& song, std::int32_t tick);
// "%04i.%02i.%03i": the start of a song reads "0001.01.000".
std::string positionText(const CMidiSong& song, std::int32_t tick);
std::int32_t nextMeasureTick(const CMidiSong& song, std::int32_t tick);
std::int32_t previousMeasureTick(const CMidiSong& song, std::int32_t tick);
// Milliseconds from the start of the song through the tempo map, truncated; 0 at division 0.
// Never allocates, so playback may call it.
std::int64_t tickToMs(const CMidiSong& song, std::int32_t tick);
// The tick at a time, truncated; a time beyond the 32-bit tick range gives the range's end.
std::int32_t msToTick(const CMidiSong& song, std::int64_t ms);
// "%02d:%02d:%02d:%02d": hours, minutes, seconds and frames of 33 ms.
std::string clockText(std::int64_t ms);

} // namespace cantelo

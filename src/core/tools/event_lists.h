#pragma once

#include "core/song/midi_song.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cantelo {

// The "Tempo" and "Misure" windows: a drawn list of 16-pixel rows, seven visible, each with the
// measure.beat.tick of an event and its value.
struct EventRow {
    std::int32_t tick = 0;
    std::string position; // "%04i.%02i.%03i"
    std::string value;    // the tempo, or the signature such as "6/8"
};

inline constexpr int kEventRowHeight = 16;
inline constexpr int kEventRowsVisible = 7;
inline constexpr int kEventValueColumn = 66; // the dividing line; texts at 2 and 68

// One row per tempo event; a song without any lists 120 at tick 0.
std::vector<EventRow> tempoRows(const CMidiSong& song);
// One row per time signature; a song without any lists 4/4 at tick 0.
std::vector<EventRow> signatureRows(const CMidiSong& song);
// The scroll bar's maximum: 0 below seven rows, else the rows beyond the seven shown.
int eventListScrollMaximum(int rows);
// The row under panel y with the list scrolled to `first`, or -1 when no row is there.
int eventRowAt(int y, int first, int rows);

// "SysEx Data": one line per system-exclusive event: "F0 " and each stored byte as two
// uppercase hexadecimal digits and a space, at most 1024 characters (340 bytes).
inline constexpr std::size_t kSysExLineLimit = 1024;
std::string sysExLine(std::span<const std::uint8_t> data);
std::vector<std::string> sysExLines(const CMidiSong& song);

} // namespace cantelo

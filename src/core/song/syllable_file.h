#pragma once

#include "core/song/character_length.h"
#include "core/song/indexed_lists.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// The syllable file (.nvs): the syllables and line breaks of a lyric list with their ticks,
// without the song. "NVSL", the division as 16 bits low byte first, then one record per item
// until the end of the file: a break is 0x01 0x0D and the tick (32 bits, low byte first); a
// syllable is its length in one byte, its bytes, and the tick.

// The file image of a lyric list timed at `division`; the texts are written in their own bytes
// (the song's encoding). Ticks are the integer part of the items' ticks. Every record reads back
// as what was written:
// - a syllable longer than 255 bytes is split into records of at most 255 bytes at the same
//   tick (its pieces join into the same text on the line), between whole characters, never
//   written with a length that disagrees with the bytes after it;
// - a syllable that begins with a carriage return (a line start) is written as a break record
//   followed by the rest of its text, because a record whose first text byte is 0x0D reads
//   back as a break;
// - an empty syllable, which shows nothing, is left out: its record could read as a break too.
std::vector<std::uint8_t> encodeSyllables(const TItemLyr& list, std::int32_t division,
                                          const CharacterLength& charLength = {});

// Writes encodeSyllables(list, division) to `path` through a temporary file renamed over it; on
// failure returns false, leaves any previous file untouched and puts the reason in *error and
// the errno in *errnoValue (either may be null).
bool saveSyllableFile(const std::string& path, const TItemLyr& list, std::int32_t division,
                      std::string* error, int* errnoValue = nullptr,
                      const CharacterLength& charLength = {});

struct SyllableRecord {
    std::string text; // empty for a break
    std::int32_t tick = 0;
    bool lineBreak = false;
};

struct SyllableFile {
    std::int32_t division = 0;
    std::vector<SyllableRecord> records;
    // Set when the last record runs past the end of the file; it is not read.
    bool truncated = false;
};

enum class SyllableLoad {
    Loaded,
    Unreadable,    // cannot be read or is empty: nothing happens, no message
    NotRecognised, // not "NVSL": the caller shows its unknown-syllable-file message
    Cancelled,     // the division question was answered with cancel
};

// Parses a file image; never reads outside it. Returns Loaded, Unreadable or NotRecognised.
SyllableLoad parseSyllableImage(std::span<const std::uint8_t> image, SyllableFile& out);
SyllableLoad readSyllableFile(const std::string& path, SyllableFile& out);

// Replaces the list's items with the file's records, ticks as stored (no rescaling).
void applySyllables(const SyllableFile& file, TItemLyr& list);

// The whole load step: reads `path`; when its division differs from `songDivision`, asks
// `confirmDivision` (the caller's division question, with "Continua" and a cancel button)
// and stops on false; then replaces the list's items. The list changes only on Loaded; the
// caller then runs the lyrics' common refresh.
SyllableLoad loadSyllableFile(const std::string& path, TItemLyr& list, std::int32_t songDivision,
                              const std::function<bool()>& confirmDivision);

} // namespace cantelo

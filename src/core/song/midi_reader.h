#pragma once

#include "core/files/result.h"
#include "core/song/character_length.h"
#include "core/song/indexed_lists.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cantelo {

class CMidiSong;

// Reads a Standard MIDI File (format 0 or 1, or the scrambled .nvk form) into a song that the
// caller has just reset; the song must not be playing. Only regular files of at most
// kMaxSongFileBytes are read, so a FIFO or a device never blocks it and a huge file costs no
// memory; the header is checked before the rest is read. Fails with the reasons of
// RegularFileReader::open, Unrecognised when the file holds no format 0 or 1 header with a
// ticks-per-quarter division and at least one "MTrk" chunk (the song is then left without
// channel tracks), and TooLarge when memory runs out; never throws. Damaged chunks are read as
// far as their bytes go. The file on disk is never changed. Reads nothing outside the file image
// or outside a chunk.
Result readSongFile(CMidiSong& song, const std::string& path);

// The same over bytes already in memory; `path` becomes the song's file name. The bytes are not
// changed: a scrambled image is descrambled in a copy.
bool readSongImage(CMidiSong& song, std::span<const std::uint8_t> image, const std::string& path);

// Descrambles a .nvk image in place when it does not begin with "MThd"; returns whether it did.
bool descrambleImage(std::span<std::uint8_t> image);

// Fills one lyric list per file chunk (0..511) from the song's text events and records each
// chunk's lyric source in the song. The caller clears the lists before reading. `charLength`
// walks the texts in their encoding (see cleanLyricText).
void extractLyrics(CMidiSong& song, std::array<TItemLyr, 512>& lists,
                   const CharacterLength& charLength = {});

// The cleaning that lyric events go through on extraction. Its marks are ASCII characters; a
// byte of the same value inside a character of several bytes (Shift_JIS and Big5 have "|" and
// "_" as second bytes) belongs to that character and is no mark.
std::string cleanLyricText(std::string text, const CharacterLength& charLength = {});

} // namespace cantelo

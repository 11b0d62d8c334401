#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cantelo {

class CByteBuffer;
class CMidiSong;

// Writes the song as format 0 or 1; `scramble` gives the .nvk form. Writes to a temporary
// file in the same folder and renames it over `path`; on failure returns false, leaves any
// previous file untouched, puts the reason in *error and, when `errnoValue` is not null, the
// errno of the failure there (EINVAL for a bad format, ENOMEM when the image does not fit in
// memory). Never changes the song.
bool writeSongFile(const CMidiSong& song, const std::string& path, int format, bool scramble,
                   std::string* error, int* errnoValue = nullptr);

// The file's bytes, for tests and benchmarks. A format other than 0 writes format 1. Throws
// std::bad_alloc when memory runs out.
std::vector<std::uint8_t> encodeSong(const CMidiSong& song, int format, bool scramble);

// Turns a complete Standard MIDI File image into the scrambled song form in place: the first
// 256 bytes are XOR-ed with the XOR of the image's last 13 bytes. Bytes are appended after the
// last chunk when the image is too short for its last 13 bytes to lie after the first 256, or
// when they would give the key 0 (which leaves the image unscrambled and unrecognisable).
void scrambleSongImage(std::vector<std::uint8_t>& image);

// The end-of-track event 0xFF 0x2F 0x00 (without its delta time).
void appendEndOfTrack(CByteBuffer& buffer);

} // namespace cantelo

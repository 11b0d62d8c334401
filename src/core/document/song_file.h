#pragma once

#include "core/files/result.h"
#include "core/lyrics/lyrics_model.h"
#include "core/song/indexed_lists.h"
#include "core/song/midi_song.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cantelo {

// Format choices of the save command: the writer's format plus one.
inline constexpr int kFormatChoice0 = 1;
inline constexpr int kFormatChoice1 = 2;

// The open song with everything the open command derives from it for the views. The process
// holds one; opening resets and refills it. GUI thread only; playback must be stopped before
// an open (the song is reset and read in place).
struct SongDocument {
    CMidiSong song;
    LyricsDocument lyrics;
    std::string currentFileName;
    bool songLoaded = false;  // a song has been opened successfully at least once
    bool saveEnabled = false; // "Salva", "Salva con Nome" and tbSalva
    TChannelItem melodyNotes; // the melody channel's notes, for the grid and binding
    std::string instrumentName;
    std::int32_t songEnd = 1;  // the song-end position (1 for an empty song)
    std::string positionLabel; // "0001.01.000" after an open
    std::string endLabel;      // positionText(songLength)
    std::string lengthLabel;   // clockText(tickToMs(songLength))
};

// A failed open is told to the user with the open-error texts of the interface language.
struct OpenResult {
    bool ok = false;
    // On failure: Unrecognised for a file that is not a song, NotFound, NotAFile, Empty,
    // TooLarge, Denied or Other when it cannot be read.
    FailureReason reason = FailureReason::None;
};

struct SaveResult {
    bool ok = false;
    std::string path;             // the file written (with the extension rules applied)
    std::string error;            // on failure: why, for the user
    bool longLineWarning = false; // a line is over 33 characters: warn once, the save went on
    FailureReason reason = FailureReason::None; // on failure: the writer's errno as a reason
};

// Opens a song file into the document: resets the lyrics and the song, reads the file, takes
// its lyrics (choosing the lyric chunk, normalising it, placing the breaks, building at least 36
// lines), fills the melody note list for `melodyChannel` (0..15) and the position texts, and
// sets the mixer values at tick 0 with every channel unmuted. Only regular files up to
// kMaxSongFileBytes are read, so a FIFO never blocks the open. On failure the document is that
// of an empty song (see resetToEmptySong) and saving is disabled: nothing of the previous song,
// nor of the file that failed half-way, stays on show. The credit text is kept once: a file
// that already holds it does not get a second one.
OpenResult openSongFile(SongDocument& doc, const std::string& path, int melodyChannel);

// The encoding of the song's texts (every text and lyric event), decided as detectTextEncoding
// does.
TextEncoding detectSongEncoding(CMidiSong& song);

// What writing the song's texts as UTF-8 would do: convert them; nothing, because the song is
// UTF-8 already or its texts are plain ASCII (UTF-8 as they are); or nothing, because a text
// event, track name or lyric item holds bytes that do not read in the song's encoding (they
// would be lost).
enum class Utf8Conversion { Converts, NothingToConvert, Unreadable };
Utf8Conversion utf8ConversionOf(SongDocument& doc);

// Whether "Salva con Nome" may offer the conversion: utf8ConversionOf gives Converts.
inline bool textsConvertToUtf8(SongDocument& doc) {
    return utf8ConversionOf(doc) == Utf8Conversion::Converts;
}

// Rewrites every text event, track name and lyric item in UTF-8 and makes UTF-8 the song's
// encoding, so a save writes no text in the old code page beside the new one. False, with
// nothing changed, when textsConvertToUtf8 is false.
bool convertTextsToUtf8(SongDocument& doc);

// The document of no song: the song reset, 36 empty lines in chunk 0, no melody notes, no
// instrument, the labels of tick 0, no file name and saving disabled. `songLoaded` stays.
void resetToEmptySong(SongDocument& doc);

// Tidies the lyrics, hands them to the song as lyric events and writes the song with
// `formatChoice` (1: format 0, 2: format 1). The extension rules apply to `path`: a song read
// from a scrambled file, or named .nvk, is only saved as .nvk; a .nvk path is written scrambled.
// A failed write leaves any previous file untouched. On success the written path becomes the
// current file name.
SaveResult saveSongFile(SongDocument& doc, const std::string& path, int formatChoice);

// The format choice that saves a song in the format it was read in.
inline int sameFormatChoice(const CMidiSong& song) {
    return song.format + 1;
}

// Whether `path` ends in `ext` ("nvk" or ".nvk"), compared from the last '.' of the name
// without regard to case; false when the name has no '.'.
bool hasExtension(std::string_view path, std::string_view ext);

// The path a song is saved under: ".nvk" is appended to `chosen` when the song came from a
// scrambled file or the current name ends in ".nvk" and `chosen` does not end in ".nvk".
std::string songSavePath(std::string_view chosen, std::string_view currentName, bool readScrambled);

// `chosen` with `ext` appended unless it already ends in it (syllable and text files).
std::string withExtension(std::string_view chosen, std::string_view ext);

} // namespace cantelo

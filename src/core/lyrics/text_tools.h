#pragma once

#include "core/lyrics/letter_case.h"
#include "core/lyrics/text_encoding.h"
#include "core/song/indexed_lists.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// Whole-text operations on the lyric list. Each works on the list alone and leaves the common
// refresh (line list, editor, grid, monitor) to its caller, which also updates the editor's scroll
// range where the line count may have changed. GUI thread; none of them shows anything.

// "Pulisci Testo Karaoke": the list becomes 36 empty lines (break items at ticks 100, 130, ...).
void clearText(TItemLyr& lyrics);

// "Importa Testo" over the bytes of a text file: the list is replaced by one syllable item per
// word (a word keeps its trailing space) and a break item per line, then over-long lines are
// wrapped (AdaptTextToWindow). A line ends at CR LF, CR or LF; a last line without one is
// imported too. Ticks are provisional: 30 per byte walked and per word, the break 10 after its
// line. Empty input changes nothing and returns false. The caller then pads the text to 36 lines.
bool importTextBytes(TItemLyr& lyrics, std::string_view bytes, const TextEncoding& encoding = {});

// The bytes of a text file to import, in the song's `encoding`. A file that is valid UTF-8 is
// read as UTF-8 (a leading byte-order mark dropped) and converted; nothing when one of its
// characters has no bytes in `encoding`, so nothing is half-imported. Any other file is taken to
// be in the song's encoding already, except for a UTF-8 song, which must not take bytes that are
// no UTF-8: that file's code page is guessed as on opening a song and converted. ASCII passes
// unchanged.
std::optional<std::string> textFileInEncoding(std::string_view bytes, const TextEncoding& encoding);

// The same over a file; a file that cannot be read, is empty, or is larger than any lyrics text
// (1 MiB) changes nothing and returns false.
bool importTextFile(TItemLyr& lyrics, const std::string& path);

// "Adatta testo a Finestra": wraps every line longer than 33 characters (of `encoding`, so a
// line wraps at the same word whichever encoding its song is in) at a word boundary,
// inserting break items with provisional ticks (item tick + 10). A line that is a single word is
// cut before the syllable that crossed the limit; a single syllable that long is left alone.
// Returns the number of breaks inserted.
int AdaptTextToWindow(TItemLyr& lyrics, const TextEncoding& encoding = {});

// "Tutto in Maiuscolo" / "Tutto in Minuscolo": every syllable's letters, accented ones included,
// in the case mapping of `encoding` (see textInCase). Returns whether any byte changed.
bool changeTextCase(TItemLyr& lyrics, LetterCase to, const TextEncoding& encoding = {});

// The syllable that the cursor-relative commands act on, given `LocateCursor`'s (k, o): k, or
// the syllable after it when the cursor stands on the boundary after k. -1 when there is none
// (an empty line, or a cursor after the end of the list).
int syllableUnderCursor(TItemLyr& lyrics, int k, int o);

// "Inizio Sillaba sotto Cursore in Maiuscolo/Minuscolo": the syllable's start mark, its first
// letter after any leading space, changes case. Returns whether it changed.
bool changeSyllableStartCase(TItemLyr& lyrics, int k, int o, LetterCase to,
                             const TextEncoding& encoding = {});

// "Unisci Sillabe": the item after the syllable under the cursor is appended to it and removed;
// when that item is a break item the two lines join. Returns whether the list changed.
bool joinSyllables(TItemLyr& lyrics, int k, int o);

// The export file name: `name` with ".txt" appended unless it already ends so (in any case).
std::string textExportPath(std::string_view name);

// The lines written after the text, in the interface language (see exportTrailer).
struct ExportTrailer {
    std::string title;
    std::vector<std::string> credits;
};

// The trailer in the song's `encoding` (its texts are Windows-1252, as every interface text), so
// an exported file is in one encoding throughout; a character the encoding lacks becomes "?".
ExportTrailer trailerInEncoding(const ExportTrailer& trailer, const TextEncoding& encoding);

// "Esporta Testo": every line of `lines` followed by CR LF, then a blank line, the title, a blank
// line and the credit lines, each ended by CR LF. Written to a temporary file renamed over
// `path`, so a failed export leaves any earlier file whole. Returns false when the file cannot be
// written, with the errno of the failure in *errnoValue when it is not null. With `linesIn`, the
// lines are read in that encoding and written as UTF-8 (the trailer must be UTF-8 then too).
bool exportText(const TItemKL& lines, const std::string& path, const ExportTrailer& trailer = {},
                int* errnoValue = nullptr, const TextEncoding* linesIn = nullptr);

} // namespace cantelo

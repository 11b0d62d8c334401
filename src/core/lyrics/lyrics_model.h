#pragma once

#include "core/lyrics/text_encoding.h"
#include "core/song/indexed_lists.h"
#include "core/song/midi_song.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

inline constexpr int kMinLines = 36;         // the text never has fewer lines after open or tidy
inline constexpr int kSoftLineLength = 33;   // longer lines are wrapped on open, warned on save
inline constexpr std::int32_t kLyricGap = 5; // smallest gap between items after the tidy-up
inline constexpr std::int32_t kEmptyLineStep = 30;
inline constexpr std::int32_t kFirstEmptyLineTick = 100;
// Lyric events at or before this tick are ignored by the reader.
inline constexpr std::int32_t kLastIgnoredLyricTick = 100;

// What a change of the lyric list asks of the views. The core decides what changed; the views
// only repaint. Delivered synchronously on the thread that made the change (the GUI thread).
struct LyricsChange {
    bool editor = false;       // the line list was rebuilt: every editor row is redrawn
    bool scrollToTop = false;  // the editor shows its first row again (a new song)
    bool cursorLine = false;   // the cursor line is placed again and redrawn
    int column = -1;           // with cursorLine: the cursor column, -1 keeps the current one
    int rowOffset = 0;         // with cursorLine: 0, or 16 to move one row down
    bool movePosition = false; // the song position goes to the start tick of the cursor line
    bool grid = false;         // the grid is redrawn with its position cursor
    bool monitor = false;      // after a 20 ms pause the monitor shows the song position
};

using LyricsListener = std::function<void(const LyricsChange&)>;

// Converts one raw text event's line and word markers in place: a final "|" or line feed and a
// leading "/", "\" or "<" become a carriage return (a line start), "_", "<" and ">" become
// spaces, "|" disappears, a final "-" (and with `dropFinalUnderscore` a final "_") is dropped.
// `text` is not empty. Bytes inside characters of several bytes of `encoding` are no markers.
void ConvertLyricMarkers(std::string& text, bool dropFinalUnderscore,
                         const TextEncoding& encoding = {});

// Item i of a lyric list, which must exist (std::out_of_range otherwise).
LyrItem& lyricItem(TItemLyr& list, int i);

// Makes the ticks rise strictly, walking forward: an item not above the tick before it (or not
// above 0) gets that tick plus 5; the others keep theirs. Near the largest tick the items stay
// on it, in their order.
void makeTicksRise(TItemLyr& list);

// Counts the spaces in the joined texts of a list's first ten items: lyric lists with words
// have spaces, lists of stray texts or of single letters have few.
int spacesInFirstTen(TItemLyr& list);

// The lyric document of the open song: one list of lyric items per file chunk, the chunk whose
// list is the lyric list, and the derived line list. Used from the GUI thread only. The steps
// that end an edit (chooseLyricTrack, TidyLyrics, PadLines, refresh) send one change
// notification each; the building blocks they are made of send none.
class LyricsDocument {
public:
    static constexpr int kSlots = kLyricChunks;

    LyricsDocument();
    LyricsDocument(const LyricsDocument&) = delete;
    LyricsDocument& operator=(const LyricsDocument&) = delete;

    // Back to "no song": every list empty, no lyric track, Windows-1252 text.
    void reset();

    // The character set the song's texts are read, typed and split in. Choosing another one
    // changes no byte; the caller redraws.
    const TextEncoding& textEncoding() const { return m_encoding; }
    void setTextEncoding(const TextEncoding& encoding) { m_encoding = encoding; }

    // The per-chunk lists that lyric extraction fills.
    std::array<TItemLyr, kSlots>& trackTextLists() { return m_lists; }
    TItemLyr& trackTextList(int slot) { return m_lists[static_cast<std::size_t>(slot)]; }
    // The lyric list: the lyric track's slot (slot 0 while no song is open, so edits made before
    // an open go where an open without lyrics puts them).
    TItemLyr& lyrics() {
        return m_lists[static_cast<std::size_t>(m_lyricTrack < 0 ? 0 : m_lyricTrack)];
    }
    // Scratch space for syllabification: the slot after the lyric track (a spare list when the
    // lyric track is the last slot). Empty outside syllabification.
    TItemLyr& scratchList();
    int lyricTrack() const { return m_lyricTrack; }
    // Meta type of the song's lyric events: 1 for Soft Karaoke text events, else 5.
    std::uint8_t lyricMetaType() const { return m_lyricMetaType; }

    TItemKL& lineList() { return m_lineList; }
    int lineCount() const { return m_lineList.count(); }
    // Filled by the editor's redraw: the gutter tick of each row from the first visible one.
    TItemI& lineStartTicks() { return m_lineStartTicks; }
    // Tick of line `line`'s first syllable, or of its break item for an empty line; -1 when the
    // line does not exist or has no item.
    std::int32_t lineStartTick(int line);

    // After extractLyrics: chooses the lyric track, normalises it, places its breaks, builds the
    // lines and pads the text to 36 lines; with no lyric track, slot 0 gets 36 empty lines.
    // Notifies with scrollToTop.
    void chooseLyricTrack(const CMidiSong& song);

    // Rebuilds the line list from the lyric list; run after every change of the lyric list.
    void BuildLineList();
    // On open only: turns the lyric list's raw texts into syllables and break items, wrapping
    // lines over 33 characters at word boundaries. Texts are kept whole; a text that cleans to
    // nothing is dropped.
    void NormaliseImportedLyrics();
    // Every break item gets the tick of the syllable before it plus 5, or, when the next line's
    // first syllable is at or before that tick, the tick just before that syllable if it is
    // later than the syllable before the break. Never past the largest tick.
    void PlaceLineBreaks();
    // Before every save and play: drops leading and repeated breaks, takes the trailing space
    // off the syllable that ends a line, places the breaks, makes the ticks rise by at least 5
    // (breaks stay before the next line's first syllable), builds the lines and pads the text
    // to 36 lines. Notifies.
    void TidyLyrics();
    // Pads the text to 36 lines (nothing to add at 36 or more) and notifies an editor redraw;
    // nothing at all with 37 lines or more.
    void PadLines();
    // Adds an empty line: a break item 30 ticks after the last item.
    void appendEmptyLine();

    // The common refresh that ends every edit: rebuilds the lines and notifies.
    void refresh(int column, int rowOffset, bool movePosition = true);

    // Replaces the song's lyric events by the lyric list (run after TidyLyrics, before the
    // writer). Exactly the text events that became lyric items on opening (and those of an
    // earlier hand-over) are replaced; every other text event stays. Returns true when a line
    // is longer than 33 characters (the caller warns once).
    bool handOverLyrics(CMidiSong& song);

    int subscribe(LyricsListener listener);
    void unsubscribe(int id);

private:
    bool padLinesQuiet();
    void fillEmptyLines();
    void notify(const LyricsChange& change);

    std::array<TItemLyr, kSlots> m_lists;
    TItemLyr m_spareScratch;
    int m_lyricTrack = -1;
    std::uint8_t m_lyricMetaType = 5;
    TextEncoding m_encoding;
    TItemKL m_lineList;
    TItemI m_lineStartTicks;
    std::vector<std::pair<int, LyricsListener>> m_listeners;
    int m_nextListenerId = 1;
};

} // namespace cantelo

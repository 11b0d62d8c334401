#pragma once

#include "core/document/song_file.h"
#include "core/lyrics/lyrics_history.h"
#include "core/lyrics/lyrics_model.h"
#include "core/song/indexed_lists.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// Binding syllables to the melody notes shown on the grid. Every function here runs on the GUI
// thread with playback stopped (the grid ignores the mouse while a song plays or synchronises).
// A command that changes the lyric list records one undo step first and ends with the common
// refresh; a command that finds nothing to do changes nothing, records nothing and notifies
// nothing, and returns false.

inline constexpr std::uint32_t kReferenceSetColour = 0x0000FF;   // red, 0xBBGGRR
inline constexpr std::uint32_t kReferenceUnsetColour = 0x808080; // grey
inline constexpr std::int32_t kBreakBeforeNote = 10; // a bound break lies this far before its note
inline constexpr std::int32_t kLeftoverStep = 10;    // spacing of items left over after the notes
inline constexpr std::int32_t kSplitStep = 10;       // a split-off syllable lies this far after

// Where a command records its undo step: nowhere without a history.
struct UndoTarget {
    LyricsHistory* history = nullptr;
    LyricsCursor cursor{};
    void record(TItemLyr& list) const {
        if (history) history->record(list, cursor);
    }
};

// Where automatic binding starts: the editor line from whose first item it binds
// (bindStartLine) and the song tick from which notes are used (bindReferenceTick, 0 = unset).
struct BindStart {
    int line = 0;
    std::int32_t referenceTick = 0;
};

// Index of the first item of line `line` (the item after the line's `line`-th break; the
// count for the empty line after a final break); -1 when the list has no such line.
int firstItemOfLine(const TItemLyr& list, int line);

// "Aggancia sillabe alla Melodia": from the first item of the start line, each syllable gets the
// tick of the next melody note at or after the reference tick; a break met on the way lies 10
// ticks before the note of the syllable after it. When the melody has fewer notes than the list
// has items, the items left after the last bound one get (last bound tick) + 10 x (their index).
// Refreshes with column 0 without moving the song position. False when nothing is bound (no
// notes, no items, no note at or after the reference, no such line).
bool bindToMelody(SongDocument& doc, BindStart start, UndoTarget undo = {});

// "Aggangia sulla 1° Nota Melodica": shifts the start line's first item and every later one so
// that the first item lies on the first melody note. Refuses, changing nothing, when an item
// would move before tick 0. Refreshes with the current column.
bool shiftToFirstNote(SongDocument& doc, int startLine, UndoTarget undo = {});

// "Aggancia alla Nota": item `item` gets the note's tick, and the song's text event of the lyric
// meta type at the item's old tick moves with it. Refreshes without moving the song position.
bool attachToNote(SongDocument& doc, int item, double noteTick, UndoTarget undo = {});

// A drag on the grid, as the press found it.
struct GridDrag {
    int item = -1;          // the dragged lyric item
    int boxLeft = 0;        // the box's left edge at the press, grid pixels
    int grabOffset = 0;     // mouse x minus the box's left edge at the press
    bool wholeText = false; // "Posizionamento Manuale": the item and all later ones move
};

// Grid pixels to ticks at `division` ticks per quarter note and `zoom` pixels per quarter note.
// The exact distance a single syllable moves.
double dragDistance(const GridDrag& drag, int x, std::int32_t division, int zoom);
// The whole-text shift: the same distance in whole ticks, truncated toward zero.
std::int32_t dragShift(const GridDrag& drag, int x, std::int32_t division, int zoom);
// The tick under the dragged box's left edge, for the position label while dragging.
std::int32_t dragLabelTick(const GridDrag& drag, int x, int scroll, std::int32_t division,
                           int zoom);

// One item of the whole-text preview: what the grid draws while the mouse moves.
struct PreviewItem {
    int index = 0;
    std::string text;
    double tick = 0;
    bool lineBreak = false;
};

// The whole-text preview for the mouse at `x`: the dragged item and every later one, shifted.
// Items before the dragged one are drawn as they stand. Empty when the drag has no item.
std::vector<PreviewItem> manualPositionPreview(SongDocument& doc, const GridDrag& drag, int x,
                                               int zoom);

// The release of a drag at `x`: a single syllable moves by the exact distance (its neighbours
// and its text event stay); with wholeText the preview becomes the list. No item moves before
// tick 0. One undo step; refreshes without moving the song position. False when nothing moved.
bool dropDrag(SongDocument& doc, const GridDrag& drag, int x, int zoom, UndoTarget undo = {});

// Pixel width of a text in the grid's font; the GUI passes its font metrics.
using TextWidth = std::function<int(std::string_view)>;

enum class SplitJoin { None, Joined, Split };

// Double click on syllable box `item`, `grabOffset` pixels right of its left edge. Within the
// first character it joins the syllable to the syllable before it (not across a line break);
// further right it splits the text before the character under the mouse into a new syllable 10
// ticks later. A split that would leave an empty side or a lone space does nothing. With
// `rebind` (keep bound) the automatic binding runs again from it; otherwise the refresh keeps
// the current column. Never moves the song position. One undo step for the whole.
SplitJoin splitOrJoin(SongDocument& doc, int item, int grabOffset, const TextWidth& width,
                      const BindStart* rebind, UndoTarget undo = {});

// "Elimina Nota": note `index` leaves the melody list only (the song keeps it), so later
// bindings skip it. The caller redraws the grid. False for an index out of range.
bool deleteMelodyNote(SongDocument& doc, int index);

// The melody channel change: the melody list is refilled from the song for `channel`, and the
// program in force there at `position` comes back for the caller to show and send (-1 when none
// is known: nothing is sent).
struct MelodyProgram {
    std::int32_t program = -1;
    std::string name;
};
MelodyProgram changeMelodyChannel(SongDocument& doc, int channel, std::int32_t position);

// The reference pointer and what `lblPReferer` shows of it.
struct BindReference {
    std::int32_t tick = 0;
    std::string label = "0001.01.000";
    std::uint32_t colour = kReferenceUnsetColour;

    // Double click on the label: the reference becomes the song position.
    void set(const CMidiSong& song, std::int32_t position);
    // "Azzera Posizionatore di Aggancio".
    void clear();
};

} // namespace cantelo

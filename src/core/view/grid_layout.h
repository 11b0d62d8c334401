#pragma once

#include "core/document/binding.h"
#include "core/song/indexed_lists.h"
#include "core/view/grid_mapping.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cantelo {

class CMidiSong;

// The grid's colours, 0xBBGGRR.
inline constexpr std::uint32_t kGridBackground = 0xFFFFFF;
inline constexpr std::uint32_t kGridLineColour = 0x000000;
inline constexpr std::uint32_t kGridShadow = 0x303030;
inline constexpr std::uint32_t kSyllableColour = 0x6060FF;         // light red
inline constexpr std::uint32_t kSyllableSelectedColour = 0xFF6000; // blue
inline constexpr std::uint32_t kBreakColour = 0x00B000;            // green
inline constexpr std::uint32_t kBreakSelectedColour = 0x00AAFF;    // orange
inline constexpr std::uint32_t kNoteColour = 0xA06000;             // dark blue
inline constexpr std::uint32_t kNoteHoverColour = 0x00FF00;        // bright green
inline constexpr std::uint32_t kPickedColour = 0x000000; // waiting for "Aggancia alla Nota"
inline constexpr std::uint32_t kPreviewSyllableColour = 0x808080;
inline constexpr std::uint32_t kPreviewBreakColour = 0xA0A0A0;
inline constexpr std::uint32_t kCursorShadow = 0x303030; // the position cursor's left column
inline constexpr std::uint32_t kCursorColour = 0x0000FF; // ... and its red right column
inline constexpr std::uint32_t kAlignColour = 0x0040A0;  // brown alignment line

// Lyric boxes cycle through four staggered rows so that close syllables stay readable.
inline constexpr int kLyricFirstRow = 70;
inline constexpr int kLyricRowStep = 12;
inline constexpr int kLyricRowEnd = 118;
inline constexpr int kBreakBoxWidth = 8; // hit box; the green face is 6 x 12
inline constexpr int kBreakBoxHeight = 14;
inline constexpr int kBoxShadowOffset = 2;
inline constexpr int kMiddleKey = 60; // drawn at rows 60-62
inline constexpr int kNoteTop = 60;
inline constexpr int kNoteBarHeight = 3;
inline constexpr int kDashLength = 5; // beat lines: 5 pixels drawn every 10
inline constexpr int kDashPitch = 10;
inline constexpr int kMinBeatLineZoom = 9; // closer beats are left out
inline constexpr int kMeasureNumberInset = 2;

// The row after `row` in the cycle 70, 82, 94, 106.
inline int nextLyricRow(int row) {
    row += kLyricRowStep;
    return row >= kLyricRowEnd ? kLyricFirstRow : row;
}

// Text metrics of the grid's font: the GUI passes its font's, tests a fixed-width stand-in.
struct GridFont {
    TextWidth width;
    int height = 13;
};

// What the grid shows: the song (division, signatures), the lyric list (null while there is no
// lyric track) and the melody notes, all in time order.
struct GridScene {
    const CMidiSong* song = nullptr;
    const TItemLyr* lyrics = nullptr;
    const TChannelItem* notes = nullptr;
};

struct MeasureMark {
    int x = 0;
    std::int32_t number = 1; // from 1
};

// A box drawn outside the hit lists: the whole-text drag preview and the floating copy.
struct GridBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::string text; // empty for a line break
    bool lineBreak() const { return text.empty(); }
};

// One full redraw of the event grid as lists: the measure lines with their numbers, the dashed
// beat lines, the lyric boxes and the note bars. The lyric and note lists are the hit lists the
// mouse tests against (`syllableHits`, `noteHits`): a box's rectangle is where it is drawn. Each
// walk stops at the first item right of the view, so a redraw costs the items up to the right
// edge, not the whole song. Not thread-safe; the scene must not change during build().
class GridLayout {
public:
    // Rebuilds every list for a view `width` pixels wide (the panel's height is kGridHeight).
    // A lyric box's hit rectangle is its text plus the 2-pixel shadow; a note bar's covers the
    // bar. Without a lyric list the lyric hits are cleared too: boxes that are not drawn are
    // not hit.
    void build(const GridScene& scene, const GridMapping& mapping, int width, const GridFont& font);

    const GridMapping& mapping() const { return m_mapping; }
    int width() const { return m_width; }
    const std::vector<MeasureMark>& measures() const { return m_measures; }
    const std::vector<int>& beats() const { return m_beats; }
    // Syllables and breaks: text (empty for a break), rectangle, lyric index, tick.
    const TRectItem& syllableHits() const { return m_syllableHits; }
    // Notes: a one-character text holding the key, rectangle, melody index, start tick.
    const TRectItem& noteHits() const { return m_noteHits; }
    // Lyric index of the first item drawn; -1 when none was.
    int firstVisibleItem() const { return m_firstVisibleItem; }

private:
    void buildLines(const CMidiSong& song);
    void buildLyrics(const TItemLyr& lyrics, const GridFont& font);
    void buildNotes(const TChannelItem& notes);

    GridMapping m_mapping;
    int m_width = 0;
    std::vector<MeasureMark> m_measures;
    std::vector<int> m_beats;
    TRectItem m_syllableHits;
    TRectItem m_noteHits;
    int m_firstVisibleItem = -1;
};

// The lyric box that holds (x, y) strictly inside, the first in list order; null when none.
const RectItem* syllableAt(const TRectItem& hits, int x, int y);
// The note bar that holds (x, y), edges included; with `anyHeight` (the sound bar) only x is
// tested. The first in list order; null when none.
const RectItem* noteAt(const TRectItem& hits, int x, int y, bool anyHeight);

// The boxes of the whole-text drag preview: each item at its shifted tick, drawn items taking
// the rows from `firstRow` on. Items left of the view are left out; the first right of it ends
// the walk.
std::vector<GridBox> layoutPreview(const std::vector<PreviewItem>& items,
                                   const GridMapping& mapping, int width, int firstRow,
                                   const GridFont& font);

} // namespace cantelo

#pragma once

#include "core/song/midi_song.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cantelo {

// The "Parametri Midi" window's fixed geometry, in pixels of its 680 x 259 client area.
inline constexpr int kOverviewWidth = 680;
inline constexpr int kOverviewHeight = 259;
inline constexpr int kOverviewStripLeft = 150; // the note strips start here
inline constexpr int kOverviewRowTop = 20;
inline constexpr int kOverviewRowHeight = 32;
inline constexpr int kOverviewRowsShown = 7;
inline constexpr int kOverviewFirstRowMax = kChannels - kOverviewRowsShown; // 9
inline constexpr int kOverviewRulerBottom = 21; // a click above this is a ruler click
inline constexpr int kOverviewLineTop = 21;     // the position line
inline constexpr int kOverviewLineWidth = 2;
inline constexpr int kOverviewLineHeight = 223;
inline constexpr int kOverviewHiddenLineX = -2;
inline constexpr int kOverviewStartZoom = 2; // pixels per quarter note
inline constexpr int kOverviewSpinnerLeft = 125;
inline constexpr int kOverviewSpinnerWidth = 9;
inline constexpr int kOverviewSpinnerHeight = 31;
inline constexpr int kOverviewPatchColumn = 80;    // a double click left of it opens the patch tool
inline constexpr int kOverviewSpinnerColumn = 105; // from here to the strips: no velocity menu
inline constexpr int kOverviewNameSplit = 15;

// Colours, 0xBBGGRR. A row band is 16 lines of 2 pixels, line i of base + i x step.
inline constexpr std::uint32_t kOverviewBandBase = 0xDFCCCC;
inline constexpr std::uint32_t kOverviewBandStep = 0x020303;
inline constexpr std::uint32_t kOverviewSelectedBase = 0x555555; // the selected row's column
inline constexpr std::uint32_t kOverviewSelectedStep = 0x070707;
inline constexpr std::uint32_t kOverviewStripSelectedBase = 0xBBBBBB; // ... and its strip
inline constexpr std::uint32_t kOverviewStripSelectedStep = 0x040404;
inline constexpr std::uint32_t kOverviewBackground = 0xF0F0F0;
inline constexpr std::uint32_t kOverviewInk = 0x000000;
inline constexpr std::uint32_t kOverviewSelectedInk = 0xFFFFFF;
inline constexpr std::uint32_t kOverviewNoteColour = 0x804000;         // dark blue
inline constexpr std::uint32_t kOverviewSelectedNoteColour = 0x0000C0; // red
inline constexpr std::uint32_t kOverviewLineColour = 0x0000FF;

// A name longer than 15 characters is split at its first space onto two lines; a shorter one,
// or one without a space, stays on one (the second empty).
std::array<std::string, 2> splitInstrumentName(const std::string& name);

// The starts and lengths of each channel's notes that sound (velocity above 0), sorted by tick,
// so that a redraw finds the visible span by bisection instead of walking every note of the song.
// Built from the song's tracks; out of date after any change to notes until rebuilt.
class OverviewNotes {
public:
    struct Note {
        std::int32_t tick = 0;
        std::int32_t length = 0;
    };
    void rebuild(const CMidiSong& song);
    const std::vector<Note>& channel(int ch) const { return m_channels[ch & 15]; }

private:
    std::array<std::vector<Note>, kChannels> m_channels;
};

// Ticks to strip pixels and back. The strips start at the scroll position snapped down to the
// zoom step, for painting and for the ruler click alike, so a click locates where it was drawn.
class OverviewMapping {
public:
    OverviewMapping() = default;
    // A zoom or division below 1 counts as 1; a negative scroll as 0.
    OverviewMapping(int zoom, int scrollPixels, std::int32_t division);

    int zoom() const { return m_zoom; }
    int scroll() const { return m_scroll; }
    // 150 + tick x zoom / division - scroll, in 64-bit integers, kept within +-2^30.
    int xFromTick(std::int32_t tick) const;
    // division x (scroll - 150 + x) / zoom: the tick under a ruler column.
    std::int32_t tickFromX(int x) const;
    // The position line: the tick's x when that is on the strips, else -2 (hidden).
    int lineX(std::int32_t tick) const;

private:
    int m_zoom = kOverviewStartZoom;
    int m_scroll = 0;
    std::int32_t m_division = 480;
};

// What the window shows: which rows, which channel is selected, where the song is.
struct OverviewView {
    int firstRow = 0; // channel of the top row, 0..9
    int selected = 0; // the selected channel
    std::int32_t tick = 0;
    OverviewMapping mapping;
};

struct OverviewRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::uint32_t colour = 0;
};

enum class OverviewTextKind : std::uint8_t { Cell, RulerNumber };

struct OverviewText {
    int left = 0;
    int top = 0;
    std::string text; // song bytes for instrument names, digits otherwise
    OverviewTextKind kind = OverviewTextKind::Cell;
    bool selectedRow = false; // drawn in the selected row's ink
    int width = 0;            // clipped to this many pixels; 0: up to the panel's right edge
};

// One full redraw of the overview as lists for the widget to paint in order: the row bands of
// the left column and the strips, the ruler marks, the note bars and the cell texts. The header
// captions come from the language table, so the widget draws them itself at the places given.
// A redraw costs the visible span of the visible channels, not the song. Not thread-safe.
class OverviewLayout {
public:
    static constexpr int kChannelColumn = 3;
    static constexpr int kNameColumn = 24;
    static constexpr int kVolumeColumn = 102;
    static constexpr int kPanColumn = 134;

    void build(const CMidiSong& song, const OverviewNotes& notes, const OverviewView& view);

    const OverviewView& view() const { return m_view; }
    const std::vector<OverviewRect>& rects() const { return m_rects; }
    const std::vector<OverviewText>& texts() const { return m_texts; }
    // How many note bars were drawn (after merging those that share a column).
    int barCount() const { return m_bars; }

    // Top of the selected row, or nothing while it is scrolled out of sight.
    std::optional<int> selectedRowTop() const;

private:
    void buildRuler(const CMidiSong& song);
    void buildRow(const CMidiSong& song, const OverviewNotes& notes, int ch, int top);
    void buildBars(const std::vector<OverviewNotes::Note>& notes, int top, std::int32_t division,
                   std::uint32_t colour);

    OverviewView m_view;
    std::vector<OverviewRect> m_rects;
    std::vector<OverviewText> m_texts;
    std::vector<int> m_columnHeights; // scratch: the tallest bar per strip column
    int m_bars = 0;
};

// The channel of the row at y, or nothing above the rows or below the last.
std::optional<int> overviewRowAt(const OverviewView& view, int y);
// The tick a left click at (x, y) locates, or nothing when it is not on the ruler.
std::optional<std::int32_t> overviewRulerTick(const OverviewView& view, int x, int y);
// Whether the velocity menu belongs to the panel with the mouse at x.
inline bool overviewVelocityMenuAt(int x) {
    return x < kOverviewSpinnerColumn || x > kOverviewStripLeft;
}

} // namespace cantelo

#pragma once

#include "core/lyrics/lyrics_model.h"
#include "core/lyrics/text_encoding.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cantelo {

// Colours are 0xBBGGRR, as the settings store them.
inline constexpr std::uint32_t kMonitorTextColour = 0xFFFFFF;     // unsung text: white
inline constexpr std::uint32_t kMonitorSyllableColour = 0x00F0F0; // sung text: yellow
inline constexpr std::uint32_t kMonitorOutlineColour = 0x000000;

// The rows of the four-line page at a client height: scale, font size, line step and the top
// of each row, centred vertically.
struct MonitorGeometry {
    double scale = 0;
    int fontSize = 0;
    int lineStep = 0;
    std::array<int, 4> rowY{};
};
MonitorGeometry computeMonitorGeometry(int clientHeight);

// Outline thickness of the text at a font size: thicker strokes for larger text.
int outlineThickness(int fontSize);

// The width of every single character (codes 32..255) of the monitor font at every size from 3
// to 87. Centring adds them up instead of asking the platform for each text, so the sung
// colouring lands exactly on the letters the centred line drew. A size is measured, through the
// window's function, the first time it is asked for.
class MonitorCharWidths {
public:
    static constexpr int kSmallest = 3;
    static constexpr int kLargest = 87;
    // The width of one Unicode character at a size.
    using Measure = std::function<int(int size, char32_t c)>;

    explicit MonitorCharWidths(Measure measure);
    // Sum of the widths of the text's characters read in `encoding`; sizes outside the table use
    // its nearest size, characters below 32 count nothing.
    int width(std::string_view text, int size, const TextEncoding& encoding = {}) const;

private:
    Measure m_measure;
    mutable std::vector<std::uint16_t> m_widths; // [size - kSmallest][c - 32]
    mutable std::vector<bool> m_measured;        // [size - kSmallest]
    // Characters of the other encodings, by size << 32 | character.
    mutable std::unordered_map<std::uint64_t, int> m_otherWidths;
};

// The monitor window keeps the 13:5 shape of the page whichever edge is dragged.
struct MonitorClientSize {
    int width = 0;
    int height = 0;
    bool operator==(const MonitorClientSize&) const = default;
};
// The client size for the right edge dragged to `x`, or for the bottom edge dragged to `y`;
// nothing outside the range the window may take.
std::optional<MonitorClientSize> monitorSizeForWidthDrag(int x);
std::optional<MonitorClientSize> monitorSizeForHeightDrag(int y);
// The double click's size toggle: a window 1020 pixels wide or more goes back to its normal
// client width, a smaller one grows to 1020 outside. `frameWidth` is the frame's left + right.
MonitorClientSize monitorToggledSize(int outerWidth, int normalClientWidth, int frameWidth);

// One thing to paint on the monitor's image, in order.
struct MonitorPaint {
    enum class Kind {
        Background, // the background picture stretched over the whole image
        Outlined,   // text in `colour` with a black outline of `outline` pixels at (x, y)
        Plain,      // text in `colour`, no outline, at (x, y)
        Squeezed,   // a line too wide for the window: outlined `text` with `sung` over its start
                    // in the sung colour, squeezed to the image width - 20 and drawn at (10, y)
    };
    Kind kind = Kind::Background;
    std::string text{};
    std::string sung{};
    int x = 0;
    int y = 0;
    int size = 0;
    int outline = 0;
    std::uint32_t colour = 0;
    std::uint32_t sungColour = 0;

    bool operator==(const MonitorPaint&) const = default;
};

// The window the monitor paints into.
struct MonitorSurface {
    int clientWidth = 712;
    int clientHeight = 274;
    int imageWidth = 712;
    bool windowVisible = true;
};

// The karaoke monitor's text state: which lines the four rows show, which row is being sung,
// how much of it is coloured, and the page flips that keep one half-page ahead of the singer.
// It does not paint: each call appends what to paint to a list the window applies in order, so
// the whole behaviour is checked without a display. GUI thread only.
class KaraokeMonitor {
public:
    // The song's encoding, in which every text of the monitor is read.
    const TextEncoding& textEncoding() const { return m_doc.textEncoding(); }
    // The lyric and line lists are read from `lyrics` at each call: a new song may keep its
    // lyrics in another chunk's list.
    KaraokeMonitor(LyricsDocument& lyrics, const MonitorCharWidths& widths);

    void setSurface(const MonitorSurface& surface) { m_surface = surface; }
    const MonitorSurface& surface() const { return m_surface; }
    void setColours(std::uint32_t text, std::uint32_t sung);
    std::uint32_t textColour() const { return m_textColour; }
    std::uint32_t sungColour() const { return m_sungColour; }
    // False until the title screen has shown; set by opening a song and by a click on the grid.
    void setShowLyrics(bool on) { m_showLyrics = on; }
    bool showLyrics() const { return m_showLyrics; }
    // Whether the song has a lyric track; without one only the background shows.
    void setHasLyricTrack(bool has) { m_hasLyricTrack = has; }
    // The version caption of the title screen (empty until a language is loaded).
    void setVersionCaption(std::string caption) { m_versionCaption = std::move(caption); }

    // The display timer's step with the song position: colours at most one lyric item. Does
    // nothing while the title shows, during a key-tap take, or when the first line is empty.
    void update(double tick, bool synchronising);
    // The position changed other than by playback (or the lyrics were edited): the state is
    // rebuilt for `tick` by replaying the items before it unpainted, then the page repaints.
    void relocate(double tick);
    // Full repaint from the current state (resize, colours, background).
    void redraw();
    void drawTitleScreen();

    // What to paint since the last call, in order, handed over and cleared; the window shows
    // the image once it has applied a non-empty list.
    std::vector<MonitorPaint> takePaints();

    // For the window and tests.
    const MonitorGeometry& geometry() const { return m_geometry; }
    int currentRow() const { return m_currentRow; }
    const std::array<std::string, 4>& shownLines() const { return m_shownLines; }
    const std::string& sungPrefix() const { return m_sungPrefix; }
    int nextSyllable() const { return m_nextSyllable; }

private:
    void updateAt(double tick);
    void step();
    void fillSlots(int firstLine);
    void drawPage(int s0, int s1, int s2, int s3);
    void drawLine(const std::string& text, int y, int row);
    void drawSungPrefix(const std::string& syllable, int n, const std::string& line);
    void paintSung(const std::string& line, const std::string& prefix, int row);
    void advanceRow();
    bool wide(const std::string& text) const;

    LyricsDocument& m_doc;
    const MonitorCharWidths& m_widths;
    MonitorSurface m_surface;
    MonitorGeometry m_geometry;
    std::uint32_t m_textColour = kMonitorTextColour;
    std::uint32_t m_sungColour = kMonitorSyllableColour;
    std::string m_versionCaption;
    bool m_showLyrics = false;
    bool m_hasLyricTrack = false;
    bool m_imageVisible = true; // false while a relocation replays the items

    std::array<std::string, 4> m_lineSlots;
    std::array<std::string, 4> m_shownLines;
    std::array<int, 4> m_rowX{};
    std::array<int, 4> m_rowFontSize{};
    int m_currentRow = 0;
    int m_currentY = 0;
    int m_nextSyllable = 0;
    int m_nextLine = 0;
    int m_sungChars = 0;
    std::string m_sungPrefix;
    bool m_started = false;
    bool m_firstPageShown = false;
    std::vector<MonitorPaint> m_paints;
};

} // namespace cantelo

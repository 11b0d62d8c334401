#pragma once

#include "core/view/grid_layout.h"
#include "core/view/grid_mouse.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QWidget>

#include "core/lyrics/text_encoding.h"

#include <unordered_map>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cantelo {

// The event grid's surface ("GridPanel"): a back buffer that a full redraw paints 1:1 from the
// core's lists, single boxes repainted in place, and the moving overlays drawn over it (the
// position cursor "ImgSyncro", the alignment line "ImgAllinea", the floating copy of a dragged
// box), each of which invalidates only its own pixels. It draws and reports the mouse; what the
// mouse does is decided elsewhere. User-interface thread only.
class GridPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBufferWidth = 1400;

    explicit GridPanel(QWidget* parent = nullptr);

    // The metrics of the grid's font, for the core layout (song texts are Windows-1252 bytes).
    const GridFont& gridFont() const { return m_gridFont; }
    // The encoding the boxes' texts are read in; the song's.
    void setTextEncoding(const TextEncoding& encoding);

    // Paints a full redraw of `layout` into the back buffer: white ground, measure and beat
    // lines, lyric boxes (in the selected colours with `selectedLook`), note bars.
    void paintGrid(const GridLayout& layout, bool selectedLook);
    // Paints the whole-text drag preview over the last full redraw, in grey.
    void paintPreview(const std::vector<GridBox>& boxes);
    // Repaints one box in the back buffer and only its rectangle on screen.
    void paintBox(const BoxPaint& paint);

    // The overlays. A hidden one is std::nullopt.
    void setCursorX(int x);
    int cursorX() const { return m_cursorX; }
    void setAlignX(std::optional<int> x);
    std::optional<int> alignX() const { return m_alignX; }
    void setFloatingBox(std::optional<GridBox> box);

    const QImage& backBuffer() const { return m_buffer; }

signals:
    void mouseMoved(int x, int y);
    void mousePressed(int x, int y, Qt::MouseButton button);
    void mouseReleased(int x, Qt::MouseButton button);
    void mouseDoubleClicked(int x, int y, Qt::MouseButton button);
    void mouseLeft();
    void contextMenuAsked(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A text cell: `text` in `ink` on an opaque `ground` from (x, y), as wide as the text.
    void drawTextCell(QPainter& p, int x, int y, std::string_view text, std::uint32_t ground,
                      std::uint32_t ink = kGridLineColour, bool bold = false);
    // The text alone on a transparent cell, rendered once and kept: a song repeats its
    // syllables, and a drag or a scroll redraws the same ones many times.
    const QImage& textCell(std::string_view text, std::uint32_t ink, bool bold);
    void drawLyricBox(QPainter& p, const QRect& box, std::string_view text, std::uint32_t face,
                      std::uint32_t breakFace);
    void drawLyricBox(QPainter& p, const GridBox& box, std::uint32_t face, std::uint32_t breakFace);
    int advance(char32_t c, bool bold);
    int textWidth(std::string_view text, bool bold);
    const QImage& glyph(char32_t c, bool bold, std::uint32_t ink);
    QRect floatingRect() const;

    QImage m_buffer;
    QFont m_font;
    QFont m_boldFont;
    QFontMetrics m_metrics;
    QFontMetrics m_boldMetrics;
    GridFont m_gridFont;
    std::array<std::unordered_map<char32_t, int>, 2> m_advances; // regular, bold
    std::map<std::pair<std::uint32_t, bool>, std::unordered_map<char32_t, QImage>> m_glyphs;
    TextEncoding m_encoding;
    std::unordered_map<std::string, QImage> m_cells;
    int m_cursorX = 0;
    std::optional<int> m_alignX;
    std::optional<GridBox> m_floating;
};

} // namespace cantelo

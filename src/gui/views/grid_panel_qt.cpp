#include "gui/views/grid_panel_qt.h"

#include "gui/views/cantelo_style_qt.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <array>

namespace cantelo {

namespace {

// The grid font: the canvas's small sans serif, regular for lyrics, bold for measure numbers.
constexpr int kFontPixels = 11;
// The cache of set texts starts again past this many; a song has far fewer distinct syllables.
constexpr std::size_t kMaxCachedTexts = 4096;
constexpr int kGlyphPad = 3;

void fillLtrb(QPainter& p, int left, int top, int right, int bottom, std::uint32_t bgr) {
    if (right > left && bottom > top)
        p.fillRect(left, top, right - left, bottom - top, colourFromBgr(bgr));
}

QFont canvasFont(bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontPixels);
    font.setBold(bold);
    return font;
}

} // namespace

GridPanel::GridPanel(QWidget* parent)
    : QWidget(parent), m_buffer(kBufferWidth, kGridHeight, QImage::Format_RGB32),
      m_font(canvasFont(false)), m_boldFont(canvasFont(true)), m_metrics(m_font),
      m_boldMetrics(m_boldFont) {
    setObjectName(QStringLiteral("GridPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(kBufferWidth, kGridHeight);
    m_buffer.fill(colourFromBgr(kGridBackground));
    m_gridFont.width = [this](std::string_view text) { return textWidth(text, false); };
    m_gridFont.height = m_metrics.height();
}

// The grid's font is small: each character is drawn once as a
// glyph and texts are set from glyphs at their advances, like a bitmap font. That spares the
// text layout engine, which costs far more than the drawing itself.
void GridPanel::setTextEncoding(const TextEncoding& encoding) {
    if (encoding == m_encoding) return;
    m_encoding = encoding;
    m_cells.clear(); // keyed by bytes, which now read as other characters
}

int GridPanel::advance(char32_t c, bool bold) {
    auto& advances = m_advances[bold ? 1 : 0];
    auto found = advances.find(c);
    if (found == advances.end())
        found =
            advances
                .emplace(
                    c,
                    (bold ? m_boldMetrics : m_metrics).horizontalAdvance(QString::fromUcs4(&c, 1)))
                .first;
    return found->second;
}

int GridPanel::textWidth(std::string_view text, bool bold) {
    int width = 0;
    for (std::size_t at = 0; at < text.size(); at += m_encoding.charLength(text, at))
        width += advance(m_encoding.decodeAt(text, at), bold);
    return width;
}

const QImage& GridPanel::glyph(char32_t c, bool bold, std::uint32_t ink) {
    QImage& image = m_glyphs[{ink, bold}][c];
    if (image.isNull()) {
        const QFontMetrics& metrics = bold ? m_boldMetrics : m_metrics;
        // Room for a glyph that reaches past its advance on either side.
        image = QImage(advance(c, bold) + 2 * kGlyphPad, metrics.height(),
                       QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setFont(bold ? m_boldFont : m_font);
        p.setPen(colourFromBgr(ink));
        p.drawText(kGlyphPad, metrics.ascent(), QString::fromUcs4(&c, 1));
    }
    return image;
}

const QImage& GridPanel::textCell(std::string_view text, std::uint32_t ink, bool bold) {
    std::string key(text);
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&ink), sizeof ink);
    key.push_back(bold ? 'b' : 'r');
    if (m_cells.size() > kMaxCachedTexts) m_cells.clear();
    const auto [at, added] = m_cells.try_emplace(std::move(key));
    if (added) {
        QImage cell(std::max(textWidth(text, bold), 1), (bold ? m_boldMetrics : m_metrics).height(),
                    QImage::Format_ARGB32_Premultiplied);
        cell.fill(Qt::transparent);
        QPainter p(&cell);
        int x = 0;
        for (std::size_t i = 0; i < text.size(); i += m_encoding.charLength(text, i)) {
            const char32_t c = m_encoding.decodeAt(text, i);
            p.drawImage(x - kGlyphPad, 0, glyph(c, bold, ink));
            x += advance(c, bold);
        }
        p.end();
        at->second = std::move(cell);
    }
    return at->second;
}

void GridPanel::drawTextCell(QPainter& p, int x, int y, std::string_view text, std::uint32_t ground,
                             std::uint32_t ink, bool bold) {
    if (text.empty()) return;
    const QImage& cell = textCell(text, ink, bold);
    p.fillRect(x, y, cell.width(), cell.height(), colourFromBgr(ground));
    p.drawImage(x, y, cell);
}

// A syllable is its text over a shadow cell 2 pixels down and right; a break is a 6 x 12 face
// over its shadow.
void GridPanel::drawLyricBox(QPainter& p, const QRect& box, std::string_view text,
                             std::uint32_t face, std::uint32_t breakFace) {
    const int left = box.left();
    const int top = box.top();
    if (text.empty()) {
        const int right = left + box.width();
        const int bottom = top + box.height();
        fillLtrb(p, left + kBoxShadowOffset, top + kBoxShadowOffset, right, bottom, kGridShadow);
        fillLtrb(p, left, top, right - kBoxShadowOffset, bottom - kBoxShadowOffset, breakFace);
    } else {
        drawTextCell(p, left + kBoxShadowOffset, top + kBoxShadowOffset, text, kGridShadow);
        drawTextCell(p, left, top, text, face);
    }
}

void GridPanel::drawLyricBox(QPainter& p, const GridBox& box, std::uint32_t face,
                             std::uint32_t breakFace) {
    drawLyricBox(p, QRect(box.left, box.top, box.right - box.left, box.bottom - box.top), box.text,
                 face, breakFace);
}

void GridPanel::paintGrid(const GridLayout& layout, bool selectedLook) {
    const int width = layout.width();
    QPainter p(&m_buffer);
    fillLtrb(p, 0, 0, width, kGridHeight, kGridBackground);
    const QColor line = colourFromBgr(kGridLineColour);
    for (const MeasureMark& m : layout.measures()) {
        p.fillRect(m.x, 0, 1, kGridHeight, line);
        drawTextCell(p, m.x + kMeasureNumberInset, kMeasureNumberInset, std::to_string(m.number),
                     kGridBackground, kGridLineColour, true);
    }
    for (int x : layout.beats())
        for (int y = 0; y < kGridHeight; y += kDashPitch) p.fillRect(x, y, 1, kDashLength, line);

    const std::uint32_t face = selectedLook ? kSyllableSelectedColour : kSyllableColour;
    const std::uint32_t breakFace = selectedLook ? kBreakSelectedColour : kBreakColour;
    for (const RectItem* r = layout.syllableHits().head(); r; r = r->next)
        drawLyricBox(p, QRect(r->left, r->top, r->right - r->left, r->bottom - r->top), r->text,
                     face, breakFace);
    for (const RectItem* r = layout.noteHits().head(); r; r = r->next) {
        fillLtrb(p, r->left + 1, r->top + 1, r->right + 1, r->bottom + 1, kGridShadow);
        fillLtrb(p, r->left, r->top, r->right, r->bottom, kNoteColour);
    }
    update(0, 0, width, kGridHeight);
}

void GridPanel::paintPreview(const std::vector<GridBox>& boxes) {
    QPainter p(&m_buffer);
    for (const GridBox& box : boxes)
        drawLyricBox(p, box, kPreviewSyllableColour, kPreviewBreakColour);
    update();
}

void GridPanel::paintBox(const BoxPaint& paint) {
    const GridBox& b = paint.box;
    QPainter p(&m_buffer);
    QRect dirty(b.left, b.top, b.right - b.left, b.bottom - b.top);
    switch (paint.look) {
    case BoxLook::NoteHover:
        fillLtrb(p, b.left, b.top, b.right, b.bottom, kNoteHoverColour);
        break;
    case BoxLook::NoteNormal:
        fillLtrb(p, b.left, b.top, b.right, b.bottom, kNoteColour);
        break;
    case BoxLook::Normal:
    case BoxLook::Selected:
        if (b.lineBreak()) {
            const bool selected = paint.look == BoxLook::Selected;
            fillLtrb(p, b.left, b.top, b.right - kBoxShadowOffset, b.bottom - kBoxShadowOffset,
                     selected ? kBreakSelectedColour : kBreakColour);
        } else {
            drawTextCell(p, b.left, b.top, b.text,
                         paint.look == BoxLook::Selected ? kSyllableSelectedColour
                                                         : kSyllableColour);
        }
        break;
    case BoxLook::Picked:
        // Black: the item lifted off the grid until a note takes it.
        if (b.lineBreak()) {
            fillLtrb(p, b.left, b.top, b.right - kBoxShadowOffset, b.bottom - kBoxShadowOffset,
                     kPickedColour);
        } else {
            drawTextCell(p, b.left, b.top, b.text, kPickedColour, kGridBackground);
        }
        break;
    }
    update(dirty.adjusted(0, 0, 1, 1));
}

void GridPanel::setCursorX(int x) {
    if (x == m_cursorX) return;
    update(m_cursorX, 0, 2, kGridHeight);
    m_cursorX = x;
    update(m_cursorX, 0, 2, kGridHeight);
}

void GridPanel::setAlignX(std::optional<int> x) {
    if (x == m_alignX) return;
    if (m_alignX) update(*m_alignX, 0, 1, kGridHeight);
    m_alignX = x;
    if (m_alignX) update(*m_alignX, 0, 1, kGridHeight);
}

QRect GridPanel::floatingRect() const {
    if (!m_floating) return {};
    const GridBox& b = *m_floating;
    return QRect(b.left, b.top, b.right - b.left, b.bottom - b.top);
}

void GridPanel::setFloatingBox(std::optional<GridBox> box) {
    update(floatingRect());
    m_floating = std::move(box);
    update(floatingRect());
}

void GridPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect area = event->rect();
    p.drawImage(area.topLeft(), m_buffer, area);
    if (m_floating && area.intersects(floatingRect())) {
        drawLyricBox(p, *m_floating, kSyllableSelectedColour, kBreakSelectedColour);
    }
    if (m_alignX) p.fillRect(*m_alignX, 0, 1, kGridHeight, colourFromBgr(kAlignColour));
    p.fillRect(m_cursorX, 0, 1, kGridHeight, colourFromBgr(kCursorShadow));
    p.fillRect(m_cursorX + 1, 0, 1, kGridHeight, colourFromBgr(kCursorColour));
}

void GridPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseMoved(at.x(), at.y());
}

void GridPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mousePressed(at.x(), at.y(), event->button());
}

void GridPanel::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->position().toPoint().x(), event->button());
}

void GridPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseDoubleClicked(at.x(), at.y(), event->button());
}

void GridPanel::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit mouseLeft();
}

void GridPanel::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuAsked(event->globalPos());
}

} // namespace cantelo

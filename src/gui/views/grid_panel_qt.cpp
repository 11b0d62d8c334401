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

// Windows-1252 bytes 0x80..0x9F; every other byte is its Latin-1 code point.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t{b});
    }
    return text;
}

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
      m_font(canvasFont(false)), m_boldFont(canvasFont(true)), m_metrics(m_font) {
    setObjectName(QStringLiteral("GridPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(kBufferWidth, kGridHeight);
    m_buffer.fill(colourFromBgr(kGridBackground));
    m_gridFont.width = [this](std::string_view text) { return textWidth(text); };
    m_gridFont.height = m_metrics.height();
}

int GridPanel::textWidth(std::string_view text) {
    return m_metrics.horizontalAdvance(fromCp1252(text));
}

void GridPanel::drawTextCell(QPainter& p, int x, int y, std::string_view text,
                             std::uint32_t ground) {
    const QString s = fromCp1252(text);
    p.fillRect(x, y, m_metrics.horizontalAdvance(s), m_metrics.height(), colourFromBgr(ground));
    p.drawText(x, y + m_metrics.ascent(), s);
}

// A syllable is its text over a shadow cell 2 pixels down and right; a break is a 6 x 12 face
// over its shadow.
void GridPanel::drawLyricBox(QPainter& p, const GridBox& box, std::uint32_t face,
                             std::uint32_t breakFace) {
    if (box.lineBreak()) {
        fillLtrb(p, box.left + kBoxShadowOffset, box.top + kBoxShadowOffset, box.right, box.bottom,
                 kGridShadow);
        fillLtrb(p, box.left, box.top, box.right - kBoxShadowOffset, box.bottom - kBoxShadowOffset,
                 breakFace);
    } else {
        drawTextCell(p, box.left + kBoxShadowOffset, box.top + kBoxShadowOffset, box.text,
                     kGridShadow);
        drawTextCell(p, box.left, box.top, box.text, face);
    }
}

void GridPanel::paintGrid(const GridLayout& layout, bool selectedLook) {
    const int width = layout.width();
    QPainter p(&m_buffer);
    p.setPen(colourFromBgr(kGridLineColour));
    fillLtrb(p, 0, 0, width, kGridHeight, kGridBackground);
    const QColor line = colourFromBgr(kGridLineColour);
    p.setFont(m_boldFont);
    const QFontMetrics bold(m_boldFont);
    const QColor white = colourFromBgr(kGridBackground);
    for (const MeasureMark& m : layout.measures()) {
        p.fillRect(m.x, 0, 1, kGridHeight, line);
        const QString number = QString::number(m.number);
        const int x = m.x + kMeasureNumberInset;
        p.fillRect(x, kMeasureNumberInset, bold.horizontalAdvance(number), bold.height(), white);
        p.drawText(x, kMeasureNumberInset + bold.ascent(), number);
    }
    for (int x : layout.beats())
        for (int y = 0; y < kGridHeight; y += kDashPitch) p.fillRect(x, y, 1, kDashLength, line);

    p.setFont(m_font);
    const std::uint32_t face = selectedLook ? kSyllableSelectedColour : kSyllableColour;
    const std::uint32_t breakFace = selectedLook ? kBreakSelectedColour : kBreakColour;
    for (const RectItem* r = layout.syllableHits().head(); r; r = r->next)
        drawLyricBox(p, {r->left, r->top, r->right, r->bottom, r->text}, face, breakFace);
    for (const RectItem* r = layout.noteHits().head(); r; r = r->next) {
        fillLtrb(p, r->left + 1, r->top + 1, r->right + 1, r->bottom + 1, kGridShadow);
        fillLtrb(p, r->left, r->top, r->right, r->bottom, kNoteColour);
    }
    update(0, 0, width, kGridHeight);
}

void GridPanel::paintPreview(const std::vector<GridBox>& boxes) {
    QPainter p(&m_buffer);
    p.setFont(m_font);
    p.setPen(colourFromBgr(kGridLineColour));
    for (const GridBox& box : boxes)
        drawLyricBox(p, box, kPreviewSyllableColour, kPreviewBreakColour);
    update();
}

void GridPanel::paintBox(const BoxPaint& paint) {
    const GridBox& b = paint.box;
    QPainter p(&m_buffer);
    p.setFont(m_font);
    p.setPen(colourFromBgr(kGridLineColour));
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
            p.setPen(colourFromBgr(kGridBackground));
            drawTextCell(p, b.left, b.top, b.text, kPickedColour);
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
        p.setFont(m_font);
        p.setPen(colourFromBgr(kGridLineColour));
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

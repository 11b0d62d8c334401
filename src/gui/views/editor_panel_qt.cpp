#include "gui/views/editor_panel_qt.h"

#include "core/document/editor_document.h"
#include "gui/views/cantelo_style_qt.h"

#include <QGlyphRun>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>
#include <vector>

namespace cantelo {

namespace {

QFont editorTextFont() {
    // The form's small font: 11 pixels.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    // Whole-pixel advances without kerning: a glyph's place is the sum of the advances before
    // it, the same sum the layout measures with.
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void drawMarker(QPainter& painter, int top, bool lit) {
    const QRect box(kEditorMarkerLeft, top + kEditorMarkerTop, kEditorMarkerWidth,
                    kEditorMarkerHeight);
    const QColor fill = colourFromBgr(lit ? kEditorMarkerLitColour : kEditorMarkerColour);
    painter.fillRect(box, fill);
    drawBevel(painter, box, fill.lighter(170), fill.darker(250));
}

// The glyph runs of one paint, one per colour.
class Runs {
public:
    EditorFont::Run& of(std::uint32_t bgr) {
        for (auto& [colour, run] : m_runs)
            if (colour == bgr) return run;
        return m_runs.emplace_back(bgr, EditorFont::Run{}).second;
    }
    void draw(QPainter& painter, const EditorFont& font) const {
        for (const auto& [colour, run] : m_runs) font.draw(painter, run, colourFromBgr(colour));
    }

private:
    std::vector<std::pair<std::uint32_t, EditorFont::Run>> m_runs;
};

bool isControl(int byte) {
    return byte < 0x20 || byte == 0x7F;
}

constexpr std::uint32_t kCursorBackground = 0x000000;
constexpr std::uint32_t kCursorLetter = 0xFFFFFF;

} // namespace

// ---- EditorFont ------------------------------------------------------------------------------

EditorFont::EditorFont(const QFont& font) : m_font(font), m_raw(QRawFont::fromFont(font)) {
    if (m_raw.isValid()) m_ascent = qRound(m_raw.ascent());
    setEncoding(m_encoding);
    m_measure = [this](std::string_view text) { return width(text); };
}

EditorFont::Glyph EditorFont::glyphOf(char32_t c) const {
    // Control characters have no glyph and take no room.
    if (!m_raw.isValid() || c < 0x20 || c == 0x7F) return {};
    const QList<quint32> glyph = m_raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
    if (glyph.isEmpty()) return {};
    const QList<QPointF> advance = m_raw.advancesForGlyphIndexes(glyph);
    return {glyph.front(), advance.isEmpty() ? 0 : qRound(advance.front().x()), true};
}

void EditorFont::setEncoding(const TextEncoding& encoding) {
    m_encoding = encoding;
    m_multiByteGlyphs.clear();
    if (!encoding.singleByte()) return;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const Glyph g = isControl(b) ? Glyph{} : glyphOf(encoding.decodeAt({&byte, 1}, 0));
        m_glyphs[static_cast<std::size_t>(b)] = g.index;
        m_advances[static_cast<std::size_t>(b)] = g.advance;
    }
}

template <typename F>
void EditorFont::forEachCharacter(std::string_view text, F&& f) const {
    if (m_encoding.singleByte()) {
        for (const char c : text) {
            const auto b = static_cast<unsigned char>(c);
            f(Glyph{m_glyphs[b], m_advances[b], !isControl(b)});
        }
        return;
    }
    for (std::size_t at = 0; at < text.size(); at += m_encoding.charLength(text, at)) {
        const char32_t c = m_encoding.decodeAt(text, at);
        auto found = m_multiByteGlyphs.find(c);
        if (found == m_multiByteGlyphs.end())
            found = m_multiByteGlyphs.emplace(c, glyphOf(c)).first;
        f(found->second);
    }
}

int EditorFont::width(std::string_view text) const {
    int sum = 0;
    forEachCharacter(text, [&](const Glyph& g) { sum += g.advance; });
    return sum;
}

void EditorFont::append(Run& run, std::string_view text, int x, int baseline) const {
    forEachCharacter(text, [&](const Glyph& g) {
        if (g.shown) {
            run.glyphs.append(g.index);
            run.positions.append(QPointF(x, baseline));
        }
        x += g.advance;
    });
}

void EditorFont::draw(QPainter& painter, const Run& run, const QColor& colour) const {
    if (run.glyphs.isEmpty() || !m_raw.isValid()) return;
    QGlyphRun glyphs;
    glyphs.setRawFont(m_raw);
    glyphs.setGlyphIndexes(run.glyphs);
    glyphs.setPositions(run.positions);
    painter.setPen(colour);
    painter.drawGlyphRun(QPointF(0, 0), glyphs);
}

// ---- painting ------------------------------------------------------------------------------

void paintEditorLayout(QPainter& painter, const EditorLayout& layout, const EditorFont& font) {
    const int w = layout.width;
    const int h = layout.height;
    painter.fillRect(0, 0, w, h, colourFromBgr(kEditorBackground));
    painter.setPen(colourFromBgr(kEditorRuleColour));
    for (const EditorRow& row : layout.rows) {
        const int rule = row.top + kEditorRowHeight - 1;
        painter.drawLine(0, rule, w - 1, rule);
    }
    painter.drawLine(kEditorGutterRuleX, 0, kEditorGutterRuleX, h - 1);
    painter.drawLine(kEditorMarkerRuleX, 0, kEditorMarkerRuleX, h - 1);

    Runs runs;
    const EditorCursorCell* cursor = layout.cursor ? &*layout.cursor : nullptr;
    if (cursor)
        painter.fillRect(cursor->x, cursor->top, cursor->width, cursor->height,
                         colourFromBgr(kCursorBackground));
    for (const EditorRow& row : layout.rows) {
        if (row.line < 0) continue;
        const int baseline = row.top + kEditorTextTop + font.ascent();
        font.append(runs.of(kEditorGutterColour), row.gutter, kEditorGutterX, baseline);
        drawMarker(painter, row.top, row.markerLit);
        // Each character goes to the run of its colour, so none is drawn over another.
        const std::string_view text = row.text;
        const int cursorColumn = cursor && cursor->line == row.line ? cursor->column : -1;
        auto letter = row.startLetters.begin();
        int x = kEditorTextX;
        for (int i = 0; i < static_cast<int>(text.size());
             i += static_cast<int>(layout.encoding.charLength(text, static_cast<std::size_t>(i)))) {
            const std::string_view one =
                text.substr(static_cast<std::size_t>(i),
                            layout.encoding.charLength(text, static_cast<std::size_t>(i)));
            std::uint32_t colour = kEditorTextColour;
            if (letter != row.startLetters.end() && letter->column == i) {
                colour = row.startLetterColour;
                ++letter;
            }
            if (i == cursorColumn) colour = kCursorLetter;
            font.append(runs.of(colour), one, x, baseline);
            x += font.width(one);
        }
    }
    runs.draw(painter, font);
}

// ---- EditorPanel ---------------------------------------------------------------------------

EditorPanel::EditorPanel(EditorDocument& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_font(editorTextFont()) {
    setObjectName(QStringLiteral("EditorPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The focus comes with a press on the text or a double click in the gutter, not with any
    // click (a marker click leaves it where it was).
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
}

const TextWidth& EditorPanel::measureInSongEncoding() {
    if (!(m_doc.lyrics().textEncoding() == m_encoding)) {
        m_encoding = m_doc.lyrics().textEncoding();
        m_font.setEncoding(m_encoding);
    }
    return m_font.measure();
}

void EditorPanel::redraw() {
    const QSize size = this->size();
    if (m_buffer.size() != size) m_buffer = QImage(size, QImage::Format_RGB32);
    if (!m_buffer.isNull()) {
        QPainter painter(&m_buffer);
        paintEditorLayout(painter,
                          layoutEditor(m_doc, measureInSongEncoding(), size.width(), size.height(),
                                       m_marksScrolled),
                          m_font);
        for (const EditorMark& mark : m_marks) {
            painter.fillRect(mark.x, mark.top + 1, m_font.width(mark.text), kEditorRowHeight - 2,
                             colourFromBgr(mark.background));
            EditorFont::Run run;
            m_font.append(run, mark.text, mark.x, mark.top + kEditorTextTop + m_font.ascent());
            m_font.draw(painter, run, colourFromBgr(mark.colour));
        }
    }
    update();
}

void EditorPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_buffer);
}

bool EditorPanel::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Ctrl+A binds the syllables from the event panel only: here it does nothing.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void EditorPanel::keyPressEvent(QKeyEvent* event) {
    if (m_keyFilter && m_keyFilter(*event)) return;
    LyricsEditor& editor = m_doc.editor();
    switch (event->key()) {
    case Qt::Key_Left:
        editor.moveLeft();
        return;
    case Qt::Key_Right:
        editor.moveRight();
        return;
    case Qt::Key_Up:
        editor.moveUp();
        return;
    case Qt::Key_Down:
        editor.moveDown();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        editor.pressEnter();
        return;
    case Qt::Key_Backspace:
        editor.pressBackspace();
        return;
    case Qt::Key_Delete:
        editor.pressDelete();
        return;
    default:
        break;
    }
    // Ctrl and Alt make commands, not characters (AltGr characters come without them).
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (command || !typeText(event->text())) QWidget::keyPressEvent(event);
}

void EditorPanel::inputMethodEvent(QInputMethodEvent* event) {
    typeText(event->commitString());
    event->accept();
}

QVariant EditorPanel::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled) return true;
    if (query == Qt::ImCursorRectangle) {
        // Where a composing window goes: the cursor's row.
        const LyricsEditor& editor = m_doc.editor();
        const int row = editor.currentLine() - editor.firstVisibleLine();
        return QRect(kEditorTextX, row * kEditorRowHeight, 1, kEditorRowHeight);
    }
    return QWidget::inputMethodQuery(query);
}

bool EditorPanel::typeText(const QString& text) {
    bool typed = false;
    for (const char32_t u : text.toUcs4()) {
        // Control characters (Tab, Escape) are not text: they go on to the window.
        if (u < 0x20 || u == 0x7F) continue;
        // A refused character is still handled here: passed on, it could become a shortcut.
        typed = true;
        if (!m_doc.editor().typeUnicode(u)) emit characterRefused();
    }
    return typed;
}

void EditorPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    const EditorHit hit = hitEditor(m_doc, measureInSongEncoding(), at.x(), at.y());
    if (hit.area == EditorArea::Text) {
        setFocus(Qt::MouseFocusReason);
        m_doc.editor().setCursor(hit.line, hit.column);
    } else if (hit.area == EditorArea::Marker) {
        m_doc.editor().setBindStartLine(hit.line);
        redraw();
    }
}

void EditorPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const EditorHit hit = hitEditor(m_doc, measureInSongEncoding(), at.x(), at.y());
    if (event->button() != Qt::LeftButton || hit.area != EditorArea::Gutter) {
        // Anywhere else the second press of a double click is a press like the first.
        mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    LyricsEditor& editor = m_doc.editor();
    editor.setCursor(hit.line, 0);
    const std::int32_t tick = editor.lineGutterTick(hit.line);
    if (tick >= 0) emit positionRequested(tick);
}

} // namespace cantelo

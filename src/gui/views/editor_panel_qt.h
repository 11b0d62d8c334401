#pragma once

#include "core/document/binding.h"
#include "core/lyrics/text_encoding.h"
#include "core/view/editor_layout.h"
#include "core/view/editor_sync_marks.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class QPainter;

namespace cantelo {

class EditorDocument;

// The editor's font as the layout measures it: every character of the song's encoding has one
// glyph and a whole-pixel advance, and text is drawn glyph by glyph at the positions those advances
// give, so a start letter or the cursor cell lands exactly on the character it covers. Any thread
// that owns it; not shared between threads.
class EditorFont {
public:
    explicit EditorFont(const QFont& font);

    const QFont& font() const { return m_font; }
    // The encoding the song text is read in (Windows-1252 until told otherwise). The gutter's
    // digits read the same in every offered encoding.
    void setEncoding(const TextEncoding& encoding);
    int width(std::string_view text) const;
    // width() as the layout takes it; valid while this object lives.
    const TextWidth& measure() const { return m_measure; }
    int ascent() const { return m_ascent; }

    // Glyphs of one colour, gathered over the whole panel and drawn in one call.
    struct Run {
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    // Adds `text` with its left edge at x on the baseline.
    void append(Run& run, std::string_view text, int x, int baseline) const;
    void draw(QPainter& painter, const Run& run, const QColor& colour) const;

private:
    struct Glyph {
        quint32 index = 0;
        int advance = 0;
        bool shown = false;
    };
    Glyph glyphOf(char32_t c) const;
    // Calls f(glyph, bytes) for each character of `text`.
    template <typename F>
    void forEachCharacter(std::string_view text, F&& f) const;

    QFont m_font;
    QRawFont m_raw;
    TextEncoding m_encoding;
    mutable std::unordered_map<char32_t, Glyph> m_multiByteGlyphs;
    std::array<quint32, 256> m_glyphs{};
    std::array<int, 256> m_advances{};
    int m_ascent = 0;
    TextWidth m_measure;
};

// Paints a layout: white rows with their rules, the two vertical rules, the green gutter, the
// marker buttons, the text with its red (or green, or blue) start letters and the cursor cell.
void paintEditorLayout(QPainter& painter, const EditorLayout& layout, const EditorFont& font);

// The karaoke text editor's surface ("EditorPanel"): it paints the document's editor into its
// back buffer and copies it 1:1, and turns keys and mouse presses into calls on the core
// editor. Keys come as characters from the keyboard layout (Shift included), written in the song's
// text encoding: every character that encoding holds can be typed, and the others are refused.
// Ctrl+Space is left to the window's play/stop shortcut; Ctrl+A does nothing here. User-interface
// thread only.
class EditorPanel : public QWidget {
    Q_OBJECT
public:
    explicit EditorPanel(EditorDocument& doc, QWidget* parent = nullptr);

    // Lays the editor out afresh and paints it into the back buffer at the panel's size; the
    // widget repaints. Whoever resizes the panel calls it (the editor's rows change with it).
    void redraw();
    // The scroll bar moved the text under the cursor line: its start letters turn blue until the
    // cursor is placed again. Takes effect at the next redraw.
    void setMarksScrolled(bool on) { m_marksScrolled = on; }
    bool marksScrolled() const { return m_marksScrolled; }

    // Text painted over the rows at the next redraw (a key-tap take's marks); empty for none.
    void setMarks(std::vector<EditorMark> marks) { m_marks = std::move(marks); }
    // Sees every key first; a key it returns true for goes no further (the key taps of a take).
    void setKeyFilter(std::function<bool(const QKeyEvent&)> filter) {
        m_keyFilter = std::move(filter);
    }

    const QImage& backBuffer() const { return m_buffer; }
    const EditorFont& editorFont() const { return m_font; }

signals:
    // A double click in the gutter asks the song position to move to the line's start tick
    // (playback stopping and resuming around it). The cursor has moved to the line already.
    void positionRequested(std::int32_t tick);
    // A typed character has no bytes in the song's text encoding and was not typed.
    void characterRefused();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Dead keys and input methods hand over composed characters here.
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The font reads the song in its current encoding; returns its measure.
    const TextWidth& measureInSongEncoding();
    bool typeText(const QString& text);

    EditorDocument& m_doc;
    EditorFont m_font;
    TextEncoding m_encoding;
    QImage m_buffer;
    std::vector<EditorMark> m_marks;
    std::function<bool(const QKeyEvent&)> m_keyFilter;
    bool m_marksScrolled = false;
};

} // namespace cantelo

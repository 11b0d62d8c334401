#pragma once

#include "core/view/karaoke_monitor.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <filesystem>
#include <string>

namespace cantelo {

class TMDIChild;

// The karaoke monitor's surface: it applies what the core monitor asks to paint to an image the
// size of the window and shows it, measures the monitor font for the core's width table, loads
// the background picture, and turns mouse drags on the picture into the window's moves and
// page-shaped resizes. User-interface thread only.
class MonitorView : public QWidget {
    Q_OBJECT
public:
    // Fills `child`'s client area and shows the document's lyrics.
    MonitorView(TMDIChild& child, LyricsDocument& lyrics);

    KaraokeMonitor& monitor() { return m_monitor; }
    // Applies what the monitor asked to paint since the last call and shows it.
    void flush();

    // The display timer's step and the position changes that are not playback.
    void follow(double tick, bool synchronising);
    void relocate(double tick);
    void redraw();

    // A key-tap take: the window becomes a one-line strip with the line in black and its tapped
    // start in red over it. Leaving gives the window back its size; the caller relocates.
    void showStrip(const std::string& line, const std::string& tapped);
    void leaveStrip();
    bool inStrip() const { return m_strip; }

    // The picture `name` from the first of `folders` holding it, stretched to the page; black
    // when it cannot be read. Returns whether it was read.
    bool loadBackground(const std::vector<std::filesystem::path>& folders, const std::string& name);
    void setColours(std::uint32_t text, std::uint32_t sung);
    const QImage& image() const { return m_image; }
    // The client width that the double click goes back to.
    int normalWidth() const { return m_normalWidth; }

    // The monitor font at a size of the width table.
    static QFont monitorFont(int size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    enum class Drag { None, Width, Height, Move };
    Drag dragAt(QPoint at) const;
    void resizeClient(const MonitorClientSize& size);
    void apply(const MonitorPaint& paint);
    void drawText(const QString& text, int x, int y, int size, std::uint32_t colour);
    void paintStrip();

    TMDIChild& m_child;
    MonitorCharWidths m_widths;
    KaraokeMonitor m_monitor;
    QImage m_image;
    QImage m_background;
    Drag m_drag = Drag::None;
    QPoint m_pressAt; // in the workspace, for moves
    QPoint m_childAtPress;
    bool m_afterDoubleClick = false;
    bool m_strip = false;
    QSize m_sizeBeforeStrip;
    std::string m_stripLine;
    std::string m_stripTapped;
    int m_normalWidth = 712;
};

} // namespace cantelo

#pragma once

#include "core/view/midi_overview.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QMenu;
class QScrollBar;
class QTimer;
class QToolButton;

namespace cantelo {

// The narrow up-down control on the selected row: a press of an arrow is one step, and held it
// repeats; `held` and `let` frame the steps of one press. The wheel steps too. It keeps no
// value: the channel's volume is the value.
class VolumeSpinner : public QWidget {
    Q_OBJECT
public:
    explicit VolumeSpinner(QWidget* parent = nullptr);
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void stepped(int delta);
    // An arrow was pressed or released: the steps between are one change.
    void held();
    void let();

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    QTimer* m_repeat = nullptr;
    int m_delta = 0;
};

// The "Parametri Midi" panel: a back buffer painted 1:1 from the core's layout, the position
// line drawn over it, the two scroll bars and the volume spinner. It reports the mouse and the
// scroll bars; what they do is decided by its owner. User-interface thread only.
class MidiOverviewPanel : public QWidget {
    Q_OBJECT
public:
    // `velocityMenu` is shown on a right click outside the spinner column.
    explicit MidiOverviewPanel(QMenu* velocityMenu, QWidget* parent = nullptr);

    // "Chn", the instrument, "Vol" and "Pan" over the left column.
    void setCaptions(const std::array<QString, 4>& captions);
    // Paints a full redraw and places the spinner on the selected row.
    void paintLayout(const OverviewLayout& layout);
    // Moves the position line; invalidates only its old and new strips.
    void setLineX(int x);
    int lineX() const { return m_lineX; }

    QScrollBar* rowScroll() const { return m_rows; }
    QScrollBar* timeScroll() const { return m_time; }
    VolumeSpinner* spinner() const { return m_spinner; }
    const QImage& backBuffer() const { return m_buffer; }

signals:
    void rulerClicked(int x, int y);
    // A left double click on the panel.
    void rowDoubleClicked(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QMenu* m_velocityMenu;
    QImage m_buffer;
    QFont m_cellFont;
    QFont m_rulerFont;
    std::array<QString, 4> m_captions;
    QScrollBar* m_rows = nullptr;
    QScrollBar* m_time = nullptr;
    VolumeSpinner* m_spinner = nullptr;
    int m_lineX = kOverviewHiddenLineX;
    bool m_dragging = false;
    QPoint m_dragFrom; // global position of the last drag step
};

} // namespace cantelo

#pragma once

#include "core/view/position_slider.h"

#include <QWidget>

#include <cstdint>

namespace cantelo {

// The transport bar's position slider: paints the bar and its cursor where the core slider
// places it, and reports clicks and drags as ticks. User-interface thread only.
class PositionSliderBar : public QWidget {
    Q_OBJECT
public:
    explicit PositionSliderBar(QWidget* parent = nullptr);

    PositionSlider& slider() { return m_slider; }
    void setSongLength(std::int32_t ticks);
    // Playback moved: the cursor follows, unless the user holds it.
    void showTick(std::int32_t tick);
    bool dragging() const { return m_slider.dragging(); }

signals:
    void dragStarted();
    // The cursor is dragged over `tick` (the position read-out shows it meanwhile).
    void draggedOver(std::int32_t tick);
    // The user chose `tick` by a click or by releasing the cursor.
    void positionChosen(std::int32_t tick);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PositionSlider m_slider;
};

} // namespace cantelo

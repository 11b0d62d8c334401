#include "gui/views/position_slider_qt.h"

#include "gui/views/cantelo_style_qt.h"

#include <QMouseEvent>
#include <QPainter>

namespace cantelo {

namespace {
constexpr int kBarHeight = 12;
constexpr int kCursorHeight = 9;
} // namespace

PositionSliderBar::PositionSliderBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ImgTBar"));
    setFixedSize(PositionSlider::kBarWidth, kBarHeight + 2);
}

void PositionSliderBar::setSongLength(std::int32_t ticks) {
    m_slider.setSongLength(ticks);
    m_slider.showTick(0);
    update();
}

void PositionSliderBar::showTick(std::int32_t tick) {
    if (m_slider.dragging()) return;
    const int before = m_slider.cursorLeft();
    m_slider.showTick(tick);
    if (m_slider.cursorLeft() != before) update();
}

void PositionSliderBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    // A lowered groove and a raised cursor.
    const QRect groove(0, 1, width(), kBarHeight);
    p.fillRect(groove, pal.color(QPalette::Mid));
    drawBevel(p, groove, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    const QRect cursor(m_slider.cursorLeft(), 1 + (kBarHeight - kCursorHeight) / 2,
                       PositionSlider::kCursorWidth, kCursorHeight);
    p.fillRect(cursor,
               m_slider.dragging() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button));
    drawBevel(p, cursor, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
}

void PositionSliderBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_slider.songLength() <= 0) return;
    const int x = event->position().toPoint().x();
    if (m_slider.onCursor(x)) {
        m_slider.press(x);
        update();
        emit dragStarted();
        return;
    }
    const std::int32_t tick = m_slider.click(x);
    update();
    emit positionChosen(tick);
}

void PositionSliderBar::mouseMoveEvent(QMouseEvent* event) {
    if (const auto tick = m_slider.drag(event->position().toPoint().x())) {
        update();
        emit draggedOver(*tick);
    }
}

void PositionSliderBar::mouseReleaseEvent(QMouseEvent*) {
    if (const auto tick = m_slider.release()) {
        update();
        emit positionChosen(*tick);
    }
}

} // namespace cantelo

#include "gui/views/readout_label.h"

#include "gui/views/cantelo_style_qt.h"

#include <QPainter>
#include <QStyle>

namespace cantelo {

ReadoutLabel::ReadoutLabel(const QString& text, const QColor& colour, int pixelHeight,
                           QWidget* parent)
    : QLabel(text, parent) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixelHeight);
    setFont(font);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    // A tool bar hands its children the button roles, which would paint the read-out in the
    // bar's colours instead of its own.
    setBackgroundRole(QPalette::Window);
    setForegroundRole(QPalette::WindowText);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colourFromBgr(kBackground));
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
    setMinimumWidth(QFontMetrics(font).horizontalAdvance(text) + 8);
}

void ReadoutLabel::setTextColour(const QColor& colour) {
    QPalette colours = palette();
    if (colours.color(QPalette::WindowText) == colour) return;
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
}

void ReadoutLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(2, 0, -2, 0);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                          shown, foregroundRole());
}

} // namespace cantelo

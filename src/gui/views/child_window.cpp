#include "gui/views/child_window.h"

#include <QCloseEvent>
#include <QLayout>
#include <QResizeEvent>

#include <algorithm>

namespace cantelo {

TMDIChild::TMDIChild(const QString& name, ClientLimits limits, QWidget* parent)
    : QMdiSubWindow(parent), m_limits(limits) {
    setObjectName(name);
    // A title and a thin border only: no system menu, no minimise, maximise or close button.
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setOption(QMdiSubWindow::RubberBandResize, false);
    auto* content = new QWidget;
    content->setObjectName(name + QStringLiteral("Client"));
    content->setAutoFillBackground(true);
    setWidget(content);
    setClientSize({limits.minWidth, limits.minHeight});
}

QMargins TMDIChild::frameMargins() const {
    QMargins m = contentsMargins();
    if (layout()) m += layout()->contentsMargins();
    return m;
}

QSize TMDIChild::clientSize() const {
    return m_clientSize;
}

QSize TMDIChild::frameSize() const {
    const QMargins m = frameMargins();
    return {m.left() + m.right(), m.top() + m.bottom()};
}

QSize TMDIChild::setClientSize(QSize size) {
    m_clientSize = QSize(std::clamp(size.width(), m_limits.minWidth, m_limits.maxWidth),
                         std::clamp(size.height(), m_limits.minHeight, m_limits.maxHeight));
    ensurePolished();
    const QSize frame = frameSize();
    if (m_userResizable) {
        // The border drags within the limits; the workspace's resizing does the rest.
        setMinimumSize(QSize(m_limits.minWidth, m_limits.minHeight) + frame);
        setMaximumSize(QSize(m_limits.maxWidth, m_limits.maxHeight) + frame);
        resize(m_clientSize + frame);
    } else {
        // A fixed size is what keeps the border from being dragged: only setClientSize resizes.
        setFixedSize(m_clientSize + frame);
    }
    return m_clientSize;
}

void TMDIChild::setUserResizable(bool on) {
    m_userResizable = on;
    setClientSize(m_clientSize);
}

void TMDIChild::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    if (!m_userResizable) return;
    const QSize client = size() - frameSize();
    m_clientSize = QSize(std::clamp(client.width(), m_limits.minWidth, m_limits.maxWidth),
                         std::clamp(client.height(), m_limits.minHeight, m_limits.maxHeight));
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    // The three children live as long as the main window; they are destroyed with it, never
    // closed.
    event->ignore();
}

void TMDIChild::changeEvent(QEvent* event) {
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (isMinimized() || isMaximized())) {
        // A double click on the title would otherwise shade or maximise the window.
        showNormal();
    } else if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
        // The frame's thickness follows the style and the title font.
        setClientSize(m_clientSize);
    }
}

} // namespace cantelo

#pragma once

#include <QMdiSubWindow>

namespace cantelo {

// The range a child's client area may be given, in pixels (both ends included).
struct ClientLimits {
    int minWidth = 0;
    int maxWidth = 0;
    int minHeight = 0;
    int maxHeight = 0;
};

// A permanent child of the main window's workspace: a title bar without system menu or
// buttons, a single border, and no way to close it. Its size is set through its client area (the
// content widget), which the configuration fixes at start-up and the window's content may change
// through setClientSize; a window made resizable by the user also follows the drag of its
// border. Either way the limits always hold. User-interface thread only.
class TMDIChild : public QMdiSubWindow {
    Q_OBJECT
public:
    TMDIChild(const QString& name, ClientLimits limits, QWidget* parent = nullptr);

    // The client area: the window's content widget, created empty.
    QWidget* client() const { return widget(); }
    QSize clientSize() const;
    // Sets the client size, each side clamped into the limits, and returns it.
    QSize setClientSize(QSize size);
    const ClientLimits& limits() const { return m_limits; }
    // Lets the user drag the window's own border within the limits (a side whose limits are
    // equal stays fixed); the client size follows the drag.
    void setResizableByUser(bool on);

    // The frame's thickness around the client area (title bar included in the top).
    QMargins frameMargins() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ClientLimits m_limits;
    QSize m_clientSize;
    bool m_resizableByUser = false;
};

} // namespace cantelo

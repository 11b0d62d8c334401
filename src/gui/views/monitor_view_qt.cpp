#include "gui/views/monitor_view_qt.h"

#include "core/document/key_sync.h"
#include "gui/views/child_window.h"
#include "gui/views/ui_text_qt.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace cantelo {

namespace {

constexpr int kEdge = 5; // pixels from an edge where a press resizes
constexpr int kCorner = 8;
constexpr QSize kBackgroundSize{1024, 393};
constexpr QSize kStripSize{500, 36};
constexpr int kStripFontSize = 17;
constexpr int kStripMargin = 3;

QColor fromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace

QFont MonitorView::monitorFont(int size) {
    QFont font;
    // Comic Neue stands in where the classic comic face is not installed.
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue")});
    font.setBold(true);
    // Sizes are points at 96 dots per inch, as the layout's arithmetic assumes.
    font.setPixelSize(std::max(1, (size * 96 + 36) / 72));
    return font;
}

MonitorView::MonitorView(TMDIChild& child, LyricsDocument& lyrics)
    : QWidget(child.client()), m_child(child), m_widths([](int size, char32_t c) {
          return QFontMetrics(monitorFont(size)).horizontalAdvance(QString::fromUcs4(&c, 1));
      }),
      m_monitor(lyrics, m_widths), m_background(kBackgroundSize, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("MonitorImage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_background.fill(Qt::black);
    auto* layout = new QVBoxLayout(child.client());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(this);
    m_normalWidth = child.clientSize().width();
    // Painting starts before the first show (the title screen): the image has the client's size
    // from the start, so the show's resize finds nothing to redo.
    resize(child.clientSize());
    m_image = QImage(size(), QImage::Format_RGB32);
    m_image.fill(Qt::black);
    const QSize client = child.clientSize();
    m_monitor.setSurface({client.width(), client.height(), width(), true});
}

// The strip of a take shows nothing of the page; the page is rebuilt when the take ends.
void MonitorView::follow(double tick, bool synchronising) {
    if (m_strip) return;
    m_monitor.update(tick, synchronising);
    flush();
}

void MonitorView::relocate(double tick) {
    if (m_strip) return;
    m_monitor.relocate(tick);
    flush();
}

void MonitorView::redraw() {
    if (m_strip) return;
    m_monitor.redraw();
    flush();
}

void MonitorView::showStrip(const std::string& line, const std::string& tapped) {
    if (!m_strip) {
        m_strip = true;
        m_sizeBeforeStrip = m_child.clientSize();
        m_child.setClientSize(kStripSize);
    }
    m_stripLine = line;
    m_stripTapped = tapped;
    paintStrip();
}

void MonitorView::leaveStrip() {
    if (!m_strip) return;
    m_strip = false;
    m_child.setClientSize(m_sizeBeforeStrip);
}

void MonitorView::paintStrip() {
    if (m_image.isNull()) return;
    m_image.fill(Qt::white);
    QPainter painter(&m_image);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize((kStripFontSize * 96 + 36) / 72);
    painter.setFont(font);
    const int baseline = kStripMargin + QFontMetrics(font).ascent();
    painter.setPen(Qt::black);
    painter.drawText(kStripMargin, baseline, songText(m_stripLine, m_monitor.textEncoding()));
    painter.setPen(fromBgr(kSyncTappedColour));
    painter.drawText(kStripMargin, baseline, songText(m_stripTapped, m_monitor.textEncoding()));
    update();
}

void MonitorView::setColours(std::uint32_t text, std::uint32_t sung) {
    m_monitor.setColours(text, sung);
    redraw();
}

bool MonitorView::loadBackground(const std::vector<std::filesystem::path>& folders,
                                 const std::string& name) {
    QImage picture;
    if (!name.empty())
        for (const std::filesystem::path& folder : folders)
            if (picture.load(QString::fromStdString((folder / name).string()))) break;
    m_background = QImage(kBackgroundSize, QImage::Format_RGB32);
    m_background.fill(Qt::black);
    if (picture.isNull()) return false;
    QPainter(&m_background).drawImage(QRect(QPoint(), kBackgroundSize), picture);
    return true;
}

void MonitorView::flush() {
    const std::vector<MonitorPaint> paints = m_monitor.takePaints();
    if (paints.empty() || m_image.isNull()) return;
    for (const MonitorPaint& p : paints) apply(p);
    update();
}

void MonitorView::drawText(const QString& text, int x, int y, int size, std::uint32_t colour) {
    QPainter painter(&m_image);
    const QFont font = monitorFont(size);
    painter.setFont(font);
    painter.setPen(fromBgr(colour));
    painter.drawText(x, y + QFontMetrics(font).ascent(), text);
}

void MonitorView::apply(const MonitorPaint& p) {
    using K = MonitorPaint::Kind;
    switch (p.kind) {
    case K::Background:
        QPainter(&m_image).drawImage(m_image.rect(), m_background);
        break;
    case K::Plain:
        drawText(songText(p.text, m_monitor.textEncoding()), p.x, p.y, p.size, p.colour);
        break;
    case K::Outlined: {
        const QString text = songText(p.text, m_monitor.textEncoding());
        const int t = p.outline;
        for (const QPoint d : {QPoint(-t, 0), QPoint(t, 0), QPoint(0, -t), QPoint(0, t)})
            drawText(text, p.x + d.x(), p.y + d.y(), p.size, kMonitorOutlineColour);
        drawText(text, p.x, p.y, p.size, p.colour);
        break;
    }
    case K::Squeezed: {
        // The line is drawn at its natural width with its outline, then squeezed into the
        // window less the margins.
        const bool small = m_image.width() < 500;
        const int a = small ? 2 : 3;
        const int b = small ? 4 : 6;
        const QFont font = monitorFont(p.size);
        const QFontMetrics metrics(font);
        const QString text = songText(p.text, m_monitor.textEncoding());
        QImage line(metrics.horizontalAdvance(text) + b, metrics.height() + b,
                    QImage::Format_ARGB32_Premultiplied);
        line.fill(Qt::transparent);
        {
            QPainter painter(&line);
            painter.setFont(font);
            painter.setPen(fromBgr(kMonitorOutlineColour));
            for (const QPoint d : {QPoint(0, a), QPoint(b, a), QPoint(a, 0), QPoint(a, b)})
                painter.drawText(d.x(), d.y() + metrics.ascent(), text);
            painter.setPen(fromBgr(p.colour));
            painter.drawText(a, a + metrics.ascent(), text);
            if (!p.sung.empty()) {
                painter.setPen(fromBgr(p.sungColour));
                painter.drawText(a, a + metrics.ascent(),
                                 songText(p.sung, m_monitor.textEncoding()));
            }
        }
        QPainter painter(&m_image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(p.x, p.y, m_image.width() - 2 * p.x, line.height()), line);
        break;
    }
    }
}

void MonitorView::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, m_image);
}

void MonitorView::resizeEvent(QResizeEvent*) {
    if (m_image.size() == size()) return;
    m_image = QImage(size(), QImage::Format_RGB32);
    m_image.fill(Qt::black);
    if (m_strip) {
        paintStrip();
        return;
    }
    const QSize client = m_child.clientSize();
    m_monitor.setSurface({client.width(), client.height(), width(), true});
    redraw();
}

// ---- Moving and resizing by the picture ------------------------------------------------------

MonitorView::Drag MonitorView::dragAt(QPoint at) const {
    const bool right = at.x() >= width() - kEdge;
    const bool bottom = at.y() >= height() - kEdge;
    if (right) return Drag::Width;
    if (bottom) return Drag::Height;
    return Drag::Move;
}

void MonitorView::resizeClient(const MonitorClientSize& size) {
    m_child.setClientSize({size.width, size.height});
}

void MonitorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_strip) return;
    m_drag = dragAt(event->position().toPoint());
    m_pressAt = event->globalPosition().toPoint();
    m_childAtPress = m_child.pos();
    if (m_drag == Drag::Move) setCursor(Qt::ClosedHandCursor);
}

void MonitorView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_drag == Drag::None) {
        const bool right = at.x() >= width() - kEdge;
        const bool bottom = at.y() >= height() - kEdge;
        const bool corner = at.x() >= width() - kCorner && at.y() >= height() - kCorner;
        setCursor(corner   ? Qt::SizeFDiagCursor
                  : right  ? Qt::SizeHorCursor
                  : bottom ? Qt::SizeVerCursor
                           : Qt::ArrowCursor);
        return;
    }
    if (m_drag == Drag::Width) {
        if (const auto size = monitorSizeForWidthDrag(at.x())) {
            m_normalWidth = size->width;
            resizeClient(*size);
        }
    } else if (m_drag == Drag::Height) {
        if (const auto size = monitorSizeForHeightDrag(at.y())) {
            m_normalWidth = size->width;
            resizeClient(*size);
        }
    } else if (!m_afterDoubleClick || event->globalPosition().toPoint() != m_pressAt) {
        m_afterDoubleClick = false;
        m_child.move(m_childAtPress + (event->globalPosition().toPoint() - m_pressAt));
    }
}

void MonitorView::mouseReleaseEvent(QMouseEvent*) {
    m_drag = Drag::None;
    m_afterDoubleClick = false;
    unsetCursor();
}

void MonitorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_strip) return;
    const QMargins frame = m_child.frameMargins();
    resizeClient(monitorToggledSize(m_child.width(), m_normalWidth, frame.left() + frame.right()));
    // The press that follows a double click must not move the window until the mouse moves.
    m_afterDoubleClick = true;
    m_drag = Drag::Move;
    m_pressAt = event->globalPosition().toPoint();
    m_childAtPress = m_child.pos();
}

} // namespace cantelo

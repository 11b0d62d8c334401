#include "gui/views/midi_overview_qt.h"

#include "gui/views/cantelo_style_qt.h"
#include "gui/views/ui_text_qt.h"

#include <QContextMenuEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace cantelo {

namespace {

constexpr int kRowScrollLeft = 667;
constexpr int kRowScrollWidth = 12;
constexpr int kRowScrollHeight = 245;
constexpr int kTimeScrollLeft = 152;
constexpr int kTimeScrollTop = 246;
constexpr int kTimeScrollWidth = 528;
constexpr int kTimeScrollHeight = 12;
constexpr int kCellPixels = 10;
constexpr int kRulerPixels = 9;
constexpr int kTextHeight = 14;
constexpr int kCaptionTop = 3;
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatMs = 50;

QFont arial(int pixels) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    return f;
}

} // namespace

VolumeSpinner::VolumeSpinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(kOverviewSpinnerWidth, kOverviewSpinnerHeight);
    // The repeat is the spinner's own, not the buttons': a button's repeat reports a release
    // at every step, and a held arrow is one change.
    m_repeat = new QTimer(this);
    connect(m_repeat, &QTimer::timeout, this, [this] {
        m_repeat->setInterval(kRepeatMs);
        emit stepped(m_delta);
    });
    const int half = kOverviewSpinnerHeight / 2;
    int top = 0;
    for (QToolButton** button : {&m_up, &m_down}) {
        auto* b = new QToolButton(this);
        const int delta = button == &m_up ? 1 : -1;
        b->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(0, top, kOverviewSpinnerWidth, top == 0 ? half : height() - half);
        connect(b, &QToolButton::pressed, this, [this, delta] {
            m_delta = delta;
            emit held();
            emit stepped(delta);
            m_repeat->start(kRepeatDelayMs);
        });
        connect(b, &QToolButton::released, this, [this] {
            m_repeat->stop();
            emit let();
        });
        *button = b;
        top = half;
    }
}

void VolumeSpinner::wheelEvent(QWheelEvent* event) {
    const int y = event->angleDelta().y();
    if (y != 0) emit stepped(y > 0 ? 1 : -1);
    event->accept();
}

MidiOverviewPanel::MidiOverviewPanel(QMenu* velocityMenu, QWidget* parent)
    : QWidget(parent), m_velocityMenu(velocityMenu),
      m_buffer(kOverviewWidth, kOverviewHeight, QImage::Format_RGB32),
      m_cellFont(arial(kCellPixels)), m_rulerFont(arial(kRulerPixels)) {
    setFixedSize(kOverviewWidth, kOverviewHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_buffer.fill(colourFromBgr(kOverviewBackground));
    m_rows = new QScrollBar(Qt::Vertical, this);
    m_rows->setGeometry(kRowScrollLeft, 0, kRowScrollWidth, kRowScrollHeight);
    m_rows->setRange(0, kOverviewFirstRowMax);
    m_rows->setPageStep(kOverviewRowsShown);
    m_time = new QScrollBar(Qt::Horizontal, this);
    m_time->setGeometry(kTimeScrollLeft, kTimeScrollTop, kTimeScrollWidth, kTimeScrollHeight);
    m_time->setRange(0, 0);
    m_spinner = new VolumeSpinner(this);
    m_spinner->hide();
}

void MidiOverviewPanel::setCaptions(const std::array<QString, 4>& captions) {
    m_captions = captions;
    update();
}

void MidiOverviewPanel::paintLayout(const OverviewLayout& layout) {
    QPainter p(&m_buffer);
    for (const OverviewRect& r : layout.rects())
        p.fillRect(r.left, r.top, r.width, r.height, colourFromBgr(r.colour));
    p.setPen(colourFromBgr(kOverviewInk));
    p.setFont(m_cellFont);
    const int columns[] = {OverviewLayout::kChannelColumn, OverviewLayout::kNameColumn,
                           OverviewLayout::kVolumeColumn, OverviewLayout::kPanColumn};
    for (std::size_t i = 0; i < m_captions.size(); ++i)
        p.drawText(QRect(columns[i], kCaptionTop, kOverviewStripLeft, kTextHeight),
                   Qt::AlignLeft | Qt::AlignTop, m_captions[i]);
    QFont* current = &m_cellFont;
    for (const OverviewText& t : layout.texts()) {
        QFont* wanted = t.kind == OverviewTextKind::RulerNumber ? &m_rulerFont : &m_cellFont;
        if (wanted != current) {
            p.setFont(*wanted);
            current = wanted;
        }
        p.setPen(colourFromBgr(t.selectedRow ? kOverviewSelectedInk : kOverviewInk));
        const int width = t.width > 0 ? t.width : kOverviewWidth - t.left;
        p.drawText(QRect(t.left, t.top, width, kTextHeight), Qt::AlignLeft | Qt::AlignTop,
                   uiText(t.text));
    }
    p.end();
    if (const auto top = layout.selectedRowTop()) {
        m_spinner->move(kOverviewSpinnerLeft, *top);
        m_spinner->show();
    } else {
        m_spinner->hide();
    }
    update();
}

void MidiOverviewPanel::setLineX(int x) {
    if (x == m_lineX) return;
    const auto strip = [](int at) {
        return QRect(at, kOverviewLineTop, kOverviewLineWidth, kOverviewLineHeight);
    };
    update(strip(m_lineX));
    m_lineX = x;
    update(strip(m_lineX));
}

void MidiOverviewPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect dirty = event->rect();
    p.drawImage(dirty, m_buffer, dirty);
    if (m_lineX >= kOverviewStripLeft)
        p.fillRect(m_lineX, kOverviewLineTop, kOverviewLineWidth, kOverviewLineHeight,
                   colourFromBgr(kOverviewLineColour));
}

void MidiOverviewPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton) return;
    if (at.y() < kOverviewRulerBottom && at.x() >= kOverviewStripLeft) {
        emit rulerClicked(at.x(), at.y());
        return;
    }
    // Elsewhere the panel is a handle that moves its window.
    m_dragging = true;
    m_dragFrom = event->globalPosition().toPoint();
}

void MidiOverviewPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint now = event->globalPosition().toPoint();
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) {
            frame->move(frame->pos() + now - m_dragFrom);
            break;
        }
    }
    m_dragFrom = now;
}

void MidiOverviewPanel::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

void MidiOverviewPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    // The double click stands for the second press, which lands where the first did.
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) emit rowDoubleClicked(at.x(), at.y());
}

void MidiOverviewPanel::contextMenuEvent(QContextMenuEvent* event) {
    if (m_velocityMenu && overviewVelocityMenuAt(event->pos().x()))
        m_velocityMenu->popup(event->globalPos());
}

} // namespace cantelo

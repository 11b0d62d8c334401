#include "gui/views/event_list_qt.h"

#include "gui/views/cantelo_style_qt.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace cantelo {

namespace {

constexpr int kTextInset = 2;
constexpr int kPanelHeight = kEventRowsVisible * kEventRowHeight + 1;
constexpr std::uint32_t kSelectedPosition = 0xFF0000; // blue
constexpr std::uint32_t kSelectedValue = 0x008000;    // green
// The value column holds a tempo ("250") or a signature ("12/16").
constexpr int kValueColumnWidth = 27;

} // namespace

EventListView::EventListView(QWidget* parent) : QWidget(parent) {
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    const QFontMetrics metrics(small);
    m_valueColumn =
        std::max(kEventValueColumn,
                 metrics.horizontalAdvance(QStringLiteral("0000.00.000")) + 2 * kTextInset);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setRange(0, 0);
    m_scroll->setPageStep(kEventRowsVisible);
    connect(m_scroll, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(sizeHint());
}

int EventListView::panelWidth() const {
    const int value =
        std::max(kValueColumnWidth,
                 fontMetrics().horizontalAdvance(QStringLiteral("00/00")) + 2 * kTextInset);
    return m_valueColumn + value;
}

QSize EventListView::sizeHint() const {
    return {panelWidth() + kScrollBarWidth, kPanelHeight};
}

void EventListView::setRows(std::vector<EventRow> rows) {
    m_rows = std::move(rows);
    m_selected = -1;
    m_scroll->setMaximum(eventListScrollMaximum(static_cast<int>(m_rows.size())));
    update();
}

void EventListView::resizeEvent(QResizeEvent*) {
    m_scroll->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
}

void EventListView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width() - kScrollBarWidth;
    const int h = height();
    p.fillRect(0, 0, w, h, Qt::white);
    p.setPen(Qt::black);
    for (int y = 0; y < h; y += kEventRowHeight) p.drawLine(0, y, w - 1, y);
    p.drawLine(m_valueColumn, 0, m_valueColumn, h - 1);

    const int first = m_scroll->value();
    const int last = std::min<int>(static_cast<int>(m_rows.size()), first + kEventRowsVisible + 1);
    for (int i = first; i < last; ++i) {
        const EventRow& row = m_rows[static_cast<std::size_t>(i)];
        const QRect band(0, (i - first) * kEventRowHeight + 1, w, kEventRowHeight - 1);
        const bool selected = i == m_selected;
        p.setPen(selected ? colourFromBgr(kSelectedPosition) : QColor(Qt::black));
        p.drawText(band.adjusted(kTextInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(row.position));
        p.setPen(selected ? colourFromBgr(kSelectedValue) : QColor(Qt::black));
        p.drawText(band.adjusted(m_valueColumn + kTextInset, 0, 0, 0),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(row.value));
    }
}

void EventListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || event->position().x() >= width() - kScrollBarWidth)
        return;
    const int row = eventRowAt(static_cast<int>(event->position().y()), m_scroll->value(),
                               static_cast<int>(m_rows.size()));
    if (row < 0) return;
    m_selected = row;
    update();
}

void EventListView::wheelEvent(QWheelEvent* event) {
    QApplication::sendEvent(m_scroll, event);
}

} // namespace cantelo

#include "gui/views/vu_meter_qt.h"

#include "gui/views/cantelo_style_qt.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace cantelo {

namespace {

constexpr int kChannelStep = 30;
constexpr int kSegmentStep = 2;
constexpr int kSegmentWidth = 3;
constexpr int kSegmentHeight = 7;

} // namespace

VuMeterWidget::VuMeterWidget(QWidget* parent) : QWidget(parent) {
    setFixedSize(kChannelStep * (kMeterChannels - 1) + kSegmentStep * (kMeterSegments - 1) +
                     kSegmentWidth,
                 kSegmentHeight);
    // Only the segments are drawn; the panel shows between them.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(kMeterStepMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &VuMeterWidget::step);
}

QRect VuMeterWidget::segmentRect(int channel, int segment) {
    return {kChannelStep * channel + kSegmentStep * segment, 0, kSegmentWidth, kSegmentHeight};
}

bool VuMeterWidget::segmentLit(int channel, int segment) const {
    return m_lit[static_cast<std::size_t>(channel & 15)]
                [static_cast<std::size_t>(std::clamp(segment, 0, kMeterSegments - 1))];
}

void VuMeterWidget::SetValue(int level, int channel) {
    m_animation.SetValue(level, channel);
    if (!m_timer.isActive()) m_timer.start();
}

void VuMeterWidget::step() {
    m_painted.clear();
    m_animation.step(m_painted);
    m_lastRepaint = QRegion();
    for (const VuMeterAnimation::Paint& p : m_painted) {
        bool& lit = m_lit[static_cast<std::size_t>(p.channel)][static_cast<std::size_t>(p.segment)];
        if (lit == p.lit) continue;
        lit = p.lit;
        m_lastRepaint += segmentRect(p.channel, p.segment);
    }
    if (!m_lastRepaint.isEmpty()) update(m_lastRepaint);
    if (!m_animation.animating()) m_timer.stop();
}

void VuMeterWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect area = event->rect();
    // Overlapping neighbours: drawn in order, each segment's right column is its neighbour's
    // left one, as the meter always looked.
    for (int c = 0; c < kMeterChannels; ++c) {
        for (int i = 0; i < kMeterSegments; ++i) {
            const QRect r = segmentRect(c, i);
            if (!r.intersects(area)) continue;
            const bool lit = m_lit[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
            p.fillRect(r, colourFromBgr(lit ? meterSegmentColour(i) : kMeterUnlit));
        }
    }
}

} // namespace cantelo

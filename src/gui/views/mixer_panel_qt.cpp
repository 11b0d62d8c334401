#include "gui/views/mixer_panel_qt.h"

#include "gui/views/cantelo_style_qt.h"
#include "gui/views/vu_meter_qt.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <numbers>
#include <utility>

namespace cantelo {

namespace {

constexpr std::uint32_t kBackground = 0x505050; // light enough for the unlit meter segments
constexpr std::uint32_t kText = 0xE6E6E6;
constexpr std::uint32_t kCaption = 0xA0A0A0;
constexpr std::uint32_t kChorusColour = 0x000099;
constexpr std::uint32_t kReverbColour = 0x009900;
constexpr std::uint32_t kPanColour = 0x990000;
constexpr std::uint32_t kMuteDown = 0x2D59DC, kMuteDownShade = 0x0817BC;
constexpr std::uint32_t kSoloDown = 0x00C156, kSoloDownShade = 0x00831C;
constexpr std::uint32_t kButtonUp = 0xDCDCDC, kButtonUpShade = 0xC0C0C0;
constexpr std::uint32_t kTrack = 0x151515;
constexpr std::uint32_t kFaderKnob = 0xC8C8C8, kFaderLine = 0x202020;
constexpr std::uint32_t kUnusedMark = 0x8080C0;

constexpr int kCaptionHeight = 11;
constexpr int kVolumeCaptionTop = 160;
constexpr int kFaderTop = kMixerFaderBottom - 127;
constexpr int kFaderValueTop = kMixerFaderBottom + 4;
constexpr int kChannelNumberTop = kFaderValueTop + 14;
constexpr int kWheelNotch = 120;

// The fader's value moves right as it gets shorter, so that its digits stay under the knob.
int faderValueShift(int value) {
    return value < 10 ? 10 : value < 100 ? 7 : 4;
}

} // namespace

MixerPanel::MixerPanel(Mixer& mixer, QWidget* parent) : QWidget(parent), m_mixer(mixer) {
    setFixedSize(kMixerWidth, kMixerHeight);
    QFont small(QStringLiteral("Arial"));
    small.setPointSize(7);
    small.setBold(true);
    setFont(small);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_meter = new VuMeterWidget(this);
    m_meter->move(kMixerMeterLeft, kMixerMeterTop);
}

void MixerPanel::setCaptions(MixerCaptions captions) {
    m_captions = std::move(captions);
    m_static = QPixmap();
    update();
}

const QPixmap& MixerPanel::staticLayer() {
    const qreal ratio = devicePixelRatioF();
    if (!m_static.isNull() && m_static.devicePixelRatio() == ratio) return m_static;
    m_static = QPixmap(QSize(kMixerWidth, kMixerHeight) * ratio);
    m_static.setDevicePixelRatio(ratio);
    m_static.fill(colourFromBgr(kBackground));
    QPainter p(&m_static);
    p.setFont(font());
    for (int c = 0; c < kChannels; ++c) {
        const int x = mixerStripLeft(c);
        const auto band = [x](int top, int height) {
            return QRect(x, top, kMixerStripWidth - 2, height);
        };
        p.setPen(colourFromBgr(kCaption));
        p.drawText(band(kMixerChorusTop - kCaptionHeight, kCaptionHeight), Qt::AlignCenter,
                   m_captions.chorus);
        p.drawText(band(kMixerReverbTop - kCaptionHeight, kCaptionHeight), Qt::AlignCenter,
                   m_captions.reverb);
        p.drawText(band(kMixerPanTop - kCaptionHeight, kCaptionHeight), Qt::AlignCenter,
                   m_captions.pan);
        p.drawText(band(kVolumeCaptionTop, kCaptionHeight), Qt::AlignCenter, m_captions.volume);
        p.setPen(colourFromBgr(kText));
        p.drawText(band(kChannelNumberTop, kCaptionHeight + 2), Qt::AlignCenter,
                   QString::number(c + 1));
        const int cx = x + kMixerFaderCentre;
        p.fillRect(QRect(cx - 1, kFaderTop, 3, kMixerFaderBottom - kFaderTop + 1),
                   colourFromBgr(kTrack));
    }
    return m_static;
}

void MixerPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawPixmap(event->rect(), staticLayer(),
                 QRectF(event->rect().topLeft() * devicePixelRatioF(),
                        event->rect().size() * devicePixelRatioF()));
    // The hit rectangles are those of what is drawn now.
    m_mixer.layout();
    const MixerStrips strips = m_mixer.strips();
    for (int c = 0; c < kChannels; ++c) {
        const QRect strip(mixerStripLeft(c), 0, kMixerStripWidth, kMixerHeight);
        if (strip.intersects(event->rect())) paintStrip(p, c, strips[static_cast<std::size_t>(c)]);
    }
}

void MixerPanel::paintStrip(QPainter& p, int channel, const MixerStrip& strip) {
    const int x = mixerStripLeft(channel);
    const int first = channel * 6;
    const auto& items = m_mixer.items();
    for (int i = first; i < first + 6 && i < static_cast<int>(items.size()); ++i) {
        const MixerItem& item = items[static_cast<std::size_t>(i)];
        switch (item.kind) {
        case MixKind::Volume:
            paintFader(p, item);
            break;
        case MixKind::Pan:
            paintKnob(p, item, kPanColour);
            break;
        case MixKind::Reverb:
            paintKnob(p, item, kReverbColour);
            break;
        case MixKind::Chorus:
            paintKnob(p, item, kChorusColour);
            break;
        case MixKind::Mute:
            paintButton(p, item, strip.mute, m_captions.mute);
            break;
        case MixKind::Solo:
            paintButton(p, item, strip.solo, m_captions.solo);
            break;
        }
    }
    if (!strip.used) {
        p.setPen(QPen(colourFromBgr(kUnusedMark), 2));
        p.drawLine(x + 2, kMixerChorusTop, x + kMixerStripWidth - 5, kMixerFaderBottom);
    }
}

void MixerPanel::paintKnob(QPainter& p, const MixerItem& item, std::uint32_t colour) {
    const QRectF box(item.left, item.top, kMixerKnobSize - 1, kMixerKnobSize - 1);
    const QColor fill = colourFromBgr(colour);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(fill.lighter(170), 1));
    p.setBrush(fill);
    p.drawEllipse(box);
    // The indicator points where the value lies on the knob's 270-degree sweep, clockwise from
    // straight down.
    const double a = (45.0 + item.value * 270.0 / 127.0) * std::numbers::pi / 180.0;
    const QPointF centre = box.center();
    const double r = kMixerKnobSize / 2.0 - 2.0;
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(-std::sin(a) * r, std::cos(a) * r));
    p.restore();
    p.setPen(colourFromBgr(kText));
    p.drawText(QRect(item.left - 4, item.bottom + 1, kMixerKnobSize + 8, kCaptionHeight),
               Qt::AlignCenter, QString::number(item.value));
}

void MixerPanel::paintButton(QPainter& p, const MixerItem& item, bool down, const QString& text) {
    const bool solo = item.kind == MixKind::Solo;
    const std::uint32_t face = down ? (solo ? kSoloDown : kMuteDown) : kButtonUp;
    const std::uint32_t shade = down ? (solo ? kSoloDownShade : kMuteDownShade) : kButtonUpShade;
    const QRect box(item.left, item.top, kMixerButtonWidth, kMixerButtonHeight);
    p.fillRect(box, colourFromBgr(face));
    p.setPen(colourFromBgr(shade));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setPen(down ? QColor(Qt::white) : QColor(Qt::black));
    p.drawText(box, Qt::AlignCenter, text);
}

void MixerPanel::paintFader(QPainter& p, const MixerItem& item) {
    const int y = kMixerFaderBottom - item.value;
    const QRect knob(item.left + 2, y - kMixerFaderKnobHalfHeight, item.right - item.left - 4,
                     2 * kMixerFaderKnobHalfHeight + 1);
    p.fillRect(knob, colourFromBgr(kFaderKnob));
    p.setPen(colourFromBgr(kFaderLine));
    p.drawRect(knob.adjusted(0, 0, -1, -1));
    p.drawLine(knob.left() + 2, y, knob.right() - 2, y);
    p.setPen(colourFromBgr(kText));
    const int x = mixerStripLeft(item.channel) + faderValueShift(item.value);
    p.drawText(QRect(x, kFaderValueTop, kMixerStripWidth, kCaptionHeight + 2),
               Qt::AlignLeft | Qt::AlignVCenter, QString::number(item.value));
}

void MixerPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    if (const MixerItem* item = m_mixer.itemAt(at.x(), at.y())) m_focusId = item->id;
    if (m_mixer.mouseDown(at.x(), at.y())) update();
}

void MixerPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!m_mixer.dragging()) {
        if (const MixerItem* item = m_mixer.itemAt(at.x(), at.y())) m_focusId = item->id;
        return;
    }
    // The document's notice of the edit redraws the panel.
    const MixerItem* dragged = m_mixer.findItem(m_focusId);
    const int channel = dragged ? dragged->channel : 0;
    if (const std::optional<int> level = m_mixer.mouseMove(at.x(), at.y()))
        m_meter->SetValue(*level, channel);
}

void MixerPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_mixer.mouseUp();
}

void MixerPanel::wheelEvent(QWheelEvent* event) {
    const QPoint at = event->position().toPoint();
    const MixerItem* item = m_mixer.itemAt(at.x(), at.y());
    if (!item) return event->ignore();
    m_focusId = item->id;
    m_wheelRest += event->angleDelta().y();
    const int steps = m_wheelRest / kWheelNotch;
    m_wheelRest -= steps * kWheelNotch;
    for (int i = 0; i < std::abs(steps); ++i) m_mixer.stepControl(m_focusId, steps > 0 ? 1 : -1);
    event->accept();
}

void MixerPanel::keyPressEvent(QKeyEvent* event) {
    const int delta = event->key() == Qt::Key_Up ? 1 : event->key() == Qt::Key_Down ? -1 : 0;
    if (delta == 0 || event->modifiers() != Qt::NoModifier) return QWidget::keyPressEvent(event);
    m_mixer.stepControl(m_focusId, delta);
}

} // namespace cantelo

#pragma once

#include "core/tools/vu_meter.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

namespace cantelo {

// The sixteen level meters: paints what VuMeterAnimation sets, one 3 x 7 segment per level step,
// channels 30 pixels apart. Its own 10 ms timer runs the animation while anything moves and
// sleeps otherwise; a step repaints only the segments whose colour changed. User-interface
// thread only.
class VuMeterWidget : public QWidget {
    Q_OBJECT
public:
    explicit VuMeterWidget(QWidget* parent = nullptr);

    // A note sounded on `channel`: its bar climbs to `level` (0..13).
    void SetValue(int level, int channel);
    // One 10 ms run of the animation (the timer's, or a test's).
    void step();

    const VuMeterAnimation& animation() const { return m_animation; }
    bool segmentLit(int channel, int segment) const;
    // The screen area the last step asked to repaint (tests, benchmarks).
    const QRegion& lastRepaint() const { return m_lastRepaint; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QRect segmentRect(int channel, int segment);

    VuMeterAnimation m_animation;
    QTimer m_timer;
    std::vector<VuMeterAnimation::Paint> m_painted;
    std::array<std::array<bool, kMeterSegments>, kMeterChannels> m_lit{};
    QRegion m_lastRepaint;
};

} // namespace cantelo

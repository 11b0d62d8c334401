#pragma once

#include "core/tools/mixer.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>

namespace cantelo {

class VuMeterWidget;

// The captions the panel draws, in the interface language.
struct MixerCaptions {
    QString chorus, reverb, pan, volume, mute, solo;
};

// The mixer's owner-drawn panel: sixteen strips with their knobs, buttons and fader drawn from
// the mixer's values and hit rectangles, the level meters across them. The mouse, the wheel and
// the Up and Down keys go to the mixer; the hovered or last clicked control is the one the wheel
// and the keys change. It redraws when told (the document's notices reach it through its owner).
// User-interface thread only.
class MixerPanel : public QWidget {
    Q_OBJECT
public:
    explicit MixerPanel(Mixer& mixer, QWidget* parent = nullptr);

    VuMeterWidget* meter() const { return m_meter; }
    void setCaptions(MixerCaptions captions);
    // The control the wheel and the arrow keys change, or -1.
    int focusedControl() const { return m_focusId; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What never moves (background, captions, channel numbers, fader tracks), drawn once.
    const QPixmap& staticLayer();
    void paintStrip(QPainter& p, int channel, const MixerStrip& strip);
    void paintKnob(QPainter& p, const MixerItem& item, std::uint32_t colour);
    void paintButton(QPainter& p, const MixerItem& item, bool down, const QString& text);
    void paintFader(QPainter& p, const MixerItem& item);

    Mixer& m_mixer;
    VuMeterWidget* m_meter = nullptr;
    MixerCaptions m_captions;
    QPixmap m_static;
    int m_focusId = -1;
    int m_wheelRest = 0; // eighths of a degree not yet turned into a step
};

} // namespace cantelo

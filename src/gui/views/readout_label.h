#pragma once

#include <QColor>
#include <QLabel>

#include <cstdint>

namespace cantelo {

// A position or name read-out: bold "Arial" text of its own colour on a lowered panel of the
// read-outs' pale grey. A text wider than the panel is cut with an ellipsis, so a fixed width
// holds whatever is shown; text() keeps the whole text. User-interface thread only.
class ReadoutLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr std::uint32_t kBackground = 0xEAEBE9; // 0xBBGGRR

    // The width fits `text` until the caller fixes another.
    ReadoutLabel(const QString& text, const QColor& colour, int pixelHeight,
                 QWidget* parent = nullptr);

    // A read-out whose colour tells a state (the reference pointer: set or not).
    void setTextColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace cantelo

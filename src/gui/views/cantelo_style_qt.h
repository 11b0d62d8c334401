#pragma once

#include <QColor>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QString>

#include <cstdint>

namespace cantelo {

// A colour written 0xBBGGRR (red in the lowest byte), the notation of every colour constant of
// the editor.
inline QColor colourFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// A bevel around `box`: `topLeft` along its top and left edges, `bottomRight` along the others
// (light then dark for a raised look, the other way round for a lowered one).
void drawBevel(QPainter& painter, const QRect& box, const QColor& topLeft,
               const QColor& bottomRight);

// The editor's own menu look: a plain bar whose hot item gets a soft rounded highlight, and
// white drop-downs with a grey icon strip on which the selected item is framed in black and
// written bold. Context menus (BannerMenu) get their own item look beside their banner, and
// drop-down lists plain 16-pixel rows. Every other control is drawn by the base style.
// User-interface thread only.
class CanteloStyle : public QProxyStyle {
public:
    CanteloStyle();

    // The look's colours and metrics.
    static constexpr std::uint32_t kBarText = 0x000000;
    static constexpr std::uint32_t kIconStrip = 0xC0C0C0;
    static constexpr int kIconStripWidth = 26;
    static constexpr std::uint32_t kItemBackground = 0xFFFFFF;
    static constexpr std::uint32_t kSelectedFrame = 0x000000;
    static constexpr std::uint32_t kEnabledText = 0x000000;
    static constexpr std::uint32_t kDisabledText = 0xC0C0C0;
    static constexpr int kFrameInset = 2;
    static constexpr int kTextLeft = 35;
    static constexpr int kExtraWidthWithImages = 26;
    static constexpr int kExtraWidthWithoutImages = 100;
    static constexpr int kExtraHeight = 2;
    // Context menus.
    static constexpr int kContextItemHeight = 19;
    static constexpr int kContextWidthReduction = 10;
    static constexpr int kContextCaptionGap = 24;
    static constexpr std::uint32_t kContextSelection = 0x0000FF;
    static constexpr std::uint32_t kContextImageBorder = 0x808080;
    // Drop-down lists (the melody channel's "1" ... "16").
    static constexpr int kComboItemHeight = 16;
    static constexpr int kComboTextInset = 4;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

private:
    void drawMenuBarItem(const QStyleOption* option, QPainter* painter) const;
    void drawDropDownItem(const QStyleOption* option, QPainter* painter) const;
    void drawContextItem(const QStyleOption* option, QPainter* painter) const;
    void drawComboItem(const QStyleOption* option, QPainter* painter) const;
    void drawSubMenuArrow(const QStyleOption& option, QPainter* painter,
                          const QColor& colour) const;
};

// A context menu with a vertical banner down its left column: a coloured strip with white text
// reading upwards. An empty text leaves the strip plain. User-interface thread only.
class BannerMenu : public QMenu {
    Q_OBJECT
public:
    explicit BannerMenu(QWidget* parent = nullptr);

    void setBannerText(const QString& text);
    QString bannerText() const { return m_bannerText; }
    void setBannerColour(std::uint32_t bgr);
    std::uint32_t bannerColour() const { return m_bannerColour; }
    // The banner column's width: the platform's check-mark width plus 10.
    int bannerWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_bannerText;
    std::uint32_t m_bannerColour = 0xFF0000;
};

} // namespace cantelo

#include "gui/views/cantelo_style_qt.h"

#include <QApplication>
#include <QComboBox>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace cantelo {

void drawBevel(QPainter& painter, const QRect& box, const QColor& topLeft,
               const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
}

namespace {

// The bar highlight's palette: the fill, the outline with its cut corners, the three shading
// lines (outermost first) and the corner pixels.
constexpr std::uint32_t kBarHotFill = 0xEEF4F4;
constexpr std::uint32_t kBarHotOutline = 0xC3CECE;
constexpr std::uint32_t kBarHotShade[] = {0xC8D3D7, 0xD6E1E4, 0xE4ECED};
constexpr std::uint32_t kBarHotCorner = 0xDAE0E0;
constexpr std::uint32_t kSeparator = 0xA0A0A0;
constexpr std::uint32_t kMenuBorder = 0x808080;
constexpr int kIconSize = 16;
constexpr int kArrowWidth = 14;
constexpr int kShortcutGap = 20;

const QStyleOptionMenuItem* asMenuItem(const QStyleOption* option) {
    return qstyleoption_cast<const QStyleOptionMenuItem*>(option);
}

bool isContextMenu(const QWidget* widget) {
    return qobject_cast<const BannerMenu*>(widget) != nullptr;
}

// A drop-down list asks for its items as menu items too; they are plain list rows, without the
// menus' icon strip and caption offset (which would leave a narrow list no room for its text).
bool isComboList(const QWidget* widget) {
    return qobject_cast<const QComboBox*>(widget) != nullptr;
}

// Menu texts carry the shortcut after a tab.
QString captionOf(const QStyleOptionMenuItem& item) {
    return item.text.section(QLatin1Char('\t'), 0, 0);
}

QString shortcutOf(const QStyleOptionMenuItem& item) {
    return item.text.section(QLatin1Char('\t'), 1);
}

QFont boldened(QFont font) {
    font.setBold(true);
    return font;
}

void drawIcon(QPainter* painter, const QStyleOptionMenuItem& item, QPoint at) {
    if (item.icon.isNull()) return;
    const bool enabled = item.state & QStyle::State_Enabled;
    const QPixmap pixmap =
        item.icon.pixmap(QSize(kIconSize, kIconSize), painter->device()->devicePixelRatioF(),
                         enabled ? QIcon::Normal : QIcon::Disabled);
    painter->drawPixmap(QRect(at, QSize(kIconSize, kIconSize)), pixmap);
}

void drawCheckMark(QPainter* painter, QRect box, const QColor& colour) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c = QRectF(box).center();
    painter->drawPolyline(QPolygonF({c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(4, -3)}));
    painter->restore();
}

// A separator is a line at mid-height from `left` to the item's right end.
void drawSeparator(QPainter* painter, QRect item, int left) {
    const int y = item.top() + item.height() / 2;
    painter->setPen(colourFromBgr(kSeparator));
    painter->drawLine(left, y, item.right(), y);
}

} // namespace

void CanteloStyle::drawSubMenuArrow(const QStyleOption& option, QPainter* painter,
                                    const QColor& colour) const {
    QStyleOption arrow = option;
    const QRect r = option.rect;
    arrow.rect = QRect(r.right() - kArrowWidth, r.top(), kArrowWidth - 4, r.height());
    arrow.palette.setColor(QPalette::ButtonText, colour);
    arrow.palette.setColor(QPalette::WindowText, colour);
    QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, nullptr);
}

CanteloStyle::CanteloStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int CanteloStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    switch (metric) {
    case PM_MenuPanelWidth:
        return 1;
    case PM_MenuHMargin:
    case PM_MenuBarItemSpacing:
    case PM_MenuBarPanelWidth:
    case PM_MenuBarHMargin:
        return 0;
    case PM_MenuVMargin:
    case PM_MenuBarVMargin:
        return 1;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize CanteloStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    const QStyleOptionMenuItem* item = asMenuItem(option);
    if (type == CT_MenuBarItem && item) {
        const QFontMetrics fm(item->font);
        const int width = fm.horizontalAdvance(QString(item->text).remove(QLatin1Char('&'))) + 14;
        return {width, std::max(size.height(), fm.height() + 8)};
    }
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    if (isComboList(widget)) {
        const QFontMetrics fm(boldened(item->font));
        return {fm.horizontalAdvance(item->text) + 2 * kComboTextInset, kComboItemHeight};
    }

    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return {size.width(), isContextMenu(widget) ? 7 : 5};
    // Measured bold: a selected item is written bold and must still fit.
    const QFontMetrics fm(boldened(item->font));
    const QString shortcut = shortcutOf(*item);
    int width = fm.horizontalAdvance(captionOf(*item).remove(QLatin1Char('&')));
    if (!shortcut.isEmpty()) width += kShortcutGap + fm.horizontalAdvance(shortcut);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) width += kArrowWidth;
    if (isContextMenu(widget))
        return {kContextCaptionGap + width + 30 - kContextWidthReduction, kContextItemHeight};
    const int extra = item->maxIconWidth > 0 ? kExtraWidthWithImages : kExtraWidthWithoutImages;
    return {kTextLeft + width + extra, std::max(fm.height(), kIconSize + 2) + 2 * kExtraHeight + 2};
}

void CanteloStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case PE_PanelMenu:
        painter->fillRect(option->rect, colourFromBgr(kItemBackground));
        [[fallthrough]];
    case PE_FrameMenu:
        painter->save();
        painter->setPen(colourFromBgr(kMenuBorder));
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    case PE_PanelMenuBar:
        painter->fillRect(option->rect, option->palette.button());
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void CanteloStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case CE_MenuBarEmptyArea:
        painter->fillRect(option->rect, option->palette.button());
        return;
    case CE_MenuBarItem:
        drawMenuBarItem(option, painter);
        return;
    case CE_MenuItem:
        if (isComboList(widget))
            drawComboItem(option, painter);
        else if (isContextMenu(widget))
            drawContextItem(option, painter);
        else
            drawDropDownItem(option, painter);
        return;
    case CE_MenuEmptyArea:
        painter->fillRect(option->rect, colourFromBgr(kItemBackground));
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void CanteloStyle::drawMenuBarItem(const QStyleOption* option, QPainter* painter) const {
    const QStyleOptionMenuItem* item = asMenuItem(option);
    if (!item) return;
    const QRect r = option->rect;
    painter->fillRect(r, option->palette.button());
    const bool enabled = option->state & State_Enabled;
    const bool hot = (option->state & (State_Selected | State_Sunken)) && enabled;
    if (hot) {
        painter->save();
        const QRect h = r.adjusted(1, 1, -1, -1);
        painter->fillRect(h, colourFromBgr(kBarHotFill));
        // The outline stops one pixel short of each corner, which rounds it.
        painter->setPen(colourFromBgr(kBarHotOutline));
        painter->drawLine(h.left() + 1, h.top(), h.right() - 1, h.top());
        painter->drawLine(h.left() + 1, h.bottom(), h.right() - 1, h.bottom());
        painter->drawLine(h.left(), h.top() + 1, h.left(), h.bottom() - 1);
        painter->drawLine(h.right(), h.top() + 1, h.right(), h.bottom() - 1);
        for (int i = 0; i < 3; ++i) {
            painter->setPen(colourFromBgr(kBarHotShade[i]));
            const int in = i + 1;
            painter->drawLine(h.left() + 2, h.bottom() - in, h.right() - in, h.bottom() - in);
            painter->drawLine(h.right() - in, h.top() + 2, h.right() - in, h.bottom() - in);
        }
        painter->setPen(colourFromBgr(kBarHotCorner));
        painter->drawPoint(h.left() + 1, h.top() + 1);
        painter->drawPoint(h.right() - 1, h.top() + 1);
        painter->drawPoint(h.left() + 1, h.bottom() - 1);
        painter->drawPoint(h.right() - 1, h.bottom() - 1);
        painter->restore();
    }
    painter->save();
    painter->setPen(enabled ? colourFromBgr(kBarText) : colourFromBgr(kDisabledText));
    painter->setFont(item->font);
    painter->drawText(r.adjusted(5, 1, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, item->text);
    painter->restore();
}

void CanteloStyle::drawDropDownItem(const QStyleOption* option, QPainter* painter) const {
    const QStyleOptionMenuItem* item = asMenuItem(option);
    if (!item) return;
    const QRect r = option->rect;
    painter->save();
    painter->fillRect(r, colourFromBgr(kItemBackground));
    painter->fillRect(QRect(r.left(), r.top() - 1, kIconStripWidth, r.height() + 2),
                      colourFromBgr(kIconStrip));
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        drawSeparator(painter, r, r.left() + kIconStripWidth);
        painter->restore();
        return;
    }

    const bool enabled = option->state & State_Enabled;
    const bool selected = enabled && (option->state & State_Selected);
    if (selected) {
        const QRect frame(r.left() + kFrameInset, r.top(), r.width() - 2 * kFrameInset, r.height());
        painter->fillRect(frame.adjusted(1, 1, -1, -1), option->palette.button());
        painter->setPen(colourFromBgr(kSelectedFrame));
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
    }

    const QPoint iconAt(r.left() + 5, r.top() + (r.height() - kIconSize) / 2);
    if (!item->icon.isNull()) {
        drawIcon(painter, *item, iconAt);
        if (item->checked) {
            painter->setPen(colourFromBgr(kMenuBorder));
            painter->drawRect(QRect(iconAt - QPoint(2, 2), QSize(kIconSize + 3, kIconSize + 3)));
        }
    } else if (item->checked) {
        drawCheckMark(painter, QRect(iconAt, QSize(kIconSize, kIconSize)),
                      colourFromBgr(enabled ? kEnabledText : kDisabledText));
    }

    const QColor text = colourFromBgr(enabled ? kEnabledText : kDisabledText);
    painter->setPen(text);
    painter->setFont(selected ? boldened(item->font) : item->font);
    const QRect textRect = r.adjusted(kTextLeft, 0, -(kArrowWidth + 4), 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                      captionOf(*item));
    const QString shortcut = shortcutOf(*item);
    if (!shortcut.isEmpty())
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, shortcut);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu)
        drawSubMenuArrow(*option, painter, text);
    painter->restore();
}

void CanteloStyle::drawComboItem(const QStyleOption* option, QPainter* painter) const {
    const QStyleOptionMenuItem* item = asMenuItem(option);
    if (!item) return;
    const QRect r = option->rect;
    painter->save();
    painter->fillRect(r, colourFromBgr(kItemBackground));
    const bool enabled = option->state & State_Enabled;
    const bool selected = enabled && (option->state & State_Selected);
    if (selected) {
        painter->fillRect(r.adjusted(1, 1, -1, -1), option->palette.button());
        painter->setPen(colourFromBgr(kSelectedFrame));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    }
    painter->setPen(colourFromBgr(enabled ? kEnabledText : kDisabledText));
    painter->setFont(selected || item->checked ? boldened(item->font) : item->font);
    painter->drawText(r.adjusted(kComboTextInset, 0, -kComboTextInset, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text);
    painter->restore();
}

void CanteloStyle::drawContextItem(const QStyleOption* option, QPainter* painter) const {
    const QStyleOptionMenuItem* item = asMenuItem(option);
    if (!item) return;
    const QRect r = option->rect;
    painter->save();
    painter->fillRect(r, colourFromBgr(kItemBackground));
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        drawSeparator(painter, r, r.left() + kContextCaptionGap - 2);
        painter->restore();
        return;
    }
    const bool enabled = option->state & State_Enabled;
    const bool selected = enabled && (option->state & State_Selected);
    const int captionLeft = r.left() + kContextCaptionGap;
    if (selected) {
        painter->fillRect(QRect(captionLeft - 2, r.top(), r.right() - captionLeft + 3, r.height()),
                          colourFromBgr(kContextSelection));
        if (!item->icon.isNull()) {
            const QRect box(r.left() + 2, r.top(), 18, 18);
            painter->fillRect(box, Qt::white);
            painter->setPen(colourFromBgr(kContextImageBorder));
            painter->drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
    drawIcon(painter, *item, QPoint(r.left() + 3, r.top() + 1));
    if (item->icon.isNull() && item->checked)
        drawCheckMark(painter, QRect(r.left() + 3, r.top() + 1, kIconSize, kIconSize),
                      colourFromBgr(kEnabledText));

    const QColor text = !enabled   ? colourFromBgr(kDisabledText)
                        : selected ? QColor(Qt::white)
                                   : colourFromBgr(kEnabledText);
    painter->setPen(text);
    painter->setFont(item->font);
    const QRect textRect(captionLeft, r.top(), r.right() - captionLeft - kArrowWidth, r.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                      captionOf(*item));
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu)
        drawSubMenuArrow(*option, painter, text);
    painter->restore();
}

BannerMenu::BannerMenu(QWidget* parent) : QMenu(parent) {
    setContentsMargins(bannerWidth(), 0, 0, 0);
}

int BannerMenu::bannerWidth() const {
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) + 10;
}

void BannerMenu::setBannerText(const QString& text) {
    m_bannerText = text;
    update();
}

void BannerMenu::setBannerColour(std::uint32_t bgr) {
    m_bannerColour = bgr;
    update();
}

void BannerMenu::paintEvent(QPaintEvent* event) {
    QMenu::paintEvent(event);
    QPainter painter(this);
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const QRect banner(frame, frame, bannerWidth(), height() - 2 * frame);
    painter.fillRect(banner, colourFromBgr(m_bannerColour));
    if (m_bannerText.isEmpty()) return;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    // Rotated a quarter turn to the left, so the text reads upwards from the bottom corner.
    painter.translate(banner.left(), banner.bottom() + 1);
    painter.rotate(-90);
    painter.drawText(QRect(0, 0, banner.height(), banner.width()), Qt::AlignLeft | Qt::AlignVCenter,
                     m_bannerText);
}

} // namespace cantelo

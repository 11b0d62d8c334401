// The main window's menus, context menus and tool bars, built from the command table. Every
// command is one action named after its menu item's component; its context-menu twin is the
// same action under a second name, and its tool button triggers it.
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"

#include "gui/views/cantelo_style_qt.h"
#include "gui/views/position_slider_qt.h"
#include "gui/views/readout_label.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <utility>

namespace cantelo {

namespace {

constexpr std::uint32_t kBannerBlue = 0xFF0000;
constexpr std::uint32_t kBannerGreen = 0x008000;

// The language slot of a component: its hint for a button or read-out, its caption for a label.
TextId textIdOf(const char* name) {
    for (int i = 0; i < kLanguageTextCount; ++i)
        if (slotName(i) == name) return static_cast<TextId>(i);
    Q_ASSERT_X(false, "textIdOf", name);
    return TextId::reserved36;
}

QIcon icon(std::string_view name) {
    return QIcon(QStringLiteral(":/icons/%1.svg")
                     .arg(QLatin1String(name.data(), static_cast<qsizetype>(name.size()))));
}

QString qName(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

void TCanteloEd1::createCommandActions() {
    for (const CommandRow& row : commandRows()) {
        auto* item = new QAction(this);
        const QString name = qName(row.name);
        item->setObjectName(name);
        if (!row.icon.empty()) item->setIcon(icon(row.icon));
        item->setCheckable(row.checkable);
        QList<QKeySequence> keys;
        for (std::string_view key : row.shortcuts)
            if (!key.empty()) keys << QKeySequence(qName(key), QKeySequence::PortableText);
        item->setShortcuts(keys);
        // Context menus list captions only; the keys show in the main menu.
        item->setShortcutVisibleInContextMenu(false);
        const CommandId id = row.id;
        connect(item, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_commandActions[static_cast<std::size_t>(id)] = item;
        m_actions.insert(name, item);
        m_captions.push_back({item, row.caption, false});
    }
}

void TCanteloEd1::runCommand(CommandId id) {
    emit command(id);
    m_dispatcher.trigger(id);
}

// Walks a layout of the table into `root` (the menu bar or a context menu). Sub-menus of a
// context menu carry their own banner.
void TCanteloEd1::fillMenu(MenuId id, QWidget* root) {
    std::vector<QWidget*> open{root};
    for (const MenuEntry& entry : menuLayout(id)) {
        QWidget* parent = open.back();
        switch (entry.kind) {
        case MenuEntryKind::Command: {
            QAction* item = action(entry.command);
            parent->addAction(item);
            if (!entry.name.empty()) m_actions.insert(qName(entry.name), item);
            break;
        }
        case MenuEntryKind::Separator:
            if (auto* menu = qobject_cast<QMenu*>(parent)) menu->addSeparator();
            break;
        case MenuEntryKind::SubMenu: {
            QMenu* sub =
                qobject_cast<BannerMenu*>(root) ? new BannerMenu(parent) : new QMenu(parent);
            const QString name = qName(entry.name);
            sub->setObjectName(name);
            sub->menuAction()->setObjectName(name);
            if (!entry.icon.empty()) sub->menuAction()->setIcon(icon(entry.icon));
            parent->addAction(sub->menuAction());
            m_menus.insert(name, sub);
            m_actions.insert(name, sub->menuAction());
            m_captions.push_back({sub->menuAction(), entry.caption, false});
            open.push_back(sub);
            break;
        }
        case MenuEntryKind::EndSubMenu:
            open.pop_back();
            break;
        }
    }
}

void TCanteloEd1::buildMenus() {
    createCommandActions();
    menuBar()->setObjectName(qName(menuName(MenuId::MainMenu)));
    fillMenu(MenuId::MainMenu, menuBar());

    m_popupMenu1 = new BannerMenu(this);
    m_popupMenu1->setBannerColour(kBannerBlue);
    m_popupMenu1->setBannerText(QStringLiteral(" ") + QLatin1String(kCaption));
    fillMenu(MenuId::EditorPopup, m_popupMenu1);
    m_textOptionsPopup = qobject_cast<BannerMenu*>(menu(QStringLiteral("mnuTextOptionP")));
    m_textOptionsPopup->setBannerColour(kBannerGreen);

    m_pMnu1 = new QMenu(this);
    fillMenu(MenuId::GridNote, m_pMnu1);
    m_pMnu2 = new QMenu(this);
    fillMenu(MenuId::GridDelete, m_pMnu2);
    m_popupMenu2 = new BannerMenu(this);
    m_popupMenu2->setBannerColour(kBannerBlue);
    fillMenu(MenuId::VelocityPopup, m_popupMenu2);
    for (const auto& [menu, id] : {std::pair<QMenu*, MenuId>{m_popupMenu1, MenuId::EditorPopup},
                                   {m_pMnu1, MenuId::GridNote},
                                   {m_pMnu2, MenuId::GridDelete},
                                   {m_popupMenu2, MenuId::VelocityPopup}})
        menu->setObjectName(qName(menuName(id)));
}

QToolButton* TCanteloEd1::addToolButton(QToolBar* bar, const char* name, CommandId id,
                                        bool onPress) {
    QAction* target = action(id);
    auto* button = new QToolButton(bar);
    const QString key = QLatin1String(name);
    button->setObjectName(key);
    button->setIcon(target->icon());
    button->setAutoRaise(true);
    button->setCheckable(target->isCheckable());
    bar->addWidget(button);
    m_buttons.insert(key, button);
    m_captions.push_back({button, textIdOf(name), true});
    // The transport buttons answer the press, not the release.
    if (onPress)
        connect(button, &QToolButton::pressed, target, &QAction::trigger);
    else
        connect(button, &QToolButton::clicked, target, &QAction::trigger);
    // A button shows its command's state: enabled, and checked for a check command.
    connect(target, &QAction::changed, button, [button, target] {
        button->setEnabled(target->isEnabled());
        if (target->isCheckable()) button->setChecked(target->isChecked());
    });
    return button;
}

QLabel* TCanteloEd1::addReadout(QToolBar* bar, const char* name, const char* text, int pixelHeight,
                                std::uint32_t bgr) {
    auto* label = new ReadoutLabel(QLatin1String(text), colourFromBgr(bgr), pixelHeight, bar);
    label->setObjectName(QLatin1String(name));
    label->setFixedHeight(kToolBarHeight - 6);
    bar->addWidget(label);
    m_labels.insert(label->objectName(), label);
    m_captions.push_back({label, textIdOf(name), true});
    return label;
}

QLabel* TCanteloEd1::addCaptionLabel(QToolBar* bar, const char* name) {
    auto* label = new QLabel(bar);
    label->setObjectName(QLatin1String(name));
    label->setContentsMargins(2, 0, 1, 0);
    label->setFont(bar->font()); // the bar's own small font, not the application's
    bar->addWidget(label);
    m_labels.insert(label->objectName(), label);
    m_captions.push_back({label, textIdOf(name), false});
    return label;
}

void TCanteloEd1::buildToolBar1() {
    m_toolBar1 = new QToolBar(this);
    m_toolBar1->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar1->setMovable(false);
    m_toolBar1->setFloatable(false);
    m_toolBar1->setIconSize(QSize(24, 24));
    m_toolBar1->setFixedHeight(kToolBarHeight + 4);
    m_toolBar1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar1);

    using C = CommandId;
    addToolButton(m_toolBar1, "tbApri", C::Open, false);
    addToolButton(m_toolBar1, "tbSalva", C::Save, false);
    m_toolBar1->addSeparator();
    addToolButton(m_toolBar1, "tbSysEx", C::SysExViewer, false);
    addToolButton(m_toolBar1, "tbMidiParam", C::MidiParameters, false);
    addToolButton(m_toolBar1, "tbPatch", C::PatchInstruments, false);
    addToolButton(m_toolBar1, "tbMixer", C::Mixer, false);
    m_toolBar1->addSeparator();
    addToolButton(m_toolBar1, "tbGoInit", C::GoToStart, true);
    addToolButton(m_toolBar1, "tbGoBack", C::MeasureBack, true);
    addToolButton(m_toolBar1, "tbPlay", C::Play, true);
    addToolButton(m_toolBar1, "tbStop", C::Stop, true);
    addToolButton(m_toolBar1, "tbReg", C::Synchronise, true);
    addToolButton(m_toolBar1, "tbGoNext", C::MeasureForward, true);
    addToolButton(m_toolBar1, "tbGoEnd", C::GoToEnd, true);
    m_positionSlider = new PositionSliderBar(m_toolBar1);
    m_toolBar1->addWidget(m_positionSlider);
    m_toolBar1->addSeparator();
    addReadout(m_toolBar1, "LblszPointer", "0001.01.000", 15, 0x005300);
    addReadout(m_toolBar1, "LblszPointer2", "00:00:00:00", 13, 0x404080);
    m_toolBar1->addSeparator();
    addToolButton(m_toolBar1, "tbTempo", C::TempoEvents, false);
    addReadout(m_toolBar1, "LblszTempo", "000", 13, 0x800000);
    addToolButton(m_toolBar1, "tbMisure", C::Measures, false);
    addReadout(m_toolBar1, "LblszSignature", "4/4", 13, 0x800000);
}

void TCanteloEd1::buildToolBar2() {
    // The panel's bar uses the form's small font ("Default", 11 pixels). Its controls are wider
    // than the 713-pixel panel in any font a Linux desktop offers, so the reference locator, the
    // zoom and the length read-outs take a second row rather than hiding behind an overflow. The
    // two rows are compact so that together they take the bar's place and its gap above the grid.
    QFont small;
    small.setPixelSize(11);
    for (QToolBar** bar : {&m_toolBar2, &m_toolBar2Row2}) {
        *bar = new QToolBar;
        (*bar)->setMovable(false);
        (*bar)->setFloatable(false);
        (*bar)->setIconSize(QSize(16, 16));
        (*bar)->setFixedHeight(kPanelBarRowHeight);
        (*bar)->setContentsMargins(0, 0, 0, 0);
        (*bar)->layout()->setContentsMargins(2, 0, 2, 0);
        (*bar)->setFont(small);
        (*bar)->layout()->setSpacing(1);
    }
    m_toolBar2->setObjectName(QStringLiteral("ToolBar2"));
    m_toolBar2Row2->setObjectName(QStringLiteral("ToolBar2Row2"));

    addCaptionLabel(m_toolBar2, "Label8");
    addReadout(m_toolBar2, "lblPosNota", "0001:01:000", 11, 0x004000);
    addCaptionLabel(m_toolBar2, "Label9");
    addReadout(m_toolBar2, "lblPosSillaba", "0001:01:000", 11, 0x000080);
    addCaptionLabel(m_toolBar2, "Label10");
    m_channelBox = new QComboBox(m_toolBar2);
    m_channelBox->setObjectName(QStringLiteral("cBox1"));
    for (int channel = 1; channel <= 16; ++channel) m_channelBox->addItem(QString::number(channel));
    m_channelBox->setCurrentIndex(3);
    m_channelBox->setMaximumWidth(46);
    m_toolBar2->addWidget(m_channelBox);
    m_captions.push_back({m_channelBox, TextId::cBox1, true});
    addReadout(m_toolBar2, "lblIName", "", 11, 0x1D45E7)->setFixedWidth(kInstrumentNameWidth);
    m_toolBar2->addSeparator();

    using C = CommandId;
    addToolButton(m_toolBar2, "tbBarraS", C::SoundBar, false);
    addToolButton(m_toolBar2, "tbAggPN", C::BindFirstNote, false);
    addToolButton(m_toolBar2, "tbTrascina", C::ManualPositioning, false);
    addToolButton(m_toolBar2, "tbAggSM", C::KeepBound, false);
    addReadout(m_toolBar2Row2, "lblPReferer", "0001.01.000", 11, 0x000080);
    addToolButton(m_toolBar2Row2, "btnAzzera", C::ClearReference, false);
    addToolButton(m_toolBar2Row2, "BtnMinus", C::ZoomOut, false);
    addToolButton(m_toolBar2Row2, "BtnPlus", C::ZoomIn, false);
    m_toolBar2Row2->addSeparator();
    addReadout(m_toolBar2Row2, "LblszLastLocator", "0001.01.000", 13, 0x0080FF);
    addReadout(m_toolBar2Row2, "lblTimeSLength", "00:00:00:00", 13, 0xC08080);
    for (QToolBar* bar : {m_toolBar2, m_toolBar2Row2})
        for (QWidget* control : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (qobject_cast<QLabel*>(control) || qobject_cast<QComboBox*>(control) ||
                qobject_cast<QToolButton*>(control))
                control->setFixedHeight(kPanelBarRowHeight - 2);
}

} // namespace cantelo

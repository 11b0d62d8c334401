// The command table of the main window: its menus, context menus and tool bars. Every item is
// named after its component, takes its caption or hint from the language texts and, when
// triggered, emits TCanteloEd1::command with its name.
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/cantelo_style_qt.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <utility>

namespace cantelo {

namespace {

// The language slot of a component: its hint for a button or read-out, its caption for a label.
TextId textIdOf(const char* name) {
    for (int i = 0; i < kLanguageTextCount; ++i)
        if (slotName(i) == name) return static_cast<TextId>(i);
    Q_ASSERT_X(false, "textIdOf", name);
    return TextId::reserved36;
}

QIcon icon(const char* name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

} // namespace

QAction* TCanteloEd1::addCommand(QMenu* menu, const char* name, TextId caption,
                                 const char* iconName) {
    auto* item = new QAction(this);
    const QString key = QLatin1String(name);
    item->setObjectName(key);
    if (iconName) item->setIcon(icon(iconName));
    menu->addAction(item);
    m_actions.insert(key, item);
    m_captions.push_back({item, caption, false});
    connect(item, &QAction::triggered, this, [this, key] { emit command(key); });
    return item;
}

// A context-menu item that repeats a main-menu command: same caption slot, same command.
QAction* TCanteloEd1::addTwin(QMenu* menu, const char* name, const char* original) {
    QAction* main = m_actions.value(QLatin1String(original));
    auto* item = new QAction(main->icon(), main->text(), this);
    item->setObjectName(QLatin1String(name));
    menu->addAction(item);
    m_actions.insert(item->objectName(), item);
    for (const Caption& c : m_captions)
        if (c.target == main) m_captions.push_back({item, c.id, false});
    connect(item, &QAction::triggered, main, &QAction::trigger);
    return item;
}

QMenu* TCanteloEd1::addSubMenu(QMenu* parent, const char* name, TextId caption,
                               const char* iconName) {
    QMenu* sub = parent ? parent->addMenu(QString()) : menuBar()->addMenu(QString());
    const QString key = QLatin1String(name);
    sub->setObjectName(key);
    sub->menuAction()->setObjectName(key);
    if (iconName) sub->menuAction()->setIcon(icon(iconName));
    m_menus.insert(key, sub);
    m_captions.push_back({sub->menuAction(), caption, false});
    return sub;
}

void TCanteloEd1::buildMenus() {
    QMenu* file = addSubMenu(nullptr, "mnuFile", TextId::mnuFile, nullptr);
    addCommand(file, "mnuApri", TextId::mnuApri, "open")->setShortcut(QKeySequence::Open);
    addCommand(file, "mnuSalva", TextId::mnuSalva, "save")->setShortcut(QKeySequence::Save);
    addCommand(file, "mnuSaveAs", TextId::mnuSaveAs, "save_as");
    file->addSeparator();
    addCommand(file, "mnuLoadSillabe", TextId::mnuLoadSillabe, "open_syllables");
    addCommand(file, "mnuSaveSillabe", TextId::mnuSaveSillabe, "save_syllables");
    file->addSeparator();
    QAction* quit = addCommand(file, "mnuEsci", TextId::mnuEsci, "exit");
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* commands = addSubMenu(nullptr, "mnuComandi", TextId::mnuComandi, nullptr);
    addCommand(commands, "mnuPlay", TextId::mnuPlay, "play");
    addCommand(commands, "mnuStop", TextId::mnuStop, "stop");
    addCommand(commands, "mnuRec", TextId::mnuRec, "record");
    commands->addSeparator();
    addCommand(commands, "mnuGoInit", TextId::mnuGoInit, "go_start");
    addCommand(commands, "mnuGoEnd", TextId::mnuGoEnd, "go_end");
    addCommand(commands, "mnuGoBack", TextId::mnuGoBack, "go_back");
    addCommand(commands, "mnuGoNext", TextId::mnuGoNext, "go_next");

    QMenu* tools = addSubMenu(nullptr, "mnuStrumenti", TextId::mnuStrumenti, nullptr);
    addCommand(tools, "mnuMidiParam", TextId::mnuMidiParam, "midi_param");
    tools->addSeparator();
    QMenu* text = addSubMenu(tools, "mnuTesto", TextId::mnuTesto, "text_window");
    addCommand(text, "mnuPulisci", TextId::mnuPulisci, "clear_text");
    addCommand(text, "mnuImporta", TextId::mnuImporta, "import_text");
    addCommand(text, "mnuSillaba", TextId::mnuSillaba, "syllabify");
    QMenu* options = addSubMenu(text, "mnuTextOption", TextId::mnuTextOption, "text_options");
    addCommand(options, "mnuTextToUpperM", TextId::mnuTextToUpperM, "upper");
    addCommand(options, "mnuTextToLowerM", TextId::mnuTextToLowerM, "lower");
    addCommand(options, "mnuCharToUpperM", TextId::mnuCharToUpperM, "char_upper");
    addCommand(options, "mnuCharToLowerM", TextId::mnuCharToLowerM, "char_lower");
    options->addSeparator();
    addCommand(options, "mnuEsportaTestoM", TextId::mnuEsportaTestoM, "export_text");
    addCommand(text, "mnuAdatta", TextId::mnuAdatta, "fit_text");
    QAction* bind = addCommand(text, "mnuAggancia", TextId::mnuAggancia, "bind_melody");
    bind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    addCommand(text, "mnuUnisciSil", TextId::mnuUnisciSil, "join_syllables");

    QMenu* grid = addSubMenu(tools, "mnuGridEventi", TextId::mnuGridEventi, "event_window");
    addCommand(grid, "mnuTrascina", TextId::mnuTrascina, "drag")->setCheckable(true);
    addCommand(grid, "mnuAgganciaPrimaNota", TextId::mnuAgganciaPrimaNota, "first_note");
    addCommand(grid, "mnuMantieniAggSN", TextId::mnuMantieniAggSN, "keep_bound")
        ->setCheckable(true);
    grid->addSeparator();
    addCommand(grid, "mnuImpostaPosAgg", TextId::mnuImpostaPosAgg, "set_locator");
    addCommand(grid, "mnuClearPosPointer", TextId::mnuClearPosPointer, "clear_locator");
    grid->addSeparator();
    addCommand(grid, "mnuZoomIn", TextId::mnuZoomIn, "zoom_in");
    addCommand(grid, "mnuZoomOut", TextId::mnuZoomOut, "zoom_out");
    tools->addSeparator();
    addCommand(tools, "mnuSysEx", TextId::mnuSysEx, "sysex");
    addCommand(tools, "mnuTempo", TextId::mnuTempo, "tempo");
    addCommand(tools, "mnuMisure", TextId::mnuMisure, "measures");
    addCommand(tools, "mnuPatch", TextId::mnuPatch, "patch");
    addCommand(tools, "mnuMixer", TextId::mnuMixer, "mixer");
    tools->addSeparator();
    addCommand(tools, "mnuBackGround", TextId::mnuBackGround, "monitor");
    tools->addSeparator();
    addCommand(tools, "mnuClearBank", TextId::mnuClearBank, "clear_banks");
    addCommand(tools, "mnuMidiOutReset", TextId::mnuMidiOutReset, "device_reset");

    QMenu* settings = addSubMenu(nullptr, "mnuOpzioni", TextId::mnuOpzioni, nullptr);
    addSubMenu(settings, "mnuDeviceMidi", TextId::mnuDeviceMidi, "midi_out");
    connect(addCommand(settings, "mnuChiudiPortaMidi", TextId::mnuChiudiPortaMidi, "port_close"),
            &QAction::triggered, this, &TCanteloEd1::togglePort);
    connect(addCommand(settings, "mnuUseSysEx", TextId::mnuUseSysEx, "sysex_off"),
            &QAction::triggered, this, &TCanteloEd1::toggleSysEx);
    settings->addSeparator();
    addSubMenu(settings, "mnuLingua", TextId::mnuLingua, "language");

    QMenu* info = addSubMenu(nullptr, "mnuInfo", TextId::mnuInfo, nullptr);
    connect(addCommand(info, "mnuInfoExe", TextId::mnuInfoExe, "about"), &QAction::triggered, this,
            &TCanteloEd1::aboutRequested);
    QAction* help = addCommand(info, "mnuHelp", TextId::mnuHelp, "help");
    help->setShortcut(QKeySequence::HelpContents);
    connect(help, &QAction::triggered, this, &TCanteloEd1::helpRequested);
    connect(addCommand(info, "mnuWebSite", TextId::mnuWebSite, "website"), &QAction::triggered,
            this, &TCanteloEd1::webSiteRequested);
}

void TCanteloEd1::buildPopupMenus() {
    m_popupMenu1 = new BannerMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu1->setBannerColour(0xFF0000);
    m_popupMenu1->setBannerText(QStringLiteral(" ") + QLatin1String(kCaption));
    addTwin(m_popupMenu1, "mnuPulisciP", "mnuPulisci");
    addTwin(m_popupMenu1, "mnuImportaP", "mnuImporta");
    addTwin(m_popupMenu1, "mnuSillabaP", "mnuSillaba");
    m_textOptionsPopup = new BannerMenu(m_popupMenu1);
    m_textOptionsPopup->setObjectName(QStringLiteral("mnuTextOptionP"));
    m_textOptionsPopup->setBannerColour(0x008000);
    m_textOptionsPopup->menuAction()->setObjectName(QStringLiteral("mnuTextOptionP"));
    m_actions.insert(QStringLiteral("mnuTextOptionP"), m_textOptionsPopup->menuAction());
    m_textOptionsPopup->menuAction()->setIcon(icon("text_options"));
    m_popupMenu1->addMenu(m_textOptionsPopup);
    m_captions.push_back({m_textOptionsPopup->menuAction(), TextId::mnuTextOption, false});
    addTwin(m_textOptionsPopup, "mnuTextToUpper", "mnuTextToUpperM");
    addTwin(m_textOptionsPopup, "mnuTextToLower", "mnuTextToLowerM");
    addTwin(m_textOptionsPopup, "mnuCharToUpper", "mnuCharToUpperM");
    addTwin(m_textOptionsPopup, "mnuCharToLower", "mnuCharToLowerM");
    m_textOptionsPopup->addSeparator();
    addTwin(m_textOptionsPopup, "mnuEsportaTesto", "mnuEsportaTestoM");
    m_popupMenu1->addSeparator();
    addTwin(m_popupMenu1, "mnuAdattaP", "mnuAdatta");
    addTwin(m_popupMenu1, "AgganciaSillabe", "mnuAggancia");
    addTwin(m_popupMenu1, "mnuUnisciSillabe", "mnuUnisciSil");

    m_pMnu1 = new QMenu(this);
    m_pMnu1->setObjectName(QStringLiteral("pMnu1"));
    addCommand(m_pMnu1, "AgganciaallaNota1", TextId::AgganciaallaNota1, "bind_melody");
    m_pMnu2 = new QMenu(this);
    m_pMnu2->setObjectName(QStringLiteral("pMnu2"));
    addCommand(m_pMnu2, "EliminaNota", TextId::EliminaNota, "delete_note");

    m_popupMenu2 = new BannerMenu(this);
    m_popupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    m_popupMenu2->setBannerColour(0xFF0000);
    const struct {
        const char* name;
        TextId caption;
        const char* icon;
    } steps[] = {
        {"Aumenta1", TextId::Aumenta1, "velocity_up"},
        {"Aumenta5", TextId::Aumenta5, "velocity_up"},
        {"Aumenta10", TextId::Aumenta10, "velocity_up"},
        {"Aumenta50", TextId::Aumenta50, "velocity_up"},
        {"Diminuisci1", TextId::Diminuisci1, "velocity_down"},
        {"Diminuisci5", TextId::Diminuisci5, "velocity_down"},
        {"Diminuisci10", TextId::Diminuisci10, "velocity_down"},
        {"Diminuisci50", TextId::Diminuisci50, "velocity_down"},
    };
    for (const auto& step : steps) {
        if (step.caption == TextId::Diminuisci1) m_popupMenu2->addSeparator();
        addCommand(m_popupMenu2, step.name, step.caption, step.icon);
    }
}

QToolButton* TCanteloEd1::addToolButton(QToolBar* bar, const char* name, const char* commandName,
                                        const char* iconName, bool onPress) {
    auto* button = new QToolButton(bar);
    const QString key = QLatin1String(name);
    button->setObjectName(key);
    button->setIcon(icon(iconName));
    button->setAutoRaise(true);
    bar->addWidget(button);
    m_buttons.insert(key, button);
    m_captions.push_back({button, textIdOf(name), true});
    if (commandName) {
        QAction* target = m_actions.value(QLatin1String(commandName));
        // The transport buttons answer the press, not the release.
        if (onPress)
            connect(button, &QToolButton::pressed, target, &QAction::trigger);
        else
            connect(button, &QToolButton::clicked, target, &QAction::trigger);
    } else {
        connect(button, &QToolButton::clicked, this, [this, key] { emit command(key); });
    }
    return button;
}

QLabel* TCanteloEd1::addReadout(QToolBar* bar, const char* name, const char* text, int pixelHeight,
                                std::uint32_t bgr) {
    auto* label = new QLabel(QLatin1String(text), bar);
    label->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixelHeight);
    label->setFont(font);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colourFromBgr(0xEAEBE9));
    palette.setColor(QPalette::WindowText, colourFromBgr(bgr));
    label->setPalette(palette);
    label->setMinimumWidth(QFontMetrics(font).horizontalAdvance(label->text()) + 8);
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

    addToolButton(m_toolBar1, "tbApri", "mnuApri", "open", false);
    addToolButton(m_toolBar1, "tbSalva", "mnuSalva", "save", false);
    m_toolBar1->addSeparator();
    addToolButton(m_toolBar1, "tbSysEx", "mnuSysEx", "sysex", false);
    addToolButton(m_toolBar1, "tbMidiParam", "mnuMidiParam", "midi_param", false);
    addToolButton(m_toolBar1, "tbPatch", "mnuPatch", "patch", false);
    addToolButton(m_toolBar1, "tbMixer", "mnuMixer", "mixer", false);
    m_toolBar1->addSeparator();
    addToolButton(m_toolBar1, "tbGoInit", "mnuGoInit", "go_start", true);
    addToolButton(m_toolBar1, "tbGoBack", "mnuGoBack", "go_back", true);
    addToolButton(m_toolBar1, "tbPlay", "mnuPlay", "play", true);
    addToolButton(m_toolBar1, "tbStop", "mnuStop", "stop", true);
    addToolButton(m_toolBar1, "tbReg", "mnuRec", "record", true);
    addToolButton(m_toolBar1, "tbGoNext", "mnuGoNext", "go_next", true);
    addToolButton(m_toolBar1, "tbGoEnd", "mnuGoEnd", "go_end", true);
    m_toolBar1->addSeparator();
    addReadout(m_toolBar1, "LblszPointer", "0001.01.000", 15, 0x005300);
    addReadout(m_toolBar1, "LblszPointer2", "00:00:00:00", 13, 0x404080);
    m_toolBar1->addSeparator();
    addToolButton(m_toolBar1, "tbTempo", "mnuTempo", "tempo", false);
    addReadout(m_toolBar1, "LblszTempo", "000", 13, 0x800000);
    addToolButton(m_toolBar1, "tbMisure", "mnuMisure", "measures", false);
    addReadout(m_toolBar1, "LblszSignature", "4/4", 13, 0x800000);
}

void TCanteloEd1::buildToolBar2() {
    // The panel's bar uses the form's small font ("Default", 11 pixels). Its controls are wider
    // than the 713-pixel panel in any font a Linux desktop offers, so the reference locator, the
    // zoom and the length read-outs take a second row rather than hiding behind an overflow.
    QFont small;
    small.setPixelSize(11);
    for (QToolBar** bar : {&m_toolBar2, &m_toolBar2Row2}) {
        *bar = new QToolBar;
        (*bar)->setMovable(false);
        (*bar)->setFloatable(false);
        (*bar)->setIconSize(QSize(16, 16));
        (*bar)->setFixedHeight(kToolBarHeight);
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
    QLabel* instrument = addReadout(m_toolBar2, "lblIName", "", 11, 0x1D45E7);
    instrument->setMinimumWidth(90);
    m_toolBar2->addSeparator();
    addToolButton(m_toolBar2, "tbBarraS", nullptr, "sound_bar", false)->setCheckable(true);
    addToolButton(m_toolBar2, "tbAggPN", "mnuAgganciaPrimaNota", "first_note", false);
    addToolButton(m_toolBar2, "tbTrascina", "mnuTrascina", "drag", false)->setCheckable(true);
    addToolButton(m_toolBar2, "tbAggSM", "mnuMantieniAggSN", "keep_bound", false)
        ->setCheckable(true);
    addReadout(m_toolBar2Row2, "lblPReferer", "0001.01.000", 11, 0x000080);
    addToolButton(m_toolBar2Row2, "btnAzzera", "mnuClearPosPointer", "clear_locator", false);
    addToolButton(m_toolBar2Row2, "BtnMinus", "mnuZoomOut", "zoom_out", false);
    addToolButton(m_toolBar2Row2, "BtnPlus", "mnuZoomIn", "zoom_in", false);
    m_toolBar2Row2->addSeparator();
    addReadout(m_toolBar2Row2, "LblszLastLocator", "0001.01.000", 13, 0x0080FF);
    addReadout(m_toolBar2Row2, "lblTimeSLength", "00:00:00:00", 13, 0xC08080);

    // A check button and its menu item show one state.
    for (const auto& [buttonName, actionName] :
         {std::pair{"tbTrascina", "mnuTrascina"}, std::pair{"tbAggSM", "mnuMantieniAggSN"}}) {
        QToolButton* button = m_buttons.value(QLatin1String(buttonName));
        connect(m_actions.value(QLatin1String(actionName)), &QAction::toggled, button,
                &QToolButton::setChecked);
    }
}

} // namespace cantelo

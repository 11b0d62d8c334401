#include "gui/app/main_window.h"

#include "gui/app/language_menu_qt.h"
#include "gui/app/message_window.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/child_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <variant>

// The icons live in this static library: without an explicit reference the linker may leave
// their resource out of the program.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace cantelo {

namespace {

// The children's client areas: their sizes at a first start and the range they may take. The
// event panel is always 189 high; the editor and the monitor resize themselves by their edges
// within these ranges (the monitor's low minimum height is its synchronisation strip).
constexpr ClientLimits kEventPanelLimits{697, 1399, 189, 189};
constexpr ClientLimits kEditorLimits{200, 420, 97, 577};
constexpr ClientLimits kMonitorLimits{280, 1023, 36, 393};
constexpr std::uint32_t kEditorColour = 0x848587;
constexpr int kMaximisedFromWidth = 1024;

bool within(int value, int low, int high) {
    return value >= low && value <= high;
}

} // namespace

TCanteloEd1::TCanteloEd1(const Configuration& settings, const std::filesystem::path& languageFile,
                         QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_wallpaper(drawWallpaperTile()) {
    initIconResources();
    setObjectName(QStringLiteral("CanteloEd1"));
    setDocumentTitle(QString());
    setWindowIcon(QIcon(QStringLiteral(":/icons/cantelo-edit.svg")));
    resize(1010, 640);

    m_workspace = new QMdiArea(this);
    m_workspace->setObjectName(QStringLiteral("Workspace"));
    // Children partly outside the workspace are simply cut off: it never scrolls.
    m_workspace->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_workspace->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_workspace->setBackground(QBrush(m_wallpaper));
    setCentralWidget(m_workspace);

    buildMenus();
    buildToolBar1();
    buildToolBar2();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);

    m_dispatcher.setHandler(CommandId::Quit, [this] { close(); });
    auto* playOrStop = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space), this);
    connect(playOrStop, &QShortcut::activated, this,
            [this] { action(m_context.playing ? CommandId::Stop : CommandId::Play)->trigger(); });

    m_language = new LanguageMenu(menu(QStringLiteral("mnuLingua")), this);
    connect(m_language, &LanguageMenu::applied, this, &TCanteloEd1::applyTexts);
    buildChildren();
    m_language->BuildLanguageMenu(languageFile, settings.languageIndex);
    updateCommandStates(m_context);
}

TCanteloEd1::~TCanteloEd1() = default;

void TCanteloEd1::buildChildren() {
    m_eventPanel = new TMDIChild(QStringLiteral("EventPanelChild"), kEventPanelLimits);
    m_editor = new TMDIChild(QStringLiteral("EditorChild"), kEditorLimits);
    m_monitor = new TMDIChild(QStringLiteral("MonitorChild"), kMonitorLimits);
    for (TMDIChild* child : {m_eventPanel, m_editor, m_monitor}) m_workspace->addSubWindow(child);

    auto* panelLayout = new QVBoxLayout(m_eventPanel->client());
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    panelLayout->addWidget(m_toolBar2);
    panelLayout->addWidget(m_toolBar2Row2);
    panelLayout->addStretch();

    QPalette editorPalette = m_editor->client()->palette();
    editorPalette.setColor(QPalette::Window, colourFromBgr(kEditorColour));
    m_editor->client()->setPalette(editorPalette);
    QPalette monitorPalette = m_monitor->client()->palette();
    monitorPalette.setColor(QPalette::Window, Qt::black);
    m_monitor->client()->setPalette(monitorPalette);
    m_editor->client()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_editor->client(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_popupMenu1->popup(m_editor->client()->mapToGlobal(at)); });

    const Configuration& s = m_settings;
    const int panelWidth =
        within(s.eventPanelClientWidth, kEventPanelLimits.minWidth, kEventPanelLimits.maxWidth)
            ? s.eventPanelClientWidth
            : Configuration{}.eventPanelClientWidth;
    // The grid follows the panel's width, which the user sets by dragging its border.
    m_eventPanel->setUserResizable(true);
    m_eventPanel->setClientSize({panelWidth, kEventPanelLimits.minHeight});
    m_eventPanel->move(s.eventPanelLeft, s.eventPanelTop);
    m_editor->setClientSize({s.editorClientWidth, s.editorClientHeight});
    m_editor->move(s.editorLeft, s.editorTop);
    m_monitor->setClientSize({s.monitorClientWidth, s.monitorClientHeight});
    m_monitor->move(s.monitorLeft, s.monitorTop);
    for (TMDIChild* child : {m_eventPanel, m_editor, m_monitor}) child->show();
}

QMdiSubWindow* TCanteloEd1::addToolWindow(QWidget* content, const QString& title) {
    auto* frame = new QMdiSubWindow;
    frame->setWidget(content);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    frame->setWindowTitle(title);
    m_workspace->addSubWindow(frame);
    frame->adjustSize();
    const QRect area = m_workspace->viewport()->rect();
    frame->move(area.center() - frame->rect().center());
    frame->show();
    return frame;
}

void TCanteloEd1::applyTexts() {
    const LanguageMenu& lang = *m_language;
    for (const Caption& c : m_captions) {
        const QString text = std::visit([&lang](auto id) { return lang.text(id); }, c.id);
        if (auto* item = qobject_cast<QAction*>(c.target)) {
            item->setText(text);
        } else if (auto* widget = qobject_cast<QWidget*>(c.target)) {
            if (!c.hint) {
                qobject_cast<QLabel*>(widget)->setText(text);
            } else {
                widget->setToolTip(text);
                widget->setStatusTip(text);
            }
        }
    }
    m_eventPanel->setWindowTitle(lang.text(TextId::EventPanelTitle));
    m_editor->setWindowTitle(lang.text(TextId::EditorTitle));
    m_monitor->setWindowTitle(lang.text(TextId::MonitorTitle));
    // Without a language file the sub-menu's banner stays empty, as the velocity menu's does.
    m_textOptionsPopup->setBannerText(
        lang.fileLoaded() ? QStringLiteral(" ") + lang.text(TextId::mnuStrumenti) : QString());
    m_popupMenu2->setBannerText(lang.text(TextId::PopupMenu2Banner));
    // Message windows take their titles and button captions from the language as well.
    setMessageWindowTexts(lang.texts());
    // The toggles show their state in the new language.
    setPortClosed(m_portClosed);
    setSysExEnabled(!m_sysExOff);
}

// A caption cannot hold the toggle's state, since a change of language rewrites it: the state
// is kept apart and the caption only shows it.
void TCanteloEd1::setPortClosed(bool closed) {
    m_portClosed = closed;
    QAction* item = action(CommandId::ClosePort);
    item->setIcon(QIcon(closed ? QStringLiteral(":/icons/port_open.svg")
                               : QStringLiteral(":/icons/port_close.svg")));
    item->setText(
        m_language->text(closed ? TextId::ReopenPortCaption : TextId::mnuChiudiPortaMidi));
}

void TCanteloEd1::setSysExEnabled(bool enabled) {
    m_sysExOff = !enabled;
    QAction* item = action(CommandId::NoSysEx);
    item->setIcon(QIcon(enabled ? QStringLiteral(":/icons/sysex_off.svg")
                                : QStringLiteral(":/icons/sysex.svg")));
    item->setText(m_language->text(enabled ? TextId::mnuUseSysEx : TextId::UseSysExCaption));
}

void TCanteloEd1::setOutputDevices(const std::vector<std::string>& names, int current) {
    QMenu* devices = menu(QStringLiteral("mnuDeviceMidi"));
    for (QAction* item : m_deviceItems) delete item;
    m_deviceItems.clear();
    delete m_deviceGroup;
    m_deviceGroup = new QActionGroup(devices);
    QActionGroup* group = m_deviceGroup;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int index = static_cast<int>(i);
        QAction* item = devices->addAction(QString::fromStdString(names[i]));
        item->setObjectName(QStringLiteral("mnuDevice%1").arg(index));
        item->setData(index);
        item->setCheckable(true);
        item->setChecked(index == current);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, index] { emit outputChosen(index); });
        m_deviceItems.push_back(item);
    }
}

void TCanteloEd1::setDocumentTitle(const QString& fileName) {
    const QString caption = QLatin1String(kCaption);
    setWindowTitle(fileName.isEmpty() ? caption + QStringLiteral("[*]")
                                      : fileName + QStringLiteral("[*] - ") + caption);
}

void TCanteloEd1::updateCommandStates(const CommandContext& context) {
    m_context = context;
    for (const CommandRow& row : commandRows())
        action(row.id)->setEnabled(commandEnabled(row.id, context));
}

QRect TCanteloEd1::placeWithin(QSize size, const QRect& available) {
    const QSize fitted = size.boundedTo(available.size());
    return {available.left() + (available.width() - fitted.width()) / 2,
            available.top() + (available.height() - fitted.height()) / 2, fitted.width(),
            fitted.height()};
}

void TCanteloEd1::showAsConfigured() {
    if (m_settings.mainWidth < kMaximisedFromWidth) {
        const QSize wanted(m_settings.mainWidth, m_settings.mainHeight);
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        // A scaled desktop can be smaller than the stored size, and a window centred on it
        // would open with its menu bar off the screen. The frame is known once the native
        // window exists (where the platform tells it before the window is mapped).
        winId();
        const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        const QRect client = screen ? placeWithin(wanted, screen->availableGeometry() - frame)
                                    : QRect(QPoint(), wanted);
        resize(client.size());
        move(client.topLeft() - QPoint(frame.left(), frame.top())); // move() places the frame
        showNormal();
    } else {
        showMaximized();
    }
    m_workspace->setActiveSubWindow(m_eventPanel);
    m_eventPanel->setFocus();
}

Configuration TCanteloEd1::currentConfiguration() const {
    Configuration s = m_settings;
    s.mainWidth = width();
    s.mainHeight = height();
    const auto place = [](const TMDIChild* child, int& left, int& top) {
        left = std::max(0, child->x());
        top = std::max(0, child->y());
    };
    place(m_editor, s.editorLeft, s.editorTop);
    s.editorClientWidth = m_editor->clientSize().width();
    s.editorClientHeight = m_editor->clientSize().height();
    place(m_eventPanel, s.eventPanelLeft, s.eventPanelTop);
    s.eventPanelClientWidth = m_eventPanel->clientSize().width();
    place(m_monitor, s.monitorLeft, s.monitorTop);
    s.monitorClientWidth = m_monitor->clientSize().width();
    s.monitorClientHeight = m_monitor->clientSize().height();
    s.languageIndex = m_language->languageIndex();
    return s;
}

void TCanteloEd1::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

QPixmap TCanteloEd1::drawWallpaperTile() {
    QPixmap tile(kWallpaperSize, kWallpaperSize);
    tile.fill(QColor(0x5E, 0x6E, 0x80));
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing);
    // A faint diagonal weave whose period divides the tile, so the tiles meet without a seam.
    p.setPen(QPen(QColor(255, 255, 255, 18), 1.0));
    for (int d = -kWallpaperSize; d <= 2 * kWallpaperSize; d += 16) {
        p.drawLine(QPointF(d, 0), QPointF(d + kWallpaperSize, kWallpaperSize));
        p.drawLine(QPointF(d, kWallpaperSize), QPointF(d + kWallpaperSize, 0));
    }
    // Two quavers kept clear of the edges.
    const auto quaver = [&p](QPointF at, double scale) {
        p.save();
        p.translate(at);
        p.scale(scale, scale);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 34));
        p.save();
        p.rotate(-20);
        p.drawEllipse(QRectF(-6, -4, 12, 8));
        p.restore();
        p.drawRect(QRectF(4.2, -26, 1.8, 25));
        QPainterPath flag;
        flag.moveTo(6, -26);
        flag.cubicTo(8, -18, 16, -16, 13, -6);
        flag.cubicTo(12, -12, 9, -15, 6, -16);
        flag.closeSubpath();
        p.drawPath(flag);
        p.restore();
    };
    quaver(QPointF(34, 50), 1.0);
    quaver(QPointF(92, 108), 0.8);
    return tile;
}

} // namespace cantelo

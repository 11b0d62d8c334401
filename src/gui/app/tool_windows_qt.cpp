#include "gui/app/tool_windows_qt.h"

#include "core/playback/midi_device.h"
#include "core/playback/midi_player.h"
#include "core/tools/event_lists.h"
#include "core/tools/song_tools.h"
#include "gui/app/document_signals_qt.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/event_list_qt.h"

#include <QFontDatabase>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace cantelo {

namespace {

constexpr int kTempoButtonWidth = 51;
constexpr QSize kSysExSize{468, 148};

QToolButton* addButton(QToolBar* bar, const char* icon) {
    auto* button = new QToolButton(bar);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    button->setFixedSize(kTempoButtonWidth, TCanteloEd1::kToolBarHeight);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

// A window title from a menu caption, without its accelerator mark.
QString title(const LanguageMenu& lang, TextId id) {
    return lang.text(id).remove(QLatin1Char('&'));
}

} // namespace

ToolWindows::ToolWindows(TCanteloEd1& window, EditorDocument& doc, DocumentSignals& notifier,
                         CMidiPlayer& player, MidiDevice& device, CommandRunner run,
                         QObject* parent)
    : QObject(parent), m_window(window), m_doc(doc), m_player(player), m_device(device),
      m_run(std::move(run)) {
    connect(&notifier, &DocumentSignals::changed, this, &ToolWindows::onDocumentChange);
    connect(&window.language(), &LanguageMenu::applied, this, &ToolWindows::applyLanguage);
}

// The windows belong to the workspace; closing them here keeps them from outliving the
// document they show when the session goes before the main window.
ToolWindows::~ToolWindows() {
    for (QMdiSubWindow* frame : {m_tempo.data(), m_measures.data(), m_sysEx.data(), m_patch.data()})
        delete frame;
}

PatchHooks ToolWindows::patchHooks() {
    PatchHooks hooks;
    hooks.tick = [this] { return m_player.tick(); };
    hooks.send = [this](int channel, int program) { m_device.SendProgramChange(channel, program); };
    hooks.channelChosen = [this](int channel) {
        m_selectedChannel = channel;
        if (m_overview) m_overview->redraw();
    };
    hooks.refuse = [this](PatchRefusal refusal) {
        ShowMessage(&m_window, m_window.language().texts(),
                    refusal == PatchRefusal::ChannelNotInUse ? Message::ChannelNotInUse
                                                             : Message::NoInstrumentChosen);
    };
    hooks.confirmInsert = [this] {
        return ShowMessage(&m_window, m_window.language().texts(), Message::NoProgramChange) == 1;
    };
    hooks.report = [this](const Result& result) { m_run([result] { return result; }); };
    return hooks;
}

void ToolWindows::openPatch() {
    if (raiseExisting(m_patch)) {
        m_patchView->selectChannel(m_selectedChannel);
        return;
    }
    m_patchView = new PatchWindow(m_doc, patchHooks());
    m_patchView->selectChannel(m_selectedChannel);
    QMdiSubWindow* frame =
        m_window.addToolWindow(m_patchView, m_window.language().text(ExtraTextId::PatchTitle));
    frame->resize(frame->minimumSizeHint());
    m_patch = frame;
    applyLanguage();
}

void ToolWindows::setSelectedChannel(int channel) {
    m_selectedChannel = std::clamp(channel, 0, kChannels - 1);
    if (m_patchView) m_patchView->selectChannel(m_selectedChannel);
    if (m_overview) m_overview->redraw();
}

void ToolWindows::followPlayback(const DisplayUpdate& update) {
    if (update.chased.program && m_patchView) m_patchView->reload();
}

bool ToolWindows::raiseExisting(QMdiSubWindow* frame) {
    if (!frame) return false;
    frame->showNormal();
    frame->raise();
    m_window.workspace()->setActiveSubWindow(frame);
    return true;
}

void ToolWindows::openTempo() {
    if (raiseExisting(m_tempo)) return;
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(content);
    bar->setFixedHeight(TCanteloEd1::kToolBarHeight);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
    m_raise = addButton(bar, "tempo_up");
    m_lower = addButton(bar, "tempo_down");
    m_tempoList = new EventListView(content);
    layout->addWidget(bar);
    layout->addWidget(m_tempoList);
    connect(m_raise, &QToolButton::clicked, this,
            [this] { m_run([this] { return shiftTempos(m_doc, true); }); });
    connect(m_lower, &QToolButton::clicked, this,
            [this] { m_run([this] { return shiftTempos(m_doc, false); }); });
    fillTempo();
    m_tempo = m_window.addToolWindow(content, title(m_window.language(), TextId::mnuTempo));
    applyLanguage();
}

void ToolWindows::openMeasures() {
    if (raiseExisting(m_measures)) return;
    m_measuresList = new EventListView;
    fillMeasures();
    m_measures =
        m_window.addToolWindow(m_measuresList, title(m_window.language(), TextId::mnuMisure));
}

void ToolWindows::openSysEx() {
    if (raiseExisting(m_sysEx)) return;
    m_sysExText = new QPlainTextEdit;
    m_sysExText->setReadOnly(true);
    m_sysExText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_sysExText->setFixedSize(kSysExSize);
    fillSysEx();
    QMdiSubWindow* frame =
        m_window.addToolWindow(m_sysExText, m_window.language().text(TextId::SysExTitle));
    // The frame would take the text box's usual size hint; it holds the fixed box alone.
    frame->resize(frame->minimumSizeHint());
    m_sysEx = frame;
}

void ToolWindows::connectOverview(OverviewHooks playback) {
    playback.run = m_run;
    playback.openPatch = [this] { m_window.action(CommandId::PatchInstruments)->trigger(); };
    playback.addWindow = [this](QWidget* content, const QString& caption) {
        return m_window.addToolWindow(content, caption);
    };
    playback.texts = [this] {
        const LanguageMenu& lang = m_window.language();
        return std::array<QString, 5>{
            title(lang, TextId::mnuMidiParam), lang.text(ExtraTextId::OverviewChannel),
            lang.text(TextId::PatchCaption), lang.text(ExtraTextId::OverviewVolume),
            lang.text(ExtraTextId::OverviewPan)};
    };
    m_overview = std::make_unique<MidiOverview>(
        m_doc, m_window.popupMenu2(), std::move(playback), [this] { return m_selectedChannel; },
        [this](int channel) { setSelectedChannel(channel); });
}


void ToolWindows::onDocumentChange(const DocumentChange& change) {
    if (m_overview) m_overview->onDocumentChange(change.kind);
    switch (change.kind) {
    case DocumentChangeKind::FileOpened:
        fillTempo();
        fillMeasures();
        fillSysEx();
        if (m_patchView) {
            m_patchView->fillInstruments();
            // The player goes back to the start when every listener has heard of the song.
            QMetaObject::invokeMethod(m_patchView.data(), &PatchWindow::reload,
                                      Qt::QueuedConnection);
        }
        break;
    case DocumentChangeKind::Programs:
    case DocumentChangeKind::Controllers:
    case DocumentChangeKind::Position:
        if (m_patchView) m_patchView->reload();
        break;
    case DocumentChangeKind::Tempo:
        fillTempo();
        break;
    case DocumentChangeKind::Signatures:
        fillMeasures();
        break;
    case DocumentChangeKind::SysEx:
        fillSysEx();
        break;
    default:
        break;
    }
}

void ToolWindows::fillTempo() {
    if (m_tempoList) m_tempoList->setRows(tempoRows(m_doc.song()));
}

void ToolWindows::fillMeasures() {
    if (m_measuresList) m_measuresList->setRows(signatureRows(m_doc.song()));
}

void ToolWindows::fillSysEx() {
    if (!m_sysExText) return;
    QString text;
    for (const std::string& line : sysExLines(m_doc.song())) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    }
    m_sysExText->setPlainText(text);
}

void ToolWindows::applyLanguage() {
    const LanguageMenu& lang = m_window.language();
    if (m_tempo) m_tempo->setWindowTitle(title(lang, TextId::mnuTempo));
    if (m_measures) m_measures->setWindowTitle(title(lang, TextId::mnuMisure));
    if (m_sysEx) m_sysEx->setWindowTitle(lang.text(TextId::SysExTitle));
    if (m_raise) m_raise->setToolTip(lang.text(ExtraTextId::TempoRaiseHint));
    if (m_lower) m_lower->setToolTip(lang.text(ExtraTextId::TempoLowerHint));
    if (m_patch) m_patch->setWindowTitle(lang.text(ExtraTextId::PatchTitle));
    if (m_patchView)
        m_patchView->setTexts({lang.text(TextId::ChannelCaption), lang.text(TextId::PatchCaption),
                               lang.text(ExtraTextId::BankMsbCaption),
                               lang.text(ExtraTextId::BankLsbCaption),
                               lang.text(TextId::CancelCaption), lang.text(TextId::ApplyCaption)});
    if (m_overview) m_overview->applyLanguage();
}

} // namespace cantelo

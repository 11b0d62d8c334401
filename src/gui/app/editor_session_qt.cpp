#include "gui/app/editor_session_qt.h"

#include "core/app/remote_command.h"
#include "core/app/remote_transport.h"
#include "core/playback/chase_channels.h"
#include "core/timing/time_map.h"
#include "gui/app/about_dialog.h"
#include "gui/app/encoding_menu_qt.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "gui/app/mixer_link_qt.h"
#include "gui/app/sync_link_qt.h"
#include "gui/app/tool_windows_qt.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/child_window.h"
#include "gui/views/editor_controller_qt.h"
#include "gui/views/grid_controller_qt.h"
#include "gui/views/position_slider_qt.h"
#include "gui/views/readout_label.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>

#include <utility>

namespace cantelo {

namespace {

constexpr int kDisplayIntervalMs = 50;
const QString kTapLatencyKey = QStringLiteral("sync/tapLatencyMs");
constexpr int kMaxTapLatencyMs = 1000;
constexpr int kRefusedMessageMs = 4000; // a refused character's note in the status bar

QString fromNative(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

EditorSession::EditorSession(TCanteloEd1& window, std::unique_ptr<OutputProvider> outputs,
                             std::filesystem::path configFolder, QObject* parent)
    : QObject(parent), m_window(window), m_outputs(std::move(outputs)), m_device(*m_outputs),
      m_player(m_device), m_transport(m_player, m_doc.songDocument(), m_device, m_sync),
      m_signals(m_doc), m_files(window, m_doc,
                                [this] {
                                    if (m_transport.beforeOpen().syncFinished)
                                        m_syncView->finished();
                                }),
      m_optionsFile(QString::fromStdString((configFolder / "options.ini").string())),
      m_outputCommands(window, m_device, m_player, m_transport, std::move(configFolder)),
      m_monitor(window, m_doc, m_signals, [this] { return double(m_player.tick()); }) {
    m_device.setSong(&m_doc.song());
    m_player.AttachSong(&m_doc.song());

    const auto readout = [&window](const char* name) {
        return qobject_cast<ReadoutLabel*>(window.label(QLatin1String(name)));
    };
    m_grid = std::make_unique<GridController>(
        GridControls{window.eventPanelChild()->client(), window.gridNoteMenu(),
                     window.gridDeleteMenu(), readout("lblPosNota"), readout("lblPosSillaba")},
        m_doc, m_transport, m_player, m_device,
        GridHooks{[this](const TransportMove& moved) { move(moved); },
                  [this](const std::function<Result()>& command) { run(command); }});
    // The mixer hears of a change first: after an undo its values in force at the position are
    // the song's again before the overview and the patch window draw them.
    m_mixer =
        std::make_unique<MixerLink>(window, m_doc, m_signals, m_device, m_player, m_transport);
    m_tools = std::make_unique<ToolWindows>(
        window, m_doc, m_signals, m_player, m_device,
        [this](const std::function<Result()>& command) { run(command); });
    OverviewHooks overview;
    overview.position = [this] { return m_player.tick(); };
    // The values in force at the clicked tick are shown (and sent) as the mixer's are.
    overview.locate = [this](std::int32_t tick) {
        const TransportMove moved = m_transport.seek(tick);
        ChaseChannels(m_player, m_device, ChaseKinds::all());
        move(moved);
    };
    overview.sendVolume = [this](int ch, int value) { m_device.SendController(ch, value, 7); };
    overview.pausePlayback = [this] {
        const bool playing = m_player.playing();
        m_player.Stop();
        return playing;
    };
    // Starting resets every controller of the output; the next display step sends the values
    // in force again, as after any start.
    overview.resumePlayback = [this] {
        m_player.Play();
        m_transport.requestFullRefresh();
    };
    m_tools->connectOverview(std::move(overview));
    registerCommands();
    // The transport buttons act on the press; the release that follows lifts a button, so the
    // pressed look of Play and Sincronizza is put back then.
    for (const char* name : {"tbPlay", "tbReg"})
        if (QToolButton* button = window.toolButton(QLatin1String(name)))
            connect(button, &QToolButton::released, this, &EditorSession::refreshCommandStates,
                    Qt::QueuedConnection);
    // The same bytes read in another encoding: every view redraws from the document's change.
    m_encodingMenu = new EncodingMenu(m_window.menu(QStringLiteral("mnuTextEncoding")), this);
    connect(m_encodingMenu, &EncodingMenu::chosen, this, [this](const TextEncoding& encoding) {
        run([this, &encoding] { return m_doc.setTextEncoding(encoding); });
        showStatus();
    });
    connect(&m_signals, &DocumentSignals::changed, this, &EditorSession::onDocumentChange);
    connect(&m_window, &TCanteloEd1::closing, this, &EditorSession::shutdown);
    // The status bar shows the hint under the mouse, and the song's path when there is none.
    connect(m_window.statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty()) showStatus();
    });
    connect(m_window.melodyChannelBox(), &QComboBox::currentIndexChanged, this,
            &EditorSession::changeMelodyChannel);
    wireSlider();
    // Closing is refused while the user still wants to save and cannot.
    m_window.installEventFilter(this);

    // The karaoke text editor: a gutter double click moves the song position, and the text
    // commands leave the keyboard with it.
    m_editorView = std::make_unique<EditorController>(*m_window.editorChild(), m_doc);
    connect(m_editorView.get(), &EditorController::positionRequested, this,
            [this](std::int32_t tick) { move(m_transport.seek(tick)); });
    connect(m_editorView.get(), &EditorController::characterRefused, this, [this] {
        const std::string_view encoding = m_doc.lyrics().textEncoding().label();
        // Shown for a while; the song's path and encoding come back when it ends.
        m_window.statusBar()->showMessage(
            m_window.language().text(ExtraTextId::CharacterRefused) + QLatin1Char(' ') +
                QString::fromUtf8(encoding.data(), qsizetype(encoding.size())),
            kRefusedMessageMs);
    });
    connect(&m_window, &TCanteloEd1::command, this, [this](CommandId id) {
        if (EditorController::editsText(id))
            QTimer::singleShot(0, m_editorView.get(), &EditorController::focusEditor);
    });
    m_syncView = std::make_unique<SyncLink>(m_window, m_doc, m_transport, m_sync, m_player,
                                            *m_editorView, m_monitor.view());
    connect(m_syncView.get(), &SyncLink::stateChanged, this, &EditorSession::refreshCommandStates);
    m_syncView->setTapLatency(
        QSettings(m_optionsFile, QSettings::IniFormat).value(kTapLatencyKey, 0).toInt());

    m_doc.setMelodyChannel(m_window.melodyChannelBox()->currentIndex(), 0);
    showSong();
    m_displayTimer.setInterval(kDisplayIntervalMs);
    connect(&m_displayTimer, &QTimer::timeout, this, &EditorSession::updateDisplay);
    m_displayTimer.start();
}

EditorSession::~EditorSession() {
    shutdown();
    for (CommandId id : m_handled) m_window.dispatcher().removeHandler(id);
}

// ---- Commands --------------------------------------------------------------------------------

void EditorSession::handle(CommandId id, std::function<void()> handler) {
    m_window.dispatcher().setHandler(id, std::move(handler));
    m_handled.push_back(id);
}

void EditorSession::run(const std::function<Result()>& command) {
    const Result result = command();
    if (result || result.reason == FailureReason::NothingToDo) return;
    const LanguageMenu& language = m_window.language();
    ShowMessageWindow(&m_window, language.text(TextId::ErrorTitle),
                      uiText(reasonText(language.texts(), result.reason)), false,
                      MessageButtons::Ok);
}

void EditorSession::registerCommands() {
    using C = CommandId;
    FileCommands& f = m_files;
    EditorDocument& d = m_doc;
    handle(C::Open, [&f] { f.openCommand(); });
    handle(C::Save, [&f] { f.saveUnderCurrentName(); });
    handle(C::SaveAs, [&f] { f.withDialog(FileKind::Song, true, &FileCommands::saveSongAs); });
    handle(C::LoadSyllables,
           [&f] { f.withDialog(FileKind::Syllables, false, &FileCommands::loadSyllables); });
    handle(C::SaveSyllables,
           [&f] { f.withDialog(FileKind::Syllables, true, &FileCommands::saveSyllables); });
    handle(C::ImportText, [this, &f] {
        f.withDialog(FileKind::Text, false, &FileCommands::importText);
        // A cancelled import gives the editor its focus back, as a finished one does.
        m_window.editorChild()->setFocus();
    });
    handle(C::ExportText, [&f] { f.withDialog(FileKind::Text, true, &FileCommands::exportText); });

    handle(C::Play, [this] {
        m_transport.play();
        refreshCommandStates();
    });
    handle(C::Stop, [this] {
        if (m_transport.stop().syncFinished) m_syncView->finished();
        refreshCommandStates();
    });
    handle(C::Synchronise, [this] { m_syncView->start(); });
    handle(C::TapLatency, [this] { askTapLatency(); });
    handle(C::GoToStart, [this] { move(m_transport.goToStart()); });
    handle(C::GoToEnd, [this] { move(m_transport.goToEnd()); });
    handle(C::MeasureBack, [this] { move(m_transport.measureBack()); });
    handle(C::MeasureForward, [this] { move(m_transport.measureForward()); });

    // The document's commands without arguments: one call each, a failure shown.
    using Command = Result (EditorDocument::*)();
    static constexpr std::pair<CommandId, Command> plain[] = {
        {C::Undo, &EditorDocument::undo},
        {C::Redo, &EditorDocument::redo},
        {C::ClearText, &EditorDocument::clearText},
        {C::Syllabify, &EditorDocument::syllabify},
        {C::AdaptText, &EditorDocument::adaptText},
        {C::BindToMelody, &EditorDocument::bindToMelody},
        {C::JoinSyllables, &EditorDocument::joinSyllables},
        {C::BindFirstNote, &EditorDocument::shiftToFirstNote},
        {C::ClearAllBanks, &EditorDocument::clearAllBanks},
    };
    for (const auto& [id, command] : plain)
        handle(id, [this, command] { run([this, command] { return (m_doc.*command)(); }); });
    handle(C::AllUpperCase, [this, &d] { run([&d] { return d.textCase(LetterCase::Upper); }); });
    handle(C::AllLowerCase, [this, &d] { run([&d] { return d.textCase(LetterCase::Lower); }); });
    handle(C::SyllableStartUpper,
           [this, &d] { run([&d] { return d.syllableStartCase(LetterCase::Upper); }); });
    handle(C::SyllableStartLower,
           [this, &d] { run([&d] { return d.syllableStartCase(LetterCase::Lower); }); });
    // The actions are checkable: the trigger has already flipped their state.
    handle(C::ManualPositioning, [this, &d] {
        d.setManualPositioning(m_window.action(CommandId::ManualPositioning)->isChecked());
    });
    handle(C::KeepBound,
           [this, &d] { d.setKeepBound(m_window.action(CommandId::KeepBound)->isChecked()); });
    handle(C::SetReference, [this, &d] { d.setReference(m_player.tick()); });
    handle(C::ClearReference, [&d] { d.clearReference(); });
    handle(C::ZoomIn, [this] { m_grid->zoomIn(); });
    handle(C::ZoomOut, [this] { m_grid->zoomOut(); });
    handle(C::BindToNote, [this] { m_grid->bindToNote(); });
    handle(C::DeleteNote, [this] { m_grid->deleteNote(); });
    handle(C::SoundBar,
           [this] { m_grid->setSoundBar(m_window.action(CommandId::SoundBar)->isChecked()); });

    OutputCommands& o = m_outputCommands;
    handle(C::RestartDevice, [&o] { o.restartDevice(); });
    handle(C::ClosePort, [&o] { o.togglePort(); });
    handle(C::NoSysEx, [&o] { o.toggleSysEx(); });
    handle(C::About, [this] { showAbout(); });
    handle(C::TempoEvents, [this] { m_tools->openTempo(); });
    handle(C::Measures, [this] { m_tools->openMeasures(); });
    handle(C::SysExViewer, [this] { m_tools->openSysEx(); });
    handle(C::PatchInstruments, [this] { m_tools->openPatch(); });
    handle(C::Mixer, [this] { m_mixer->open(); });
    handle(C::MidiParameters, [this] { m_tools->overview().open(); });
    for (const auto& [id, percent] : kVelocitySteps)
        handle(id, [this, percent] { m_tools->overview().scaleVelocities(percent); });
    handle(C::MonitorBackground, [this] { m_monitor.showBackgroundDialog(); });
    handle(C::Help, [] { QDesktopServices::openUrl(userGuideUrl()); });
    handle(C::WebSite, [] { QDesktopServices::openUrl(QUrl(websiteUrl())); });
}

// Beyond config.cne's fixed layout, the delay is kept in the options file beside it.
void EditorSession::askTapLatency() {
    const LanguageMenu& lang = m_window.language();
    QInputDialog ask(&m_window);
    ask.setWindowTitle(lang.text(ExtraTextId::mnuTapLatency).remove(QStringLiteral("...")));
    ask.setLabelText(lang.text(ExtraTextId::TapLatencyPrompt));
    ask.setOkButtonText(lang.text(TextId::ApplyCaption));
    ask.setCancelButtonText(lang.text(TextId::CancelCaption));
    ask.setIntRange(0, kMaxTapLatencyMs);
    ask.setIntStep(10);
    ask.setIntValue(m_syncView->tapLatency());
    if (ask.exec() != QDialog::Accepted) return;
    m_syncView->setTapLatency(ask.intValue());
    QSettings(m_optionsFile, QSettings::IniFormat).setValue(kTapLatencyKey, ask.intValue());
}

void EditorSession::refreshCommandStates() {
    const CommandContext context{m_doc.songDocument().saveEnabled, m_player.playing(),
                                 m_doc.canUndo(), m_doc.canRedo()};
    if (context != m_window.commandContext()) m_window.updateCommandStates(context);
    // Play stays pressed while the song plays, Sincronizza while a take runs.
    const bool take = m_transport.syncRunning();
    if (QToolButton* play = m_window.toolButton(QStringLiteral("tbPlay")))
        play->setDown(context.playing && !take);
    if (QToolButton* record = m_window.toolButton(QStringLiteral("tbReg"))) record->setDown(take);
}

void EditorSession::move(const TransportMove& moved) {
    if (moved.moved) m_doc.positionMoved();
    updateDisplay();
}

// The position slider: the read-out shows the dragged tick, and a click or a release moves the
// song there (a running play goes on from it).
void EditorSession::wireSlider() {
    PositionSliderBar* slider = m_window.positionSlider();
    connect(slider, &PositionSliderBar::dragStarted, this,
            [this] { m_transport.setDragging(true); });
    connect(slider, &PositionSliderBar::draggedOver, this, [this](std::int32_t tick) {
        setLabel("LblszPointer", QString::fromStdString(m_doc.song().timeMap().positionText(tick)));
    });
    connect(slider, &PositionSliderBar::positionChosen, this, [this](std::int32_t tick) {
        m_transport.setDragging(false);
        move(m_transport.seek(tick));
    });
}

void EditorSession::changeMelodyChannel(int channel) {
    const MelodyChannelOutcome outcome = m_doc.setMelodyChannel(channel, m_player.tick());
    m_transport.setMelodyChannel(channel);
    if (outcome.program.program >= 0) m_device.SendProgramChange(channel, outcome.program.program);
}

// ---- What the document and the player report -------------------------------------------------

void EditorSession::onDocumentChange(const DocumentChange& change) {
    switch (change.kind) {
    case DocumentChangeKind::FileOpened:
        m_player.Locate(0);
        m_transport.showAfresh();
        showSong();
        // After every view has shown the song: a message about the output must not keep
        // them waiting behind it.
        if (m_doc.songDocument().saveEnabled)
            QTimer::singleShot(0, this, [this] { m_outputCommands.openUnlessClosed(); });
        break;
    case DocumentChangeKind::FileSaved:
        // The song stays where it is: the read-outs are worked out again from the position.
        m_transport.showAfresh();
        showSong();
        break;
    case DocumentChangeKind::Tempo:
        // An edit, its undo or its redo: what plays and the durations follow the new tempos.
        m_transport.tempoEdited();
        setLabel("lblTimeSLength", QString::fromStdString(m_doc.songDocument().lengthLabel));
        updateDisplay();
        break;
    case DocumentChangeKind::Lyrics:
        followCursorLine(change.lyrics);
        break;
    case DocumentChangeKind::Modified:
        m_window.setWindowModified(m_doc.modified());
        break;
    case DocumentChangeKind::Reference:
        showReference();
        break;
    case DocumentChangeKind::MelodyChannel:
        setLabel("lblIName", uiText(m_doc.songDocument().instrumentName));
        break;
    case DocumentChangeKind::Options:
        m_window.action(CommandId::KeepBound)->setChecked(m_doc.keepBound());
        m_window.action(CommandId::ManualPositioning)->setChecked(m_doc.manualPositioning());
        break;
    default:
        break;
    }
    refreshCommandStates();
}

// An edit's refresh brings the song position to the start of the cursor line while the song is
// stopped. The tidy-up before play and save places no cursor column and moves nothing: play
// starts where the user put the position.
void EditorSession::followCursorLine(const LyricsChange& change) {
    if (!change.movePosition || change.column < 0 || m_player.playing()) return;
    const std::int32_t tick = m_doc.editor().currentLineStartTick();
    if (tick >= 0 && tick != m_player.tick()) move(m_transport.seek(tick));
}

// Everything the frame shows of the song: read-outs, title, status bar, reference, commands.
void EditorSession::showSong() {
    const SongDocument& song = m_doc.songDocument();
    setLabel("LblszPointer", QString::fromStdString(song.positionLabel));
    setLabel("LblszPointer2", QStringLiteral("00:00:00:00"));
    setLabel("LblszLastLocator", QString::fromStdString(song.endLabel));
    setLabel("lblTimeSLength", QString::fromStdString(song.lengthLabel));
    m_window.positionSlider()->setSongLength(song.song.songLength);
    setLabel("lblIName", uiText(song.instrumentName));
    const QString path = fromNative(m_doc.fileName());
    m_window.setDocumentTitle(song.saveEnabled ? QFileInfo(path).fileName() : QString());
    m_window.setWindowModified(m_doc.modified());
    showStatus();
    {
        // The box shows the document's channel; choosing it again must not re-send anything.
        const QSignalBlocker quiet(m_window.melodyChannelBox());
        m_window.melodyChannelBox()->setCurrentIndex(m_doc.melodyChannel());
    }
    showReference();
    refreshCommandStates();
    updateDisplay();
}

void EditorSession::showStatus() {
    if (m_encodingMenu) m_encodingMenu->setCurrent(m_doc.lyrics().textEncoding());
    const QString path = fromNative(m_doc.fileName());
    if (path.isEmpty()) {
        m_window.statusBar()->showMessage(m_window.language().text(ExtraTextId::StatusNoSong));
        return;
    }
    const std::string_view encoding = m_doc.lyrics().textEncoding().label();
    m_window.statusBar()->showMessage(
        path + QStringLiteral("   ") + m_window.language().text(ExtraTextId::StatusEncoding) +
        QLatin1Char(' ') + QString::fromUtf8(encoding.data(), qsizetype(encoding.size())));
}

void EditorSession::showReference() {
    const BindReference& reference = m_doc.reference();
    setLabel("lblPReferer", QString::fromStdString(reference.label));
    if (auto* label = qobject_cast<ReadoutLabel*>(m_window.label(QStringLiteral("lblPReferer"))))
        label->setTextColour(colourFromBgr(reference.colour));
}

void EditorSession::updateDisplay() {
    const DisplayUpdate u = m_transport.displayStep();
    if (u.tick) m_window.positionSlider()->showTick(*u.tick);
    if (u.tick) m_grid->showPosition(*u.tick, u.gridFollows);
    if (u.tick || u.toolWindowsRefresh)
        m_tools->overview().follow(m_player.tick(), u.toolWindowsRefresh);
    if (u.position) setLabel("LblszPointer", QString::fromStdString(*u.position));
    if (u.clock) setLabel("LblszPointer2", QString::fromStdString(*u.clock));
    if (u.signature) setLabel("LblszSignature", QString::fromStdString(*u.signature));
    if (u.tempo) setLabel("LblszTempo", QString::fromStdString(*u.tempo));
    if (u.instrument) setLabel("lblIName", uiText(*u.instrument));
    m_mixer->showDisplay(u);
    if (u.monitorFollows) m_monitor.follow(m_player.tick(), false);
    m_tools->followPlayback(u);
    if (u.syncFinished) m_syncView->finished();
    if (u.songEnded) refreshCommandStates();
}

void EditorSession::setLabel(const char* name, const QString& text) {
    if (QLabel* label = m_window.label(QLatin1String(name)); label && label->text() != text)
        label->setText(text);
}

// ---- Start, remote commands, close -----------------------------------------------------------

void EditorSession::openStartupFile(const StartupFile& file) {
    if (file.badExtension)
        ShowMessage(&m_window, m_window.language().texts(), Message::BadExtension);
    else if (file.pendingOpen)
        m_files.openSong(fromNative(file.path));
}

void EditorSession::handleRemoteCommand(std::uint32_t tag, const QByteArray& text) {
    RemoteMessage message;
    message.tag = tag;
    message.length = static_cast<std::uint32_t>(text.size());
    message.refused = text.size() > static_cast<qsizetype>(kMaxRemoteData);
    if (!message.refused) message.text = std::string(text.constData(), qstrnlen(text, text.size()));
    const RemoteReply reply = answerRemoteCommand(m_transport, message);
    if (reply.stopped.syncFinished) m_syncView->finished();
    refreshCommandStates();
    if (reply.action == RemoteAction::OpenFile) {
        openForwarded(reply.path);
    } else if (reply.action == RemoteAction::ShowWindow) {
        m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    }
}

void EditorSession::openForwarded(const std::string& path) {
    const auto modalShowing = [] { return QApplication::activeModalWidget() != nullptr; };
    std::optional<std::string> next = m_deferredOpen.arrive(path, modalShowing());
    // Opens that arrived while this one asked or reported run now, the latest of them only.
    while (next) {
        m_files.openSongAsking(fromNative(*next));
        next = m_deferredOpen.release(modalShowing());
    }
}

void EditorSession::openDeferred() {
    if (const auto path = m_deferredOpen.release(QApplication::activeModalWidget() != nullptr))
        openForwarded(*path);
}

void EditorSession::showAbout() {
    if (m_about) {
        m_about->raise();
        m_window.workspace()->setActiveSubWindow(m_about);
        return;
    }
    auto* box = new AboutBox(m_window.language().texts());
    QMdiSubWindow* frame =
        m_window.addToolWindow(box, m_window.language().text(TextId::AboutTitle));
    connect(&m_window.language(), &LanguageMenu::applied, box, [this, box, frame] {
        box->applyLanguage(m_window.language().texts());
        frame->setWindowTitle(m_window.language().text(TextId::AboutTitle));
    });
    m_about = frame;
}

bool EditorSession::eventFilter(QObject* watched, QEvent* event) {
    // Every modal window blocks the main window, so its unblocking is the moment the last one
    // closed. The open waits for the modal's own event loop to return first.
    if (watched == &m_window && event->type() == QEvent::WindowUnblocked &&
        m_deferredOpen.waiting())
        QTimer::singleShot(0, this, &EditorSession::openDeferred);
    if (watched == &m_window && event->type() == QEvent::Close && !m_shutDown &&
        !m_files.confirmUnsavedChanges()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void EditorSession::shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_displayTimer.stop();
    m_transport.stop();
    m_player.Stop();
    m_device.close();
}

} // namespace cantelo

#include "gui/app/editor_session_qt.h"

#include "gui/app/about_dialog.h"
#include "core/app/config_file.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "core/app/remote_command.h"
#include "core/lyrics/text_tools.h"
#include "core/playback/chase_channels.h"
#include "core/song/syllable_file.h"
#include "core/timing/tempo_map.h"
#include "gui/views/child_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>

namespace cantelo {

namespace {

constexpr int kDisplayIntervalMs = 50;
// No lyrics text is anywhere near this; a larger "text file" is something else.
constexpr qint64 kMaxTextFileBytes = 1 << 20;

std::string toNative(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString fromNative(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// "*.nvk;*.mid" also matches the upper-case names other systems write.
QString patternList(const std::vector<std::string>& patterns) {
    QStringList out;
    for (const std::string& p : patterns) {
        const QString pattern = QString::fromStdString(p);
        out << pattern;
        if (pattern.toUpper() != pattern) out << pattern.toUpper();
    }
    return out.join(QLatin1Char(' '));
}

// A loaded language filter text as Qt name filters. The description already shows the
// patterns, so the dialog hides the list appended for Qt.
QStringList nameFilters(const std::string& loaded) {
    QStringList filters;
    for (const FileFilter& f : fileFilters(loaded))
        filters << uiText(f.description) + QStringLiteral(" (") + patternList(f.patterns) +
                       QLatin1Char(')');
    return filters;
}

// Open dialogs take an existing file; save dialogs an existing folder, asking before they
// overwrite (Qt's default).
void prepareDialog(QFileDialog& dialog, bool saving) {
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
}

QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

// A loaded trailer text without the line ends the export adds itself.
std::string trimLineEnds(std::string text) {
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.erase(0, 1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

ExportTrailer trailerFrom(const LanguageTexts& texts) {
    ExportTrailer trailer;
    trailer.title = trimLineEnds(texts[TextId::ExportTrailer1]);
    if (trailer.title.empty()) trailer.title = std::string(kExportTitle);
    trailer.credits.clear();
    for (TextId id : {TextId::ExportTrailer2, TextId::ExportTrailer3, TextId::ExportTrailer4}) {
        std::string line = trimLineEnds(texts[id]);
        if (!line.empty()) trailer.credits.push_back(std::move(line));
    }
    return trailer;
}

bool readWholeFile(const QString& path, std::string& out) {
    QFile file(path);
    if (file.size() <= 0 || file.size() > kMaxTextFileBytes || !file.open(QIODevice::ReadOnly))
        return false;
    out = file.readAll().toStdString();
    return !out.empty();
}

} // namespace

EditorSession::EditorSession(TCanteloEd1& window, std::unique_ptr<OutputProvider> outputs,
                             std::filesystem::path configFolder, QObject* parent)
    : QObject(parent), m_window(window), m_outputs(std::move(outputs)),
      m_configFolder(std::move(configFolder)), m_editor(m_doc.lyrics), m_device(*m_outputs),
      m_player(m_device) {
    m_device.setSong(&m_doc.song);
    m_device.setMessageSink([this] {
        ShowMessage(&m_window, m_window.language().texts(), Message::DeviceError);
        if (!m_device.lastError().empty()) showStatus(QString::fromStdString(m_device.lastError()));
    });
    m_player.AttachSong(&m_doc.song);
    m_doc.lyrics.chooseLyricTrack(m_doc.song); // the empty song's 36 empty lines

    m_device.setDeviceNumber(m_window.settings().deviceIndex);
    m_device.listDevices();
    m_window.settings().deviceIndex = m_device.deviceNumber();
    m_window.setOutputDevices(m_device.deviceNames(), m_device.deviceNumber());
    m_player.setSysExEnabled(m_window.sysExEnabled());

    registerCommands();
    connect(&m_window, &TCanteloEd1::outputChosen, this, &EditorSession::chooseOutput);
    connect(&m_window, &TCanteloEd1::closing, this, &EditorSession::shutdown);
    // Undo and redo become available or not with every change of the lyrics.
    m_lyricsListener =
        m_doc.lyrics.subscribe([this](const LyricsChange&) { refreshCommandStates(); });
    // Closing is refused while the user still wants to save and cannot.
    m_window.installEventFilter(this);

    rememberSavedState();
    m_displayTimer.setInterval(kDisplayIntervalMs);
    connect(&m_displayTimer, &QTimer::timeout, this, &EditorSession::updateDisplay);
    m_displayTimer.start();
}

EditorSession::~EditorSession() {
    shutdown();
    m_doc.lyrics.unsubscribe(m_lyricsListener);
    for (CommandId id : m_handled) m_window.dispatcher().removeHandler(id);
}

// ---- Commands --------------------------------------------------------------------------------

void EditorSession::handle(CommandId id, std::function<void()> handler) {
    m_window.dispatcher().setHandler(id, std::move(handler));
    m_handled.push_back(id);
}

void EditorSession::registerCommands() {
    // Commands with a file dialog: the dialog, then the path-taking step.
    using FileStep = bool (EditorSession::*)(const QString&);
    static const struct {
        CommandId command;
        FileKind kind;
        bool saving;
        FileStep step;
    } fileCommands[] = {
        {CommandId::SaveAs, FileKind::Song, true, &EditorSession::saveSongAs},
        {CommandId::LoadSyllables, FileKind::Syllables, false, &EditorSession::loadSyllables},
        {CommandId::SaveSyllables, FileKind::Syllables, true, &EditorSession::saveSyllables},
        {CommandId::ImportText, FileKind::Text, false, &EditorSession::importText},
        {CommandId::ExportText, FileKind::Text, true, &EditorSession::exportText},
    };
    for (const auto& c : fileCommands) {
        handle(c.command, [this, &c] {
            const QString path = c.saving ? chooseSaveFile(c.kind) : chooseOpenFile(c.kind);
            if (!path.isEmpty()) (this->*c.step)(path);
            // A cancelled import gives the editor its focus back, as a finished one does.
            if (c.step == &EditorSession::importText) m_window.editorChild()->setFocus();
        });
    }
    handle(CommandId::Open, [this] { openCommand(); });
    handle(CommandId::Save, [this] { saveUnderCurrentName(); });
    handle(CommandId::Play, [this] { play(); });
    handle(CommandId::Stop, [this] { stop(); });
    handle(CommandId::RestartDevice, [this] { restartDevice(); });
    handle(CommandId::ClosePort, [this] {
        m_window.setPortClosed(!m_window.portClosed());
        onPortToggled();
    });
    handle(CommandId::NoSysEx, [this] {
        m_window.setSysExEnabled(!m_window.sysExEnabled());
        m_player.setSysExEnabled(m_window.sysExEnabled());
    });
    handle(CommandId::About, [this] { showAbout(); });
    handle(CommandId::Help, [] { QDesktopServices::openUrl(userGuideUrl()); });
    handle(CommandId::WebSite, [] { QDesktopServices::openUrl(QUrl(websiteUrl())); });
}

void EditorSession::refreshCommandStates() {
    const CommandContext context{m_doc.saveEnabled, m_player.playing(), m_editor.canUndo(),
                                 m_editor.canRedo()};
    if (context != m_window.commandContext()) m_window.updateCommandStates(context);
}

void EditorSession::openCommand() {
    // Asked before the dialog: the user decides about the old song before choosing a new one.
    if (!confirmUnsavedChanges()) return;
    const QString path = chooseOpenFile(FileKind::Song);
    if (!path.isEmpty()) openSong(path);
}

// ---- Dialogs ---------------------------------------------------------------------------------

QString EditorSession::chooseOpenFile(FileKind kind) {
    const LanguageTexts& texts = m_window.language().texts();
    QFileDialog dialog(&m_window, uiText(texts[TextId::OpenDialogTitle]));
    prepareDialog(dialog, false);
    const TextId filter = kind == FileKind::Song        ? TextId::FilterAllSongs
                          : kind == FileKind::Syllables ? TextId::FilterSyllables
                                                        : TextId::FilterText;
    dialog.setNameFilters(nameFilters(texts[filter]));
    if (kind == FileKind::Syllables) dialog.setDefaultSuffix(QStringLiteral("nvs"));
    if (kind == FileKind::Text) dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (kind == FileKind::Song && !m_doc.currentFileName.empty())
        dialog.setDirectory(QFileInfo(fromNative(m_doc.currentFileName)).absolutePath());
    return chosenFile(dialog);
}

QString EditorSession::chooseSaveFile(FileKind kind) {
    const LanguageTexts& texts = m_window.language().texts();
    QFileDialog dialog(&m_window, uiText(texts[TextId::SaveDialogTitle]));
    prepareDialog(dialog, true);
    const std::string& current = m_doc.currentFileName;
    if (kind == FileKind::Song) {
        const bool scrambled = m_doc.song.scrambled;
        const QStringList filters =
            nameFilters(texts[scrambled ? TextId::FilterCanteloSongs : TextId::FilterSongTypes]);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(scrambled ? QStringLiteral("nvk") : QStringLiteral("mid"));
        if (!scrambled && filters.size() >= 3)
            dialog.selectNameFilter(filters[hasExtension(current, "mid") ? 1 : 2]);
        if (!current.empty()) dialog.selectFile(fromNative(current));
    } else {
        const bool syllables = kind == FileKind::Syllables;
        dialog.setNameFilters(
            nameFilters(texts[syllables ? TextId::FilterSyllables : TextId::FilterText]));
        dialog.setDefaultSuffix(syllables ? QStringLiteral("nvs") : QStringLiteral("txt"));
    }
    return chosenFile(dialog);
}

// ---- Songs -----------------------------------------------------------------------------------

bool EditorSession::openSong(const QString& path) {
    // Playback must not read the song while it is reset and read again.
    stop();
    m_player.Stop();
    const int melody = m_window.melodyChannelBox()->currentIndex();
    const OpenResult result = openSongFile(m_doc, toNative(path), melody);
    if (result.ok) m_player.Locate(0);
    m_editor.resetForNewSong();
    refreshCommandStates();
    showDocumentTitle();
    showSongState();
    showStatus(fromNative(m_doc.currentFileName));
    // Whatever was there before is gone either way: the user agreed to leave it.
    rememberSavedState();
    if (!result.ok) {
        ShowMessage(&m_window, m_window.language().texts(), Message::OpenError);
        return false;
    }
    if (!m_window.portClosed()) openDevice();
    return true;
}

bool EditorSession::openSongAsking(const QString& path) {
    return confirmUnsavedChanges() && openSong(path);
}

bool EditorSession::saveSongAs(const QString& path) {
    const int answer = ShowMessage(&m_window, m_window.language().texts(), Message::SaveFormat);
    return saveSong(path, answer == 2 ? kFormatChoice1 : kFormatChoice0);
}

bool EditorSession::saveSong(const QString& path, int formatChoice) {
    const SaveResult result = saveSongFile(m_doc, toNative(path), formatChoice);
    if (!result.ok) {
        showFailure(m_window.language().text(ExtraTextId::SaveFailed),
                    QString::fromStdString(result.error));
        return false;
    }
    showStatus(fromNative(result.path));
    showDocumentTitle();
    rememberSavedState();
    if (result.longLineWarning)
        ShowMessage(&m_window, m_window.language().texts(), Message::LongLines);
    return true;
}

bool EditorSession::saveUnderCurrentName() {
    if (!m_doc.saveEnabled || m_doc.currentFileName.empty()) {
        const QString path = chooseSaveFile(FileKind::Song);
        return !path.isEmpty() && saveSongAs(path);
    }
    return saveSong(fromNative(m_doc.currentFileName), sameFormatChoice(m_doc.song));
}

// ---- Syllables and text ----------------------------------------------------------------------

bool EditorSession::loadSyllables(const QString& path) {
    const LanguageTexts& texts = m_window.language().texts();
    TItemLyr& list = m_doc.lyrics.lyrics();
    // The whole list goes into one undo step, recorded only when the load goes ahead.
    SyllableFile file;
    const SyllableLoad read = readSyllableFile(toNative(path), file);
    if (read == SyllableLoad::NotRecognised) {
        ShowMessage(&m_window, texts, Message::UnknownSyllableFile);
        return false;
    }
    if (read != SyllableLoad::Loaded) return false;
    if (file.division != m_doc.song.division &&
        ShowMessage(&m_window, texts, Message::DivisionMismatch) != 1)
        return false;
    m_editor.history().record(list, m_editor.cursor());
    applySyllables(file, list);
    m_doc.lyrics.refresh(0, 0, false);
    return true;
}

bool EditorSession::saveSyllables(const QString& path) {
    std::string error;
    const std::string target = withExtension(toNative(path), "nvs");
    if (!saveSyllableFile(target, m_doc.lyrics.lyrics(), m_doc.song.division, &error)) {
        showFailure(m_window.language().text(ExtraTextId::SyllablesSaveFailed),
                    QString::fromStdString(error));
        return false;
    }
    return true;
}

bool EditorSession::importText(const QString& path) {
    std::string bytes;
    if (!readWholeFile(path, bytes)) return false;
    return m_editor.importText(bytes);
}

bool EditorSession::exportText(const QString& path) {
    m_doc.lyrics.BuildLineList();
    const std::string target = textExportPath(toNative(path));
    if (!::cantelo::exportText(m_doc.lyrics.lineList(), target,
                               trailerFrom(m_window.language().texts()))) {
        showFailure(m_window.language().text(ExtraTextId::ExportFailed), fromNative(target));
        return false;
    }
    return true;
}

// ---- Unsaved changes -------------------------------------------------------------------------

void EditorSession::rememberSavedState() {
    m_savedLyrics = LyricsHistory::itemsOf(m_doc.lyrics.lyrics());
    m_savedLyricTrack = m_doc.lyrics.lyricTrack();
    m_songChanged = false;
}

bool EditorSession::hasUnsavedChanges() {
    return m_songChanged || m_doc.lyrics.lyricTrack() != m_savedLyricTrack ||
           !LyricsHistory::holds(m_doc.lyrics.lyrics(), m_savedLyrics);
}

bool EditorSession::confirmUnsavedChanges() {
    if (!hasUnsavedChanges()) return true;
    const LanguageMenu& language = m_window.language();
    TFrmMessage question(&m_window, language.text(ExtraTextId::UnsavedLine1),
                         language.text(ExtraTextId::UnsavedLine2), true, MessageButtons::YesNo);
    question.firstButton()->setText(language.text(ExtraTextId::UnsavedSave));
    question.secondButton()->setText(language.text(ExtraTextId::UnsavedDiscard));
    // The third answer sits where the row of buttons continues to the left.
    auto* cancel =
        new QPushButton(uiText(m_window.language().texts()[TextId::CancelCaption]), &question);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    const QRect second = question.secondButton()->geometry();
    cancel->setGeometry(second.translated(second.x() - question.firstButton()->x(), 0));
    connect(cancel, &QPushButton::clicked, &question, [&question] { question.done(3); });
    switch (question.exec()) {
    case 1:
        return saveUnderCurrentName();
    case 2:
        return true;
    default: // cancel, Escape or the close button: nothing is lost by staying
        return false;
    }
}

// ---- Transport -------------------------------------------------------------------------------

void EditorSession::play() {
    if (m_player.playing()) return;
    m_transportActive = true;
    if (!m_player.Play()) m_transportActive = false;
    refreshCommandStates();
}

void EditorSession::stop() {
    if (!m_player.playing() && !m_transportActive) return;
    m_transportActive = false;
    m_player.Stop();
    refreshCommandStates();
}

void EditorSession::updateDisplay() {
    const std::int32_t tick = m_player.tick();
    if (tick != m_shownTick) {
        const auto signature = m_player.timeSignature();
        const auto shown = static_cast<std::uint16_t>(signature[0] << 8 | signature[1]);
        if (shown != m_shownSignature) {
            setLabel("LblszSignature",
                     QStringLiteral("%1/%2").arg(signature[0]).arg(pow2Clamped(signature[1])));
            m_shownSignature = shown;
        }
        setLabel("LblszPointer", QString::fromStdString(positionText(m_doc.song, tick)));
        setLabel("LblszPointer2", QString::fromStdString(clockText(tickToMs(m_doc.song, tick))));
        m_shownTick = tick;
    }
    // The song ended by itself.
    if (!m_player.playing() && m_transportActive) stop();
    const std::int32_t tempo = m_player.tempo();
    if (tempo != m_shownTempo) {
        setLabel("LblszTempo", QString::asprintf("%3i", tempo));
        m_shownTempo = tempo;
    }
}

// ---- Outputs ---------------------------------------------------------------------------------

void EditorSession::openDevice() {
    m_device.OpenDevice();
}

void EditorSession::chooseOutput(int index) {
    m_device.setDeviceNumber(index);
    m_window.settings().deviceIndex = index;
    // A first start has no file yet: the choice is then written with the rest at close.
    storeOutputDevice(m_configFolder, index);
    openDevice();
}

void EditorSession::onPortToggled() {
    if (m_window.portClosed()) {
        m_device.close();
        return;
    }
    openDevice();
    if (m_player.playing()) ChaseChannels(m_player, m_device, ChaseKinds::all());
}

void EditorSession::restartDevice() {
    m_device.reset();
    openDevice();
    ChaseChannels(m_player, m_device, ChaseKinds::all());
}

// ---- Start, remote commands, close -----------------------------------------------------------

void EditorSession::openStartupFile(const StartupFile& file) {
    if (file.badExtension)
        ShowMessage(&m_window, m_window.language().texts(), Message::BadExtension);
    else if (file.pendingOpen)
        openSong(QFile::decodeName(QByteArray::fromStdString(file.path)));
}

void EditorSession::handleRemoteCommand(std::uint32_t tag, const QByteArray& text) {
    if (tag == kTagOpenFile) {
        stop();
        const QString path = QFile::decodeName(text);
        if (openSongAsking(path)) showStatus(path);
    } else if (tag == kTagPlay) {
        play();
    } else if (tag == kTagStop) {
        stop();
    } else if (tag == kTagShowWindow) {
        m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    }
}

void EditorSession::showAbout() {
    if (m_about) {
        m_about->raise();
        m_window.workspace()->setActiveSubWindow(m_about);
        return;
    }
    auto* box = new AboutBox(m_window.language().texts());
    auto* frame = new QMdiSubWindow;
    frame->setWidget(box);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    frame->setWindowTitle(uiText(m_window.language().texts()[TextId::AboutTitle]));
    connect(&m_window.language(), &LanguageMenu::applied, box, [this, box, frame] {
        box->applyLanguage(m_window.language().texts());
        frame->setWindowTitle(uiText(m_window.language().texts()[TextId::AboutTitle]));
    });
    m_window.workspace()->addSubWindow(frame);
    frame->adjustSize();
    const QRect area = m_window.workspace()->viewport()->rect();
    frame->move(area.center() - frame->rect().center());
    frame->show();
    m_about = frame;
}

bool EditorSession::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::Close && !m_shutDown &&
        !confirmUnsavedChanges()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void EditorSession::shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_displayTimer.stop();
    m_transportActive = false;
    m_player.Stop();
    m_device.close();
}

// ---- Read-outs -------------------------------------------------------------------------------

void EditorSession::showSongState() {
    setLabel("LblszPointer", QString::fromStdString(m_doc.positionLabel));
    setLabel("LblszPointer2", QStringLiteral("00:00:00:00"));
    setLabel("LblszLastLocator", QString::fromStdString(m_doc.endLabel));
    setLabel("lblTimeSLength", QString::fromStdString(m_doc.lengthLabel));
    setLabel("lblIName", uiText(m_doc.instrumentName));
    // The timer shows the position, signature and tempo afresh.
    m_shownTick = -1;
    m_shownTempo = -1;
    m_shownSignature = 0;
    updateDisplay();
}

void EditorSession::showDocumentTitle() {
    m_window.setDocumentTitle(
        m_doc.saveEnabled ? QFileInfo(fromNative(m_doc.currentFileName)).fileName() : QString());
}

void EditorSession::setLabel(const char* name, const QString& text) {
    if (QLabel* label = m_window.label(QLatin1String(name)); label && label->text() != text)
        label->setText(text);
}

void EditorSession::showStatus(const QString& text) {
    m_window.statusBar()->showMessage(text);
}

void EditorSession::showFailure(const QString& what, const QString& reason) {
    ShowMessageWindow(&m_window, what, reason, false, MessageButtons::Ok);
}

} // namespace cantelo

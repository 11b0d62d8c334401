#include "gui/app/file_commands_qt.h"

#include "core/document/editor_document.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include <utility>

namespace cantelo {

namespace {

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
void prepareDialog(QFileDialog& dialog, bool saving, const QString& folder) {
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
}

QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

FileCommands::FileCommands(TCanteloEd1& window, EditorDocument& doc,
                           std::function<void()> beforeOpen)
    : m_window(window), m_doc(doc), m_beforeOpen(std::move(beforeOpen)) {}

void FileCommands::openCommand() {
    // Asked before the dialog: the user decides about the old song before choosing a new one.
    if (!confirmUnsavedChanges()) return;
    const QString path = chooseOpenFile(FileKind::Song);
    if (!path.isEmpty()) openSong(path);
}

void FileCommands::withDialog(FileKind kind, bool saving,
                              bool (FileCommands::*step)(const QString&)) {
    const QString path = saving ? chooseSaveFile(kind) : chooseOpenFile(kind);
    if (!path.isEmpty()) (this->*step)(path);
}

// ---- Dialogs ---------------------------------------------------------------------------------

QString FileCommands::songFolder() const {
    if (m_doc.fileName().empty()) return {};
    return QFileInfo(fromNative(m_doc.fileName())).absolutePath();
}

QString FileCommands::chooseOpenFile(FileKind kind) {
    const LanguageTexts& texts = m_window.language().texts();
    QFileDialog dialog(&m_window, uiText(texts[TextId::OpenDialogTitle]));
    prepareDialog(dialog, false, songFolder());
    const TextId filter = kind == FileKind::Song        ? TextId::FilterAllSongs
                          : kind == FileKind::Syllables ? TextId::FilterSyllables
                                                        : TextId::FilterText;
    dialog.setNameFilters(nameFilters(texts[filter]));
    if (kind == FileKind::Syllables) dialog.setDefaultSuffix(QStringLiteral("nvs"));
    if (kind == FileKind::Text) dialog.setDefaultSuffix(QStringLiteral("txt"));
    return chosenFile(dialog);
}

QString FileCommands::chooseSaveFile(FileKind kind) {
    const LanguageTexts& texts = m_window.language().texts();
    QFileDialog dialog(&m_window, uiText(texts[TextId::SaveDialogTitle]));
    prepareDialog(dialog, true, songFolder());
    const std::string& current = m_doc.fileName();
    if (kind == FileKind::Song) {
        const bool scrambled = m_doc.song().scrambled;
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

bool FileCommands::openSong(const QString& path) {
    if (m_beforeOpen) m_beforeOpen();
    const Result result = m_doc.open(toNative(path));
    if (result) return true;
    // A file that is not a song gets the open-error message; one that cannot be read says why.
    if (result.reason == FailureReason::Unrecognised)
        ShowMessage(&m_window, m_window.language().texts(), Message::OpenError);
    else
        showFailure(ExtraTextId::OpenFailed, Result::failure(result.reason, toNative(path)));
    return false;
}

bool FileCommands::openSongAsking(const QString& path) {
    return confirmUnsavedChanges() && openSong(path);
}

bool FileCommands::saveSongAs(const QString& path) {
    const int answer = ShowMessage(&m_window, m_window.language().texts(), Message::SaveFormat);
    offerUtf8();
    return saveSong(path, answer == 2 ? kFormatChoice1 : kFormatChoice0);
}

void FileCommands::offerUtf8() {
    if (!m_doc.canConvertTextsToUtf8()) return;
    const LanguageMenu& language = m_window.language();
    if (ShowMessageWindow(&m_window, language.text(ExtraTextId::Utf8Line1),
                          language.text(ExtraTextId::Utf8Line2), true, MessageButtons::YesNo) == 1)
        m_doc.convertTextsToUtf8();
}

bool FileCommands::saveSong(const QString& path, int formatChoice) {
    return reportSave(m_doc.save(toNative(path), formatChoice));
}

bool FileCommands::reportSave(const WriteOutcome& outcome) {
    if (!outcome.result) {
        showFailure(ExtraTextId::SaveFailed, outcome.result);
        return false;
    }
    if (outcome.longLineWarning)
        ShowMessage(&m_window, m_window.language().texts(), Message::LongLines);
    return true;
}

bool FileCommands::saveUnderCurrentName() {
    const WriteOutcome outcome = m_doc.saveSameFormat();
    if (outcome.needsName) {
        const QString path = chooseSaveFile(FileKind::Song);
        return !path.isEmpty() && saveSongAs(path);
    }
    return reportSave(outcome);
}

// ---- Syllables and text ----------------------------------------------------------------------

bool FileCommands::loadSyllables(const QString& path) {
    const LanguageTexts& texts = m_window.language().texts();
    const Result result = m_doc.loadSyllables(toNative(path), [this, &texts] {
        return ShowMessage(&m_window, texts, Message::DivisionMismatch) == 1;
    });
    if (result.reason == FailureReason::Unrecognised)
        ShowMessage(&m_window, texts, Message::UnknownSyllableFile);
    else
        showFailure(ExtraTextId::SyllablesLoadFailed, result);
    return result.ok();
}

bool FileCommands::saveSyllables(const QString& path) {
    const WriteOutcome outcome = m_doc.saveSyllables(toNative(path));
    showFailure(ExtraTextId::SyllablesSaveFailed, outcome.result);
    return outcome.result.ok();
}

bool FileCommands::importText(const QString& path) {
    const Result result = m_doc.importText(toNative(path));
    showFailure(ExtraTextId::ImportFailed, result);
    return result.ok();
}

bool FileCommands::exportText(const QString& path) {
    // A song in an older code page may be exported for programs that expect UTF-8.
    const LanguageMenu& language = m_window.language();
    const bool asUtf8 = m_doc.canConvertTextsToUtf8() &&
                        ShowMessageWindow(&m_window, language.text(ExtraTextId::ExportUtf8Line1),
                                          language.text(ExtraTextId::ExportUtf8Line2), true,
                                          MessageButtons::YesNo) == 1;
    const WriteOutcome outcome =
        m_doc.exportText(toNative(path), exportTrailer(language.texts()), asUtf8);
    showFailure(ExtraTextId::ExportFailed, outcome.result);
    return outcome.result.ok();
}

// ---- Unsaved changes -------------------------------------------------------------------------

bool FileCommands::confirmUnsavedChanges() {
    if (!m_doc.modified()) return true;
    const LanguageMenu& language = m_window.language();
    TFrmMessage question(&m_window, language.text(ExtraTextId::UnsavedLine1),
                         language.text(ExtraTextId::UnsavedLine2), true, MessageButtons::YesNo);
    question.firstButton()->setText(language.text(ExtraTextId::UnsavedSave));
    question.secondButton()->setText(language.text(ExtraTextId::UnsavedDiscard));
    // The third answer sits where the row of buttons continues to the left.
    auto* cancel = new QPushButton(language.text(TextId::CancelCaption), &question);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    const QRect second = question.secondButton()->geometry();
    cancel->setGeometry(second.translated(second.x() - question.firstButton()->x(), 0));
    QObject::connect(cancel, &QPushButton::clicked, &question, [&question] { question.done(3); });
    switch (question.exec()) {
    case 1:
        return saveUnderCurrentName();
    case 2:
        return true;
    default: // cancel, Escape or the close button: nothing is lost by staying
        return false;
    }
}

void FileCommands::showFailure(ExtraTextId what, const Result& result) {
    if (result || result.reason == FailureReason::NothingToDo ||
        result.reason == FailureReason::Refused)
        return;
    const LanguageMenu& language = m_window.language();
    QString why = uiText(reasonText(language.texts(), result.reason));
    if (!result.path.empty()) why = fromNative(result.path) + QStringLiteral(": ") + why;
    ShowMessageWindow(&m_window, language.text(what), why, false, MessageButtons::Ok);
}

} // namespace cantelo

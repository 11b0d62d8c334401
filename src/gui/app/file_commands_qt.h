#pragma once

#include "core/files/result.h"
#include "core/language/extra_texts.h"

#include <QString>

#include <functional>

namespace cantelo {

class EditorDocument;
struct WriteOutcome;
class TCanteloEd1;

// The kinds of file the editor's dialogs offer.
enum class FileKind { Song, Syllables, Text };

// The file commands as the user meets them: the file dialogs, the questions (format, unsaved
// changes, division) and the messages, around the document's file operations. Each command with
// a dialog runs the dialog and then a path-taking step, which tests call directly. Every
// failure is shown with its reason in the interface language. User-interface thread only.
class FileCommands {
public:
    // `beforeOpen` runs before a song is read in place (it stops playback).
    FileCommands(TCanteloEd1& window, EditorDocument& doc, std::function<void()> beforeOpen);

    // "Apri": asks about unsaved changes, then the dialog, then the open.
    void openCommand();
    // The dialog of `kind`, then `step` with its path; nothing when cancelled.
    void withDialog(FileKind kind, bool saving, bool (FileCommands::*step)(const QString&));

    // Opens a song without asking; a failure shows the open-error message.
    bool openSong(const QString& path);
    // Asks about unsaved changes first; false when the user cancelled or the open failed.
    bool openSongAsking(const QString& path);
    // "Salva con Nome" after its dialog: asks the format, offers to write the texts as UTF-8
    // when they can be (see EditorDocument::convertTextsToUtf8), then saves.
    bool saveSongAs(const QString& path);
    // Writes the song with a format choice (kFormatChoice0/1); a failure shows its reason and
    // leaves any earlier file whole. The long-line warning is shown once per save.
    bool saveSong(const QString& path, int formatChoice);
    // "Salva": the current name in the song's own format; the save dialog when there is none.
    bool saveUnderCurrentName();
    bool loadSyllables(const QString& path);
    bool saveSyllables(const QString& path);
    bool importText(const QString& path);
    bool exportText(const QString& path);

    // Asks whether to save unsaved changes: true when the caller may go on (nothing to save,
    // saved, or the user chose not to save), false when the user cancelled or the save failed.
    bool confirmUnsavedChanges();

    // The file dialogs; empty when cancelled. They start in the song's folder.
    QString chooseOpenFile(FileKind kind);
    QString chooseSaveFile(FileKind kind);

private:
    void offerUtf8();
    // Shows `what` failed and why; says nothing for a command that had nothing to do or a
    // question the user declined.
    void showFailure(ExtraTextId what, const Result& result);
    QString songFolder() const;
    // A song save's failure or long-line warning, shown; whether the song was written.
    bool reportSave(const WriteOutcome& outcome);

    TCanteloEd1& m_window;
    EditorDocument& m_doc;
    std::function<void()> m_beforeOpen;
};

} // namespace cantelo

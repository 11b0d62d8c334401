#pragma once

#include "core/app/command_table.h"
#include "core/lyrics/lyrics_editor.h"
#include "core/playback/midi_device.h"
#include "core/playback/midi_player.h"
#include "core/document/song_file.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMdiSubWindow;

namespace cantelo {

class TCanteloEd1;
struct StartupFile;

// The kinds of file the editor's dialogs offer.
enum class FileKind { Song, Syllables, Text };

// The editor's working state behind the frame: the one song document, the lyrics editor over it,
// the output device with its provider and the player. It carries out the commands the main
// window emits (files, transport, outputs, remote commands) and keeps the window's read-outs and
// enabling in step. Each command with a dialog runs the dialog and then a path-taking entry point,
// which tests call directly. User-interface thread only.
class EditorSession : public QObject {
    Q_OBJECT
public:
    // `outputs` lists and creates the outputs (the system's in the editor, a recorder in tests);
    // `configFolder` holds config.cne, whose device byte a chosen output is stored in. Fills the
    // output menu from the provider; opens nothing yet.
    EditorSession(TCanteloEd1& window, std::unique_ptr<OutputProvider> outputs,
                  std::filesystem::path configFolder, QObject* parent = nullptr);
    ~EditorSession() override;
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    SongDocument& document() { return m_doc; }
    LyricsEditor& lyricsEditor() { return m_editor; }
    MidiDevice& device() { return m_device; }
    CMidiPlayer& player() { return m_player; }

    // Opens a song (stopping playback first). On failure shows the open-error message and
    // disables the song saves. Does not ask about unsaved changes: see openSongAsking.
    bool openSong(const QString& path);
    // Asks about unsaved changes first; false when the user cancelled or the open failed.
    bool openSongAsking(const QString& path);
    // "Salva con Nome" after its dialog: asks the format, then saves.
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

    // Whether the lyrics differ from those of the last open or save, or the song was marked
    // changed since.
    bool hasUnsavedChanges();
    // Song edits (the tools) call this; an open or a save clears it.
    void markSongChanged() { m_songChanged = true; }
    // Asks whether to save unsaved changes: true when the caller may go on (nothing to save,
    // saved, or the user chose not to save), false when the user cancelled or the save failed.
    bool confirmUnsavedChanges();

    // Transport.
    void play();
    void stop();
    bool transportActive() const { return m_transportActive; }

    // A command of another process ("cnof", "cnps", "cnss", "cnsw"); other tags are ignored.
    void handleRemoteCommand(std::uint32_t tag, const QByteArray& text);
    // The command-line file once the window shows: opened, or the bad-extension message.
    void openStartupFile(const StartupFile& file);

    // The file dialogs of the commands; empty when cancelled.
    QString chooseOpenFile(FileKind kind);
    QString chooseSaveFile(FileKind kind);

private:
    // Registers the commands this session carries out with the window's dispatcher.
    void registerCommands();
    void handle(CommandId id, std::function<void()> handler);
    // Enables the commands for the song, the player and the undo history as they are now.
    void refreshCommandStates();
    void openCommand();
    void chooseOutput(int index);
    void onPortToggled();
    void restartDevice();
    void openDevice();
    void showAbout();
    void shutdown();
    bool eventFilter(QObject* watched, QEvent* event) override;

    void showSongState();
    void showDocumentTitle();
    void updateDisplay();
    void setLabel(const char* name, const QString& text);
    void showStatus(const QString& text);
    void showFailure(const QString& what, const QString& reason);
    void rememberSavedState();

    // A comparable copy of a lyric list: text, whole tick and break flag of each item.

    TCanteloEd1& m_window;
    std::unique_ptr<OutputProvider> m_outputs;
    std::filesystem::path m_configFolder;
    SongDocument m_doc;
    LyricsEditor m_editor;
    MidiDevice m_device;
    CMidiPlayer m_player;
    QTimer m_displayTimer;
    QPointer<QMdiSubWindow> m_about;

    std::vector<CommandId> m_handled; // removed from the window's dispatcher on destruction
    int m_lyricsListener = 0;
    std::vector<LyricsHistory::Item> m_savedLyrics; // as last opened or saved
    int m_savedLyricTrack = -1;
    bool m_songChanged = false;
    bool m_transportActive = false;
    bool m_shutDown = false;

    // What the read-outs show, so they are rewritten only on change.
    std::int32_t m_shownTick = -1;
    std::int32_t m_shownTempo = -1;
    std::uint16_t m_shownSignature = 0;
};

} // namespace cantelo

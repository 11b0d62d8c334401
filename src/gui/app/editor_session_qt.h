#pragma once

#include "core/app/command_table.h"
#include "core/app/remote_transport.h"
#include "core/document/editor_document.h"
#include "core/document/key_sync.h"
#include "core/document/transport.h"
#include "core/playback/midi_device.h"
#include "core/playback/midi_player.h"
#include "gui/app/document_signals_qt.h"
#include "gui/app/file_commands_qt.h"
#include "gui/app/monitor_link_qt.h"
#include "gui/app/output_commands_qt.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QMdiSubWindow;

namespace cantelo {

class EditorController;
class SyncLink;
class GridController;
class MixerLink;
class TCanteloEd1;
class ToolWindows;
struct StartupFile;

// Wires the frame to the document and the transport: it registers a handler for every command
// whose window exists, shows what the document and the display step report, and answers remote
// commands and the close. It holds no editing logic: every command is one call on the document,
// the transport or the file and output commands. User-interface thread only.
class EncodingMenu;

class EditorSession : public QObject {
    Q_OBJECT
public:
    // `outputs` lists and creates the outputs (the system's in the editor, a recorder in tests);
    // `configFolder` holds config.cne, whose device byte a chosen output is stored in.
    EditorSession(TCanteloEd1& window, std::unique_ptr<OutputProvider> outputs,
                  std::filesystem::path configFolder, QObject* parent = nullptr);
    ~EditorSession() override;
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    EditorDocument& document() { return m_doc; }
    DocumentSignals& notifier() { return m_signals; }
    FileCommands& files() { return m_files; }
    Transport& transport() { return m_transport; }
    MidiDevice& device() { return m_device; }
    CMidiPlayer& player() { return m_player; }
    MonitorLink& monitor() { return m_monitor; }
    GridController& grid() { return *m_grid; }
    ToolWindows& tools() { return *m_tools; }
    MixerLink& mixer() { return *m_mixer; }

    // A command of another process ("cnof", "cnps", "cnss", "cnsw"); other tags are ignored.
    // An open that arrives while a modal window shows waits until no modal shows; of several
    // waiting opens only the latest runs.
    void handleRemoteCommand(std::uint32_t tag, const QByteArray& text);
    // The command-line file once the window shows: opened, or the bad-extension message.
    void openStartupFile(const StartupFile& file);
    // One run of the display timer (tests call it instead of waiting).
    void updateDisplay();

private:
    void registerCommands();
    void handle(CommandId id, std::function<void()> handler);
    // A document command: nothing to say when it had nothing to do; a failure is shown.
    void run(const std::function<Result()>& command);
    void move(const TransportMove& moved);
    void refreshCommandStates();
    void onDocumentChange(const DocumentChange& change);
    void showSong();
    void showStatus();
    void showReference();
    void changeMelodyChannel(int channel);
    void wireSlider();
    void askTapLatency();
    void openForwarded(const std::string& path);
    void openDeferred();
    void showAbout();
    void shutdown();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setLabel(const char* name, const QString& text);
    void followCursorLine(const LyricsChange& change);

    TCanteloEd1& m_window;
    std::unique_ptr<OutputProvider> m_outputs;
    EditorDocument m_doc;
    KeySync m_sync;
    MidiDevice m_device;
    CMidiPlayer m_player;
    Transport m_transport;
    DocumentSignals m_signals;
    FileCommands m_files;
    QString m_optionsFile; // options beyond config.cne's layout
    OutputCommands m_outputCommands;
    MonitorLink m_monitor;
    QTimer m_displayTimer;
    QPointer<QMdiSubWindow> m_about;
    DeferredRemoteOpen m_deferredOpen;
    std::vector<CommandId> m_handled; // removed from the window's dispatcher on destruction
    std::unique_ptr<EditorController> m_editorView; // gone before the document it shows
    std::unique_ptr<SyncLink> m_syncView;
    bool m_shutDown = false;
    std::unique_ptr<ToolWindows> m_tools;
    std::unique_ptr<MixerLink> m_mixer;
    EncodingMenu* m_encodingMenu = nullptr;
    std::unique_ptr<GridController> m_grid; // first to go: it uses everything above
};

} // namespace cantelo

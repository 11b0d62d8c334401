#pragma once

#include "core/document/display_step.h"
#include "core/document/editor_document.h"
#include "core/files/result.h"
#include "gui/views/event_list_qt.h"
#include "gui/views/patch_window_qt.h"
#include "gui/views/midi_overview_window_qt.h"

#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolButton>

#include <functional>
#include <memory>

class QMdiSubWindow;

namespace cantelo {

class CMidiPlayer;
class DocumentSignals;
class MidiDevice;
class TCanteloEd1;

// The "Tempo", "Misure", "SysEx Data" and patch windows: each is made on first use in the
// workspace, brought to the front when opened again, refilled whenever the document reports a
// change of what it lists (or another song), and goes with the main window. The tempo buttons are
// the document's tempo edit, one undo step each; whoever listens to the Tempo change brings the
// player along. User-interface thread only.
class ToolWindows : public QObject {
    Q_OBJECT
public:
    using CommandRunner = std::function<void(const std::function<Result()>&)>;

    // `run` carries out a document command and shows its failure.
    ToolWindows(TCanteloEd1& window, EditorDocument& doc, DocumentSignals& notifier,
                CMidiPlayer& player, MidiDevice& device, CommandRunner run,
                QObject* parent = nullptr);
    ~ToolWindows() override;

    void openTempo();
    void openMeasures();
    void openSysEx();
    void openPatch();

    // The channel the patch window works on, shared with the channel overview.
    int selectedChannel() const { return m_selectedChannel; }
    void setSelectedChannel(int channel);
    // One run of the display timer: a program change played shows in the patch window.
    void followPlayback(const DisplayUpdate& update);
    // "Parametri Midi", once `playback` is connected: the hooks that reach the player and the
    // output (this fills in the window's own).
    void connectOverview(OverviewHooks playback);
    MidiOverview& overview() { return *m_overview; }

    // The open windows' parts (null when closed), for tests.
    QMdiSubWindow* tempoWindow() const { return m_tempo; }
    QMdiSubWindow* measuresWindow() const { return m_measures; }
    QMdiSubWindow* sysExWindow() const { return m_sysEx; }
    QMdiSubWindow* patchWindow() const { return m_patch; }
    PatchWindow* patchView() const { return m_patchView; }
    EventListView* tempoList() const { return m_tempoList; }
    EventListView* measuresList() const { return m_measuresList; }
    QToolButton* raiseButton() const { return m_raise; }
    QToolButton* lowerButton() const { return m_lower; }
    QPlainTextEdit* sysExText() const { return m_sysExText; }

private:
    void onDocumentChange(const DocumentChange& change);
    void fillTempo();
    void fillMeasures();
    void fillSysEx();
    void applyLanguage();
    // Brings an open window forward; false when it is closed.
    bool raiseExisting(QMdiSubWindow* frame);

    PatchHooks patchHooks();

    TCanteloEd1& m_window;
    EditorDocument& m_doc;
    CMidiPlayer& m_player;
    MidiDevice& m_device;
    CommandRunner m_run;
    int m_selectedChannel = 0;
    QPointer<QMdiSubWindow> m_tempo;
    QPointer<QMdiSubWindow> m_measures;
    QPointer<QMdiSubWindow> m_sysEx;
    QPointer<EventListView> m_tempoList;
    QPointer<EventListView> m_measuresList;
    QPointer<QToolButton> m_raise;
    QPointer<QToolButton> m_lower;
    QPointer<QPlainTextEdit> m_sysExText;
    QPointer<QMdiSubWindow> m_patch;
    QPointer<PatchWindow> m_patchView;
    std::unique_ptr<MidiOverview> m_overview;
};

} // namespace cantelo

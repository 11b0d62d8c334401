#pragma once

#include "core/document/key_sync.h"

#include <QObject>

class QKeyEvent;

namespace cantelo {

class CMidiPlayer;
class EditorController;
class EditorDocument;
class MonitorView;
class TCanteloEd1;
class Transport;

// The window side of synchronisation by key taps: "Sincronizza" starts a take, the space bar in
// the editor taps, and the editor's marks and the monitor's one-line strip follow each step. The
// take's logic is the core's; this only shows its steps. User-interface thread only.
class SyncLink : public QObject {
    Q_OBJECT
public:
    SyncLink(TCanteloEd1& window, EditorDocument& doc, Transport& transport, KeySync& sync,
             CMidiPlayer& player, EditorController& editor, MonitorView& monitor,
             QObject* parent = nullptr);

    // "Sincronizza": ignored while the song plays.
    void start();
    // A transport stop ended the take (the Stop command, the song's end, the last tap): the
    // editor and the monitor leave it.
    void finished();
    // The delay taken off every tap (milliseconds, 0 for none).
    void setTapLatency(int ms) { m_latencyMs = ms; }
    int tapLatency() const { return m_latencyMs; }

signals:
    // The take started or ended: the command states change.
    void stateChanged();

private:
    bool filterKey(const QKeyEvent& key);
    void tap();
    void show(const SyncView& view);

    TCanteloEd1& m_window;
    EditorDocument& m_doc;
    Transport& m_transport;
    KeySync& m_sync;
    CMidiPlayer& m_player;
    EditorController& m_editor;
    MonitorView& m_monitor;
    int m_latencyMs = 0;
};

} // namespace cantelo

#pragma once

#include "core/document/editor_document.h"
#include "core/document/transport.h"
#include "core/view/grid_layout.h"
#include "core/view/grid_mouse.h"
#include "core/view/grid_scroll.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>

class QMenu;
class QScrollBar;

namespace cantelo {

class CMidiPlayer;
class GridPanel;
class MidiDevice;
class ReadoutLabel;

// The pieces of the event panel that the grid works with.
struct GridControls {
    QWidget* host = nullptr;               // the event panel's client: the grid goes into it
    QMenu* syllableMenu = nullptr;         // "pMnu1"
    QMenu* noteMenu = nullptr;             // "pMnu2"
    ReadoutLabel* noteLabel = nullptr;     // "lblPosNota"
    ReadoutLabel* syllableLabel = nullptr; // "lblPosSillaba"
};

// What the grid asks of the session it lives in.
struct GridHooks {
    // The grid moved the song position (already done through the transport).
    std::function<void(const TransportMove&)> positionMoved;
    // Runs a document command and tells the user when it fails.
    std::function<void(const std::function<Result()>&)> run;
};

// Connects the event grid to the document: it places the grid and its scroll bar
// ("ScrollBar1") in the event panel, redraws from the document's notifications, carries out
// what the grid mouse decides (document commands, the position, the note audition with its
// 200 ms "TimerNoteOff", the labels, the pop-ups), and gives the zoom, sound bar and pop-up
// commands. User-interface thread only; the document, transport, player, device and the event
// panel outlive it.
class GridController : public QObject {
    Q_OBJECT
public:
    // The grid's top in the panel, under the panel's tool bar.
    static constexpr int kGridTop = 40;
    static constexpr int kGridLeft = 4;

    GridController(const GridControls& controls, EditorDocument& doc, Transport& transport,
                   CMidiPlayer& player, MidiDevice& device, GridHooks hooks,
                   QObject* parent = nullptr);
    ~GridController() override;
    GridController(const GridController&) = delete;
    GridController& operator=(const GridController&) = delete;

    GridPanel* panel() const { return m_panel; }
    QScrollBar* scrollBar() const { return m_bar; }
    const GridLayout& layout() const { return m_layout; }
    const GridMouse& mouse() const { return m_mouse; }
    const GridScroll& scroll() const { return m_scroll; }

    // "Espandi la griglia" and "Restringi la griglia".
    void zoomIn();
    void zoomOut();
    // "Attiva/Disattiva la barra sonora".
    void setSoundBar(bool on);
    // "Aggancia alla Nota" and "Elimina Nota" from the grid's pop-ups.
    void bindToNote();
    void deleteNote();
    // The display timer's position; while playing the view pages to keep the cursor in sight.
    void showPosition(std::int32_t tick, bool playing);
    // A full redraw at the current zoom and scroll.
    void redraw();

private:
    void onDocumentChange(const DocumentChange& change);
    void apply(const GridReaction& reaction);
    void run(const GridCommand& command);
    void preview(int x);
    void buildLayout();
    void placeCursor();
    void applyScroll(const GridScroll& scroll);
    void fitToHost();
    void showContextMenu(const QPoint& globalPos);
    GridMouseContext context() const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    EditorDocument& m_doc;
    Transport& m_transport;
    CMidiPlayer& m_player;
    MidiDevice& m_device;
    GridControls m_controls;
    GridHooks m_hooks;
    QPointer<QWidget> m_host;
    GridPanel* m_panel = nullptr; // in the host, which the controller leaves as it found it
    QScrollBar* m_bar = nullptr;
    GridLayout m_layout;
    GridMouse m_mouse{m_layout};
    GridScroll m_scroll;
    QTimer m_noteOff; // "TimerNoteOff"
    int m_listener = 0;
    bool m_applying = false; // a mouse command runs: its redraws wait for its end
    bool m_redrawPending = false;
    bool m_menuShowing = false; // the grid's own pop-up takes the mouse: not a leave
};

} // namespace cantelo

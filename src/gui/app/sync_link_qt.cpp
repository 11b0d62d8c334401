#include "gui/app/sync_link_qt.h"

#include "core/document/editor_document.h"
#include "core/document/transport.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "gui/views/child_window.h"
#include "gui/views/editor_controller_qt.h"
#include "gui/views/editor_panel_qt.h"
#include "gui/views/monitor_view_qt.h"

#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace cantelo {

SyncLink::SyncLink(TCanteloEd1& window, EditorDocument& doc, Transport& transport, KeySync& sync,
                   CMidiPlayer& player, EditorController& editor, MonitorView& monitor,
                   QObject* parent)
    : QObject(parent), m_window(window), m_doc(doc), m_transport(transport), m_sync(sync),
      m_player(player), m_editor(editor), m_monitor(monitor) {
    m_editor.panel()->setKeyFilter([this](const QKeyEvent& key) { return filterKey(key); });
    // The taps must keep reaching the editor whichever window the user clicks meanwhile.
    connect(window.workspace(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (m_sync.syncMode() && w && w != m_window.editorChild())
            QTimer::singleShot(0, &m_editor, &EditorController::focusEditor);
    });
}

void SyncLink::start() {
    const SyncStep step = m_transport.startSync(m_doc.editor().scrollMaximum(), m_doc.undoTarget());
    if (!step.accepted) return;
    m_editor.scrollBar()->setEnabled(false);
    m_editor.focusEditor();
    show(step.view);
    emit stateChanged();
}

// While a take runs every key is a tap or nothing: typing must not change the text under it.
bool SyncLink::filterKey(const QKeyEvent& key) {
    if (!m_sync.syncMode()) return false;
    if (key.key() == Qt::Key_Space && !(key.modifiers() & Qt::ControlModifier) &&
        !key.isAutoRepeat())
        tap();
    return true;
}

void SyncLink::tap() {
    const SyncStep step =
        m_sync.tap(m_doc.lyrics(), tappedTick(m_doc.song(), m_player.tick(), m_latencyMs));
    if (step.accepted) show(step.view);
    if (!step.finished) return;
    m_transport.stop();
    finished();
    ShowMessage(&m_window, m_window.language().texts(), Message::SyncCompleted);
}

void SyncLink::show(const SyncView& view) {
    m_doc.editor().setFirstVisibleLine(view.firstVisibleLine);
    {
        const QSignalBlocker quiet(m_editor.scrollBar());
        m_editor.scrollBar()->setValue(m_doc.editor().firstVisibleLine());
    }
    EditorPanel& panel = *m_editor.panel();
    const int rows = (panel.height() + kEditorRowHeight - 1) / kEditorRowHeight;
    panel.setMarks(syncMarks(m_doc, panel.editorFont().measure(), view, rows));
    panel.redraw();
    m_monitor.showStrip(view.lineText, view.tappedText);
}

void SyncLink::finished() {
    if (!m_monitor.inStrip()) return;
    EditorPanel& panel = *m_editor.panel();
    panel.setMarks({});
    panel.redraw();
    m_editor.scrollBar()->setEnabled(true);
    m_monitor.leaveStrip();
    m_monitor.relocate(m_player.tick());
    m_editor.focusEditor();
    emit stateChanged();
}

} // namespace cantelo

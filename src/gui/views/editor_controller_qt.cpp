#include "gui/views/editor_controller_qt.h"

#include "core/document/editor_document.h"
#include "gui/views/child_window.h"
#include "gui/views/editor_panel_qt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMdiArea>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace cantelo {

namespace {

// The panel leaves this much of the client's width uncovered at its right edge.
constexpr int kPanelWidthMargin = 2;

} // namespace

EditorController::EditorController(TMDIChild& child, EditorDocument& doc, QObject* parent)
    : QObject(parent), m_child(child), m_doc(doc) {
    QWidget* client = child.client();
    m_panel = new EditorPanel(doc, client);
    m_scrollBar = new QScrollBar(Qt::Vertical, client);
    m_scrollBar->setObjectName(QStringLiteral("sBar1"));
    // Scrolling must not take the keys away from the text.
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setSingleStep(1);
    // Focus given to the child window (after a dialog, by the workspace) reaches the text.
    client->setFocusProxy(m_panel);
    client->installEventFilter(this);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &EditorController::scrolled);
    connect(m_panel, &EditorPanel::positionRequested, this, &EditorController::positionRequested);
    connect(m_panel, &EditorPanel::characterRefused, this, &EditorController::characterRefused);
    m_subscription = doc.subscribe([this](const DocumentChange& c) { onDocumentChange(c); });
    child.setUserResizable(true);
    placeChildren();
    m_panel->show();
    m_scrollBar->show();
}

EditorController::~EditorController() {
    m_doc.unsubscribe(m_subscription);
    // The window may outlive the document: nothing of the editor stays in it.
    m_child.client()->removeEventFilter(this);
    m_child.client()->setFocusProxy(nullptr);
    delete m_panel;
    delete m_scrollBar;
}

bool EditorController::editsText(CommandId id) {
    using C = CommandId;
    switch (id) {
    case C::Undo:
    case C::Redo:
    case C::ClearText:
    case C::ImportText:
    case C::Syllabify:
    case C::AllUpperCase:
    case C::AllLowerCase:
    case C::SyllableStartUpper:
    case C::SyllableStartLower:
    case C::AdaptText:
    case C::JoinSyllables:
    case C::LoadSyllables:
        return true;
    default:
        return false;
    }
}

void EditorController::focusEditor() {
    if (QMdiArea* area = m_child.mdiArea()) area->setActiveSubWindow(&m_child);
    m_panel->setFocus(Qt::OtherFocusReason);
}

bool EditorController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_child.client()) {
        if (event->type() == QEvent::Resize) {
            placeChildren();
        } else if (event->type() == QEvent::Wheel) {
            // The wheel over the text scrolls it as the scroll bar does.
            QCoreApplication::sendEvent(m_scrollBar, event);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void EditorController::placeChildren() {
    const QSize size = m_child.client()->size();
    // The rows and the scroll range first: the panel's resize redraws from them.
    m_doc.editor().setPanelHeight(size.height());
    showScrollRange();
    m_panel->setGeometry(0, 0, std::max(size.width() - kPanelWidthMargin, 0), size.height());
    m_scrollBar->setGeometry(size.width() - kScrollBarWidth, 1, kScrollBarWidth,
                             std::max(size.height() - 1, 0));
    m_scrollBar->raise();
    m_panel->redraw();
}

void EditorController::showScrollRange() {
    const LyricsEditor& editor = m_doc.editor();
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setRange(0, editor.scrollMaximum());
    m_scrollBar->setPageStep(std::max(editor.visibleRows(), 1));
    m_scrollBar->setValue(editor.firstVisibleLine());
}

void EditorController::scrolled(int firstLine) {
    LyricsEditor& editor = m_doc.editor();
    if (firstLine == editor.firstVisibleLine()) return;
    editor.setFirstVisibleLine(firstLine);
    m_panel->setMarksScrolled(true);
    m_panel->redraw();
}

void EditorController::onDocumentChange(const DocumentChange& change) {
    switch (change.kind) {
    case DocumentChangeKind::FileOpened:
        m_panel->setMarksScrolled(false);
        break;
    case DocumentChangeKind::Lyrics:
        if (change.lyrics.cursorLine) m_panel->setMarksScrolled(false);
        break;
    case DocumentChangeKind::Tempo:
    case DocumentChangeKind::Signatures:
        // The gutter's measure.beat.tick texts follow the time map.
        break;
    default:
        return;
    }
    showScrollRange();
    m_panel->redraw();
}

} // namespace cantelo

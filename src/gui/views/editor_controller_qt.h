#pragma once

#include "core/app/command_table.h"
#include "core/document/document_change.h"

#include <QObject>

#include <cstdint>

class QScrollBar;

namespace cantelo {

class EditorDocument;
class EditorPanel;
class TMDIChild;

// Puts the karaoke text editor into its child window and keeps it showing the document: the
// panel ("EditorPanel") and its vertical scroll bar ("sBar1") fill the client area and follow its
// size, the scroll bar's range follows the line count, and every change of the lyrics, the file
// or the time map redraws the panel. The child becomes user-resizable within its limits.
// User-interface thread only; the child and the document outlive it.
class EditorController : public QObject {
    Q_OBJECT
public:
    static constexpr int kScrollBarWidth = 11;

    EditorController(TMDIChild& child, EditorDocument& doc, QObject* parent = nullptr);
    ~EditorController() override;
    EditorController(const EditorController&) = delete;
    EditorController& operator=(const EditorController&) = delete;

    EditorPanel* panel() const { return m_panel; }
    QScrollBar* scrollBar() const { return m_scrollBar; }

    // Whether a command edits the text, so that the editor keeps the keyboard focus after it.
    static bool editsText(CommandId id);
    // The keyboard goes to the editor (its child window becomes the active one).
    void focusEditor();

signals:
    // A double click in the gutter: the song position goes to the line's start tick.
    void positionRequested(std::int32_t tick);
    // A typed character has no bytes in the song's text encoding.
    void characterRefused();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void onDocumentChange(const DocumentChange& change);
    void placeChildren();
    void showScrollRange();
    void scrolled(int firstLine);

    TMDIChild& m_child;
    EditorDocument& m_doc;
    EditorPanel* m_panel = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    int m_subscription = 0;
};

} // namespace cantelo

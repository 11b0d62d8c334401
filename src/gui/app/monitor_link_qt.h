#pragma once

#include "core/document/editor_document.h"

#include <QMdiSubWindow>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <vector>

namespace cantelo {

class DocumentSignals;
class MonitorView;
class TCanteloEd1;

// Keeps the karaoke monitor on the document: the title screen at start, the song's lyrics from
// its opening, the state rebuilt when the position moves other than by playback or the lyrics
// change, and the settings' colours, background and the language's version caption.
// User-interface thread only.
class MonitorLink : public QObject {
    Q_OBJECT
public:
    // `position` gives the song position tick.
    MonitorLink(TCanteloEd1& window, EditorDocument& doc, DocumentSignals& notifier,
                std::function<double()> position, QObject* parent = nullptr);

    // The display timer's step (when the monitor follows the song).
    void follow(double tick, bool synchronising);
    MonitorView& view() { return *m_view; }

    // "Monitor Karaoke" in the tools menu: the background and colours dialog, or the open one
    // brought to the front.
    void showBackgroundDialog();
    QMdiSubWindow* backgroundDialog() const { return m_dialog; }

private:
    void onDocumentChange(const DocumentChange& change);
    void loadBackground();
    std::vector<std::filesystem::path> backgroundFolders() const;

    TCanteloEd1& m_window;
    EditorDocument& m_doc;
    std::function<double()> m_position;
    MonitorView* m_view;
    QTimer m_afterEdit;
    QPointer<QMdiSubWindow> m_dialog;
};

} // namespace cantelo

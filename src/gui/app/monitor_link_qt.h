#pragma once

#include "core/document/editor_document.h"

#include <QObject>
#include <QTimer>

#include <functional>

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

private:
    void onDocumentChange(const DocumentChange& change);
    void applySettings();

    TCanteloEd1& m_window;
    EditorDocument& m_doc;
    std::function<double()> m_position;
    MonitorView* m_view;
    QTimer m_afterEdit;
};

} // namespace cantelo

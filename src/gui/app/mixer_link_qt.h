#pragma once

#include "core/document/display_step.h"
#include "core/tools/mixer.h"
#include "gui/views/mixer_panel_qt.h"

#include <QObject>
#include <QPointer>

class QMdiSubWindow;

namespace cantelo {

class CMidiPlayer;
class DocumentSignals;
class MidiDevice;
class TCanteloEd1;
class Transport;

// The "Mixer" window: made on first use in the workspace, brought forward when opened again,
// closed with the main window. The mixer itself lives as long as the editor (its mute and solo
// buttons survive the window); the window redraws when the document reports a controller change
// or another song and when the display timer has sent channel values again, and its meters are
// fed the notes the display timer saw. User-interface thread only.
class MixerLink : public QObject {
    Q_OBJECT
public:
    MixerLink(TCanteloEd1& window, EditorDocument& doc, DocumentSignals& notifier,
              MidiDevice& output, CMidiPlayer& player, Transport& transport,
              QObject* parent = nullptr);
    ~MixerLink() override;

    void open();
    // What one run of the display timer owes the mixer.
    void showDisplay(const DisplayUpdate& update);

    Mixer& mixer() { return m_mixer; }
    QMdiSubWindow* window() const { return m_frame; }
    MixerPanel* panel() const { return m_panel; }

private:
    void onDocumentChange(const DocumentChange& change);
    void applyLanguage();
    void redraw();

    TCanteloEd1& m_window;
    Transport& m_transport;
    Mixer m_mixer;
    QPointer<QMdiSubWindow> m_frame;
    QPointer<MixerPanel> m_panel;
};

} // namespace cantelo

#include "gui/app/mixer_link_qt.h"

#include "core/document/transport.h"
#include "core/playback/midi_player.h"
#include "gui/app/document_signals_qt.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/mixer_panel_qt.h"
#include "gui/views/vu_meter_qt.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace cantelo {

MixerLink::MixerLink(TCanteloEd1& window, EditorDocument& doc, DocumentSignals& notifier,
                     MidiDevice& output, CMidiPlayer& player, Transport& transport, QObject* parent)
    : QObject(parent), m_window(window), m_transport(transport),
      m_mixer(doc, output, [&player] { return player.tick(); }) {
    connect(&notifier, &DocumentSignals::changed, this, &MixerLink::onDocumentChange);
    connect(&window.language(), &LanguageMenu::applied, this, &MixerLink::applyLanguage);
}

// The panel draws the mixer held here: the window must not outlive it.
MixerLink::~MixerLink() {
    m_transport.setMixerOpen(false);
    delete m_frame.data();
}

void MixerLink::open() {
    if (m_frame) {
        m_frame->showNormal();
        m_frame->raise();
        m_window.workspace()->setActiveSubWindow(m_frame);
        return;
    }
    m_panel = new MixerPanel(m_mixer);
    m_frame = m_window.addToolWindow(m_panel, {});
    connect(m_frame, &QObject::destroyed, this, [this] { m_transport.setMixerOpen(false); });
    m_transport.setMixerOpen(true);
    applyLanguage();
}

void MixerLink::showDisplay(const DisplayUpdate& u) {
    MixerPanel* panel = m_panel.data();
    VuMeterWidget* meter = panel ? panel->meter() : nullptr;
    if (!meter) return;
    for (int c = 0; c < kChannels; ++c)
        if (const auto level = u.meterLevels[static_cast<std::size_t>(c)])
            meter->SetValue(*level, c);
    if (u.toolWindowsRefresh || !u.chased.none()) panel->update();
}

void MixerLink::onDocumentChange(const DocumentChange& change) {
    switch (change.kind) {
    case DocumentChangeKind::FileOpened:
        m_mixer.songOpened();
        redraw();
        break;
    case DocumentChangeKind::Controllers:
        // An undo, or another tool: what the knobs show and the output plays follows the song.
        if (!m_mixer.applying()) m_mixer.followSong();
        redraw();
        break;
    default:
        break;
    }
}

void MixerLink::redraw() {
    if (m_panel) m_panel->update();
}

void MixerLink::applyLanguage() {
    const LanguageMenu& lang = m_window.language();
    if (m_frame) m_frame->setWindowTitle(lang.text(TextId::mnuMixer).remove(QLatin1Char('&')));
    if (m_panel)
        m_panel->setCaptions(
            {lang.text(ExtraTextId::MixerChorus), lang.text(ExtraTextId::MixerReverb),
             lang.text(ExtraTextId::MixerPan), lang.text(ExtraTextId::MixerVolume),
             lang.text(ExtraTextId::MixerMute), lang.text(ExtraTextId::MixerSolo)});
}

} // namespace cantelo

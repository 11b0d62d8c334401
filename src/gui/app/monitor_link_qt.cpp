#include "gui/app/monitor_link_qt.h"

#include "gui/app/data_folders_qt.h"
#include "gui/app/document_signals_qt.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/monitor_view_qt.h"

namespace cantelo {

namespace {
// Edits come in bursts (a held key): the monitor catches up once they pause.
constexpr int kAfterEditMs = 20;
} // namespace

MonitorLink::MonitorLink(TCanteloEd1& window, EditorDocument& doc, DocumentSignals& notifier,
                         std::function<double()> position, QObject* parent)
    : QObject(parent), m_window(window), m_doc(doc), m_position(std::move(position)),
      m_view(new MonitorView(*window.monitorChild(), doc.lyrics())) {
    m_afterEdit.setSingleShot(true);
    m_afterEdit.setInterval(kAfterEditMs);
    connect(&m_afterEdit, &QTimer::timeout, this, [this] { m_view->relocate(m_position()); });
    connect(&notifier, &DocumentSignals::changed, this, &MonitorLink::onDocumentChange);
    connect(&window.language(), &LanguageMenu::applied, this, [this] {
        m_view->monitor().setVersionCaption(m_window.language().texts()[TextId::VersionCaption]);
    });

    applySettings();
    m_view->monitor().setVersionCaption(m_window.language().texts()[TextId::VersionCaption]);
    m_view->monitor().drawTitleScreen();
    m_view->flush();
    m_view->monitor().setShowLyrics(true);
}

void MonitorLink::applySettings() {
    const Configuration& s = m_window.settings();
    std::vector<std::filesystem::path> folders;
    for (const std::filesystem::path& folder : dataFolders())
        folders.push_back(folder / "BackGround");
    m_view->loadBackground(folders, s.backgroundName);
    m_view->monitor().setColours(s.textColour, s.syllableColour);
}

void MonitorLink::follow(double tick, bool synchronising) {
    m_view->follow(tick, synchronising);
}

void MonitorLink::onDocumentChange(const DocumentChange& change) {
    switch (change.kind) {
    case DocumentChangeKind::FileOpened:
        m_view->monitor().setHasLyricTrack(m_doc.lyrics().lyricTrack() >= 0);
        m_view->monitor().setShowLyrics(true);
        m_view->relocate(0); // an opened song starts at its beginning
        break;
    case DocumentChangeKind::Position:
        m_view->relocate(m_position());
        break;
    case DocumentChangeKind::Lyrics:
        if (change.lyrics.monitor) m_afterEdit.start();
        break;
    default:
        break;
    }
}

} // namespace cantelo

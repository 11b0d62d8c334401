#include "gui/app/monitor_link_qt.h"

#include "gui/app/data_folders_qt.h"
#include "gui/app/document_signals_qt.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/background_dialog_qt.h"
#include "gui/views/monitor_view_qt.h"

#include <QMdiArea>
#include <QMdiSubWindow>

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

    loadBackground();
    m_view->monitor().setColours(window.settings().textColour, window.settings().syllableColour);
    m_view->monitor().setVersionCaption(m_window.language().texts()[TextId::VersionCaption]);
    m_view->monitor().drawTitleScreen();
    m_view->flush();
    m_view->monitor().setShowLyrics(true);
}

std::vector<std::filesystem::path> MonitorLink::backgroundFolders() const {
    std::vector<std::filesystem::path> folders;
    for (const std::filesystem::path& folder : dataFolders())
        folders.push_back(folder / "BackGround");
    return folders;
}

void MonitorLink::loadBackground() {
    Configuration& s = m_window.settings();
    // A picture that cannot be read is no background, and the settings say so.
    if (!m_view->loadBackground(backgroundFolders(), s.backgroundName)) s.backgroundName.clear();
}

void MonitorLink::showBackgroundDialog() {
    if (m_dialog) {
        m_dialog->raise();
        m_window.workspace()->setActiveSubWindow(m_dialog);
        return;
    }
    const LanguageMenu& lang = m_window.language();
    const LanguageTexts& texts = lang.texts();
    const BackgroundDialogTexts dialogTexts{
        lang.text(TextId::NoBackground),          lang.text(TextId::TextColourCaption),
        lang.text(TextId::SyllableColourCaption), lang.text(TextId::BackgroundListHint),
        lang.text(TextId::ApplySwatchHint),       lang.text(TextId::RestoreSwatchHint),
        texts[ExtraTextId::PreviewLine1],         texts[ExtraTextId::PreviewLine2]};
    Configuration& s = m_window.settings();
    auto* dialog = new BackgroundDialog(backgroundFolders(), s.backgroundName, s.textColour,
                                        s.syllableColour, dialogTexts);
    connect(dialog, &BackgroundDialog::previewed, this,
            [this](std::uint32_t text, std::uint32_t sung) { m_view->setColours(text, sung); });
    connect(dialog, &BackgroundDialog::backgroundChosen, this, [this](const std::string& name) {
        Configuration& settings = m_window.settings();
        settings.backgroundName = name;
        loadBackground();
        m_view->redraw();
    });
    // Only the applied colours stay, on the monitor and in the settings.
    connect(dialog, &BackgroundDialog::closing, this,
            [this](std::uint32_t text, std::uint32_t sung) {
                Configuration& settings = m_window.settings();
                settings.textColour = text;
                settings.syllableColour = sung;
                m_view->setColours(text, sung);
            });
    m_dialog = m_window.addToolWindow(dialog, lang.text(TextId::BackgroundTitle));
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

#include "gui/views/midi_overview_window_qt.h"

#include "core/tools/song_tools.h"
#include "gui/views/midi_overview_qt.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace cantelo {

namespace {

constexpr int kStripsWidth = kOverviewWidth - kOverviewStripLeft;
constexpr int kVolumeController = 7;

} // namespace

MidiOverview::MidiOverview(EditorDocument& doc, QMenu* velocityMenu, OverviewHooks hooks,
                           std::function<int()> selected, std::function<void(int)> selectChannel,
                           QObject* parent)
    : QObject(parent), m_doc(doc), m_velocityMenu(velocityMenu), m_hooks(std::move(hooks)),
      m_selected(std::move(selected)), m_selectChannel(std::move(selectChannel)) {}

// The window belongs to the workspace; it goes here so that it never outlives the document.
MidiOverview::~MidiOverview() {
    delete m_frame.data();
}

MidiOverviewPanel* MidiOverview::panel() const {
    return m_panel;
}

void MidiOverview::open() {
    if (m_frame) {
        m_frame->showNormal();
        m_frame->raise();
        if (QMdiArea* area = m_frame->mdiArea()) area->setActiveSubWindow(m_frame);
        return;
    }
    auto* panel = new MidiOverviewPanel(m_velocityMenu);
    m_panel = panel;
    connect(panel, &MidiOverviewPanel::rulerClicked, this, &MidiOverview::onRulerClick);
    connect(panel, &MidiOverviewPanel::rowDoubleClicked, this, &MidiOverview::onRowDoubleClick);
    connect(panel->rowScroll(), &QScrollBar::valueChanged, this, &MidiOverview::redraw);
    connect(panel->timeScroll(), &QScrollBar::valueChanged, this, &MidiOverview::redraw);
    VolumeSpinner* spinner = panel->spinner();
    connect(spinner, &VolumeSpinner::stepped, this, &MidiOverview::stepVolume);
    // A held arrow is one undo step, however many times it repeats.
    connect(spinner, &VolumeSpinner::held, this, [this] {
        m_doc.beginSongGesture(DocumentChangeKind::Controllers, SongScope::controls(m_selected()));
    });
    connect(spinner, &VolumeSpinner::let, this, [this] {
        if (m_doc.inSongGesture()) m_hooks.run([this] { return m_doc.endSongGesture(); });
    });
    m_notesCurrent = false;
    updateTimeRange();
    bringPositionIntoView(m_hooks.position());
    const auto texts = m_hooks.texts();
    panel->setCaptions({texts[1], texts[2], texts[3], texts[4]});
    redraw();
    m_frame = m_hooks.addWindow(panel, texts[0]);
}

OverviewView MidiOverview::view() const {
    OverviewView v;
    v.selected = m_selected();
    v.tick = m_hooks.position();
    if (const MidiOverviewPanel* panel = m_panel) {
        v.firstRow = panel->rowScroll()->value();
        v.mapping = OverviewMapping(m_zoom, panel->timeScroll()->value(), m_doc.song().division());
    }
    return v;
}

void MidiOverview::redraw() {
    MidiOverviewPanel* panel = m_panel;
    if (!panel) return;
    if (!m_notesCurrent) {
        m_notes.rebuild(m_doc.song());
        m_notesCurrent = true;
    }
    m_layout.build(m_doc.song(), m_notes, view());
    panel->paintLayout(m_layout);
    panel->setLineX(m_layout.view().mapping.lineX(m_layout.view().tick));
}

void MidiOverview::follow(std::int32_t tick, bool refresh) {
    MidiOverviewPanel* panel = m_panel;
    if (!panel) return;
    if (refresh) {
        redraw();
        return;
    }
    panel->setLineX(view().mapping.lineX(tick));
}

void MidiOverview::updateTimeRange() {
    const MidiOverviewPanel* panel = m_panel;
    if (!panel) return;
    const CMidiSong& song = m_doc.song();
    const std::int64_t pixels =
        std::int64_t{std::max(song.songLength, 0)} * m_zoom / std::max(song.division(), 1);
    QScrollBar* bar = panel->timeScroll();
    const QSignalBlocker quiet(bar);
    bar->setRange(0, static_cast<int>(std::clamp<std::int64_t>(pixels - kStripsWidth, 0, 1 << 30)));
    bar->setSingleStep(m_zoom);
    bar->setPageStep(kStripsWidth);
}

void MidiOverview::bringPositionIntoView(std::int32_t tick) {
    const MidiOverviewPanel* panel = m_panel;
    if (!panel) return;
    const int x = view().mapping.xFromTick(tick);
    if (x >= kOverviewStripLeft && x < kOverviewWidth) return;
    QScrollBar* bar = panel->timeScroll();
    const QSignalBlocker quiet(bar);
    bar->setValue(static_cast<int>(std::int64_t{std::max(tick, 0)} * m_zoom /
                                   std::max(m_doc.song().division(), 1)));
}

void MidiOverview::onDocumentChange(DocumentChangeKind kind) {
    switch (kind) {
    case DocumentChangeKind::FileOpened:
        m_notesCurrent = false;
        if (const MidiOverviewPanel* panel = m_panel) {
            const QSignalBlocker quiet(panel->timeScroll());
            panel->timeScroll()->setValue(0);
        }
        updateTimeRange();
        redraw();
        // The session puts the player at the start after every window has heard of the song.
        QTimer::singleShot(0, this, &MidiOverview::redraw);
        break;
    case DocumentChangeKind::Velocities:
    case DocumentChangeKind::MelodyNotes:
        m_notesCurrent = false;
        redraw();
        break;
    case DocumentChangeKind::Position:
        bringPositionIntoView(m_hooks.position());
        redraw();
        break;
    case DocumentChangeKind::Programs:
    case DocumentChangeKind::Controllers:
    case DocumentChangeKind::Signatures:
        redraw();
        break;
    default:
        break;
    }
}

void MidiOverview::applyLanguage() {
    MidiOverviewPanel* panel = m_panel;
    if (!panel) return;
    const auto texts = m_hooks.texts();
    panel->setCaptions({texts[1], texts[2], texts[3], texts[4]});
    if (m_frame) m_frame->setWindowTitle(texts[0]);
    redraw();
}

void MidiOverview::stepVolume(int delta) {
    const int ch = m_selected();
    const std::int32_t now = std::max(m_doc.song().displayValue(ch, DisplayController::Volume), 0);
    const std::int32_t value = std::clamp(now + delta, 0, 127);
    if (value == now) return;
    const std::int32_t tick = m_hooks.position();
    m_hooks.run([&] { return setChannelController(m_doc, ch, tick, value, kVolumeController); });
    m_hooks.sendVolume(ch, value);
}

void MidiOverview::onRulerClick(int x, int y) {
    if (const auto tick = overviewRulerTick(view(), x, y)) m_hooks.locate(*tick);
}

void MidiOverview::onRowDoubleClick(int x, int y) {
    const auto ch = overviewRowAt(view(), y);
    if (!ch) return;
    m_selectChannel(*ch);
    if (x < kOverviewPatchColumn) m_hooks.openPatch();
}

void MidiOverview::scaleVelocities(int percent) {
    const bool wasPlaying = m_hooks.pausePlayback();
    m_hooks.run([&] { return cantelo::scaleVelocities(m_doc, m_selected(), percent); });
    if (wasPlaying) m_hooks.resumePlayback();
}

} // namespace cantelo

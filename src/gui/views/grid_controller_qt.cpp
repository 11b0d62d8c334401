#include "gui/views/grid_controller_qt.h"

#include "core/playback/midi_device.h"
#include "core/playback/midi_player.h"
#include "core/timing/time_map.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/grid_panel_qt.h"
#include "gui/views/readout_label.h"

#include <QEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>

#include <utility>

namespace cantelo {

namespace {

constexpr int kNoteOffMs = 200;
// "Posizione Sillaba" is grey while the sound bar is on.
constexpr std::uint32_t kSyllableLabelColour = 0x000080;
constexpr std::uint32_t kSyllableLabelSoundBarColour = 0x808080;
// The panel and its bar leave these margins to the client's width.
constexpr int kPanelMargin = 8;
constexpr int kBarMargin = 7;

GridButton gridButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return GridButton::Left;
    case Qt::RightButton:
        return GridButton::Right;
    default:
        return GridButton::Other;
    }
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

} // namespace

GridController::GridController(const GridControls& controls, EditorDocument& doc,
                               Transport& transport, CMidiPlayer& player, MidiDevice& device,
                               GridHooks hooks, QObject* parent)
    : QObject(parent), m_doc(doc), m_transport(transport), m_player(player), m_device(device),
      m_controls(controls), m_hooks(std::move(hooks)), m_host(controls.host) {
    QWidget* host = m_controls.host;
    m_panel = new GridPanel(host);
    m_bar = new QScrollBar(Qt::Horizontal, host);
    m_bar->setObjectName(QStringLiteral("ScrollBar1"));
    m_panel->show();
    m_bar->show();
    host->installEventFilter(this);

    m_noteOff.setObjectName(QStringLiteral("TimerNoteOff"));
    m_noteOff.setSingleShot(true);
    m_noteOff.setInterval(kNoteOffMs);
    connect(&m_noteOff, &QTimer::timeout, this, [this] { apply(m_mouse.noteOffTimer()); });

    GridPanel* p = m_panel;
    connect(p, &GridPanel::mouseMoved, this,
            [this](int x, int y) { apply(m_mouse.move(x, y, context())); });
    connect(p, &GridPanel::mousePressed, this, [this](int x, int y, Qt::MouseButton b) {
        apply(m_mouse.press(x, y, gridButton(b), context()));
    });
    connect(p, &GridPanel::mouseReleased, this,
            [this](int x, Qt::MouseButton b) { apply(m_mouse.release(x, gridButton(b))); });
    connect(p, &GridPanel::mouseDoubleClicked, this, [this](int x, int y, Qt::MouseButton b) {
        apply(m_mouse.doubleClick(x, y, gridButton(b), context()));
    });
    connect(p, &GridPanel::mouseLeft, this, [this] {
        if (!m_menuShowing) apply(m_mouse.leave());
    });
    connect(p, &GridPanel::contextMenuAsked, this, &GridController::showContextMenu);
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
        m_scroll.position = value;
        redraw();
    });

    m_listener = m_doc.subscribe([this](const DocumentChange& c) { onDocumentChange(c); });
    const SongDocument& song = m_doc.songDocument();
    applyScroll(scrollForSong(song.song.songLength, song.song.division()));
    fitToHost();
}

GridController::~GridController() {
    m_doc.unsubscribe(m_listener);
    if (QWidget* host = m_host) {
        host->removeEventFilter(this);
        delete m_panel;
        delete m_bar;
    }
}

GridMouseContext GridController::context() const {
    const TransportState state = m_transport.state();
    return {state != TransportState::Idle, state == TransportState::Synchronising,
            m_doc.keepBound(), m_doc.manualPositioning()};
}

// ---- Drawing ---------------------------------------------------------------------------------

void GridController::buildLayout() {
    SongDocument& d = m_doc.songDocument();
    const GridScene scene{&d.song, d.lyrics.lyricTrack() >= 0 ? &d.lyrics.lyrics() : nullptr,
                          &d.melodyNotes};
    const GridMapping mapping(m_scroll.zoom, m_scroll.position, d.song.division());
    m_panel->setTextEncoding(m_doc.lyrics().textEncoding());
    m_layout.build(scene, mapping, m_panel->width(), m_panel->gridFont());
}

void GridController::redraw() {
    if (m_applying) {
        m_redrawPending = true;
        return;
    }
    buildLayout();
    m_panel->paintGrid(m_layout, false);
    placeCursor();
    apply(m_mouse.redrawn());
}

void GridController::preview(int x) {
    buildLayout();
    m_panel->paintGrid(m_layout, true);
    const std::vector<PreviewItem> items =
        manualPositionPreview(m_doc.songDocument(), m_mouse.drag(), x, m_scroll.zoom);
    m_panel->paintPreview(layoutPreview(items, m_layout.mapping(), m_layout.width(),
                                        m_mouse.dragRow(), m_panel->gridFont()));
    placeCursor();
}

void GridController::placeCursor() {
    m_panel->setCursorX(m_layout.mapping().cursorX(m_player.tick()));
}

void GridController::fitToHost() {
    const int width = m_controls.host->width();
    m_panel->setGeometry(kGridLeft, kGridTop, width - kPanelMargin, kGridHeight);
    m_bar->setGeometry(kGridLeft, kGridTop + kGridHeight, width - kBarMargin,
                       m_bar->sizeHint().height());
    redraw();
}

bool GridController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_controls.host && event->type() == QEvent::Resize) fitToHost();
    return QObject::eventFilter(watched, event);
}

// ---- Scroll and zoom -------------------------------------------------------------------------

void GridController::applyScroll(const GridScroll& scroll) {
    m_scroll = scroll;
    {
        // One redraw for the whole change, not one per property of the bar.
        const QSignalBlocker quiet(m_bar);
        m_bar->setRange(0, scroll.maximum);
        m_bar->setSingleStep(scroll.step());
        m_bar->setPageStep(scroll.step());
        m_bar->setValue(scroll.position);
    }
    m_scroll.position = m_bar->value();
    redraw();
}

void GridController::zoomIn() {
    const std::int32_t position = m_player.tick();
    const std::int32_t division = m_doc.song().division();
    const int cursor = GridMapping(m_scroll.zoom, m_scroll.position, division).cursorX(position);
    const GridScroll next = zoomedIn(m_scroll, cursor, position, division, m_panel->width());
    if (next != m_scroll) applyScroll(next);
}

void GridController::zoomOut() {
    const int cursor = GridMapping(m_scroll.zoom, m_scroll.position, m_doc.song().division())
                           .cursorX(m_player.tick());
    const GridScroll next = zoomedOut(m_scroll, cursor);
    if (next != m_scroll) applyScroll(next);
}

void GridController::showPosition(std::int32_t tick, bool playing) {
    if (playing) {
        const int x = m_layout.mapping().cursorX(tick);
        if (const auto next = pageForPlayback(m_scroll, x, m_panel->width())) {
            m_bar->setValue(*next); // redraws and places the cursor
            return;
        }
    }
    placeCursor();
}

// ---- Commands --------------------------------------------------------------------------------

void GridController::setSoundBar(bool on) {
    apply(m_mouse.setSoundBar(on));
    if (m_controls.syllableLabel)
        m_controls.syllableLabel->setTextColour(
            colourFromBgr(on ? kSyllableLabelSoundBarColour : kSyllableLabelColour));
}

void GridController::bindToNote() {
    apply(m_mouse.bindToNote());
}

void GridController::deleteNote() {
    apply(m_mouse.deleteNote());
}

void GridController::showContextMenu(const QPoint& globalPos) {
    const GridPopup popup = m_mouse.popup();
    QMenu* menu = popup == GridPopup::Syllable ? m_controls.syllableMenu
                  : popup == GridPopup::Note   ? m_controls.noteMenu
                                               : nullptr;
    if (!menu) return;
    const QPointer<GridController> alive(this);
    m_menuShowing = true;
    menu->exec(globalPos);
    if (alive) m_menuShowing = false;
}

void GridController::onDocumentChange(const DocumentChange& change) {
    switch (change.kind) {
    case DocumentChangeKind::FileOpened: {
        const CMidiSong& song = m_doc.song();
        applyScroll(scrollForSong(song.songLength, song.division()));
        break;
    }
    case DocumentChangeKind::Lyrics:
        if (!change.lyrics.grid) break;
        // An edit from elsewhere (an undo key) under a drag: the dragged item may be gone.
        if (m_mouse.dragging() && !m_applying)
            apply(m_mouse.cancelDrag());
        else
            redraw();
        break;
    case DocumentChangeKind::MelodyNotes:
    case DocumentChangeKind::Signatures:
        redraw();
        break;
    case DocumentChangeKind::Position:
        placeCursor();
        break;
    default:
        break;
    }
}

void GridController::run(const GridCommand& command) {
    const auto runDocument = [this](const std::function<Result()>& f) {
        if (m_hooks.run)
            m_hooks.run(f);
        else
            f();
    };
    std::visit(Overloaded{
                   [](std::monostate) {},
                   [this](const MoveCursorTo& c) { m_doc.editor().moveCursorToItem(c.item); },
                   [&](const AttachItem& c) {
                       runDocument([&] { return m_doc.attachToNote(c.item, c.noteTick); });
                   },
                   [&](const DropItem& c) {
                       runDocument([&] { return m_doc.dropDrag(c.drag, c.x, m_scroll.zoom); });
                   },
                   [&](const SplitOrJoinItem& c) {
                       const TextWidth width = m_panel->gridFont().width;
                       runDocument([&] { return m_doc.splitOrJoin(c.item, c.grabOffset, width); });
                   },
                   [&](const DeleteMelodyNote& c) {
                       runDocument([&] { return m_doc.deleteMelodyNote(c.index); });
                   },
                   [this](const SeekTo& c) {
                       const TransportMove moved = m_transport.seek(c.tick);
                       if (m_hooks.positionMoved)
                           m_hooks.positionMoved(moved);
                       else if (moved.moved)
                           m_doc.positionMoved();
                   },
               },
               command);
}

void GridController::apply(const GridReaction& r) {
    m_applying = true;
    run(r.command);
    m_applying = false;
    const bool pending = std::exchange(m_redrawPending, false);
    if (r.previewAt)
        preview(*r.previewAt);
    else if (r.redraw || pending)
        redraw();

    for (const BoxPaint& paint : r.paints) m_panel->paintBox(paint);
    if (r.stopNote) m_device.AuditionNoteOff();
    if (r.playKey) m_device.AuditionNoteOn(m_doc.melodyChannel(), *r.playKey);
    if (r.startNoteOffTimer) m_noteOff.start();
    const CMidiSong& song = m_doc.song();
    if (r.noteLabel && m_controls.noteLabel)
        m_controls.noteLabel->setText(
            QString::fromStdString(song.timeMap().positionText(*r.noteLabel)));
    if (r.syllableLabel && m_controls.syllableLabel)
        m_controls.syllableLabel->setText(
            QString::fromStdString(song.timeMap().positionText(*r.syllableLabel)));
    if (r.alignX)
        m_panel->setAlignX(r.alignX);
    else if (r.hideAlign)
        m_panel->setAlignX(std::nullopt);
    if (r.floating)
        m_panel->setFloatingBox(r.floating);
    else if (r.hideFloating)
        m_panel->setFloatingBox(std::nullopt);
}

} // namespace cantelo

#pragma once

#include "core/app/command_table.h"
#include "core/document/editor_document.h"
#include "core/files/result.h"
#include "core/view/midi_overview.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>

class QMdiSubWindow;
class QMenu;

namespace cantelo {

class MidiOverviewPanel;

// The velocity menu's commands and their percentages.
inline constexpr std::array<std::pair<CommandId, int>, 8> kVelocitySteps{{
    {CommandId::VelocityUp1, 1},
    {CommandId::VelocityUp5, 5},
    {CommandId::VelocityUp10, 10},
    {CommandId::VelocityUp50, 50},
    {CommandId::VelocityDown1, -1},
    {CommandId::VelocityDown5, -5},
    {CommandId::VelocityDown10, -10},
    {CommandId::VelocityDown50, -50},
}};

// What the overview asks of the rest of the editor.
struct OverviewHooks {
    std::function<std::int32_t()> position;   // the player's tick
    std::function<void(std::int32_t)> locate; // move the song there (playing goes on)
    std::function<void(int, int)> sendVolume; // channel, value: controller 7 at once
    std::function<bool()> pausePlayback;      // stops the player; whether it played
    std::function<void()> resumePlayback;     // plays again from the position
    std::function<void(const std::function<Result()>&)> run; // a document command
    std::function<void()> openPatch;                         // the patch tool
    std::function<QMdiSubWindow*(QWidget*, const QString&)> addWindow;
    std::function<std::array<QString, 5>()> texts; // title, then the four column captions
};

// The "Parametri Midi" window: made on first use, redrawn from the document's changes and by
// the display timer, and the place where its mouse and menu turn into song edits (the selected
// channel's volume, its velocities) and moves of the song position. The selected channel lives
// with the caller, which is told of a change through `selectChannel`. User-interface thread only.
class MidiOverview : public QObject {
    Q_OBJECT
public:
    MidiOverview(EditorDocument& doc, QMenu* velocityMenu, OverviewHooks hooks,
                 std::function<int()> selected, std::function<void(int)> selectChannel,
                 QObject* parent = nullptr);
    ~MidiOverview() override;

    // Builds the window (or brings it forward) and draws it.
    void open();
    QMdiSubWindow* window() const { return m_frame; }
    MidiOverviewPanel* panel() const;
    const OverviewLayout& layout() const { return m_layout; }

    // Left column and strips at the player's position.
    void redraw();
    // The position line follows `tick`; with `refresh` the whole overview is drawn again.
    void follow(std::int32_t tick, bool refresh);
    void onDocumentChange(DocumentChangeKind kind);
    void applyLanguage();

    // A velocity step on the selected channel, one undo step; playback stops around it so that
    // what plays next has the new velocities.
    void scaleVelocities(int percent);

private:
    void stepVolume(int delta);
    void onRulerClick(int x, int y);
    void onRowDoubleClick(int x, int y);
    OverviewView view() const;
    void updateTimeRange();
    // After a move of the song position: scrolled so that the position line shows.
    void bringPositionIntoView(std::int32_t tick);

    EditorDocument& m_doc;
    QMenu* m_velocityMenu;
    OverviewHooks m_hooks;
    std::function<int()> m_selected;
    std::function<void(int)> m_selectChannel;
    QPointer<QMdiSubWindow> m_frame;
    QPointer<MidiOverviewPanel> m_panel;
    OverviewNotes m_notes;
    bool m_notesCurrent = false;
    OverviewLayout m_layout;
    int m_zoom = kOverviewStartZoom;
};

} // namespace cantelo

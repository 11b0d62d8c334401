#pragma once

#include "core/document/binding.h"
#include "core/view/grid_layout.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace cantelo {

// The grid's context menu, switched by what the mouse is over.
enum class GridPopup {
    None,
    Syllable, // "pMnu1": "Aggancia alla Nota"
    Note,     // "pMnu2": "Elimina Nota"
};

enum class GridButton { Left, Right, Other };

// How a single box is repainted in the back buffer, without a full redraw.
enum class BoxLook {
    Normal,    // a syllable or break as the redraw drew it
    Selected,  // pressed or dragged
    Picked,    // waiting to be attached to a note
    NoteHover, // the note under the mouse
    NoteNormal,
};

struct BoxPaint {
    BoxLook look = BoxLook::Normal;
    GridBox box;
};

// The document and transport commands the mouse gives; the widget's owner carries them out.
struct MoveCursorTo {
    int item = 0;
};
struct AttachItem {
    int item = 0;
    double noteTick = 0;
};
struct DropItem {
    GridDrag drag;
    int x = 0;
};
struct SplitOrJoinItem {
    int item = 0;
    int grabOffset = 0;
};
struct SeekTo {
    std::int32_t tick = 0;
};
struct DeleteMelodyNote {
    int index = 0;
};
using GridCommand = std::variant<std::monostate, MoveCursorTo, AttachItem, DropItem,
                                 SplitOrJoinItem, SeekTo, DeleteMelodyNote>;

// What the widget must do after one mouse event. The owner applies it in this order: the
// command (whose change notifications may redraw the grid), the full redraw or the drag
// preview, then the box paints, the sound, the labels, the pop-up and the overlays.
struct GridReaction {
    GridCommand command;
    bool redraw = false;          // a full redraw in the normal look
    std::optional<int> previewAt; // whole-text drag: the grid in the selected look and the
                                  // preview of the text shifted for the mouse at this x
    std::vector<BoxPaint> paints;
    bool stopNote = false;                 // end the auditioned note (before playKey)
    std::optional<int> playKey;            // sound this key on the melody channel at velocity 127
    bool startNoteOffTimer = false;        // the 200 ms timer that ends it
    std::optional<std::int32_t> noteLabel; // "Posizione Nota" shows this tick
    std::optional<std::int32_t> syllableLabel; // "Posizione Sillaba" shows this tick
    std::optional<GridPopup> popup;            // the context menu changes
    std::optional<int> alignX;                 // the alignment line goes to this x
    bool hideAlign = false;
    std::optional<GridBox> floating; // the dragged box's copy, at this place
    bool hideFloating = false;

    bool empty() const;
};

// The state the mouse handlers read from outside the grid.
struct GridMouseContext {
    bool playing = false;
    bool synchronising = false;     // key-tap synchronisation: the grid ignores the mouse
    bool keepBound = false;         // "Mantieni Agganciate Sillabe - Note": no drags
    bool manualPositioning = false; // "Posizionamento Manuale": drags move the rest of the text
};

// The mouse on the event grid: hover with the position labels, the pop-up switch and the note
// audition, the sound bar, attaching a syllable to a note, dragging one syllable or the whole
// text, moving the song position, and splitting or joining by double click. It reads the hit
// lists of the layout's last build and decides; it changes nothing itself. GUI thread only; the
// layout must outlive it.
class GridMouse {
public:
    explicit GridMouse(const GridLayout& layout);

    GridReaction move(int x, int y, const GridMouseContext& context);
    GridReaction press(int x, int y, GridButton button, const GridMouseContext& context);
    GridReaction release(int x, GridButton button);
    // Replaces the second press of a double click.
    GridReaction doubleClick(int x, int y, GridButton button, const GridMouseContext& context);
    // The mouse left the grid (not for the grid's own pop-up).
    GridReaction leave();
    // The 200 ms timer after a hovered note sounded.
    GridReaction noteOffTimer();

    // "Aggancia alla Nota": the hovered syllable waits for the next note the mouse enters.
    GridReaction bindToNote();
    // "Elimina Nota": the hovered note leaves the melody.
    GridReaction deleteNote();
    // "Attiva/Disattiva la barra sonora".
    GridReaction setSoundBar(bool on);

    // A full redraw rebuilt the hit lists: a pending attach ends, and a hovered box stays
    // hovered only if it is still under the mouse (a note keeps its highlight; one that the
    // sound bar sounds and that moved away is stopped). A drag goes on.
    GridReaction redrawn();
    // The lyric list changed under a drag: the drag ends without moving anything.
    GridReaction cancelDrag();

    bool soundBar() const { return m_soundBar; }
    bool attaching() const { return m_attach.has_value(); }
    bool dragging() const { return m_drag.has_value(); }
    // The drag under way (valid while dragging()) and the row its box was drawn on.
    const GridDrag& drag() const { return m_drag->drag; }
    int dragRow() const { return m_drag->box.top; }
    GridPopup popup() const { return m_popup; }

private:
    struct Hovered {
        GridBox box;
        int index = 0; // lyric or melody index
        double tick = 0;
        int key = 0;
    };
    struct Drag {
        GridDrag drag;
        GridBox box;
    };

    static Hovered hovered(const RectItem& r);
    void hover(int x, int y, GridReaction& r);
    void leaveNote(GridReaction& r);
    void setPopup(GridPopup popup, GridReaction& r);
    void dragTo(int x, GridReaction& r) const;

    const GridLayout& m_layout;
    std::optional<Hovered> m_syllable;
    std::optional<Hovered> m_note;
    std::optional<Hovered> m_attach; // the picked syllable
    std::optional<Drag> m_drag;
    GridPopup m_popup = GridPopup::None;
    bool m_soundBar = false;
    int m_lastX = -1; // where the last move left the mouse
    int m_lastY = -1;
};

} // namespace cantelo

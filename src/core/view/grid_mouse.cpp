#include "core/view/grid_mouse.h"

namespace cantelo {

bool GridReaction::empty() const {
    return std::holds_alternative<std::monostate>(command) && !redraw && !previewAt &&
           paints.empty() && !stopNote && !playKey && !startNoteOffTimer && !noteLabel &&
           !syllableLabel && !popup && !alignX && !hideAlign && !floating && !hideFloating;
}

GridMouse::GridMouse(const GridLayout& layout) : m_layout(layout) {}

GridMouse::Hovered GridMouse::hovered(const RectItem& r) {
    const int key = r.text.empty() ? 0 : static_cast<unsigned char>(r.text[0]);
    return {{r.left, r.top, r.right, r.bottom, r.text}, r.index, r.tick, key};
}

void GridMouse::setPopup(GridPopup popup, GridReaction& r) {
    if (popup == m_popup) return;
    m_popup = popup;
    r.popup = popup;
}

void GridMouse::leaveNote(GridReaction& r) {
    if (!m_note) return;
    r.paints.push_back({BoxLook::NoteNormal, m_note->box});
    if (m_soundBar) r.stopNote = true;
    m_note.reset();
}

GridReaction GridMouse::move(int x, int y, const GridMouseContext& context) {
    GridReaction r;
    if (context.synchronising) return r;
    m_lastX = x;
    m_lastY = y;
    if (m_soundBar) r.alignX = x;
    if (m_drag) {
        dragTo(x, r);
        return r;
    }
    if (!context.playing) hover(x, y, r);
    return r;
}

void GridMouse::hover(int x, int y, GridReaction& r) {
    if (const RectItem* s = syllableAt(m_layout.syllableHits(), x, y)) {
        leaveNote(r);
        if (!m_syllable || m_syllable->index != s->index) {
            m_syllable = hovered(*s);
            r.syllableLabel = static_cast<std::int32_t>(s->tick);
        }
        setPopup(GridPopup::Syllable, r);
        return;
    }
    m_syllable.reset();
    const RectItem* n = noteAt(m_layout.noteHits(), x, y, m_soundBar);
    if (n && m_note && m_note->index == n->index) return;
    leaveNote(r);
    if (!n) {
        setPopup(GridPopup::None, r);
        return;
    }
    if (m_attach) {
        r.command = AttachItem{m_attach->index, n->tick};
        m_attach.reset();
        return;
    }
    m_note = hovered(*n);
    r.noteLabel = static_cast<std::int32_t>(n->tick);
    setPopup(GridPopup::Note, r);
    r.paints.push_back({BoxLook::NoteHover, m_note->box});
    r.playKey = m_note->key;
    // Passing over notes one after the other sounds each briefly; the sound bar holds the note
    // until the mouse leaves it.
    if (!m_soundBar) {
        r.stopNote = true;
        r.startNoteOffTimer = true;
    }
}

void GridMouse::dragTo(int x, GridReaction& r) const {
    const GridDrag& d = m_drag->drag;
    const GridMapping& m = m_layout.mapping();
    const int left = x - d.grabOffset;
    r.alignX = left;
    r.syllableLabel = dragLabelTick(d, x, m.scroll(), m.division(), m.zoom());
    if (d.wholeText) {
        r.previewAt = x;
    } else {
        GridBox box = m_drag->box;
        box.right += left - box.left;
        box.left = left;
        r.floating = box;
    }
}

GridReaction GridMouse::press(int x, int y, GridButton button, const GridMouseContext& context) {
    GridReaction r;
    // The right button opens the context menu and changes nothing else.
    if (context.synchronising || button != GridButton::Left || m_drag) return r;
    if (m_attach) {
        m_attach.reset();
        r.redraw = true;
        return r;
    }
    const RectItem* s = context.playing ? nullptr : syllableAt(m_layout.syllableHits(), x, y);
    if (s && m_soundBar) return r;
    if (!s) {
        r.command = SeekTo{m_layout.mapping().tickFromX(x)};
        return r;
    }
    r.command = MoveCursorTo{s->index};
    if (context.keepBound) return r;
    const Hovered h = hovered(*s);
    m_drag = Drag{{s->index, s->left, x - s->left, context.manualPositioning}, h.box};
    r.paints.push_back({BoxLook::Selected, h.box});
    r.alignX = s->left;
    if (context.manualPositioning)
        r.previewAt = x;
    else
        r.floating = h.box;
    return r;
}

GridReaction GridMouse::release(int x, GridButton button) {
    GridReaction r;
    if (!m_drag || button != GridButton::Left) return r;
    r.command = DropItem{m_drag->drag, x};
    m_drag.reset();
    // Redrawn even when nothing moved: the box is still drawn selected.
    r.redraw = true;
    r.hideAlign = !m_soundBar;
    r.hideFloating = true;
    return r;
}

GridReaction GridMouse::doubleClick(int x, int y, GridButton button,
                                    const GridMouseContext& context) {
    // While playing the second click moves the position like the first.
    if (context.playing) return press(x, y, button, context);
    GridReaction r;
    if (context.synchronising || button != GridButton::Left || m_drag) return r;
    const RectItem* s = syllableAt(m_layout.syllableHits(), x, y);
    if (s && !s->text.empty()) r.command = SplitOrJoinItem{s->index, x - s->left};
    return r;
}

GridReaction GridMouse::leave() {
    GridReaction r;
    if (m_drag) return r;
    leaveNote(r);
    m_syllable.reset();
    m_lastX = m_lastY = -1;
    setPopup(GridPopup::None, r);
    return r;
}

GridReaction GridMouse::noteOffTimer() {
    GridReaction r;
    // The sound bar's note lasts as long as the mouse stays on it.
    if (!m_soundBar) r.stopNote = true;
    return r;
}

GridReaction GridMouse::bindToNote() {
    GridReaction r;
    if (!m_syllable || m_drag) return r;
    m_attach = m_syllable;
    r.paints.push_back({BoxLook::Picked, m_attach->box});
    return r;
}

GridReaction GridMouse::deleteNote() {
    GridReaction r;
    if (!m_note) return r;
    r.command = DeleteMelodyNote{m_note->index};
    if (m_soundBar) r.stopNote = true;
    m_note.reset();
    setPopup(GridPopup::None, r);
    return r;
}

GridReaction GridMouse::setSoundBar(bool on) {
    GridReaction r;
    if (on == m_soundBar) return r;
    if (on) {
        m_soundBar = true;
        m_attach.reset();
        r.redraw = true;
        r.alignX = m_lastX;
    } else {
        leaveNote(r);
        m_soundBar = false;
        r.hideAlign = true;
    }
    return r;
}

GridReaction GridMouse::redrawn() {
    GridReaction r;
    m_attach.reset();
    // What still lies under the mouse stays hovered, so its pop-up is there without a move.
    const RectItem* s =
        m_syllable ? syllableAt(m_layout.syllableHits(), m_lastX, m_lastY) : nullptr;
    if (s && s->index == m_syllable->index)
        m_syllable = hovered(*s);
    else
        m_syllable.reset();
    const RectItem* n =
        m_note && !m_syllable ? noteAt(m_layout.noteHits(), m_lastX, m_lastY, m_soundBar) : nullptr;
    if (n && n->index == m_note->index) {
        m_note = hovered(*n);
        r.paints.push_back({BoxLook::NoteHover, m_note->box});
    } else {
        if (m_note && m_soundBar) r.stopNote = true;
        m_note.reset();
    }
    setPopup(m_syllable ? GridPopup::Syllable : m_note ? GridPopup::Note : GridPopup::None, r);
    return r;
}

GridReaction GridMouse::cancelDrag() {
    GridReaction r;
    if (!m_drag) return r;
    m_drag.reset();
    r.redraw = true;
    r.hideAlign = !m_soundBar;
    r.hideFloating = true;
    return r;
}

} // namespace cantelo

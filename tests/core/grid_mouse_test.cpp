#include "lyric_items.h"

#include "core/lyrics/lyrics_model.h"
#include "core/song/midi_song.h"
#include "core/view/grid_mouse.h"

#include <gtest/gtest.h>

#include <tuple>

namespace cantelo {
namespace {

const GridFont kFont{[](std::string_view s) { return 6 * static_cast<int>(s.size()); }, 13};

// At zoom 24 and scroll 0: "la" at x 48 (row 70, box 48..62 x 70..85), a break at x 96 (row 82,
// 96..104 x 82..96), "ri" at x 144 (row 94); key 72 from x 240 (240..263 x 48..51) and key 60
// from x 288 (288..311 x 60..63).
class GridMouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        song.reset();
        setItems(lyrics, "la@960,|@1920,ri@2880");
        notes.add(72, 4800, 480, 90);
        notes.add(60, 5760, 480, 90);
        redraw();
    }
    void redraw() { layout.build({&song, &lyrics, &notes}, GridMapping(24, 0, 480), 705, kFont); }

    CMidiSong song;
    TItemLyr lyrics;
    TChannelItem notes;
    GridLayout layout;
    GridMouse mouse{layout};
    GridMouseContext idle;
};

using Key = std::optional<int>;
// The note audition a reaction asks for: end the sounding note, sound a key, start the timer.
std::tuple<bool, Key, bool> audition(const GridReaction& r) {
    return {r.stopNote, r.playKey, r.startNoteOffTimer};
}

template <class T>
T commandOf(const GridReaction& r) {
    EXPECT_TRUE(std::holds_alternative<T>(r.command));
    return std::holds_alternative<T>(r.command) ? std::get<T>(r.command) : T{};
}

TEST_F(GridMouseTest, HoverShowsPositionsSwitchesThePopupAndAuditions) {
    GridReaction r = mouse.move(50, 75, idle);
    EXPECT_TRUE(r.syllableLabel == 960 && r.popup == GridPopup::Syllable && !r.playKey);
    EXPECT_TRUE(mouse.move(55, 76, idle).empty()) << "the same box changes nothing";

    r = mouse.move(250, 50, idle);
    EXPECT_TRUE(r.noteLabel == 4800 && r.popup == GridPopup::Note);
    ASSERT_EQ(r.paints.size(), 1u);
    EXPECT_EQ(std::pair(r.paints[0].look, r.paints[0].box.left),
              std::pair(BoxLook::NoteHover, 240));
    EXPECT_EQ(audition(r), std::tuple(true, Key(72), true));
    EXPECT_TRUE(mouse.noteOffTimer().stopNote);

    // Straight onto the next note: the first is repainted, the second sounds.
    r = mouse.move(290, 61, idle);
    ASSERT_EQ(r.paints.size(), 2u);
    EXPECT_EQ(std::pair(r.paints[0].look, r.paints[0].box.left),
              std::pair(BoxLook::NoteNormal, 240));
    EXPECT_EQ(r.playKey, 60);
    EXPECT_FALSE(r.popup) << "still over a note";

    r = mouse.move(400, 10, idle);
    EXPECT_TRUE(r.popup == GridPopup::None && r.paints.size() == 1u);
    EXPECT_FALSE(r.stopNote) << "outside the sound bar the timer ends the note";

    // No hover while playing or synchronising.
    EXPECT_TRUE(mouse.move(250, 50, {.playing = true}).empty());
    EXPECT_TRUE(mouse.move(250, 50, {.synchronising = true}).empty());
}

TEST_F(GridMouseTest, SoundBarSoundsTheNoteUnderTheMouseAtAnyHeight) {
    GridReaction r = mouse.setSoundBar(true);
    EXPECT_TRUE(r.redraw);
    mouse.redrawn();
    r = mouse.move(250, 120, idle);
    EXPECT_EQ(r.alignX, 250);
    EXPECT_EQ(audition(r), std::tuple(false, Key(72), false));
    EXPECT_FALSE(mouse.noteOffTimer().stopNote) << "the sound bar holds the note";
    r = mouse.move(270, 120, idle);
    EXPECT_TRUE(r.stopNote && !r.playKey);
    // A press on a syllable does nothing in this mode; one on empty grid moves the position.
    EXPECT_TRUE(mouse.press(50, 75, GridButton::Left, idle).empty());
    mouse.move(250, 120, idle);
    r = mouse.setSoundBar(false);
    EXPECT_TRUE(r.stopNote && r.hideAlign);
    ASSERT_EQ(r.paints.size(), 1u);
    EXPECT_EQ(r.paints[0].look, BoxLook::NoteNormal);
}

TEST_F(GridMouseTest, SingleSyllableDrag) {
    GridReaction r = mouse.press(52, 75, GridButton::Left, idle);
    EXPECT_EQ(commandOf<MoveCursorTo>(r).item, 0);
    ASSERT_EQ(r.paints.size(), 1u);
    EXPECT_TRUE(r.paints[0].look == BoxLook::Selected && r.alignX == 48);

    r = mouse.move(100, 20, idle);
    ASSERT_TRUE(r.floating);
    EXPECT_EQ((std::vector<int>{r.floating->left, r.floating->right, r.floating->top}),
              (std::vector<int>{96, 110, 70}))
        << "the copy keeps its row";
    EXPECT_TRUE(r.alignX == 96 && r.syllableLabel == 1920);
    EXPECT_FALSE(r.playKey) << "no hover while dragging";

    r = mouse.release(100, GridButton::Left);
    const DropItem drop = commandOf<DropItem>(r);
    EXPECT_EQ((std::vector<int>{drop.x, drop.drag.item, drop.drag.boxLeft, drop.drag.grabOffset}),
              (std::vector<int>{100, 0, 48, 4}));
    EXPECT_TRUE(r.redraw && r.hideAlign && r.hideFloating);
    EXPECT_TRUE(mouse.release(100, GridButton::Left).empty());
}

TEST_F(GridMouseTest, PressVariants) {
    // Manual positioning previews the whole text at once.
    GridReaction r = mouse.press(98, 85, GridButton::Left, {.manualPositioning = true});
    EXPECT_EQ(commandOf<MoveCursorTo>(r).item, 1);
    EXPECT_TRUE(r.previewAt == 98 && mouse.dragRow() == 82 && mouse.drag().wholeText);
    EXPECT_EQ(mouse.move(200, 85, idle).previewAt, 200);
    // A redraw (the cursor move's refresh) does not end the drag; a change of the text does.
    mouse.redrawn();
    EXPECT_TRUE(mouse.dragging());
    EXPECT_TRUE(mouse.cancelDrag().redraw);
    EXPECT_TRUE(mouse.release(200, GridButton::Left).empty());

    // Keeping syllables bound only moves the editor's cursor.
    r = mouse.press(146, 97, GridButton::Left, {.keepBound = true});
    EXPECT_EQ(commandOf<MoveCursorTo>(r).item, 2);
    EXPECT_TRUE(r.paints.empty() && !mouse.dragging());

    // Empty grid, or anywhere while playing: the position moves to the tick under the mouse.
    EXPECT_EQ(commandOf<SeekTo>(mouse.press(30, 20, GridButton::Left, idle)).tick, 600);
    EXPECT_EQ(commandOf<SeekTo>(mouse.press(52, 75, GridButton::Left, {.playing = true})).tick,
              1040);
    // A double click splits or joins a syllable, not a break.
    EXPECT_EQ(
        commandOf<SplitOrJoinItem>(mouse.doubleClick(57, 75, GridButton::Left, idle)).grabOffset,
        9);
    EXPECT_TRUE(mouse.doubleClick(98, 85, GridButton::Left, idle).empty());
    // The right button is the context menu's; nothing at all while synchronising.
    EXPECT_TRUE(mouse.press(30, 20, GridButton::Right, idle).empty());
    EXPECT_TRUE(mouse.press(30, 20, GridButton::Left, {.synchronising = true}).empty());
}

TEST_F(GridMouseTest, AttachWaitsForTheNextNote) {
    EXPECT_TRUE(mouse.bindToNote().empty()) << "only over a syllable";
    mouse.move(146, 97, idle);
    GridReaction r = mouse.bindToNote();
    ASSERT_EQ(r.paints.size(), 1u);
    EXPECT_TRUE(r.paints[0].look == BoxLook::Picked && mouse.attaching());
    mouse.move(400, 10, idle);
    r = mouse.move(300, 62, idle);
    const AttachItem attach = commandOf<AttachItem>(r);
    EXPECT_EQ(std::pair(attach.item, attach.noteTick), std::pair(2, 5760.0));
    EXPECT_FALSE(r.playKey || mouse.attaching());

    // A left press cancels a pending attach and erases its mark; a redraw ends it too.
    mouse.move(50, 75, idle);
    mouse.bindToNote();
    r = mouse.press(400, 10, GridButton::Left, idle);
    EXPECT_TRUE(r.redraw && std::holds_alternative<std::monostate>(r.command));
    EXPECT_FALSE(mouse.attaching());
    mouse.move(50, 75, idle);
    mouse.bindToNote();
    mouse.redrawn();
    EXPECT_FALSE(mouse.attaching());
}

TEST_F(GridMouseTest, DeleteNoteAndRedrawKeepWhatIsStillUnderTheMouse) {
    EXPECT_TRUE(mouse.deleteNote().empty());
    mouse.move(250, 50, idle);
    // A redraw that leaves the note where it was keeps it hovered and highlighted.
    redraw();
    GridReaction r = mouse.redrawn();
    ASSERT_EQ(r.paints.size(), 1u);
    EXPECT_TRUE(r.paints[0].look == BoxLook::NoteHover && !r.popup);
    r = mouse.deleteNote();
    EXPECT_EQ(commandOf<DeleteMelodyNote>(r).index, 0);
    EXPECT_TRUE(r.popup == GridPopup::None && mouse.popup() == GridPopup::None);

    // A syllable that moved away is forgotten with its pop-up.
    mouse.move(50, 75, idle);
    lyricItem(lyrics, 0).tick = 2400;
    redraw();
    EXPECT_EQ(mouse.redrawn().popup, GridPopup::None);
    EXPECT_TRUE(mouse.bindToNote().empty());
}

} // namespace
} // namespace cantelo

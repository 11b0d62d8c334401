#pragma once

#include "core/song/indexed_lists.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cantelo {

// Where the editor's cursor stands; restored with the list by undo and redo.
struct LyricsCursor {
    int line = 0;
    int column = 0;
    friend bool operator==(const LyricsCursor&, const LyricsCursor&) = default;
};

// A step of the same history that is not a lyric edit (a song edit): it knows how to take
// itself back and to do itself again; the lyric list stays as it is.
class HistoryAction {
public:
    virtual ~HistoryAction() = default;
    virtual void undo() = 0;
    virtual void redo() = 0;
};

// Undo and redo of the lyric list. Lyric lists are a few thousand items at most, so each step is
// a whole copy of the list: simple to get right whatever a command did to it.
//
// A command calls `record` before it changes the list. Records made with the same non-zero
// `mergeKey` one after another form one step (a run of characters typed into one syllable);
// `closeStep` ends such a run. A step that turns out to change nothing is skipped by undo, so a
// command may record and then refuse.
class LyricsHistory {
public:
    struct Item {
        std::string text;
        double tick = 0;
        std::uint8_t lineBreak = 0;
        friend bool operator==(const Item&, const Item&) = default;
    };

    explicit LyricsHistory(std::size_t limit = 200) : m_limit(limit) {}

    // A list's items as plain values, and whether a list still holds exactly those: what a step
    // keeps, and what tells whether the lyrics changed since they were saved.
    static std::vector<Item> itemsOf(TItemLyr& list);
    static bool holds(TItemLyr& list, const std::vector<Item>& items);

    void record(TItemLyr& list, LyricsCursor cursor, std::uint64_t mergeKey = 0);
    void closeStep() { m_mergeKey = 0; }
    // Records an edit made elsewhere, already done, as one step.
    void recordAction(std::shared_ptr<HistoryAction> action);

    // When the step that undo (redo) would take is an action, takes it: runs its undo (redo),
    // moves it to the other side and returns it. Null when the step is a lyric one, or there is
    // none; lyric steps that change nothing are passed over first, as undo() does.
    HistoryAction* undoAction(TItemLyr& list);
    HistoryAction* redoAction(TItemLyr& list);

    // Puts the list back as it was before the last step, keeping the present state for redo.
    // Returns the cursor to restore, or nothing when there is no step to undo.
    std::optional<LyricsCursor> undo(TItemLyr& list, LyricsCursor current);
    std::optional<LyricsCursor> redo(TItemLyr& list, LyricsCursor current);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t undoDepth() const { return m_undo.size(); }
    // Opening a song starts a new history.
    void clear();

    struct Snapshot {
        std::vector<Item> items;
        LyricsCursor cursor;
        std::shared_ptr<HistoryAction> action; // set: the step is this action, items unused
    };

private:
    static void restore(TItemLyr& list, const Snapshot& s);
    static std::optional<LyricsCursor> step(TItemLyr& list, LyricsCursor current,
                                            std::deque<Snapshot>& from, std::deque<Snapshot>& to);

    static void dropUnchanged(TItemLyr& list, std::deque<Snapshot>& from);
    void push(std::deque<Snapshot>& to, Snapshot s);

    std::deque<Snapshot> m_undo;
    std::deque<Snapshot> m_redo;
    std::size_t m_limit;
    std::uint64_t m_mergeKey = 0;
};

} // namespace cantelo

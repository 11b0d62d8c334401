#include "core/lyrics/lyrics_history.h"

namespace cantelo {

std::vector<LyricsHistory::Item> LyricsHistory::itemsOf(TItemLyr& list) {
    std::vector<Item> items;
    items.reserve(static_cast<std::size_t>(list.count()));
    for (const LyrItem* it = list.head(); it; it = it->next)
        items.push_back({it->text, it->tick, it->lineBreak});
    return items;
}

void LyricsHistory::restore(TItemLyr& list, const Snapshot& s) {
    list.clear();
    for (const Item& it : s.items) list.add(it.text, it.lineBreak, it.tick);
}

bool LyricsHistory::holds(TItemLyr& list, const std::vector<Item>& items) {
    if (static_cast<std::size_t>(list.count()) != items.size()) return false;
    std::size_t i = 0;
    for (const LyrItem* it = list.head(); it; it = it->next, ++i) {
        const Item& o = items[i];
        if (it->tick != o.tick || it->lineBreak != o.lineBreak || it->text != o.text) return false;
    }
    return true;
}

void LyricsHistory::record(TItemLyr& list, LyricsCursor cursor, std::uint64_t mergeKey) {
    m_redo.clear();
    if (mergeKey != 0 && mergeKey == m_mergeKey && !m_undo.empty()) return;
    m_mergeKey = mergeKey;
    push(m_undo, {itemsOf(list), cursor, nullptr});
}

void LyricsHistory::recordAction(std::shared_ptr<HistoryAction> action) {
    m_redo.clear();
    m_mergeKey = 0;
    push(m_undo, {{}, {}, std::move(action)});
}

void LyricsHistory::push(std::deque<Snapshot>& to, Snapshot s) {
    to.push_back(std::move(s));
    while (to.size() > m_limit) to.pop_front();
}

void LyricsHistory::dropUnchanged(TItemLyr& list, std::deque<Snapshot>& from) {
    // Steps whose command ended up changing nothing are passed over: undo always shows an effect.
    while (!from.empty() && !from.back().action && holds(list, from.back().items)) from.pop_back();
}

HistoryAction* LyricsHistory::undoAction(TItemLyr& list) {
    m_mergeKey = 0;
    dropUnchanged(list, m_undo);
    if (m_undo.empty() || !m_undo.back().action) return nullptr;
    Snapshot s = std::move(m_undo.back());
    m_undo.pop_back();
    s.action->undo();
    HistoryAction* taken = s.action.get();
    push(m_redo, std::move(s));
    return taken;
}

HistoryAction* LyricsHistory::redoAction(TItemLyr& list) {
    m_mergeKey = 0;
    dropUnchanged(list, m_redo);
    if (m_redo.empty() || !m_redo.back().action) return nullptr;
    Snapshot s = std::move(m_redo.back());
    m_redo.pop_back();
    s.action->redo();
    HistoryAction* taken = s.action.get();
    push(m_undo, std::move(s));
    return taken;
}

std::optional<LyricsCursor> LyricsHistory::step(TItemLyr& list, LyricsCursor current,
                                                std::deque<Snapshot>& from,
                                                std::deque<Snapshot>& to) {
    dropUnchanged(list, from);
    // An action on top is taken by undoAction/redoAction; a lyric undo does not pass it by.
    if (from.empty() || from.back().action) return std::nullopt;
    to.push_back({itemsOf(list), current, nullptr});
    Snapshot s = std::move(from.back());
    from.pop_back();
    restore(list, s);
    return s.cursor;
}

std::optional<LyricsCursor> LyricsHistory::undo(TItemLyr& list, LyricsCursor current) {
    m_mergeKey = 0;
    return step(list, current, m_undo, m_redo);
}

std::optional<LyricsCursor> LyricsHistory::redo(TItemLyr& list, LyricsCursor current) {
    m_mergeKey = 0;
    return step(list, current, m_redo, m_undo);
}

void LyricsHistory::clear() {
    m_undo.clear();
    m_redo.clear();
    m_mergeKey = 0;
}

} // namespace cantelo

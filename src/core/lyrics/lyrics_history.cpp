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
    m_undo.push_back({itemsOf(list), cursor});
    while (m_undo.size() > m_limit) m_undo.pop_front();
}

std::optional<LyricsCursor> LyricsHistory::step(TItemLyr& list, LyricsCursor current,
                                                std::deque<Snapshot>& from,
                                                std::deque<Snapshot>& to) {
    // Steps whose command ended up changing nothing are passed over: undo always shows an effect.
    while (!from.empty() && holds(list, from.back().items)) from.pop_back();
    if (from.empty()) return std::nullopt;
    to.push_back({itemsOf(list), current});
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

#include "core/song/chase_index.h"

#include <algorithm>

namespace cantelo {

namespace {

constexpr std::size_t kChannels = 16;
constexpr std::size_t kKinds = 257; // the program, then controllers 0..255

bool before(const CChaseEntry* a, const CChaseEntry* b) {
    const auto ta = static_cast<std::int32_t>(a->tick), tb = static_cast<std::int32_t>(b->tick);
    return ta != tb ? ta < tb : a->order < b->order;
}

} // namespace

ChaseIndex::ChaseIndex() : m_groups(kChannels * kKinds) {}

std::uint32_t ChaseIndex::keyOf(std::uint8_t channel, std::uint8_t status, std::uint8_t data1) {
    return (std::uint32_t{channel} << 16) | (status == 0xC0 ? 0u : 1u + data1);
}

ChaseIndex::Group* ChaseIndex::groupOf(std::uint8_t channel, std::uint8_t status,
                                       std::uint8_t data1, bool create) const {
    const std::uint32_t key = keyOf(channel, status, data1);
    if (channel < kChannels) return &m_groups[channel * kKinds + (key & 0xFFFF)];
    auto it = m_otherGroups.find(key);
    if (it != m_otherGroups.end()) return &it->second;
    return create ? &m_otherGroups[key] : nullptr;
}

void ChaseIndex::clear() {
    for (auto& g : m_groups) {
        g.entries.clear();
        g.sorted = true;
    }
    m_otherGroups.clear();
    m_current = true;
    m_nextOrder = 0;
}

void ChaseIndex::rebuild(const IntrusiveList<CChaseEntry>& chase) {
    clear();
    for (auto& e : chase) add(&e);
}

void ChaseIndex::insert(Group& g, CChaseEntry* entry) {
    if (g.sorted && !g.entries.empty() && before(entry, g.entries.back())) {
        // Out of tick order: placed in order when the group is small, else sorted when next
        // looked up, so that a file whose chunks restart a channel's ticks reads in linear time.
        if (g.entries.size() > 64) {
            g.sorted = false;
        } else {
            g.entries.insert(std::upper_bound(g.entries.begin(), g.entries.end(), entry, before),
                             entry);
            return;
        }
    }
    g.entries.push_back(entry);
}

void ChaseIndex::add(CChaseEntry* entry) {
    entry->order = m_nextOrder++;
    if (!m_current) return;
    if (entry->status != 0xB0 && entry->status != 0xC0) return; // never looked up
    insert(*groupOf(entry->channel, entry->status, entry->data1, true), entry);
}

void ChaseIndex::remove(const CChaseEntry* entry) {
    if (!m_current || !entry) return;
    Group* g = groupOf(entry->channel, entry->status, entry->data1, false);
    if (!g) return;
    auto& v = g->entries;
    auto it = g->sorted ? std::lower_bound(v.begin(), v.end(), entry, before) : v.end();
    if (it == v.end() || *it != entry) it = std::find(v.begin(), v.end(), entry);
    if (it != v.end()) v.erase(it);
}

void ChaseIndex::retick(CChaseEntry* entry, std::uint32_t tick) {
    remove(entry);
    entry->tick = tick;
    if (!m_current || (entry->status != 0xB0 && entry->status != 0xC0)) return;
    insert(*groupOf(entry->channel, entry->status, entry->data1, true), entry);
}

ChaseIndex::Group* ChaseIndex::sortedGroup(int ch, std::uint8_t status, int controller) const {
    // The walk compared the entry's bytes with the arguments as they are: a channel or a
    // controller number outside a byte matches nothing.
    if (ch < 0 || ch > 255) return nullptr;
    if (status == 0xB0 && (controller < 0 || controller > 255)) return nullptr;
    Group* g = groupOf(static_cast<std::uint8_t>(ch), status,
                       static_cast<std::uint8_t>(status == 0xB0 ? controller : 0), false);
    if (!g || g->entries.empty()) return nullptr;
    if (!g->sorted) {
        std::sort(g->entries.begin(), g->entries.end(), before);
        g->sorted = true;
    }
    return g;
}

const CChaseEntry* ChaseIndex::latest(int ch, std::uint8_t status, int controller,
                                      std::int32_t tick) const {
    const Group* g = sortedGroup(ch, status, controller);
    if (!g) return nullptr;
    const auto after = std::upper_bound(g->entries.begin(), g->entries.end(), tick,
                                        [](std::int32_t t, const CChaseEntry* e) {
                                            return t < static_cast<std::int32_t>(e->tick);
                                        });
    return after == g->entries.begin() ? nullptr : *std::prev(after);
}

std::size_t ChaseIndex::countAt(int ch, std::uint8_t status, int controller,
                                std::int32_t tick) const {
    const Group* g = sortedGroup(ch, status, controller);
    if (!g) return 0;
    const auto tickOf = [](const CChaseEntry* e) { return static_cast<std::int32_t>(e->tick); };
    const auto from = std::partition_point(g->entries.begin(), g->entries.end(),
                                           [&](const CChaseEntry* e) { return tickOf(e) < tick; });
    const auto to = std::partition_point(from, g->entries.end(),
                                         [&](const CChaseEntry* e) { return tickOf(e) == tick; });
    return static_cast<std::size_t>(to - from);
}

} // namespace cantelo

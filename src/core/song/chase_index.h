#pragma once

#include "core/song/intrusive_list.h"
#include "core/song/midi_events.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace cantelo {

// The song's chase entries grouped by channel and kind (a channel's program changes, or one
// controller of a channel), each group in the order the look-ups of values in force judge them:
// by signed tick, and among equal ticks by the order in which the entries were added (the chase
// list's order). The value in force on a channel at a tick is then one bisection instead of a
// walk over every program and control change of the song.
//
// Kept in step entry by entry; a bulk removal may drop it instead, and it is built again from
// the chase list at the next look-up. A group that an entry joined out of tick order is sorted
// at its next look-up. User-interface thread only: the look-ups may do that work.
class ChaseIndex {
public:
    ChaseIndex();

    // Empty and in step (the chase list is empty).
    void clear();
    // Out of step until rebuild.
    void invalidate() { m_current = false; }
    bool current() const { return m_current; }
    void rebuild(const IntrusiveList<CChaseEntry>& chase);

    // `entry` has just been appended to the chase list: it gets its place in the adding order.
    void add(CChaseEntry* entry);
    // `entry` is about to leave the chase list.
    void remove(const CChaseEntry* entry);
    // Moves `entry` to another tick; it keeps its place in the adding order.
    void retick(CChaseEntry* entry, std::uint32_t tick);

    // The entry with `status` (0xC0, or 0xB0 and controller number `controller`) on channel
    // `ch` with the greatest tick at or before `tick`, the one added last among equals; null
    // when there is none.
    const CChaseEntry* latest(int ch, std::uint8_t status, int controller, std::int32_t tick) const;
    // How many entries of that group lie exactly at `tick`.
    std::size_t countAt(int ch, std::uint8_t status, int controller, std::int32_t tick) const;

private:
    struct Group {
        std::vector<CChaseEntry*> entries;
        bool sorted = true;
    };

    static std::uint32_t keyOf(std::uint8_t channel, std::uint8_t status, std::uint8_t data1);
    Group* groupOf(std::uint8_t channel, std::uint8_t status, std::uint8_t data1,
                   bool create) const;
    // The group looked up (sorted first), or null when the arguments name none.
    Group* sortedGroup(int ch, std::uint8_t status, int controller) const;
    void insert(Group& g, CChaseEntry* entry);

    // Channels 0..15 by kind (the program, then controllers 0..255); other channel bytes, which
    // only damaged input gives, in a map.
    mutable std::vector<Group> m_groups;
    mutable std::map<std::uint32_t, Group> m_otherGroups;
    bool m_current = true;
    std::uint64_t m_nextOrder = 0;
};

} // namespace cantelo

#include "core/playback/song_messages.h"

#include "core/playback/midi_output.h"
#include "core/song/midi_song.h"

#include <algorithm>
#include <limits>

namespace cantelo {

std::uint32_t stampMs(std::int64_t ms) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::uint32_t>::max()));
}

namespace {

// Order among messages due at the same millisecond.
enum Rank : std::uint8_t { SysEx, ProgramOrControl, NoteOff, Other, OwnNoteOff };

// A message with what orders it: its time, its rank, and its place in the song's lists (`seq`),
// which breaks every remaining tie, so the order is total.
struct Entry {
    std::int64_t ms;
    std::int32_t tick;
    std::uint32_t packed;
    std::uint32_t seq;
    Rank rank;
};

bool before(const Entry& a, const Entry& b) {
    if (a.ms != b.ms) return a.ms < b.ms;
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.seq < b.seq;
}

// A track's messages arrive nearly in order: only a note-off must travel forward past the
// messages that start while its note sounds, and a controller past a note-on of its tick. An
// insertion sort moves exactly those; should a damaged or unusual song ask for many more moves
// than messages, a full sort takes over (the order is total, so both give the same result).
void sortEntries(std::vector<Entry>& v) {
    std::size_t budget = 16 * v.size() + 64;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (!before(v[i], v[i - 1])) continue;
        const Entry x = v[i];
        std::size_t j = i;
        do {
            v[j] = v[j - 1];
            --j;
        } while (j > 0 && before(x, v[j - 1]) && --budget > 0);
        v[j] = x;
        if (budget == 0) {
            std::sort(v.begin(), v.end(), before);
            return;
        }
    }
}

std::uint8_t byte7(std::int32_t v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}

// The song's messages by output channel, and its SysEx events, each sorted into sending order.
class Builder {
public:
    explicit Builder(const CMidiSong& song)
        : m_song(song), m_on(song.timeMap()), m_off(song.timeMap()) {}

    void build() {
        const CSongData& data = m_song.data();
        for (const auto& sx : data.sysEx) {
            m_sysEx.push_back({m_on.tickToMs(sx.tick), sx.tick, 0, m_seq++, SysEx});
            m_sysExEvents.push_back(&sx);
        }
        std::array<std::size_t, kChannels> sizes{};
        for (int c = 0; c < kChannels; ++c)
            sizes[out(c)] += data.programs[static_cast<std::size_t>(c)].size();
        for (const auto& t : data.tracks) sizes[out(t.channel)] += 2 * t.events.size();
        for (int o = 0; o < kChannels; ++o) m_channels[o].reserve(sizes[o]);

        for (int c = 0; c < kChannels; ++c)
            for (const auto& e : data.programs[static_cast<std::size_t>(c)]) add(e, out(c));
        for (const auto& track : data.tracks)
            for (const auto& e : track.events) add(e, out(track.channel));

        sortEntries(m_sysEx);
        for (auto& channel : m_channels) sortEntries(channel);
    }

    const std::vector<Entry>& sysEx() const { return m_sysEx; }
    const CObjectSysExData* sysExEvent(const Entry& e) const { return m_sysExEvents[e.seq]; }
    std::array<std::vector<Entry>, kChannels>& channels() { return m_channels; }

private:
    std::size_t out(int ch) const { return static_cast<std::size_t>(m_song.outputChannel(ch)); }

    void push(std::size_t ch, std::int64_t ms, std::int32_t tick, Rank rank, std::uint32_t packed) {
        m_channels[ch].push_back({ms, tick, packed, m_seq++, rank});
    }

    void add(const CObjectEvent& e, std::size_t ch) {
        const auto status = [&](std::uint8_t kind) { return static_cast<std::uint8_t>(kind | ch); };
        switch (e.status()) {
        case 0x90: {
            const auto& n = static_cast<const CObjectEventNote&>(e);
            const std::int64_t onMs = m_on.tickToMs(n.tick);
            push(ch, onMs, n.tick, Other, packShort(status(0x90), byte7(n.key), byte7(n.velocity)));
            // A note so short that it ends in the millisecond it starts (one tick at a fine
            // division) must still be released after its own note-on, or it sounds forever.
            const std::int32_t off = std::max(n.offTick, n.tick);
            const std::int64_t offMs = m_off.tickToMs(off);
            push(ch, offMs, off, offMs <= onMs ? OwnNoteOff : NoteOff,
                 packShort(status(0x80), byte7(n.key), 0));
            break;
        }
        case 0xA0: {
            const auto& a = static_cast<const CObjectEventKeyAfterTouch&>(e);
            push(ch, m_on.tickToMs(a.tick), a.tick, Other,
                 packShort(status(0xA0), byte7(a.key), byte7(a.pressure)));
            break;
        }
        case 0xB0: {
            const auto& c = static_cast<const CObjectEventControlChange&>(e);
            push(ch, m_on.tickToMs(c.tick), c.tick, ProgramOrControl,
                 packShort(status(0xB0), byte7(c.controller), byte7(c.value)));
            break;
        }
        case 0xC0:
            push(ch, m_on.tickToMs(e.tick), e.tick, ProgramOrControl,
                 packShort(status(0xC0),
                           byte7(static_cast<const CObjectEventProgramChange&>(e).program)));
            break;
        case 0xD0:
            push(ch, m_on.tickToMs(e.tick), e.tick, Other,
                 packShort(status(0xD0),
                           byte7(static_cast<const CObjectEventChannelPressure&>(e).pressure)));
            break;
        case 0xE0: {
            const auto& b = static_cast<const CObjectEventPitchBend&>(e);
            push(ch, m_on.tickToMs(b.tick), b.tick, Other,
                 packShort(status(0xE0), byte7(b.lsb), byte7(b.msb)));
            break;
        }
        default:
            break; // meta events have no place on a channel
        }
    }

    const CMidiSong& m_song;
    // Note-offs run ahead of the events around them: each kind keeps its own tempo cursor.
    TimeMap::MsCursor m_on;
    TimeMap::MsCursor m_off;
    std::uint32_t m_seq = 0;
    std::vector<Entry> m_sysEx;
    std::vector<const CObjectSysExData*> m_sysExEvents; // by seq: SysEx events come first
    std::array<std::vector<Entry>, kChannels> m_channels;
};

} // namespace

SongQueues songQueues(const CMidiSong& song) {
    Builder b(song);
    b.build();
    SongQueues q;
    for (const auto& e : b.sysEx()) q.sysEx.push_back({e.ms, e.tick, 0, b.sysExEvent(e)});
    for (std::size_t o = 0; o < q.channels.size(); ++o) {
        std::vector<Entry>& from = b.channels()[o];
        auto& to = q.channels[o];
        to.reserve(from.size());
        for (const auto& e : from) to.push_back({e.tick, stampMs(e.ms), e.packed});
        std::vector<Entry>().swap(from); // the memory goes back before the next channel's
    }
    return q;
}

std::vector<ScheduledMessage> songMessages(const CMidiSong& song) {
    Builder b(song);
    b.build();
    // The sorted lists merged by the same total order.
    std::vector<const std::vector<Entry>*> lists = {&b.sysEx()};
    std::size_t total = b.sysEx().size();
    for (const auto& c : b.channels()) {
        lists.push_back(&c);
        total += c.size();
    }
    std::vector<std::size_t> at(lists.size(), 0);
    std::vector<ScheduledMessage> out;
    out.reserve(total);
    for (;;) {
        std::size_t best = lists.size();
        for (std::size_t i = 0; i < lists.size(); ++i) {
            if (at[i] == lists[i]->size()) continue;
            if (best == lists.size() || before((*lists[i])[at[i]], (*lists[best])[at[best]]))
                best = i;
        }
        if (best == lists.size()) break;
        const Entry& e = (*lists[best])[at[best]++];
        out.push_back({e.ms, e.tick, e.packed, best == 0 ? b.sysExEvent(e) : nullptr});
    }
    return out;
}

} // namespace cantelo

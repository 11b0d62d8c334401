#include "core/playback/song_messages.h"

#include "core/playback/midi_output.h"
#include "core/song/midi_song.h"
#include "core/timing/tempo_map.h"

#include <algorithm>

namespace cantelo {

namespace {

// Order among messages due at the same millisecond.
enum Rank : std::uint8_t { SysEx, ProgramOrControl, NoteOff, Other, OwnNoteOff };

struct Entry {
    ScheduledMessage message;
    Rank rank;
};

std::uint8_t byte7(std::int32_t v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}

class Builder {
public:
    explicit Builder(const CMidiSong& song) : m_song(song) {}

    void add(std::int32_t tick, Rank rank, std::uint32_t packed,
             const CObjectSysExData* sysEx = nullptr) {
        m_entries.push_back({{tickToMs(m_song, tick), tick, packed, sysEx}, rank});
    }

    void addChannelEvent(const CObjectEvent& e, std::uint8_t ch) {
        const auto status = [&](std::uint8_t kind) { return static_cast<std::uint8_t>(kind | ch); };
        switch (e.status()) {
        case 0x90: {
            const auto& n = static_cast<const CObjectEventNote&>(e);
            add(n.tick, Other, packShort(status(0x90), byte7(n.key), byte7(n.velocity)));
            // A note so short that it ends in the millisecond it starts (one tick at a fine
            // division) must still be released after its own note-on, or it sounds forever.
            const std::int32_t off = std::max(n.offTick, n.tick);
            add(off, tickToMs(m_song, off) <= tickToMs(m_song, n.tick) ? OwnNoteOff : NoteOff,
                packShort(status(0x80), byte7(n.key), 0));
            break;
        }
        case 0xA0: {
            const auto& a = static_cast<const CObjectEventKeyAfterTouch&>(e);
            add(a.tick, Other, packShort(status(0xA0), byte7(a.key), byte7(a.pressure)));
            break;
        }
        case 0xB0: {
            const auto& c = static_cast<const CObjectEventControlChange&>(e);
            add(c.tick, ProgramOrControl,
                packShort(status(0xB0), byte7(c.controller), byte7(c.value)));
            break;
        }
        case 0xC0:
            add(e.tick, ProgramOrControl,
                packShort(status(0xC0),
                          byte7(static_cast<const CObjectEventProgramChange&>(e).program)));
            break;
        case 0xD0:
            add(e.tick, Other,
                packShort(status(0xD0),
                          byte7(static_cast<const CObjectEventChannelPressure&>(e).pressure)));
            break;
        case 0xE0: {
            const auto& b = static_cast<const CObjectEventPitchBend&>(e);
            add(b.tick, Other, packShort(status(0xE0), byte7(b.lsb), byte7(b.msb)));
            break;
        }
        default:
            break; // meta events have no place on a channel
        }
    }

    std::vector<ScheduledMessage> finish() {
        std::stable_sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
            if (a.message.ms != b.message.ms) return a.message.ms < b.message.ms;
            return a.rank < b.rank;
        });
        std::vector<ScheduledMessage> out;
        out.reserve(m_entries.size());
        for (const auto& e : m_entries) out.push_back(e.message);
        return out;
    }

private:
    const CMidiSong& m_song;
    std::vector<Entry> m_entries;
};

} // namespace

std::vector<ScheduledMessage> songMessages(const CMidiSong& song) {
    Builder b(song);
    const CSongData& data = song.data();
    for (const auto& sx : data.sysEx) b.add(sx.tick, SysEx, 0, &sx);
    for (int c = 0; c < kChannels; ++c) {
        const auto out = static_cast<std::uint8_t>(song.outputChannel(c));
        for (const auto& e : data.programs[static_cast<std::size_t>(c)]) b.addChannelEvent(e, out);
    }
    for (const auto& track : data.tracks) {
        const auto out = static_cast<std::uint8_t>(song.outputChannel(track.channel));
        for (const auto& e : track.events) b.addChannelEvent(e, out);
    }
    return b.finish();
}

} // namespace cantelo

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

std::uint8_t byte7(std::int32_t v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}

// Hands every channel message of the song to `sink(channel, tick, ms, rank, packed)` in the
// order of the song's lists: the channel program lists by channel, then the tracks. `channel`
// is the output channel. Note-ons and note-offs each keep a tempo cursor, as each kind mostly
// ascends on its own.
template <typename Sink>
void forEachChannelMessage(const CMidiSong& song, Sink&& sink) {
    TimeMap::MsCursor on(song.timeMap()), off(song.timeMap());
    const auto add = [&](const CObjectEvent& e, std::uint8_t ch) {
        const auto status = [&](std::uint8_t kind) { return static_cast<std::uint8_t>(kind | ch); };
        switch (e.status()) {
        case 0x90: {
            const auto& n = static_cast<const CObjectEventNote&>(e);
            const std::int64_t onMs = on.tickToMs(n.tick);
            sink(ch, n.tick, onMs, Other, packShort(status(0x90), byte7(n.key), byte7(n.velocity)));
            // A note so short that it ends in the millisecond it starts (one tick at a fine
            // division) must still be released after its own note-on, or it sounds forever.
            const std::int32_t end = std::max(n.offTick, n.tick);
            const std::int64_t offMs = off.tickToMs(end);
            sink(ch, end, offMs, offMs <= onMs ? OwnNoteOff : NoteOff,
                 packShort(status(0x80), byte7(n.key), 0));
            break;
        }
        case 0xA0: {
            const auto& a = static_cast<const CObjectEventKeyAfterTouch&>(e);
            sink(ch, a.tick, on.tickToMs(a.tick), Other,
                 packShort(status(0xA0), byte7(a.key), byte7(a.pressure)));
            break;
        }
        case 0xB0: {
            const auto& c = static_cast<const CObjectEventControlChange&>(e);
            sink(ch, c.tick, on.tickToMs(c.tick), ProgramOrControl,
                 packShort(status(0xB0), byte7(c.controller), byte7(c.value)));
            break;
        }
        case 0xC0:
            sink(ch, e.tick, on.tickToMs(e.tick), ProgramOrControl,
                 packShort(status(0xC0),
                           byte7(static_cast<const CObjectEventProgramChange&>(e).program)));
            break;
        case 0xD0:
            sink(ch, e.tick, on.tickToMs(e.tick), Other,
                 packShort(status(0xD0),
                           byte7(static_cast<const CObjectEventChannelPressure&>(e).pressure)));
            break;
        case 0xE0: {
            const auto& b = static_cast<const CObjectEventPitchBend&>(e);
            sink(ch, b.tick, on.tickToMs(b.tick), Other,
                 packShort(status(0xE0), byte7(b.lsb), byte7(b.msb)));
            break;
        }
        default:
            break; // meta events have no place on a channel
        }
    };
    const CSongData& data = song.data();
    for (int c = 0; c < kChannels; ++c) {
        const auto out = static_cast<std::uint8_t>(song.outputChannel(c));
        for (const auto& e : data.programs[static_cast<std::size_t>(c)]) add(e, out);
    }
    for (const auto& track : data.tracks) {
        const auto out = static_cast<std::uint8_t>(song.outputChannel(track.channel));
        for (const auto& e : track.events) add(e, out);
    }
}

// A queue record carries its rank in the message's unused top byte while it is sorted.
constexpr int kRankShift = 24;

// By stamped time, then rank. Equal to the order by true time while every time lies in the
// stamped range.
bool recordBefore(const TimedMessage& a, const TimedMessage& b) {
    return a.ms != b.ms ? a.ms < b.ms : (a.message >> kRankShift) < (b.message >> kRankShift);
}

// One output channel's messages, in the order of the song's lists, sorted stably by time and
// rank. They arrive nearly in order: only a note-off must travel forward past the messages that
// start while its note sounds, and a controller past a note-on of its tick. An insertion sort
// moves exactly those; should a damaged or unusual song ask for many more moves than records, a
// merge sort takes over (both are stable, so they give the same order).
void sortRecords(std::vector<TimedMessage>& v) {
    std::size_t budget = 16 * v.size() + 64;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (!recordBefore(v[i], v[i - 1])) continue;
        const TimedMessage x = v[i];
        std::size_t j = i;
        do {
            v[j] = v[j - 1];
            --j;
        } while (j > 0 && recordBefore(x, v[j - 1]) && --budget > 0);
        v[j] = x;
        if (budget == 0) {
            // The moves so far kept equal records in their order: a stable sort of the rest
            // still gives the order of the song's lists among equals.
            std::stable_sort(v.begin(), v.end(), recordBefore);
            return;
        }
    }
}

} // namespace

void songQueues(const CMidiSong& song, const std::array<std::vector<TimedMessage>*, 16>& channels,
                std::vector<ScheduledMessage>& sysEx) {
    const CSongData& data = song.data();
    std::array<std::size_t, kChannels> sizes{};
    for (int c = 0; c < kChannels; ++c)
        sizes[static_cast<std::size_t>(song.outputChannel(c))] +=
            data.programs[static_cast<std::size_t>(c)].size();
    for (const auto& t : data.tracks)
        sizes[static_cast<std::size_t>(song.outputChannel(t.channel))] += 2 * t.events.size();
    for (std::size_t o = 0; o < sizes.size(); ++o) {
        channels[o]->clear();
        channels[o]->reserve(sizes[o]);
    }
    // Times outside the stamped range (negative ticks, songs of months) would tie where the true
    // times do not: such a channel is sorted by its true times.
    std::array<bool, kChannels> outside{};
    forEachChannelMessage(song, [&](std::uint8_t ch, std::int32_t tick, std::int64_t ms, Rank rank,
                                    std::uint32_t packed) {
        if (ms != stampMs(ms)) outside[ch] = true;
        channels[ch]->push_back({tick, stampMs(ms), packed | (std::uint32_t{rank} << kRankShift)});
    });
    for (std::size_t o = 0; o < channels.size(); ++o) {
        auto& records = *channels[o];
        if (outside[o]) {
            // Every record's true time is the time of its own tick.
            struct Keyed {
                std::int64_t ms;
                TimedMessage record;
            };
            std::vector<Keyed> keyed;
            keyed.reserve(records.size());
            TimeMap::MsCursor cursor(song.timeMap());
            for (const auto& r : records) keyed.push_back({cursor.tickToMs(r.tick), r});
            std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
                if (a.ms != b.ms) return a.ms < b.ms;
                return (a.record.message >> kRankShift) < (b.record.message >> kRankShift);
            });
            for (std::size_t i = 0; i < keyed.size(); ++i) records[i] = keyed[i].record;
        } else {
            sortRecords(records);
        }
        for (auto& r : records) r.message &= (1u << kRankShift) - 1;
    }

    sysEx.clear();
    TimeMap::MsCursor cursor(song.timeMap());
    for (const auto& sx : data.sysEx) sysEx.push_back({cursor.tickToMs(sx.tick), sx.tick, 0, &sx});
    // SysEx events all have one rank: by time, in list order among equals.
    std::stable_sort(
        sysEx.begin(), sysEx.end(),
        [](const ScheduledMessage& a, const ScheduledMessage& b) { return a.ms < b.ms; });
}

std::vector<ScheduledMessage> songMessages(const CMidiSong& song) {
    struct Entry {
        ScheduledMessage message;
        Rank rank;
    };
    std::vector<Entry> entries;
    TimeMap::MsCursor cursor(song.timeMap());
    for (const auto& sx : song.data().sysEx)
        entries.push_back({{cursor.tickToMs(sx.tick), sx.tick, 0, &sx}, SysEx});
    forEachChannelMessage(song, [&](std::uint8_t, std::int32_t tick, std::int64_t ms, Rank rank,
                                    std::uint32_t packed) {
        entries.push_back({{ms, tick, packed, nullptr}, rank});
    });
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.message.ms != b.message.ms) return a.message.ms < b.message.ms;
        return a.rank < b.rank;
    });
    std::vector<ScheduledMessage> out;
    out.reserve(entries.size());
    for (const auto& e : entries) out.push_back(e.message);
    return out;
}

} // namespace cantelo

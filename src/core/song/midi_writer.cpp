#include "core/song/midi_writer.h"

#include "core/files/atomic_file.h"
#include "core/song/byte_buffer.h"
#include "core/song/midi_song.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <limits>
#include <map>
#include <new>

namespace cantelo {

namespace {

constexpr std::size_t kScrambledBytes = 256;
constexpr std::size_t kKeyBytes = 13;
constexpr std::size_t kMaxChunks = 0xFFFF; // the header's 16-bit track count
// The writer's choice for controllers: volume at 100 percent and no pan override, so the
// stored values are written unchanged (the mixer stores its changes as control changes).
constexpr std::int32_t kControllerParam = 100;

void appendBe(CByteBuffer& buffer, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) buffer.append(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One event to write: the tick it is written at and the `param` it is encoded with.
struct Emit {
    std::int32_t tick = 0;
    const CObjectEvent* event = nullptr;
    std::int32_t param = 0;
    // Set when the event is a note: most events are, and its encode can be called directly.
    const CObjectEventNote* note = nullptr;
};

// A file has no negative times.
std::int32_t writtenTick(const CObjectEvent* e) {
    return std::max(e->tick, 0);
}
const CObjectEvent* eventOf(const CObjectEvent& e) {
    return &e;
}
const CObjectEvent* eventOf(const CObjectEvent* e) {
    return e;
}

// The note-offs of the notes written so far, waiting for their ticks. At one tick the
// note-offs of earlier notes come before the events of that tick, so a note that ends where
// another of the same key starts does not cut the new one short when the file is read again.
class PendingOffs {
public:
    bool empty() const { return m_heap.empty(); }
    std::int32_t nextTick() const { return tickOf(m_heap.front().key); }
    bool dueBy(std::int32_t tick) const {
        return !m_heap.empty() && tickOf(m_heap.front().key) <= tick;
    }

    void add(const CObjectEventNote* note, std::int32_t t) {
        // A note at most one tick long (the reader gives a note-off at the note's own start
        // one tick; an edit may leave an end at or before the start) is written with its
        // note-off at its start, right after its note-on: it reads back as the same one-tick
        // note, and cannot close another note of its key that starts at the same tick.
        const std::int32_t off =
            std::int64_t{note->offTick} > std::int64_t{t} + 1 ? note->offTick : t;
        const Pending x{(std::uint64_t{biased(off)} << 32) | m_seq++, note};
        // A min-heap on one key: the tick, then the order of the note-ons.
        m_heap.push_back(x);
        std::size_t i = m_heap.size() - 1;
        while (i > 0) {
            const std::size_t parent = (i - 1) / 2;
            if (m_heap[parent].key <= x.key) break;
            m_heap[i] = m_heap[parent];
            i = parent;
        }
        m_heap[i] = x;
    }

    Emit pop() {
        const Pending top = m_heap.front();
        const Pending last = m_heap.back();
        m_heap.pop_back();
        const std::size_t n = m_heap.size();
        if (n > 0) {
            std::size_t i = 0;
            for (;;) {
                std::size_t child = 2 * i + 1;
                if (child >= n) break;
                if (child + 1 < n && m_heap[child + 1].key < m_heap[child].key) ++child;
                if (m_heap[child].key >= last.key) break;
                m_heap[i] = m_heap[child];
                i = child;
            }
            m_heap[i] = last;
        }
        return {tickOf(top.key), top.note, 1, top.note};
    }

private:
    struct Pending {
        std::uint64_t key; // the biased tick above, the note-on's order below
        const CObjectEventNote* note;
    };
    static std::uint32_t biased(std::int32_t tick) {
        return static_cast<std::uint32_t>(tick) ^ 0x80000000u;
    }
    static std::int32_t tickOf(std::uint64_t key) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(key >> 32) ^ 0x80000000u);
    }
    std::vector<Pending> m_heap;
    std::uint32_t m_seq = 0;
};

// The write of one event in tick order: its note-off is queued, a controller gets the
// writer's param.
Emit emitFor(const CObjectEvent* e, PendingOffs& offs) {
    const std::int32_t t = writtenTick(e);
    const std::uint8_t status = e->status();
    if (status == 0x90) {
        const auto* note = static_cast<const CObjectEventNote*>(e);
        offs.add(note, t);
        return {t, e, 0, note};
    }
    return {t, e, status == 0xB0 ? kControllerParam : 0};
}

// Writes one MTrk chunk into the file buffer: delta times, events with the chunk's running
// status, end of track, and the chunk length patched in at the end.
class ChunkWriter {
public:
    explicit ChunkWriter(CByteBuffer& out) : m_out(out), m_start(out.length()) {
        m_out.append({reinterpret_cast<const std::uint8_t*>("MTrk"), 4});
        appendBe(m_out, 0, 4);
    }

    // Drops everything written since the chunk began, so that it can be written again.
    void restart() {
        m_out.truncate(m_start + 8);
        m_lastTick = 0;
        m_runningStatus = 0;
    }

    void trackName(const std::string& name) {
        if (name.empty()) return;
        CObjectMetaEventText meta;
        meta.type = 0x03;
        meta.data.assign(name.begin(), name.end());
        write({0, &meta, 0}, 0);
    }

    void write(const Emit& e, int channel) {
        const std::size_t mark = m_out.length();
        // Events come in tick order; should one ever come early, it is written at the tick
        // before it, never with a delta that wraps round to the far end of the range.
        const std::int32_t tick = std::max(e.tick, m_lastTick);
        appendVlq(m_out, static_cast<std::uint32_t>(tick - m_lastTick));
        const int n = e.note ? e.note->encode(m_out, e.param, channel, &m_runningStatus)
                             : e.event->encode(m_out, e.param, channel, &m_runningStatus);
        if (n == 0) {
            m_out.truncate(mark); // an event without bytes leaves no orphan delta time
            return;
        }
        m_lastTick = tick;
    }

    // Writes `events` with their note-offs; stops and returns false at the first event that
    // comes before the one before it (then the caller sorts and starts again).
    template <typename Events>
    bool writeInOrder(const Events& events, int channel) {
        PendingOffs offs;
        std::int32_t previous = std::numeric_limits<std::int32_t>::min();
        for (const auto& item : events) {
            const CObjectEvent* e = eventOf(item);
            if (e->tick < previous) return false;
            previous = e->tick;
            while (offs.dueBy(writtenTick(e))) write(offs.pop(), channel);
            write(emitFor(e, offs), channel);
        }
        while (!offs.empty()) write(offs.pop(), channel);
        return true;
    }

    enum class Outcome { Written, OutOfOrder, NotChannelEvents };

    // writeInOrder for a channel track, as a tight loop over the bytes: every event is written
    // through its put, with the same bytes as write(emitFor(...)). Stops at the first event out
    // of order, or at one that is not a channel event (for the general path, which also records
    // a lack of memory); the caller then restarts the chunk.
    template <typename Events>
    Outcome writeChannelEvents(const Events& events, int channel) {
        // Room is taken a stretch at a time; each message needs at most a 5-byte delta and 3
        // bytes.
        constexpr std::size_t kStretch = 4096, kMessage = 8;
        std::uint8_t* start = m_out.room(kStretch);
        if (!start) return Outcome::NotChannelEvents; // the general path records the failure
        std::uint8_t* p = start;
        std::uint8_t* limit = start + kStretch;
        std::int32_t last = m_lastTick;
        std::uint16_t* const running = &m_runningStatus;
        // Before each message: room for it, and its delta time.
        const auto delta = [&](std::int32_t tick) {
            if (static_cast<std::size_t>(limit - p) < kMessage) {
                m_out.commit(static_cast<std::size_t>(p - start));
                start = p = m_out.room(kStretch);
                if (!p) return false;
                limit = p + kStretch;
            }
            tick = std::max(tick, last);
            p = putVlq(p, static_cast<std::uint32_t>(tick - last));
            last = tick;
            return true;
        };
        PendingOffs offs;
        std::int32_t previous = std::numeric_limits<std::int32_t>::min();
        for (const auto& item : events) {
            const CObjectEvent* e = eventOf(item);
            if (e->tick < previous) return Outcome::OutOfOrder;
            previous = e->tick;
            const std::int32_t t = writtenTick(e);
            while (offs.dueBy(t)) {
                const Emit off = offs.pop();
                if (!delta(off.tick)) return Outcome::NotChannelEvents;
                p = off.note->put(p, 1, channel, running);
            }
            if (!delta(t)) return Outcome::NotChannelEvents;
            switch (e->status()) {
            case 0x90: {
                const auto* note = static_cast<const CObjectEventNote*>(e);
                offs.add(note, t);
                p = note->put(p, 0, channel, running);
                break;
            }
            case 0xB0:
                p = static_cast<const CObjectEventControlChange*>(e)->put(p, kControllerParam,
                                                                          channel, running);
                break;
            case 0xC0:
                p = static_cast<const CObjectEventProgramChange*>(e)->put(p, 0, channel, running);
                break;
            case 0xE0:
                p = static_cast<const CObjectEventPitchBend*>(e)->put(p, 0, channel, running);
                break;
            case 0xA0:
                p = static_cast<const CObjectEventKeyAfterTouch*>(e)->put(p, 0, channel, running);
                break;
            case 0xD0:
                p = static_cast<const CObjectEventChannelPressure*>(e)->put(p, 0, channel, running);
                break;
            default:
                return Outcome::NotChannelEvents;
            }
        }
        while (!offs.empty()) {
            const Emit off = offs.pop();
            if (!delta(off.tick)) return Outcome::NotChannelEvents;
            p = off.note->put(p, 1, channel, running);
        }
        m_out.commit(static_cast<std::size_t>(p - start));
        m_lastTick = last;
        return Outcome::Written;
    }

    void finish() {
        appendVlq(m_out, 0);
        appendEndOfTrack(m_out);
        if (m_out.failed()) return; // the length field may be missing: nothing to patch
        const auto length = static_cast<std::uint32_t>(m_out.length() - m_start - 8);
        std::uint8_t* p = m_out.data() + m_start + 4;
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }

private:
    CByteBuffer& m_out;
    std::size_t m_start = 0;
    std::int32_t m_lastTick = 0;
    std::uint16_t m_runningStatus = 0;
};

template <typename List>
void appendAll(std::vector<const CObjectEvent*>& to, const List& list) {
    for (const auto& e : list) to.push_back(&e);
}

// By tick; equal ticks keep their order.
void sortByTick(std::vector<const CObjectEvent*>& v) {
    std::stable_sort(v.begin(), v.end(), [](const CObjectEvent* a, const CObjectEvent* b) {
        return a->tick < b->tick;
    });
}

// Tempo, signatures and SysEx, in that order at equal ticks (so a reset SysEx precedes the
// channel events of its tick in a format-0 file).
std::vector<const CObjectEvent*> conductorEvents(const CSongData& d) {
    std::vector<const CObjectEvent*> v;
    appendAll(v, d.tempos);
    appendAll(v, d.signatures);
    appendAll(v, d.sysEx);
    return v;
}

std::vector<const CObjectEvent*> sortedTrackEvents(const CChannelTrack& t) {
    std::vector<const CObjectEvent*> v;
    v.reserve(t.events.size());
    appendAll(v, t.events);
    sortByTick(v);
    return v;
}

// A chunk of events from several lists, by tick.
void writeMergedChunk(CByteBuffer& out, std::vector<const CObjectEvent*> events) {
    sortByTick(events);
    ChunkWriter chunk(out);
    chunk.writeInOrder(events, 0);
    chunk.finish();
}

void writeChannelChunk(CByteBuffer& out, const CChannelTrack& t) {
    ChunkWriter chunk(out);
    chunk.trackName(t.name);
    // Events read from one file chunk are in order and written straight from the list; a
    // channel that spread over several chunks, or an edit, is sorted first. A track holds only
    // channel events; should it hold anything else, the general path writes it.
    using Outcome = ChunkWriter::Outcome;
    Outcome done = chunk.writeChannelEvents(t.events, t.channel);
    if (done == Outcome::OutOfOrder) {
        chunk.restart();
        chunk.trackName(t.name);
        done = chunk.writeChannelEvents(sortedTrackEvents(t), t.channel);
    }
    if (done == Outcome::NotChannelEvents) {
        chunk.restart();
        chunk.trackName(t.name);
        chunk.writeInOrder(sortedTrackEvents(t), t.channel);
    }
    chunk.finish();
}

// One source of events for the single chunk of a format-0 file, in file order.
class EventStream {
public:
    EventStream(std::vector<const CObjectEvent*> events, int channel)
        : m_events(std::move(events)), m_channel(channel) {}

    int channel() const { return m_channel; }
    bool done() const { return m_pos == m_events.size() && m_offs.empty(); }
    std::int32_t nextTick() const {
        return offFirst() ? m_offs.nextTick() : writtenTick(m_events[m_pos]);
    }
    Emit next() { return offFirst() ? m_offs.pop() : emitFor(m_events[m_pos++], m_offs); }

private:
    bool offFirst() const {
        return m_pos == m_events.size() ? !m_offs.empty()
                                        : m_offs.dueBy(writtenTick(m_events[m_pos]));
    }

    std::vector<const CObjectEvent*> m_events; // by tick
    std::size_t m_pos = 0;
    PendingOffs m_offs;
    int m_channel = 0;
};

// Returns the number of chunks written, as writeFormat1 does.
std::uint16_t writeFormat0(CByteBuffer& out, const CMidiSong& song) {
    const CSongData& d = song.data();
    std::vector<EventStream> streams;
    auto conductor = conductorEvents(d);
    appendAll(conductor, d.texts);
    sortByTick(conductor);
    streams.emplace_back(std::move(conductor), 0);
    std::string name;
    for (const auto& t : d.tracks) {
        if (name.empty()) name = t.name;
        if (!t.events.empty()) streams.emplace_back(sortedTrackEvents(t), t.channel);
    }

    ChunkWriter chunk(out);
    // One chunk has one name; every channel takes it when the file is read again.
    chunk.trackName(name);
    // At equal ticks the stream listed first goes first: the conductor, then the channels in
    // the song's order, which is also the order in which they first occur when read again.
    for (;;) {
        EventStream* best = nullptr;
        std::int32_t bestTick = 0;
        for (auto& s : streams) {
            if (s.done()) continue;
            const std::int32_t t = s.nextTick();
            if (!best || t < bestTick) {
                best = &s;
                bestTick = t;
            }
        }
        if (!best) break;
        chunk.write(best->next(), best->channel());
    }
    chunk.finish();
    return 1;
}

// Format-1 layout:
//   chunk 0        the conductor: tempo, time signatures, SysEx, and the texts read from the
//                  file's chunk 0 (the song texts, such as the credit and the @ headers);
//   chunks 1..k    one chunk per other file chunk that holds text events, in ascending order
//                  of that chunk index: the lyric chunk is one of them;
//   then           one chunk per channel track, in the song's order, named after the track,
//                  holding only that channel's events.
// A file chunk's texts stay together and in their order relative to the other text chunks:
// the reader decides each chunk's lyric source (text or lyric events) from the texts of that
// chunk alone, and the open command picks the lyric chunk by its items (the first of equals
// wins), so the reopened song finds the same lyrics in the same place. Channel events never
// share a chunk with another channel.
std::uint16_t writeFormat1(CByteBuffer& out, const CMidiSong& song) {
    const CSongData& d = song.data();
    std::size_t channelChunks = 0;
    for (const auto& t : d.tracks) channelChunks += !t.events.empty();

    std::map<std::int32_t, std::vector<const CObjectEvent*>> byChunk;
    for (const auto& e : d.texts) byChunk[std::max(e.track, 0)].push_back(&e);
    auto conductor = conductorEvents(d);
    if (auto it = byChunk.find(0); it != byChunk.end()) {
        conductor.insert(conductor.end(), it->second.begin(), it->second.end());
        byChunk.erase(it);
    }
    // Beyond the header's limit, the texts of the last chunks share the last text chunk.
    const std::size_t maxTextChunks = kMaxChunks - 1 - channelChunks;
    while (byChunk.size() > maxTextChunks) {
        auto last = std::prev(byChunk.end());
        auto& into = std::prev(last)->second;
        into.insert(into.end(), last->second.begin(), last->second.end());
        byChunk.erase(last);
    }

    writeMergedChunk(out, std::move(conductor));
    for (auto& [index, texts] : byChunk) writeMergedChunk(out, std::move(texts));
    for (const auto& t : d.tracks)
        if (!t.events.empty()) writeChannelChunk(out, t);
    return static_cast<std::uint16_t>(1 + byChunk.size() + channelChunks);
}

} // namespace

void appendEndOfTrack(CByteBuffer& buffer) {
    static constexpr std::uint8_t kEndOfTrack[] = {0xFF, 0x2F, 0x00};
    buffer.append(kEndOfTrack);
}

void scrambleSongImage(std::vector<std::uint8_t>& image) {
    if (image.size() < kScrambledBytes + kKeyBytes) image.resize(kScrambledBytes + kKeyBytes, 0);
    std::uint8_t key = 0;
    for (std::size_t i = image.size() - kKeyBytes; i < image.size(); ++i) key ^= image[i];
    if (key == 0) {
        // One more byte shifts the window: the last 12 bytes and this one give the key 0x4B.
        std::uint8_t last12 = 0;
        for (std::size_t i = image.size() - kKeyBytes + 1; i < image.size(); ++i)
            last12 ^= image[i];
        key = 0x4B;
        image.push_back(static_cast<std::uint8_t>(last12 ^ key));
    }
    for (std::size_t i = 0; i < kScrambledBytes; ++i) image[i] ^= key;
}

// About the size of the file, so that the buffer is allocated once: notes take two short
// events, most other channel events one.
std::size_t sizeEstimate(const CSongData& d) {
    std::size_t n = 64;
    for (const auto& t : d.tracks) n += 64 + t.name.size() + 7 * t.events.size();
    for (const auto& e : d.texts) n += 8 + e.data.size();
    for (const auto& e : d.sysEx) n += 8 + e.data.size();
    return n + 8 * (d.tempos.size() + d.signatures.size());
}

std::vector<std::uint8_t> encodeSong(const CMidiSong& song, int format, bool scramble) {
    CByteBuffer out;
    out.reserve(sizeEstimate(song.data()));
    out.append({reinterpret_cast<const std::uint8_t*>("MThd"), 4});
    appendBe(out, 6, 4);
    appendBe(out, format == 0 ? 0 : 1, 2);
    const std::size_t countAt = out.length();
    appendBe(out, 1, 2);
    // The reader refuses a division of 0 or one with the time-code bit set.
    appendBe(out, static_cast<std::uint32_t>(std::clamp(song.division(), 1, 0x7FFF)), 2);
    const std::uint16_t chunks = format == 0 ? writeFormat0(out, song) : writeFormat1(out, song);
    // A file with lost bytes must not be mistaken for a song.
    if (out.failed()) throw std::bad_alloc();
    out.data()[countAt] = static_cast<std::uint8_t>(chunks >> 8);
    out.data()[countAt + 1] = static_cast<std::uint8_t>(chunks);
    std::vector<std::uint8_t> image = out.take();
    if (scramble) scrambleSongImage(image);
    return image;
}

bool writeSongFile(const CMidiSong& song, const std::string& path, int format, bool scramble,
                   std::string* error, int* errnoValue) {
    if (format != 0 && format != 1) {
        if (errnoValue) *errnoValue = EINVAL;
        if (error)
            *error =
                "cannot save \"" + path + "\": format " + std::to_string(format) + " is not 0 or 1";
        return false;
    }
    std::vector<std::uint8_t> image;
    try {
        image = encodeSong(song, format, scramble);
    } catch (const std::bad_alloc&) {
        if (error) *error = "cannot save \"" + path + "\": not enough memory";
        if (errnoValue) *errnoValue = ENOMEM;
        return false;
    }
    return writeFileReplacing(path, image, error, errnoValue);
}

} // namespace cantelo

#include "core/song/midi_reader.h"

#include "core/files/regular_file.h"
#include "core/song/midi_song.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace cantelo {

namespace {

constexpr std::size_t kScrambledBytes = 256;
constexpr std::size_t kKeyBytes = 13;
constexpr std::int32_t kMaxTick = std::numeric_limits<std::int32_t>::max();

// Ticks are 32-bit signed in the model: a position past the last one stays there instead of
// wrapping to a negative tick.
std::int32_t tickPlus(std::int32_t tick, std::uint32_t delta) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{tick} + delta, std::int64_t{kMaxTick}));
}

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}
std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// Parses the events of one track chunk into the song. Every read is bounded by `end`; an event
// that runs past the end of its chunk ends the chunk.
class ChunkParser {
public:
    ChunkParser(CMidiSong& song, std::array<CChannelTrack*, 16>& tracks,
                std::array<std::vector<CObjectEventNote*>, 16 * 128>& openNotes,
                std::int32_t& greatestTick)
        : m_song(song), m_tracks(tracks), m_openNotes(openNotes), m_greatest(greatestTick),
          m_provisionalLength(static_cast<std::uint32_t>(song.division() / 24)) {}

    void parse(const std::uint8_t* begin, const std::uint8_t* end, std::int32_t chunkIndex) {
        m_p = begin;
        m_end = end;
        m_chunk = chunkIndex;
        m_tick = 0;
        m_current = nullptr;
        m_running = 0;
        m_trackName.clear();
        while (m_p < m_end) {
            m_tick = tickPlus(m_tick, readVlq());
            if (m_p >= m_end) break;
            if (!parseEvent()) break;
        }
    }

private:
    std::uint32_t readVlq() {
        std::uint32_t v = 0;
        while (m_p < m_end) {
            const std::uint8_t b = *m_p++;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) break;
        }
        return v;
    }

    // Length of a meta or SysEx event: a variable-length quantity, except that a file written
    // with a one-byte length of 0x80..0xFF still opens: when the longer reading would run past
    // the chunk, the byte alone is the length. The result never runs past the chunk.
    std::size_t readLength() {
        const std::uint8_t* start = m_p;
        const std::uint32_t v = readVlq();
        const auto left = static_cast<std::size_t>(m_end - m_p);
        if (v <= left) return v;
        m_p = start + 1;
        return std::min<std::size_t>(*start, static_cast<std::size_t>(m_end - m_p));
    }

    std::int32_t tick() const { return m_tick; }

    void reach(CChannelTrack* t, std::int32_t tick) {
        t->lastTick = std::max(t->lastTick, tick);
        m_greatest = std::max(m_greatest, tick);
    }

    CChannelTrack* trackFor(std::uint8_t channel) {
        CChannelTrack*& t = m_tracks[channel];
        if (!t) {
            CChannelTrack templ;
            templ.channel = channel;
            templ.firstTick = templ.lastTick = tick();
            templ.name = m_trackName;
            t = m_song.createTrack(templ);
        }
        return t;
    }

    bool parseEvent() {
        std::uint8_t b = *m_p;
        if (b >= 0xF0) {
            ++m_p;
            if (b == 0xFF) return parseMeta();
            return parseSysEx();
        }
        bool ownStatus = b & 0x80;
        std::uint8_t kind;
        if (ownStatus) {
            kind = b & 0xF0;
            const std::uint8_t channel = b & 0x0F;
            m_song.lastChannel = channel;
            m_current = trackFor(channel);
            m_running = kind;
            ++m_p;
        } else if (m_running == 0 || !m_current) {
            ++m_p; // a data byte with no status in force: skipped alone
            return true;
        } else {
            kind = m_running;
        }
        const int need = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (m_end - m_p < need) return false;
        const std::uint8_t d1 = m_p[0] & 0x7F;
        const std::uint8_t d2 = need == 2 ? (m_p[1] & 0x7F) : 0;
        m_p += need;
        channelEvent(kind, d1, d2, ownStatus);
        return true;
    }

    void channelEvent(std::uint8_t kind, std::uint8_t d1, std::uint8_t d2, bool ownStatus) {
        CChannelTrack* t = m_current;
        const std::int32_t now = tick();
        switch (kind) {
        case 0x80:
        case 0x90: {
            const int ch = t->channel;
            if (ownStatus) m_song.channelUsed[static_cast<std::size_t>(ch)] = true;
            auto& open = m_openNotes[static_cast<std::size_t>(ch * 128 + d1)];
            if (kind == 0x90 && d2 > 0) {
                const std::int32_t provisionalEnd = tickPlus(now, m_provisionalLength);
                reach(t, provisionalEnd);
                t->firstTick = std::min(t->firstTick, now);
                auto* n = m_song.data().make<CObjectEventNote>();
                n->tick = now;
                n->offTick = provisionalEnd;
                n->key = d1;
                n->velocity = d2;
                n->open = 1;
                t->events.pushBack(n);
                open.push_back(n);
            } else {
                // The most recent open note of this key closes first.
                if (!open.empty()) {
                    CObjectEventNote* n = open.back();
                    open.pop_back();
                    n->offTick = now == n->tick ? tickPlus(now, 1) : now;
                    n->open = 0;
                    reach(t, now);
                }
            }
            break;
        }
        case 0xA0: {
            reach(t, now);
            auto* e = m_song.data().make<CObjectEventKeyAfterTouch>();
            e->tick = now;
            e->key = d1;
            e->pressure = d2;
            t->events.pushBack(e);
            break;
        }
        case 0xD0: {
            reach(t, now);
            auto* e = m_song.data().make<CObjectEventChannelPressure>();
            e->tick = now;
            e->pressure = d1;
            t->events.pushBack(e);
            break;
        }
        case 0xE0: {
            reach(t, now);
            auto* e = m_song.data().make<CObjectEventPitchBend>();
            e->tick = now;
            e->lsb = d1;
            e->msb = d2;
            t->events.pushBack(e);
            break;
        }
        case 0xC0: {
            reach(t, now);
            t->firstTick = std::min(t->firstTick, now);
            auto* e = m_song.data().make<CObjectEventProgramChange>();
            e->tick = now;
            e->program = d1;
            t->events.pushBack(e);
            if (now == 0) m_song.setChannelProgram(t->channel, 0, d1);
            m_song.addChase(e, t->channel);
            break;
        }
        case 0xB0: {
            reach(t, now);
            t->firstTick = std::min(t->firstTick, now);
            auto* e = m_song.data().make<CObjectEventControlChange>();
            e->tick = now;
            e->controller = d1;
            e->value = (t->channel == 9 && d1 == 98) ? 0 : d2;
            t->events.pushBack(e);
            m_song.addChase(e, t->channel);
            break;
        }
        default:
            break;
        }
    }

    bool parseSysEx() {
        const std::size_t len = readLength();
        m_song.addSysEx({m_p, len}, tick());
        m_p += len;
        return true;
    }

    bool parseMeta() {
        if (m_p >= m_end) return false;
        const std::uint8_t type = *m_p++;
        if (m_p >= m_end) return false;
        const std::size_t len = readLength();
        const std::uint8_t* data = m_p;
        const auto left = static_cast<std::size_t>(m_end - data);
        m_p += len;
        switch (type) {
        case 0x51:
            // Only the first three bytes count, whatever the length says, as long as they
            // lie inside the chunk.
            if (left >= 3) {
                const std::uint32_t us =
                    (std::uint32_t{data[0]} << 16) | (std::uint32_t{data[1]} << 8) | data[2];
                m_song.setTempoAt(tick(),
                                  us == 0 ? 120 : static_cast<std::int32_t>(60000000u / us));
            }
            break;
        case 0x58:
            if (left >= 4) m_song.setTimeSignatureAt(tick(), data);
            break;
        case 0x03:
            m_trackName.assign(reinterpret_cast<const char*>(data), len);
            if (m_current && m_current->name.starts_with("MIDI")) m_current->name = m_trackName;
            break;
        case 0x01:
        case 0x02:
        case 0x05:
        case 0x06:
        case 0x07:
            m_song.addTextEvent(type, {data, len}, tick(), m_chunk);
            break;
        default:
            break;
        }
        return true;
    }

    CMidiSong& m_song;
    std::array<CChannelTrack*, 16>& m_tracks;
    std::array<std::vector<CObjectEventNote*>, 16 * 128>& m_openNotes;
    std::int32_t& m_greatest;
    const std::uint32_t m_provisionalLength; // a note-on's length until its note-off is read

    const std::uint8_t* m_p = nullptr;
    const std::uint8_t* m_end = nullptr;
    std::int32_t m_chunk = 0;
    std::int32_t m_tick = 0;
    CChannelTrack* m_current = nullptr;
    std::uint8_t m_running = 0; // last channel status kind of the chunk; survives meta and SysEx
    std::string m_trackName;
};

} // namespace

bool descrambleImage(std::span<std::uint8_t> image) {
    if (image.size() >= 4 && std::memcmp(image.data(), "MThd", 4) == 0) return false;
    const std::size_t keyBytes = std::min(kKeyBytes, image.size());
    std::uint8_t key = 0;
    for (std::size_t i = image.size() - keyBytes; i < image.size(); ++i) key ^= image[i];
    const std::size_t n = std::min(kScrambledBytes, image.size());
    for (std::size_t i = 0; i < n; ++i) image[i] ^= key;
    return true;
}

namespace {

// Whether 14 plain bytes open a file this reader takes: a format 0 or 1 header with tracks and a
// ticks-per-quarter division (time-code divisions, top bit set, are not ticks).
bool headerAccepted(const std::uint8_t* p) {
    if (std::memcmp(p, "MThd", 4) != 0 || be32(p + 4) != 6) return false;
    const std::uint16_t division = be16(p + 12);
    return be16(p + 8) <= 1 && be16(p + 10) != 0 && division != 0 && !(division & 0x8000);
}

bool startsPlain(std::span<const std::uint8_t> image) {
    return image.size() >= 4 && std::memcmp(image.data(), "MThd", 4) == 0;
}

bool readPlainImage(CMidiSong& song, std::span<const std::uint8_t> image, const std::string& path,
                    bool scrambled);

} // namespace

Result readSongFile(CMidiSong& song, const std::string& path) {
    try {
        RegularFileReader file;
        if (Result opened = file.open(path, kMaxSongFileBytes); !opened) return opened;
        // The header decides before the whole file is read: a large file that is not a song
        // costs two small reads, not its size in memory.
        const std::size_t size = file.size();
        std::array<std::uint8_t, 14> head{};
        if (size < head.size() || !file.readAt(0, head))
            return Result::failure(FailureReason::Unrecognised, path);
        if (!startsPlain(head)) {
            std::array<std::uint8_t, kKeyBytes> tail{};
            const std::size_t keyBytes = std::min(kKeyBytes, size);
            if (!file.readAt(size - keyBytes, std::span(tail).first(keyBytes)))
                return Result::failure(FailureReason::Other, path);
            std::uint8_t key = 0;
            for (std::size_t i = 0; i < keyBytes; ++i) key ^= tail[i];
            for (auto& b : head) b ^= key;
        }
        if (!headerAccepted(head.data())) return Result::failure(FailureReason::Unrecognised, path);

        std::vector<std::uint8_t> image;
        if (Result read = file.readAll(image); !read) return read;
        const bool scrambled = descrambleImage(image);
        if (!readPlainImage(song, image, path, scrambled))
            return Result::failure(FailureReason::Unrecognised, path);
        return Result::success();
    } catch (const std::bad_alloc&) {
        // A song too large for the memory there is: refused like one beyond the limit.
        return Result::failure(FailureReason::TooLarge, path);
    }
}

bool readSongImage(CMidiSong& song, std::span<const std::uint8_t> image, const std::string& path) {
    if (startsPlain(image)) return readPlainImage(song, image, path, false);
    std::vector<std::uint8_t> plain(image.begin(), image.end());
    descrambleImage(plain);
    return readPlainImage(song, plain, path, true);
}

namespace {

bool readPlainImage(CMidiSong& song, std::span<const std::uint8_t> image, const std::string& path,
                    bool scrambled) {
    song.channelUsed.fill(false);
    song.lastChannel = 0x40;
    song.scrambled = scrambled;
    const std::uint8_t* const base = image.data();
    const std::size_t size = image.size();
    if (size < 14 || !headerAccepted(base)) return false;
    const std::uint16_t declaredTracks = be16(base + 10);
    song.format = be16(base + 8);
    song.setDivision(be16(base + 12));

    std::array<CChannelTrack*, 16> tracks{};
    for (auto& t : song.data().tracks) tracks[static_cast<std::size_t>(t.channel & 15)] = &t;
    auto openNotes = std::make_unique<std::array<std::vector<CObjectEventNote*>, 16 * 128>>();
    std::int32_t greatest = 0;
    ChunkParser parser(song, tracks, *openNotes, greatest);

    // Foreign chunks are skipped and not counted; a header that announces more tracks than the
    // file holds gives the tracks that are there; a chunk that claims more bytes than the file
    // has is read to the end of the file; bytes after the last chunk are ignored.
    std::size_t pos = 14;
    int chunksRead = 0;
    while (chunksRead < declaredTracks && size - pos >= 8) {
        const std::uint8_t* header = base + pos;
        const std::size_t declared = be32(header + 4);
        const std::size_t available = size - pos - 8;
        const std::size_t len = std::min(declared, available);
        if (std::memcmp(header, "MTrk", 4) == 0) {
            parser.parse(header + 8, header + 8 + len, chunksRead);
            ++chunksRead;
        }
        pos += 8 + len;
    }
    if (chunksRead == 0) return false;

    song.trackCount = chunksRead - 1;
    song.songLength = greatest;
    song.fileName = path;
    return true;
}

} // namespace

namespace {

std::size_t lengthAt(const CharacterLength& charLength, std::string_view s, std::size_t pos) {
    return charLength ? std::max<std::size_t>(charLength(s, pos), 1) : 1;
}

// Whether the text ends in the one-byte character `c` (not in a character that ends in its byte).
bool endsWithMark(const std::string& s, char c, const CharacterLength& charLength) {
    if (s.empty() || s.back() != c) return false;
    if (!charLength) return true;
    std::size_t at = 0;
    while (at + 1 < s.size()) at += lengthAt(charLength, s, at);
    return at == s.size() - 1;
}

} // namespace

std::string cleanLyricText(std::string s, const CharacterLength& charLength) {
    if (endsWithMark(s, '|', charLength) || endsWithMark(s, '\n', charLength)) s.back() = '\r';
    if (endsWithMark(s, '_', charLength)) s.pop_back();
    if (endsWithMark(s, '-', charLength)) s.pop_back();
    // The first byte always starts a character.
    if (!s.empty() && (s.front() == '/' || s.front() == '\\' || s.front() == '<')) s.front() = '\r';
    if (s.size() >= 2 && s[0] == ' ' && s[1] == '/') {
        s.erase(0, 1);
        s[0] = '\r';
    }
    std::string out;
    out.reserve(s.size());
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = lengthAt(charLength, s, at);
        const char c = s[at];
        if (n > 1)
            out.append(s, at, n);
        else if (c != '|')
            out += (c == '_' || c == '<' || c == '>') ? ' ' : c;
        at += n;
    }
    while (out.size() >= 2 && out[out.size() - 1] == ' ' && out[out.size() - 2] == ' ')
        out.pop_back();
    if (out == " ") out.clear();
    return out;
}

void extractLyrics(CMidiSong& song, std::array<TItemLyr, 512>& lists,
                   const CharacterLength& charLength) {
    std::array<bool, kLyricChunks> lineStarted{};
    std::array<bool, kLyricChunks> spaceAfterWords{};
    for (auto& ev : song.data().texts) {
        if (ev.type != 1 && ev.type != 5) continue;
        if (ev.track < 0 || ev.track >= kLyricChunks) continue; // no lyric state past chunk 511
        const auto k = static_cast<std::size_t>(ev.track);
        // The text as the C string it was: up to the first NUL byte.
        const auto* bytes = reinterpret_cast<const char*>(ev.data.data());
        std::string text(bytes, strnlen(bytes, ev.data.size()));
        LyricSource& source = song.lyricSource[k];
        if (ev.type == 1) {
            if (source == LyricSource::Lyr || ev.tick <= 100) continue;
            const bool leadingSpace = !text.empty() && text[0] == ' ';
            const char c =
                leadingSpace ? (text.size() > 1 ? text[1] : '\0') : (text.empty() ? '\0' : text[0]);
            if (c == '@') continue;
            if (c == '/' || c == '\\') {
                if (leadingSpace) text.erase(0, 1);
                lists[k].add(text, 0, ev.tick);
                ev.extracted = true;
                source = LyricSource::Text;
                lineStarted[k] = true;
            } else if (lineStarted[k] && !text.empty() && text != " ") {
                lists[k].add(text, 0, ev.tick);
                ev.extracted = true;
            }
        } else {
            if (source == LyricSource::Text || ev.tick <= 100) continue;
            if (source == LyricSource::Undecided && !text.empty() && text[0] == '\r') continue;
            if (text == ">") spaceAfterWords[k] = true;
            if (spaceAfterWords[k]) {
                const char first = text.empty() ? '\0' : text.front();
                const char last = text.empty() ? '\0' : text.back();
                if (first != '\r' && first != '\n' && last != ' ' && last != '-') text += ' ';
            }
            text = cleanLyricText(std::move(text), charLength);
            if (text.empty() || text[0] == '%') continue;
            lists[k].add(text, 0, ev.tick);
            ev.extracted = true;
            source = LyricSource::Lyr;
        }
    }
}

} // namespace cantelo

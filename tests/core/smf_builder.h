#pragma once

// Builds Standard MIDI File bytes inside tests, including the damaged shapes real files have:
// wrong counts and lengths, foreign chunks, one-byte meta lengths, trailing bytes.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo::test {

using Bytes = std::vector<std::uint8_t>;

inline void appendVlq(Bytes& out, std::uint32_t v) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v);
    while (n > 1) out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

inline void appendBe(Bytes& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline Bytes bytesOf(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// The events of one track chunk. Every call takes the delta time before the event, so a test
// reads like the file: delta, status, data.
class SmfTrack {
public:
    // Raw bytes after the delta (status or running-status data bytes, anything at all).
    SmfTrack& event(std::uint32_t delta, std::initializer_list<std::uint8_t> raw) {
        appendVlq(m_bytes, delta);
        m_bytes.insert(m_bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    // Bytes with no delta in front: for a delta written by hand or garbage.
    SmfTrack& raw(const Bytes& raw) {
        m_bytes.insert(m_bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    SmfTrack& noteOn(std::uint32_t delta, int ch, int key, int vel) {
        return event(delta, {static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(key),
                             static_cast<std::uint8_t>(vel)});
    }
    SmfTrack& noteOff(std::uint32_t delta, int ch, int key, int vel = 64) {
        return event(delta, {static_cast<std::uint8_t>(0x80 | ch), static_cast<std::uint8_t>(key),
                             static_cast<std::uint8_t>(vel)});
    }
    // A meta event with a variable-length length, as the file format defines it.
    SmfTrack& meta(std::uint32_t delta, std::uint8_t type, const Bytes& data) {
        event(delta, {0xFF, type});
        appendVlq(m_bytes, static_cast<std::uint32_t>(data.size()));
        return raw(data);
    }
    SmfTrack& meta(std::uint32_t delta, std::uint8_t type, std::string_view text) {
        return meta(delta, type, bytesOf(text));
    }
    // A meta event written by older tools: its length is one byte whatever its value.
    SmfTrack& metaOneByteLength(std::uint32_t delta, std::uint8_t type, const Bytes& data) {
        return event(delta, {0xFF, type, static_cast<std::uint8_t>(data.size())}).raw(data);
    }
    SmfTrack& tempo(std::uint32_t delta, std::uint32_t usPerQuarter) {
        return meta(delta, 0x51,
                    Bytes{static_cast<std::uint8_t>(usPerQuarter >> 16),
                          static_cast<std::uint8_t>(usPerQuarter >> 8),
                          static_cast<std::uint8_t>(usPerQuarter)});
    }
    // `data` is everything after the length (for a normal SysEx, ending in 0xF7).
    SmfTrack& sysEx(std::uint32_t delta, const Bytes& data) {
        event(delta, {0xF0});
        appendVlq(m_bytes, static_cast<std::uint32_t>(data.size()));
        return raw(data);
    }
    SmfTrack& endOfTrack(std::uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// A whole file: the header and its chunks in order. The header counts the "MTrk" chunks added
// unless a test announces another count.
class SmfFile {
public:
    explicit SmfFile(std::uint16_t format = 1, std::uint16_t division = 480)
        : m_format(format), m_division(division) {}

    SmfFile& track(const SmfTrack& t) {
        ++m_trackChunks;
        return chunk("MTrk", t.bytes());
    }
    SmfFile& chunk(std::string_view type, const Bytes& body) {
        m_body.insert(m_body.end(), type.begin(), type.end());
        appendBe(m_body, static_cast<std::uint32_t>(body.size()), 4);
        return trailing(body);
    }
    // Bytes after the last chunk.
    SmfFile& trailing(const Bytes& b) {
        m_body.insert(m_body.end(), b.begin(), b.end());
        return *this;
    }
    SmfFile& announceTracks(std::uint16_t n) {
        m_announced = n;
        return *this;
    }
    SmfFile& headerLength(std::uint32_t n) {
        m_headerLength = n;
        return *this;
    }

    Bytes bytes() const {
        Bytes out = bytesOf("MThd");
        appendBe(out, m_headerLength, 4);
        appendBe(out, m_format, 2);
        appendBe(out, m_announced.value_or(m_trackChunks), 2);
        appendBe(out, m_division, 2);
        out.insert(out.end(), m_body.begin(), m_body.end());
        return out;
    }

private:
    std::uint16_t m_format;
    std::uint16_t m_division;
    std::uint16_t m_trackChunks = 0;
    std::optional<std::uint16_t> m_announced;
    std::uint32_t m_headerLength = 6;
    Bytes m_body;
};

// The .nvk form of a plain image: padded with zeros after the last chunk up to 256 bytes, then 13
// bytes appended whose XOR is `key`, then the first 256 bytes XOR-ed with `key`. A reader
// ignores bytes after the last chunk, so the song is the plain image's.
inline Bytes scrambleImage(Bytes plain, std::uint8_t key) {
    if (plain.size() < 256) plain.resize(256, 0);
    std::uint8_t x = key;
    for (int i = 1; i <= 12; ++i) {
        plain.push_back(static_cast<std::uint8_t>(0x11 * i));
        x ^= plain.back();
    }
    plain.push_back(x);
    for (std::size_t i = 0; i < 256; ++i) plain[i] ^= key;
    return plain;
}

} // namespace cantelo::test

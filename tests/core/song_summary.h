#pragma once

// Everything a read puts into a song, as text, so two reads can be compared with one EXPECT_EQ
// and a failure shows where they part.

#include "core/song/midi_song.h"

#include <cstdio>
#include <string>

namespace cantelo::test {

inline std::string hexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

inline std::string eventLine(const CObjectEvent& e) {
    char buf[96];
    switch (e.status()) {
    case 0x90: {
        const auto& n = static_cast<const CObjectEventNote&>(e);
        std::snprintf(buf, sizeof buf, "note %d key %d vel %d off %d open %d", n.tick, n.key,
                      n.velocity, n.offTick, n.open);
        break;
    }
    case 0xB0: {
        const auto& c = static_cast<const CObjectEventControlChange&>(e);
        std::snprintf(buf, sizeof buf, "cc %d %d=%d", c.tick, c.controller, c.value);
        break;
    }
    case 0xC0: {
        const auto& p = static_cast<const CObjectEventProgramChange&>(e);
        std::snprintf(buf, sizeof buf, "program %d %d", p.tick, p.program);
        break;
    }
    case 0xE0: {
        const auto& p = static_cast<const CObjectEventPitchBend&>(e);
        std::snprintf(buf, sizeof buf, "bend %d %d %d", p.tick, p.lsb, p.msb);
        break;
    }
    case 0xA0: {
        const auto& k = static_cast<const CObjectEventKeyAfterTouch&>(e);
        std::snprintf(buf, sizeof buf, "keypressure %d %d %d", k.tick, k.key, k.pressure);
        break;
    }
    case 0xD0: {
        const auto& c = static_cast<const CObjectEventChannelPressure&>(e);
        std::snprintf(buf, sizeof buf, "pressure %d %d", c.tick, c.pressure);
        break;
    }
    default:
        std::snprintf(buf, sizeof buf, "status %02X at %d", e.status(), e.tick);
    }
    return buf;
}

// Every list and value a read sets, except `fileName` and `scrambled`.
inline std::string songSummary(const CMidiSong& song) {
    std::string out;
    char buf[128];
    std::snprintf(buf, sizeof buf, "format %d division %d chunks %d length %d\n", song.format,
                  song.division(), song.trackCount + 1, song.songLength);
    out += buf;
    for (const auto& t : song.data().tempos) {
        std::snprintf(buf, sizeof buf, "tempo %d %d %s\n", t.tick, t.bpm, hexBytes(t.data).c_str());
        out += buf;
    }
    for (const auto& s : song.data().signatures) {
        std::snprintf(buf, sizeof buf, "signature %d measure %d %s\n", s.tick, s.measure,
                      hexBytes(s.data).c_str());
        out += buf;
    }
    for (const auto& t : song.data().texts) {
        std::snprintf(buf, sizeof buf, "text type %d tick %d chunk %d ", t.type, t.tick, t.track);
        out += buf + hexBytes(t.data) + "\n";
    }
    for (const auto& x : song.data().sysEx) {
        std::snprintf(buf, sizeof buf, "sysex %d channel %d flag %d ", x.tick, x.channel, x.flag);
        out += buf + hexBytes(x.data) + "\n";
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        for (const auto& p : song.data().programs[static_cast<std::size_t>(ch)]) {
            std::snprintf(buf, sizeof buf, "channel program %d %d %d\n", ch, p.tick, p.program);
            out += buf;
        }
    }
    for (const auto& c : song.data().chase) {
        std::snprintf(buf, sizeof buf, "chase %u %d %02X %d %d\n", c.tick, c.channel, c.status,
                      c.data1, c.data2);
        out += buf;
    }
    for (const auto& t : song.data().tracks) {
        std::snprintf(buf, sizeof buf, "track %d first %d last %d used %d name ", t.channel,
                      t.firstTick, t.lastTick,
                      static_cast<int>(song.channelUsed[static_cast<std::size_t>(t.channel)]));
        out += buf + t.name + "\n";
        for (const auto& e : t.events) out += "  " + eventLine(e) + "\n";
    }
    return out;
}

} // namespace cantelo::test

#pragma once

// Everything a read puts into a song, as text, so two reads can be compared with one EXPECT_EQ
// and a failure shows where they part.

#include "core/song/midi_song.h"

#include <cstdio>
#include <string>

namespace cantelo::test {

template <typename... Args>
std::string printed(const char* format, Args... args) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

inline std::string hexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    for (std::uint8_t b : data) out += printed("%02X", b);
    return out;
}

template <typename T>
const T& as(const CObjectEvent& e) {
    return static_cast<const T&>(e);
}

inline std::string eventLine(const CObjectEvent& e) {
    switch (e.status()) {
    case 0x90: {
        const auto& n = as<CObjectEventNote>(e);
        return printed("note %d key %d vel %d off %d open %d", n.tick, n.key, n.velocity, n.offTick,
                       n.open);
    }
    case 0xB0: {
        const auto& c = as<CObjectEventControlChange>(e);
        return printed("cc %d %d=%d", c.tick, c.controller, c.value);
    }
    case 0xC0:
        return printed("program %d %d", e.tick, as<CObjectEventProgramChange>(e).program);
    case 0xE0: {
        const auto& p = as<CObjectEventPitchBend>(e);
        return printed("bend %d %d %d", p.tick, p.lsb, p.msb);
    }
    case 0xA0: {
        const auto& k = as<CObjectEventKeyAfterTouch>(e);
        return printed("keypressure %d %d %d", k.tick, k.key, k.pressure);
    }
    case 0xD0:
        return printed("pressure %d %d", e.tick, as<CObjectEventChannelPressure>(e).pressure);
    default:
        return printed("status %02X at %d", e.status(), e.tick);
    }
}

// Every list and value a read sets, except `fileName` and `scrambled`.
inline std::string songSummary(const CMidiSong& song) {
    std::string out = printed("format %d division %d chunks %d length %d\n", song.format,
                              song.division(), song.trackCount + 1, song.songLength);
    for (const auto& t : song.data().tempos)
        out += printed("tempo %d %d ", t.tick, t.bpm) + hexBytes(t.data) + "\n";
    for (const auto& s : song.data().signatures)
        out += printed("signature %d measure %d ", s.tick, s.measure) + hexBytes(s.data) + "\n";
    for (const auto& t : song.data().texts)
        out += printed("text type %d tick %d chunk %d ", t.type, t.tick, t.track) +
               hexBytes(t.data) + "\n";
    for (const auto& x : song.data().sysEx)
        out += printed("sysex %d channel %d flag %d ", x.tick, x.channel, x.flag) +
               hexBytes(x.data) + "\n";
    for (int ch = 0; ch < kChannels; ++ch)
        for (const auto& p : song.data().programs[static_cast<std::size_t>(ch)])
            out += printed("channel program %d %d %d\n", ch, p.tick, p.program);
    for (const auto& c : song.data().chase)
        out += printed("chase %u %d %02X %d %d\n", c.tick, c.channel, c.status, c.data1, c.data2);
    for (const auto& t : song.data().tracks) {
        out += printed("track %d first %d last %d used %d name ", t.channel, t.firstTick,
                       t.lastTick, int(song.channelUsed[static_cast<std::size_t>(t.channel)])) +
               t.name + "\n";
        for (const auto& e : t.events) out += "  " + eventLine(e) + "\n";
    }
    return out;
}

} // namespace cantelo::test

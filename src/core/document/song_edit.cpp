#include "core/document/song_edit.h"

#include <algorithm>

namespace cantelo {

namespace {

bool isControl(const CObjectEvent& e) {
    return e.status() == 0xB0 || e.status() == 0xC0;
}

} // namespace

SongState SongState::capture(const CMidiSong& song, const SongScope& scope) {
    SongState s;
    const CSongData& data = song.data();
    if (scope.tempos) {
        s.m_tempos.emplace();
        for (const auto& t : data.tempos) s.m_tempos->push_back({t.tick, t.bpm, t.lastSet, t.data});
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        if (scope.controlChannels & (1u << ch)) {
            Channel c;
            c.channel = ch;
            if (const CChannelTrack* track = song.findTrack(ch)) {
                std::int32_t index = 0;
                for (const auto& e : track->events) {
                    if (e.status() == 0xB0) {
                        const auto& cc = static_cast<const CObjectEventControlChange&>(e);
                        c.controls.push_back({index, e.tick, 0xB0, cc.controller, cc.value});
                    } else if (e.status() == 0xC0) {
                        const auto& pc = static_cast<const CObjectEventProgramChange&>(e);
                        c.controls.push_back({index, e.tick, 0xC0, pc.program, 0});
                    }
                    ++index;
                }
            }
            for (const auto& pc : data.programs[static_cast<std::size_t>(ch)])
                c.programs.push_back({pc.tick, pc.program, pc.chase != nullptr});
            s.m_channels.push_back(std::move(c));
        }
        if (scope.velocityChannels & (1u << ch)) {
            Velocities v;
            v.channel = ch;
            if (const CChannelTrack* track = song.findTrack(ch)) {
                for (const auto& e : track->events)
                    if (e.status() == 0x90)
                        v.values.push_back(static_cast<std::uint8_t>(
                            static_cast<const CObjectEventNote&>(e).velocity & 0xFF));
            }
            s.m_velocities.push_back(std::move(v));
        }
    }
    return s;
}

void SongState::restore(CMidiSong& song) const {
    if (m_tempos) restoreTempos(song, *m_tempos);
    for (const Channel& c : m_channels) restoreChannel(song, c);
    for (const Velocities& v : m_velocities) restoreVelocities(song, v);
}

void SongState::restoreTempos(CMidiSong& song, const std::vector<Tempo>& tempos) {
    CSongData& data = song.data();
    auto& list = data.tempos;
    // The tools change tempo values, never the number of events: values are put back in place,
    // so the playback thread, which reads the list, never sees it relinked.
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& t : list) ++n;
    if (n != tempos.size()) {
        data.lastSetTempo = nullptr;
        list.clear();
        for (std::size_t i = 0; i < tempos.size(); ++i)
            list.pushBack(data.make<CObjectMetaEventTempo>());
    }
    data.lastSetTempo = nullptr;
    std::size_t i = 0;
    for (auto& t : list) {
        const Tempo& from = tempos[i++];
        t.tick = from.tick;
        t.bpm = from.bpm;
        t.data = from.data;
        t.lastSet = from.lastSet;
        if (t.lastSet) data.lastSetTempo = &t;
    }
    song.tempoListRestored();
}

void SongState::restoreChannel(CMidiSong& song, const Channel& c) {
    // The channel's program list: its own events, some mirrored in the chase list.
    auto& programs = song.data().programs[static_cast<std::size_t>(c.channel)];
    while (CObjectEventProgramChange* pc = programs.head()) {
        programs.unlink(pc);
        if (pc->chase) song.removeChase(pc->chase);
        delete pc;
    }
    for (const ListedProgram& p : c.programs) {
        auto* pc = song.data().make<CObjectEventProgramChange>();
        pc->tick = p.tick;
        pc->program = p.program;
        if (p.chased) song.addChase(pc, c.channel);
        programs.pushBack(pc);
    }

    CChannelTrack* track = song.findTrack(c.channel);
    if (!track) return;
    for (CObjectEvent* e = track->events.head(); e;) {
        CObjectEvent* next = e->next;
        if (isControl(*e)) song.removeEvent(track, e);
        e = next;
    }
    // The other events kept their order; each control goes back before the event that now
    // stands at its old place.
    CObjectEvent* at = track->events.head();
    std::int32_t index = 0;
    for (const Control& k : c.controls) {
        while (at && index < k.index) {
            at = at->next;
            ++index;
        }
        CObjectEvent* e;
        if (k.status == 0xB0) {
            auto* cc = song.data().make<CObjectEventControlChange>();
            cc->controller = k.number;
            cc->value = k.value;
            e = cc;
        } else {
            auto* pc = song.data().make<CObjectEventProgramChange>();
            pc->program = k.number;
            e = pc;
        }
        e->tick = k.tick;
        track->events.insertBefore(at, e);
        song.addChase(e, c.channel);
        ++index; // the inserted event now holds this place
    }
}

void SongState::restoreVelocities(CMidiSong& song, const Velocities& v) {
    CChannelTrack* track = song.findTrack(v.channel);
    if (!track) return;
    std::size_t i = 0;
    for (auto& e : track->events) {
        if (e.status() != 0x90 || i >= v.values.size()) continue;
        static_cast<CObjectEventNote&>(e).velocity = v.values[i++];
    }
}

} // namespace cantelo

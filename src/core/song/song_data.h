#pragma once

#include "core/song/intrusive_list.h"
#include "core/song/midi_events.h"

#include <array>
#include <cstdint>
#include <string>

namespace cantelo {

using EventList = IntrusiveList<CObjectEvent>;
template <typename T>
using TypedEventList = IntrusiveList<T, CObjectEvent>;

// The events of one MIDI channel, in reading order (not sorted by tick: a channel whose events
// come from several file chunks holds the first chunk's events before the next chunk's).
struct CChannelTrack {
    std::int32_t channel = 0;
    std::int32_t firstTick = 0;
    std::int32_t lastTick = 0;
    std::string name;
    CChannelTrack* prev = nullptr;
    CChannelTrack* next = nullptr;
    EventList events;
};

// Owns every list of the song, and the pool their events and chase entries are made in.
struct CSongData {
    EventPool pool;                             // first: outlives every list
    TypedEventList<CObjectMetaEventText> texts; // reading order
    std::array<TypedEventList<CObjectEventProgramChange>, 16> programs; // sorted by tick
    // The song's time map mirrors the next two: they change only through the song's setters.
    TypedEventList<CObjectMetaEventTimeSignature> signatures; // sorted by measure
    TypedEventList<CObjectMetaEventTempo> tempos;             // sorted by tick
    TypedEventList<CObjectSysExData> sysEx;                   // reading order
    IntrusiveList<CChaseEntry> chase;                         // order of adding
    IntrusiveList<CChannelTrack> tracks;                      // order of first use
    // The tempo event whose lastSet is 1; whoever removes a tempo event clears this if it is it.
    CObjectMetaEventTempo* lastSetTempo = nullptr;

    CSongData() = default;
    CSongData(const CSongData&) = delete;
    CSongData& operator=(const CSongData&) = delete;
    ~CSongData() { clear(); }

    // A new event or chase entry of this song, to be linked into one of its lists.
    template <typename T>
    T* make() {
        return new (pool) T;
    }

    void clear() {
        // Channel events and chase entries own nothing: rather than freed one by one, they go
        // with their pool's memory at the end. Tracks first: they hold the events whose chase
        // entries the chase list owns.
        const bool wholesale = EventPool::releasesWholesale();
        if (wholesale) {
            for (auto& t : tracks) t.events.forget();
            for (auto& p : programs) p.forget();
            chase.forget();
        }
        tracks.clear();
        for (auto& p : programs) p.clear();
        texts.clear();
        signatures.clear();
        tempos.clear();
        sysEx.clear();
        chase.clear();
        lastSetTempo = nullptr;
        if (wholesale) pool.releaseAll();
    }
};

} // namespace cantelo

#pragma once

#include "core/document/document_change.h"
#include "core/lyrics/lyrics_history.h"
#include "core/song/midi_song.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cantelo {

// The parts of the song that a tool's edit may touch. Only these are kept for its undo step, so
// that a step costs the events it concerns rather than a copy of the song.
struct SongScope {
    bool tempos = false;
    std::uint16_t controlChannels = 0;  // bit c: channel c's program and control changes
    std::uint16_t velocityChannels = 0; // bit c: the velocities of channel c's notes

    static SongScope tempoList() { return {true, 0, 0}; }
    static SongScope controls(int ch) { return {false, bit(ch), 0}; }
    static SongScope allControls() { return {false, 0xFFFF, 0}; }
    static SongScope velocities(int ch) { return {false, 0, bit(ch)}; }

private:
    static std::uint16_t bit(int ch) { return static_cast<std::uint16_t>(1u << (ch & 15)); }
};

// The state of a scope's parts, exactly enough to put them back: the tempo events' values, each
// channel's program and control changes with their places among the channel's events (which
// decide the saved byte order), the channel's program list, and the note velocities.
class SongState {
public:
    static SongState capture(const CMidiSong& song, const SongScope& scope);
    void restore(CMidiSong& song) const;
    friend bool operator==(const SongState&, const SongState&) = default;

private:
    struct Tempo {
        std::int32_t tick = 0;
        std::int32_t bpm = 0;
        std::int32_t lastSet = 0;
        std::vector<std::uint8_t> data;
        friend bool operator==(const Tempo&, const Tempo&) = default;
    };
    struct Control {
        std::int32_t index = 0; // place among the channel track's events
        std::int32_t tick = 0;
        std::uint8_t status = 0; // 0xB0 or 0xC0
        std::int32_t number = 0; // controller, or program
        std::int32_t value = 0;
        friend bool operator==(const Control&, const Control&) = default;
    };
    struct ListedProgram {
        std::int32_t tick = 0;
        std::int32_t program = 0;
        bool chased = false;
        friend bool operator==(const ListedProgram&, const ListedProgram&) = default;
    };
    struct Channel {
        int channel = 0;
        std::vector<Control> controls;
        std::vector<ListedProgram> programs;
        friend bool operator==(const Channel&, const Channel&) = default;
    };
    struct Velocities {
        int channel = 0;
        std::vector<std::uint8_t> values; // every note of the track, in order
        friend bool operator==(const Velocities&, const Velocities&) = default;
    };

    static void restoreTempos(CMidiSong& song, const std::vector<Tempo>& tempos);
    static void restoreChannel(CMidiSong& song, const Channel& c);
    static void restoreVelocities(CMidiSong& song, const Velocities& v);

    std::optional<std::vector<Tempo>> m_tempos;
    std::vector<Channel> m_channels;
    std::vector<Velocities> m_velocities;
};

// One song edit in the undo history: the scope's state before and after it. `onApplied` runs
// after each undo and redo with the song-state number that now holds, so the document can tell
// listeners and the unsaved-changes question.
class SongStep final : public HistoryAction {
public:
    SongStep(CMidiSong& song, DocumentChangeKind kind, SongState before, SongState after,
             std::uint64_t beforeId, std::uint64_t afterId)
        : m_song(song), m_kind(kind), m_before(std::move(before)), m_after(std::move(after)),
          m_beforeId(beforeId), m_afterId(afterId) {}

    void undo() override { m_before.restore(m_song); }
    void redo() override { m_after.restore(m_song); }
    DocumentChangeKind kind() const { return m_kind; }
    std::uint64_t beforeId() const { return m_beforeId; }
    std::uint64_t afterId() const { return m_afterId; }

private:
    CMidiSong& m_song;
    DocumentChangeKind m_kind;
    SongState m_before;
    SongState m_after;
    std::uint64_t m_beforeId;
    std::uint64_t m_afterId;
};

} // namespace cantelo

#pragma once

#include "core/song/chase_index.h"
#include "core/song/indexed_lists.h"
#include "core/song/song_data.h"
#include "core/timing/time_map.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

inline constexpr int kChannels = 16;
inline constexpr int kLyricChunks = 512;
inline constexpr std::string_view kNoProgramName = "===============";
inline constexpr std::string_view kEditorNameVersion = "Cantelo Edit 1.13";

// Where a file chunk's lyrics come from: undecided, Soft Karaoke text events, or lyric events.
enum class LyricSource : std::uint8_t { Undecided, Text, Lyr };
std::string_view lyricSourceName(LyricSource s); // "", "text" or "lyr"

// Display-value slots for controllers 7, 10, 91 and 93.
enum class DisplayController { Volume = 0, Pan = 1, Reverb = 2, Chorus = 3 };

// The one in-memory song. Used from the user-interface thread; playback reads the tempo list,
// the channel tracks, the SysEx list, outputChannel and muted from its own thread, and writes
// the display values and noteSent, which is why those fields are atomics. No operation takes a
// lock; lists must not change structurally while a song plays.
class CMidiSong {
public:
    CMidiSong();
    CMidiSong(const CMidiSong&) = delete;
    CMidiSong& operator=(const CMidiSong&) = delete;
    ~CMidiSong();

    void reset();
    void clear();

    CSongData& data() { return *m_data; }
    const CSongData& data() const { return *m_data; }

    void setMuted(int ch, bool v) { m_muted[ch & 15].store(v, std::memory_order_relaxed); }
    bool isMuted(int ch) const { return m_muted[ch & 15].load(std::memory_order_relaxed); }
    int outputChannel(int ch) const {
        return m_outputChannel[ch & 15].load(std::memory_order_relaxed);
    }
    void setOutputChannel(int ch, int out) {
        m_outputChannel[ch & 15].store(out & 15, std::memory_order_relaxed);
    }

    // Ticks per quarter note. Setting it re-times the time map.
    std::int32_t division() const { return m_division; }
    void setDivision(std::int32_t division);

    // Tempo and signature maps. The lists change only through these setters (and clear), which
    // keep the time map in step with them.
    std::int32_t tempoAt(std::int32_t tick) const { return m_timeMap->bpmAt(tick); }
    void setTempoAt(std::int32_t tick, std::int32_t bpm);
    // The tempo list was put back as it was (undo, redo): the time map follows it.
    void tempoListRestored();
    void shiftAllTempos(bool up);
    void timeSignatureAt(std::int32_t tick, std::uint8_t out[4]) const;
    void setTimeSignatureAt(std::int32_t tick, const std::uint8_t bytes[4]);
    std::int32_t measureIndexAt(std::int32_t tick) const { return m_timeMap->measureIndexAt(tick); }
    // Positions, milliseconds and measure steps of the song as it is now.
    const TimeMap& timeMap() const { return *m_timeMap; }
    // The same map for another thread: it never changes; an edit gives the song a new one.
    std::shared_ptr<const TimeMap> sharedTimeMap() const { return m_timeMap; }

    // Text and SysEx events. Data is kept whole; empty data is ignored.
    void addTextEvent(std::uint8_t type, std::span<const std::uint8_t> bytes, std::int32_t tick,
                      std::int32_t track);
    void removeLyricText();
    void moveTextEventTick(std::int32_t oldTick, std::int32_t newTick, std::uint8_t type);
    void addSysEx(std::span<const std::uint8_t> bytes, std::int32_t tick);

    // Values in force at a tick, from the chase list; -1 when none is known. Each is a bisection
    // in the channel's own index of the chase list (built again first after a bulk removal).
    std::int32_t programAt(int ch, std::int32_t tick) const;
    // Copies the program's name (or "===============") into `out` and returns the program;
    // -1 without output when `out` is null or the channel is outside 0..15.
    std::int32_t programNameAt(int ch, std::int32_t tick, std::string* out) const;
    std::int32_t controllerAt(int controller, int ch, std::int32_t tick) const;
    // controllerAt for several controllers on every channel: element ch * controllers.size() + i
    // is controller i's value on channel ch.
    std::vector<std::int32_t> controllersAt(std::span<const int> controllers,
                                            std::int32_t tick) const;
    std::int32_t latestControllerTick(int ch, std::int32_t tick, int controller) const;
    std::int32_t latestProgramTick(int ch, std::int32_t tick) const;

    // Program and controller edits (the patch tool and the mixer).
    void setChannelProgram(int ch, std::int32_t tick, std::int32_t program);
    void applyProgram(int ch, std::int32_t tick, std::int32_t program);
    void addControlChange(int ch, std::int32_t tick, std::int32_t value, int controller);
    void setControllerValue(int ch, std::int32_t tick, std::int32_t value, int controller);
    void moveProgram(int ch, std::int32_t tick, std::int32_t newTick);
    void deleteController(int ch, std::int32_t tick, int controller);
    // Removes every control change `controller` of every channel track, whatever its tick, with
    // its chase entry; returns how many there were.
    int removeControllers(int controller);
    int findChannelByOutput(int out) const;
    void scaleVelocities(int ch, std::int32_t percent);

    // Tables for the tools and the grid.
    void tempoTable(TChannelItem& list) const;
    void signatureTable(TChannelItem& list) const;
    void noteTable(TChannelItem& list, int ch) const;

    // Channel tracks and their events.
    CChannelTrack* findTrack(int ch) const;
    CChannelTrack* createTrack(const CChannelTrack& templ);
    // Unlinks and frees the track and every event still in it (with their chase entries).
    // `withEvents` = false is for a caller that has already moved the events elsewhere.
    void deleteTrack(CChannelTrack* track, bool withEvents);
    void removeEvent(CChannelTrack* track, CObjectEvent* event);
    // The factories append a new event with its defaults to the track; null for a null track.
    CObjectEventNote* newNote(CChannelTrack* track);
    CObjectEventPitchBend* newPitchBend(CChannelTrack* track);
    CObjectEventKeyAfterTouch* newKeyAfterTouch(CChannelTrack* track);
    CObjectEventControlChange* newControlChange(CChannelTrack* track);
    CObjectEventProgramChange* newProgramChange(CChannelTrack* track);
    CObjectEventChannelPressure* newChannelPressure(CChannelTrack* track);
    // Mirrors a program or control change in the chase list (false for any other event). An
    // event has one entry: calling it again replaces the entry.
    bool addChase(CObjectEvent* event, int ch);
    void removeChase(CChaseEntry* entry);
    const ChaseIndex& chaseIndex() const;

    // Display values written by playback, the display refresh and the mixer.
    std::int32_t displayValue(int ch, DisplayController c) const {
        return m_display[ch & 15][static_cast<int>(c)].load(std::memory_order_relaxed);
    }
    void setDisplayValue(int ch, DisplayController c, std::int32_t v) {
        m_display[ch & 15][static_cast<int>(c)].store(v, std::memory_order_relaxed);
    }
    bool noteSent(int ch) const { return m_noteSent[ch & 15].load(std::memory_order_relaxed); }
    void setNoteSent(int ch, bool v) { m_noteSent[ch & 15].store(v, std::memory_order_relaxed); }

    CChannelTrack* selectedTrack = nullptr;
    std::string fileName;
    std::array<std::string, 128> programNames;
    std::int32_t songLength = 228480;
    std::int32_t trackCount = 0; // chunks in the file minus 1
    std::int32_t format = 0;
    std::array<LyricSource, kLyricChunks> lyricSource{};
    bool scrambled = false;
    std::array<bool, kChannels> channelUsed{};
    bool insertAtPosition = false;
    std::int32_t insertPosition = 0;
    std::string creditText;
    // Channel of the last channel event read with its own status byte; SysEx events take it.
    std::uint8_t lastChannel = 0x40;

private:
    TimeMap& editTimeMap();
    void refreshSignatureTicks();
    const CChaseEntry* latestChase(int ch, std::int32_t tick, std::uint8_t status,
                                   int controller) const;
    void freeEvent(CObjectEvent* event);
    bool chaseControl(CObjectEventControlChange* event, int ch);
    bool chaseProgram(CObjectEventProgramChange* event, int ch);
    CChaseEntry* newChase(CChaseEntry*& link, std::int32_t tick, int ch);
    void linkChase(CChaseEntry* c);

    std::unique_ptr<CSongData> m_data;
    std::int32_t m_division = 480;
    std::shared_ptr<TimeMap> m_timeMap;
    mutable ChaseIndex m_chaseIndex; // built again by a look-up after a bulk removal
    // Whether every signature's tick is what refreshSignatureTicks would give it at
    // m_signatureTicksDivision, so that one appended at the tail can be placed alone.
    bool m_signatureTicksCurrent = true;
    std::int32_t m_signatureTicksDivision = 480;
    std::array<std::atomic<std::int32_t>, kChannels> m_outputChannel{};
    std::array<std::atomic<bool>, kChannels> m_muted{};
    std::array<std::array<std::atomic<std::int32_t>, 4>, kChannels> m_display{};
    std::array<std::atomic<bool>, kChannels> m_noteSent{};
};

// The default credit text: three lines joined by carriage returns.
std::string defaultCreditText();

} // namespace cantelo

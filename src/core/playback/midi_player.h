#pragma once

#include "core/playback/midi_output.h"
#include "core/playback/playback_clock.h"
#include "core/playback/song_messages.h"
#include "core/timing/time_map.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cantelo {

class CMidiSong;

// The refresh flags that playback raises for the display refresh.
enum class RefreshFlag { Any, Volume, Pan, Program, Reverb, Chorus };

// The five kinds of channel value that the display refresh re-sends.
struct ChaseKinds {
    bool program = false;
    bool volume = false;
    bool pan = false;
    bool reverb = false;
    bool chorus = false;

    static constexpr ChaseKinds all() { return {true, true, true, true, true}; }
    bool none() const { return !(program || volume || pan || reverb || chorus); }
};

// The sequencer: flattens the song into sixteen queues of timed messages at Play and sends each
// at its time from one playback thread, which sleeps until the next due message (never longer
// than 10 ms, so that the clock and tick move smoothly) on the injected clock.
//
// Threads: every operation except pump() belongs to the user-interface thread. The readers
// (tick, clock, tempo, timeSignature, playing, refresh flags) may be polled by any thread while
// the song plays; each is one atomic. The playback thread reads only what Play prepared (the
// queues, the song's time map as it was, the SysEx data, the song length) plus the song's atomic
// mute flags and channel map, and writes the song's display values and noteSent.
// While playing, the song's lists may change (the tools' single-value edits) without reaching
// the thread; a tempo edit reaches it through RetimeQueues.
class CMidiPlayer {
public:
    using time_point = PlaybackClock::time_point;

    // With OwnThread, Play starts the playback thread; with CallerPumps nothing runs by itself
    // and the caller drives playback by calling pump(), which makes tests deterministic.
    enum class Threading { OwnThread, CallerPumps };

    static constexpr auto kMaxSleep = std::chrono::milliseconds(10);

    explicit CMidiPlayer(MidiOutput& output, PlaybackClock& clock = systemPlaybackClock(),
                         Threading threading = Threading::OwnThread);
    CMidiPlayer(const CMidiPlayer&) = delete;
    CMidiPlayer& operator=(const CMidiPlayer&) = delete;
    ~CMidiPlayer();

    // Binds the song (stopping playback first); time signature := the one at tick 0, tempo :=
    // 120. The song must outlive the player or be detached with AttachSong(nullptr).
    void AttachSong(CMidiSong* song);
    CMidiSong* song() const { return m_song; }
    MidiOutput& output() const { return m_output; }

    // Starts at the current tick: builds the queues, positions them, sends Reset All
    // Controllers and the programs in force on every channel, starts the clock. Returns false
    // at once when already playing, without a song, or when the thread cannot start.
    bool Play();
    // Stops and silences (All Sound Off and All Notes Off on every channel, then the output's
    // reset). Harmless when not playing. When it returns the playback thread has ended and can
    // no longer send anything.
    void Stop();
    // Sets the tick, the clock (ms of the tick), tempo and time signature; the queues are not
    // touched. While playing, the clock continues from there.
    void Locate(std::int32_t tick);
    // Sets the tick alone (the transport's direct moves while stopped); Play starts from it.
    void setTick(std::int32_t tick) { m_tick.store(tick, std::memory_order_relaxed); }
    // After a tempo edit: re-stamps the pending records of every queue with the song's new
    // tempo map and keeps the playback position at the same tick, so nothing already due is
    // sent in a burst and the position does not jump.
    void RetimeQueues();

    // One run of the sequencer: advances the clock to now, turns it into the tick, sends what is
    // due (SysEx first, then channel 0 to 15 in order), silences a channel whose mute has just
    // taken effect, and stops past the song's length with the position at the length. Returns
    // when to run again (the next due message, at most kMaxSleep ahead). Playback thread, or the
    // caller with CallerPumps; never allocates.
    time_point pump();

    // Readers, any thread.
    bool playing() const { return m_playing.load(std::memory_order_acquire); }
    std::int32_t tick() const { return m_tick.load(std::memory_order_relaxed); }
    std::uint32_t clock() const { return m_clockMs.load(std::memory_order_relaxed); }
    std::int32_t tempo() const { return m_tempo.load(std::memory_order_relaxed); }
    // Numerator, denominator as a power of two, and the two further signature bytes.
    std::array<std::uint8_t, 4> timeSignature() const {
        const std::uint32_t p = m_signature.load(std::memory_order_relaxed);
        return {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 8),
                static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 24)};
    }

    bool sysExEnabled() const { return m_sysExEnabled.load(std::memory_order_relaxed); }
    void setSysExEnabled(bool on) { m_sysExEnabled.store(on, std::memory_order_relaxed); }

    bool refreshFlag(RefreshFlag f) const { return flag(f).load(std::memory_order_relaxed); }
    void raiseRefreshFlag(RefreshFlag f) { flag(f).store(true, std::memory_order_relaxed); }
    void clearRefreshFlag(RefreshFlag f) { flag(f).store(false, std::memory_order_relaxed); }
    // The display refresh's step: when the any flag is set, clears it and the five kind flags
    // and returns the kinds that were raised; otherwise returns no kind and clears nothing.
    ChaseKinds takeRefreshFlags();

    // The moment at which the playback clock reads `ms`, on the clock the player runs on
    // (measuring lateness). Meaningful while playing.
    time_point timeOfClock(std::uint32_t ms) const;
    // Whether the playback thread asks for real-time scheduling (on by default), and whether the
    // system granted it in the thread's last run.
    void setRealtimeRequested(bool on) { m_realtimeRequested.store(on, std::memory_order_relaxed); }
    bool realtimeGranted() const { return m_realtimeGranted.load(std::memory_order_relaxed); }
    // The processor time the playback thread used in its last run (zero when unknown).
    std::chrono::nanoseconds lastThreadCpuTime() const {
        return std::chrono::nanoseconds(m_threadCpuNs.load(std::memory_order_relaxed));
    }

    // The queues as the last Play built them, for tests and the tools; only while stopped.
    const std::vector<TimedMessage>& queue(int channel) const {
        return m_queues[static_cast<std::size_t>(channel & 15)].records;
    }
    std::size_t queueNext(int channel) const {
        return m_queues[static_cast<std::size_t>(channel & 15)].next;
    }

private:
    struct ChannelQueue {
        std::vector<TimedMessage> records;
        std::size_t next = 0;
    };
    struct SysExRecord {
        std::int32_t tick = 0;
        std::uint32_t ms = 0;
        std::size_t offset = 0; // into m_sysExBytes: the complete message, F0 to F7
        std::size_t length = 0;
    };

    std::atomic<bool>& flag(RefreshFlag f) { return m_refresh[static_cast<std::size_t>(f)]; }
    const std::atomic<bool>& flag(RefreshFlag f) const {
        return m_refresh[static_cast<std::size_t>(f)];
    }

    void buildQueues(std::int32_t startTick);
    void positionQueues(std::uint32_t ms);
    void sendPlayPreamble(std::int32_t tick);
    void publishPosition(std::int32_t tick, std::int64_t ms);
    void joinThread();
    void run(std::stop_token stop);
    // Everything from here on requires m_runMutex.
    std::int64_t clockUsAt(time_point now) const;
    void anchor(time_point now, std::int64_t clockMs);
    void sendDue(std::uint32_t clockMs);
    void sendChannelRecord(int channel, std::uint32_t message, bool muted);
    time_point nextWake(time_point now) const;
    void finishAtEnd();
    void silence();

    MidiOutput& m_output;
    PlaybackClock& m_clock;
    const Threading m_threading;
    CMidiSong* m_song = nullptr;

    // Written only while stopped, or under m_runMutex while playing.
    mutable std::mutex m_runMutex;
    bool m_running = false; // the sequencer advances (the thread's view of "playing")
    std::array<ChannelQueue, 16> m_queues;
    std::vector<SysExRecord> m_sysEx;
    std::vector<std::uint8_t> m_sysExBytes;
    std::size_t m_sysExNext = 0;
    // The song's time map when Play started, or the one RetimeQueues took over: never changed,
    // and released only on the user-interface thread.
    std::shared_ptr<const TimeMap> m_timeMap;
    std::int32_t m_songLength = 0;
    time_point m_anchorTime{};
    std::int64_t m_anchorClockUs = 0;
    std::array<bool, 16> m_muteSilenced{};

    std::atomic<bool> m_playing{false};
    std::atomic<std::int32_t> m_tick{0};
    std::atomic<std::uint32_t> m_clockMs{0};
    std::atomic<std::int32_t> m_tempo{120};
    std::atomic<std::uint32_t> m_signature{0x08180204};
    std::atomic<bool> m_sysExEnabled{true};
    std::array<std::atomic<bool>, 6> m_refresh{};
    std::atomic<std::int64_t> m_threadCpuNs{0};
    std::atomic<bool> m_realtimeRequested{true};
    std::atomic<bool> m_realtimeGranted{false};

    std::jthread m_thread;
};

} // namespace cantelo

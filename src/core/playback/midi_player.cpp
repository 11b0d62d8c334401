#include "core/playback/midi_player.h"

#include "core/playback/midi_device.h"
#include "core/playback/song_messages.h"
#include "core/song/midi_song.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <system_error>

#if defined(__unix__)
#include <pthread.h>
#include <sched.h>
#include <time.h>
#endif
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace cantelo {

namespace {

constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kResetAllControllers = 121;
constexpr std::uint8_t kAllNotesOff = 123;

// The four signature bytes in one atomic word, low byte first.
std::uint32_t packSignature(const std::array<std::uint8_t, 4>& b) {
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
           (std::uint32_t{b[3]} << 24);
}

// The kernel may delay a timed wake-up by the thread's timer slack (50 us by default) to merge
// wake-ups; the sequencer wants its own on time.
void useFinestTimerSlack() {
#if defined(__linux__)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

// Asks for real-time scheduling; where the system refuses (no privileges, no rtprio limit), the
// thread simply runs with normal priority. Returns whether it was granted.
bool requestRealtimeScheduling() {
#if defined(__unix__)
    sched_param param{};
    // Low in the real-time range: above every normal thread, below audio servers and drivers.
    param.sched_priority =
        std::min(sched_get_priority_min(SCHED_FIFO) + 9, sched_get_priority_max(SCHED_FIFO));
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
#else
    return false;
#endif
}

std::int64_t threadCpuNs() {
#if defined(__unix__)
    timespec ts{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) == 0)
        return std::int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
#endif
    return 0;
}

} // namespace

CMidiPlayer::CMidiPlayer(MidiOutput& output, PlaybackClock& clock, Threading threading)
    : m_output(output), m_clock(clock), m_threading(threading) {}

CMidiPlayer::~CMidiPlayer() {
    Stop();
}

void CMidiPlayer::AttachSong(CMidiSong* song) {
    Stop();
    m_song = song;
    m_tempo.store(120, std::memory_order_relaxed);
    if (song)
        m_signature.store(packSignature(song->timeMap().signatureBytesAt(0)),
                          std::memory_order_relaxed);
}

// ---- building ----------------------------------------------------------------------------

void CMidiPlayer::buildQueues(std::int32_t startTick) {
    // Messages go out on output channels; the queue, mute flag and display values are the song
    // channel's. With the identity map both are the same; otherwise the lowest song channel
    // sent to an output owns it. The queues keep their memory from one Play to the next.
    std::vector<TimedMessage> unused;
    std::array<std::vector<TimedMessage>*, 16> byOutput;
    byOutput.fill(&unused);
    for (int c = kChannels - 1; c >= 0; --c) {
        auto& q = m_queues[static_cast<std::size_t>(c)];
        q.records.clear();
        q.next = 0;
        byOutput[static_cast<std::size_t>(m_song->outputChannel(c) & 15)] = &q.records;
    }
    // The same order as offline rendering, so a song sounds the same both ways.
    std::vector<ScheduledMessage> sysEx;
    songQueues(*m_song, byOutput, sysEx);
    m_sysEx.clear();
    m_sysExBytes.clear();
    std::vector<std::uint8_t> framed;
    for (const ScheduledMessage& m : sysEx) {
        // A stored event that cannot travel as one message (a status byte inside it) is left
        // out rather than let the port take its tail for channel messages.
        if (!frameSysEx(m.sysEx->data, framed)) continue;
        m_sysEx.push_back({m.tick, stampMs(m.ms), m_sysExBytes.size(), framed.size()});
        m_sysExBytes.insert(m_sysExBytes.end(), framed.begin(), framed.end());
    }
    m_sysExNext = static_cast<std::size_t>(
        std::lower_bound(m_sysEx.begin(), m_sysEx.end(), startTick,
                         [](const SysExRecord& r, std::int32_t t) { return r.tick < t; }) -
        m_sysEx.begin());
}

void CMidiPlayer::positionQueues(std::uint32_t ms) {
    for (auto& q : m_queues) {
        q.next = static_cast<std::size_t>(
            std::lower_bound(q.records.begin(), q.records.end(), ms,
                             [](const TimedMessage& r, std::uint32_t t) { return r.ms < t; }) -
            q.records.begin());
    }
}

void CMidiPlayer::sendPlayPreamble(std::int32_t tick) {
    for (int c = 0; c < kChannels; ++c) {
        const auto ch = static_cast<std::uint8_t>(c);
        m_output.sendShort(packShort(0xB0 | ch, kResetAllControllers, 0));
        const std::int32_t program = m_song->programAt(c, tick);
        if (program >= 0) {
            const auto out = static_cast<std::uint8_t>(m_song->outputChannel(c) & 15);
            m_output.sendShort(packShort(0xC0 | out, static_cast<std::uint8_t>(program & 0x7F)));
        }
    }
}

void CMidiPlayer::publishPosition(std::int32_t tick, std::int64_t ms) {
    m_tick.store(tick, std::memory_order_relaxed);
    m_clockMs.store(stampMs(ms), std::memory_order_relaxed);
    m_tempo.store(m_timeMap->bpmAt(tick), std::memory_order_relaxed);
    m_signature.store(packSignature(m_timeMap->signatureBytesAt(tick)), std::memory_order_relaxed);
}

// ---- transport ---------------------------------------------------------------------------

bool CMidiPlayer::Play() {
    if (playing()) return false;
    Stop();
    if (!m_song) return false;
    const std::int32_t startTick = tick();
    m_timeMap = m_song->sharedTimeMap();
    try {
        buildQueues(startTick);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::int64_t startMs = m_timeMap->tickToMs(startTick);
    positionQueues(stampMs(startMs));
    m_songLength = m_song->songLength;
    m_muteSilenced.fill(false);
    publishPosition(startTick, startMs);
    sendPlayPreamble(startTick);
    {
        std::lock_guard lock(m_runMutex);
        anchor(m_clock.now(), startMs);
        m_running = true;
    }
    m_playing.store(true, std::memory_order_release);
    if (m_threading == Threading::OwnThread) {
        try {
            m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
        } catch (const std::system_error&) {
            std::lock_guard lock(m_runMutex);
            m_running = false;
            m_playing.store(false, std::memory_order_release);
            return false;
        }
    }
    return true;
}

void CMidiPlayer::joinThread() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    m_thread.join();
}

void CMidiPlayer::Stop() {
    joinThread();
    {
        std::lock_guard lock(m_runMutex);
        m_running = false;
    }
    // The playback thread silences by itself when the song ends; whoever ends playing does it.
    if (m_playing.exchange(false, std::memory_order_acq_rel)) silence();
}

void CMidiPlayer::silence() {
    for (int c = 0; c < kChannels; ++c) {
        const auto status = static_cast<std::uint8_t>(0xB0 | c);
        m_output.sendShort(packShort(status, kAllSoundOff, 0));
        m_output.sendShort(packShort(status, kAllNotesOff, 0));
    }
    m_output.reset();
}

void CMidiPlayer::Locate(std::int32_t tick) {
    if (!m_song) {
        setTick(tick);
        return;
    }
    const TimeMap& map = m_song->timeMap();
    const std::int64_t ms = map.tickToMs(tick);
    const std::uint32_t signature = packSignature(map.signatureBytesAt(tick));
    const std::int32_t bpm = map.bpmAt(tick);
    std::lock_guard lock(m_runMutex);
    m_tick.store(tick, std::memory_order_relaxed);
    m_clockMs.store(stampMs(ms), std::memory_order_relaxed);
    m_tempo.store(bpm, std::memory_order_relaxed);
    m_signature.store(signature, std::memory_order_relaxed);
    if (m_running) anchor(m_clock.now(), ms);
}

void CMidiPlayer::RetimeQueues() {
    if (!m_song) return;
    std::shared_ptr<const TimeMap> fresh = m_song->sharedTimeMap();
    // The records before each queue's next index now are sent already and keep their times.
    std::array<std::size_t, 16> from{};
    std::size_t sysExFrom = 0;
    {
        std::lock_guard lock(m_runMutex);
        for (std::size_t c = 0; c < m_queues.size(); ++c) from[c] = m_queues[c].next;
        sysExFrom = m_sysExNext;
    }
    // New times for the rest, worked out without the lock so that a long song does not hold
    // the playback thread up (which meanwhile only moves the next indexes on). The queues and
    // SysEx records themselves change only under the lock or while stopped, so reading their
    // ticks here is safe. A queue is in time order, so its ticks mostly ascend.
    std::array<std::vector<std::uint32_t>, 16> queueMs;
    for (std::size_t c = 0; c < m_queues.size(); ++c) {
        const auto& records = m_queues[c].records;
        TimeMap::MsCursor cursor(*fresh);
        queueMs[c].reserve(records.size() - from[c]);
        for (std::size_t i = from[c]; i < records.size(); ++i)
            queueMs[c].push_back(stampMs(cursor.tickToMs(records[i].tick)));
    }
    std::vector<std::uint32_t> sysExMs;
    sysExMs.reserve(m_sysEx.size() - sysExFrom);
    TimeMap::MsCursor sysExCursor(*fresh);
    for (std::size_t i = sysExFrom; i < m_sysEx.size(); ++i)
        sysExMs.push_back(stampMs(sysExCursor.tickToMs(m_sysEx[i].tick)));

    std::lock_guard lock(m_runMutex);
    if (m_running) {
        // Hold the position at its tick: the records already sent stay sent, the pending ones
        // follow the new tempos from here on.
        const time_point now = m_clock.now();
        const std::int64_t clockMs = std::max<std::int64_t>(clockUsAt(now), 0) / 1000;
        const std::int32_t at = m_timeMap->msToTick(clockMs);
        anchor(now, fresh->tickToMs(at));
        m_tempo.store(fresh->bpmAt(at), std::memory_order_relaxed);
    }
    // The map given up is released after the lock, on this thread.
    std::swap(m_timeMap, fresh);
    for (std::size_t c = 0; c < m_queues.size(); ++c) {
        auto& q = m_queues[c];
        for (std::size_t i = q.next; i < q.records.size(); ++i)
            q.records[i].ms = queueMs[c][i - from[c]];
    }
    for (std::size_t i = m_sysExNext; i < m_sysEx.size(); ++i)
        m_sysEx[i].ms = sysExMs[i - sysExFrom];
}

ChaseKinds CMidiPlayer::takeRefreshFlags() {
    ChaseKinds kinds;
    if (!flag(RefreshFlag::Any).exchange(false, std::memory_order_relaxed)) return kinds;
    kinds.program = flag(RefreshFlag::Program).exchange(false, std::memory_order_relaxed);
    kinds.volume = flag(RefreshFlag::Volume).exchange(false, std::memory_order_relaxed);
    kinds.pan = flag(RefreshFlag::Pan).exchange(false, std::memory_order_relaxed);
    kinds.reverb = flag(RefreshFlag::Reverb).exchange(false, std::memory_order_relaxed);
    kinds.chorus = flag(RefreshFlag::Chorus).exchange(false, std::memory_order_relaxed);
    return kinds;
}

CMidiPlayer::time_point CMidiPlayer::timeOfClock(std::uint32_t ms) const {
    std::lock_guard lock(m_runMutex);
    return m_anchorTime + std::chrono::microseconds(std::int64_t{ms} * 1000 - m_anchorClockUs);
}

// ---- the playback thread -----------------------------------------------------------------

void CMidiPlayer::run(std::stop_token stop) {
    useFinestTimerSlack();
    m_realtimeGranted.store(m_realtimeRequested.load(std::memory_order_relaxed) &&
                                requestRealtimeScheduling(),
                            std::memory_order_relaxed);
    const std::int64_t cpuStart = threadCpuNs();
    {
        // The song starts when the thread can first send, not when Play asked for it: on a
        // busy machine a thread takes milliseconds to start, and everything due at the start
        // would otherwise leave late in one burst.
        std::lock_guard lock(m_runMutex);
        m_anchorTime = m_clock.now();
    }
    while (!stop.stop_requested()) {
        const time_point wake = pump();
        if (!playing()) break;
        m_clock.waitUntil(wake, stop);
    }
    m_threadCpuNs.store(threadCpuNs() - cpuStart, std::memory_order_relaxed);
}

std::int64_t CMidiPlayer::clockUsAt(time_point now) const {
    return m_anchorClockUs +
           std::chrono::duration_cast<std::chrono::microseconds>(now - m_anchorTime).count();
}

void CMidiPlayer::anchor(time_point now, std::int64_t clockMs) {
    m_anchorTime = now;
    m_anchorClockUs = std::max<std::int64_t>(clockMs, 0) * 1000;
}

CMidiPlayer::time_point CMidiPlayer::pump() {
    std::lock_guard lock(m_runMutex);
    const time_point now = m_clock.now();
    if (!m_running) return now + kMaxSleep;
    const std::int64_t clockMs = std::max<std::int64_t>(clockUsAt(now), 0) / 1000;
    const std::int32_t tick = m_timeMap->msToTick(clockMs);
    // Playback ends at the song's length, and the position says so: the run that notices the
    // end may come a little later, but what the user sees and plays on from is the end itself.
    const bool ended = tick > m_songLength;
    if (ended)
        publishPosition(m_songLength, m_timeMap->tickToMs(m_songLength));
    else
        publishPosition(tick, clockMs);
    sendDue(stampMs(clockMs));
    if (ended) {
        finishAtEnd();
        return now;
    }
    return nextWake(now);
}

void CMidiPlayer::sendDue(std::uint32_t clockMs) {
    // SysEx first: a reset at the same moment as a channel's first program change must not
    // undo it.
    const bool sysEx = sysExEnabled();
    for (; m_sysExNext < m_sysEx.size() && m_sysEx[m_sysExNext].ms <= clockMs; ++m_sysExNext) {
        // While SysEx is switched off the cursor still moves on, so that switching it back on
        // does not send everything skipped in one burst.
        if (!sysEx) continue;
        const SysExRecord& r = m_sysEx[m_sysExNext];
        m_output.sendSysEx({m_sysExBytes.data() + r.offset, r.length});
    }
    for (int c = 0; c < kChannels; ++c) {
        const bool muted = m_song->isMuted(c);
        ChannelQueue& q = m_queues[static_cast<std::size_t>(c)];
        for (; q.next < q.records.size() && q.records[q.next].ms <= clockMs; ++q.next)
            sendChannelRecord(c, q.records[q.next].message, muted);
        // All Notes Off once when the mute takes effect; no note-on reaches a muted channel
        // afterwards, so repeating it at every run would only flood the port.
        auto& silenced = m_muteSilenced[static_cast<std::size_t>(c)];
        if (muted && !silenced) {
            const auto out = static_cast<std::uint8_t>(m_song->outputChannel(c) & 15);
            m_output.sendShort(packShort(0xB0 | out, kAllNotesOff, 0));
        }
        silenced = muted;
    }
}

void CMidiPlayer::sendChannelRecord(int c, std::uint32_t message, bool muted) {
    const std::uint32_t status = message & 0xF0;
    if (status == 0xB0) {
        const auto value = static_cast<std::int32_t>((message >> 16) & 0x7F);
        const auto store = [&](DisplayController which, RefreshFlag f) {
            m_song->setDisplayValue(c, which, value);
            raiseRefreshFlag(RefreshFlag::Any);
            raiseRefreshFlag(f);
        };
        switch ((message >> 8) & 0x7F) {
        case 7:
            // Volume reaches the port even on a muted channel.
            store(DisplayController::Volume, RefreshFlag::Volume);
            m_output.sendShort(message);
            return;
        // Pan, reverb and chorus are only noted: the display refresh sends the value in force.
        case 10:
            store(DisplayController::Pan, RefreshFlag::Pan);
            return;
        case 91:
            store(DisplayController::Reverb, RefreshFlag::Reverb);
            return;
        case 93:
            store(DisplayController::Chorus, RefreshFlag::Chorus);
            return;
        default:
            break;
        }
    }
    if (!muted) m_output.sendShort(message);
    if (status == 0x90) m_song->setNoteSent(c, true);
    if (status == 0xC0) {
        raiseRefreshFlag(RefreshFlag::Any);
        raiseRefreshFlag(RefreshFlag::Program);
    }
}

CMidiPlayer::time_point CMidiPlayer::nextWake(time_point now) const {
    std::uint32_t nextMs = std::numeric_limits<std::uint32_t>::max();
    bool any = false;
    for (const auto& q : m_queues) {
        if (q.next < q.records.size()) {
            nextMs = std::min(nextMs, q.records[q.next].ms);
            any = true;
        }
    }
    if (m_sysExNext < m_sysEx.size()) {
        nextMs = std::min(nextMs, m_sysEx[m_sysExNext].ms);
        any = true;
    }
    const time_point cap = now + kMaxSleep;
    if (!any) return cap;
    const time_point due =
        m_anchorTime + std::chrono::microseconds(std::int64_t{nextMs} * 1000 - m_anchorClockUs);
    return std::min(due, cap);
}

void CMidiPlayer::finishAtEnd() {
    m_running = false;
    if (m_playing.exchange(false, std::memory_order_acq_rel)) silence();
}

} // namespace cantelo

#include "core/playback/playback_clock.h"

namespace cantelo {

void SteadyPlaybackClock::waitUntil(time_point deadline, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    // Nobody notifies this variable except a stop request, so the wait ends at the deadline
    // (a timed futex wait on the monotonic clock) or at the stop.
    m_wake.wait_until(lock, stop, deadline, [] { return false; });
}

SteadyPlaybackClock& systemPlaybackClock() {
    static SteadyPlaybackClock clock;
    return clock;
}

PlaybackClock::time_point ManualPlaybackClock::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualPlaybackClock::waitUntil(time_point deadline, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_moved.wait(lock, stop, [&] { return m_now >= deadline; });
}

void ManualPlaybackClock::advance(duration d) {
    {
        std::lock_guard lock(m_mutex);
        m_now += d;
    }
    m_moved.notify_all();
}

void ManualPlaybackClock::set(time_point t) {
    {
        std::lock_guard lock(m_mutex);
        m_now = t;
    }
    m_moved.notify_all();
}

} // namespace cantelo

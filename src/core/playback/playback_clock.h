#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace cantelo {

// The time source of playback. The sequencer asks it for the time and sleeps on it, so a test
// can replace the system's steady clock with one it moves by hand.
class PlaybackClock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    using duration = std::chrono::steady_clock::duration;

    virtual ~PlaybackClock() = default;
    // Any thread; never blocks, never allocates.
    virtual time_point now() const = 0;
    // Blocks the calling thread until now() has reached `deadline` or `stop` is requested,
    // whichever comes first. May return early (the caller re-checks); never allocates.
    virtual void waitUntil(time_point deadline, std::stop_token stop) = 0;
};

// The monotonic system clock; one shared instance serves every player.
class SteadyPlaybackClock final : public PlaybackClock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
    void waitUntil(time_point deadline, std::stop_token stop) override;

private:
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
};

SteadyPlaybackClock& systemPlaybackClock();

// A clock that stands still until the test moves it. Threads waiting on it wake when the time
// they wait for is reached or their stop is requested.
class ManualPlaybackClock final : public PlaybackClock {
public:
    explicit ManualPlaybackClock(time_point start = time_point{} + std::chrono::hours(1))
        : m_now(start) {}

    time_point now() const override;
    void waitUntil(time_point deadline, std::stop_token stop) override;

    void advance(duration d);
    void advanceMs(std::int64_t ms) { advance(std::chrono::milliseconds(ms)); }
    void set(time_point t);

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_moved;
    time_point m_now;
};

} // namespace cantelo

#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace cantelo {

class CMidiSong;

// A copy of the song's division, tempo map and time-signature map, taken on the user-interface
// thread, so that the playback thread converts between milliseconds and ticks without reading
// the song's lists while the tempo tool edits them. The conversions are the tempo map's own, run
// over the copy, so they agree with the rest of the program by construction.
class TempoSnapshot {
public:
    TempoSnapshot();
    TempoSnapshot(TempoSnapshot&&) noexcept;
    TempoSnapshot& operator=(TempoSnapshot&&) noexcept;
    ~TempoSnapshot();

    // User-interface thread; allocates.
    void take(const CMidiSong& song);

    // Any thread; never allocate.
    std::int64_t tickToMs(std::int32_t tick) const;
    std::int32_t msToTick(std::int64_t ms) const;
    std::int32_t bpmAt(std::int32_t tick) const;
    // The four signature bytes in force at the tick, packed low byte first.
    std::uint32_t signatureAt(std::int32_t tick) const;

    static std::uint32_t packSignature(const std::uint8_t bytes[4]);
    static std::array<std::uint8_t, 4> unpackSignature(std::uint32_t packed);

private:
    std::unique_ptr<CMidiSong> m_copy;
};

} // namespace cantelo

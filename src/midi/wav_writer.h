#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

namespace cantelo {

// Streams 16-bit stereo PCM into a WAV file. The samples go to a temporary file beside the
// target, which replaces the target only when finish() succeeds: a failed or abandoned render
// never destroys an earlier file of the same name.
class WavWriter {
public:
    // RIFF sizes are 32-bit: about 6 h 45 min of audio at 44.1 kHz.
    static constexpr std::uint64_t kMaxFrames = (0xFFFFFFFFull - 44) / 4;

    WavWriter(std::filesystem::path path, int sampleRate);
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    // Removes the temporary file when finish() was not reached.
    ~WavWriter();

    // False when the temporary file could not be created or a write has failed.
    bool ok() const { return m_file != nullptr && !m_failed; }
    // Interleaved left/right samples in -1..1; louder samples are clipped, not wrapped.
    bool write(std::span<const float> interleaved);
    // Completes the header and puts the file in place.
    bool finish(std::string* error);
    std::uint64_t frames() const { return m_dataBytes / 4; }

private:
    void abandon();

    std::filesystem::path m_path;
    std::filesystem::path m_temp;
    int m_sampleRate;
    std::FILE* m_file = nullptr;
    std::uint64_t m_dataBytes = 0;
    bool m_failed = false;
};

} // namespace cantelo

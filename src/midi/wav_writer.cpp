#include "midi/wav_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>
#include <vector>

namespace cantelo {

namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;

void putLe(std::uint8_t* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::array<std::uint8_t, kHeaderBytes> header(int sampleRate, std::uint32_t dataBytes) {
    std::array<std::uint8_t, kHeaderBytes> h{};
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    std::copy_n("RIFF", 4, h.begin());
    putLe(&h[4], 36 + dataBytes, 4);
    std::copy_n("WAVEfmt ", 8, h.begin() + 8);
    putLe(&h[16], 16, 4); // fmt chunk size
    putLe(&h[20], 1, 2);  // PCM
    putLe(&h[22], kChannels, 2);
    putLe(&h[24], rate, 4);
    putLe(&h[28], rate * kChannels * kBytesPerSample, 4); // bytes per second
    putLe(&h[32], kChannels * kBytesPerSample, 2);        // bytes per frame
    putLe(&h[34], 8 * kBytesPerSample, 2);
    std::copy_n("data", 4, h.begin() + 36);
    putLe(&h[40], dataBytes, 4);
    return h;
}

} // namespace

WavWriter::WavWriter(std::filesystem::path path, int sampleRate)
    : m_path(std::move(path)), m_sampleRate(sampleRate) {
    m_temp = m_path;
    m_temp += ".part";
    m_file = std::fopen(m_temp.c_str(), "wb");
    if (!m_file) return;
    // The sizes are unknown until the end; the header is written again by finish().
    const auto h = header(m_sampleRate, 0);
    m_failed = std::fwrite(h.data(), 1, h.size(), m_file) != h.size();
}

WavWriter::~WavWriter() {
    abandon();
}

void WavWriter::abandon() {
    if (!m_file) return;
    std::fclose(m_file);
    m_file = nullptr;
    std::error_code ec;
    std::filesystem::remove(m_temp, ec);
}

bool WavWriter::write(std::span<const float> interleaved) {
    if (!ok()) return false;
    // Refuse to write a file whose header would lie.
    const std::uint64_t bytes = interleaved.size() * kBytesPerSample;
    if (m_dataBytes + bytes > kMaxFrames * kChannels * kBytesPerSample) {
        m_failed = true;
        return false;
    }
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
        const float s = std::clamp(interleaved[i], -1.0f, 1.0f);
        const auto v = static_cast<std::int16_t>(std::lrint(s * 32767.0f));
        putLe(&out[2 * i], static_cast<std::uint16_t>(v), 2);
    }
    if (std::fwrite(out.data(), 1, out.size(), m_file) != out.size()) {
        m_failed = true;
        return false;
    }
    m_dataBytes += bytes;
    return true;
}

bool WavWriter::finish(std::string* error) {
    const auto fail = [&](const char* why) {
        if (error) *error = std::string(why) + " " + m_path.string();
        abandon();
        return false;
    };
    if (!m_file) return fail("cannot create");
    if (m_failed) return fail("cannot write");
    const auto h = header(m_sampleRate, static_cast<std::uint32_t>(m_dataBytes));
    const bool written = std::fseek(m_file, 0, SEEK_SET) == 0 &&
                         std::fwrite(h.data(), 1, h.size(), m_file) == h.size() &&
                         std::fflush(m_file) == 0;
    if (!written) return fail("cannot write");
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    std::error_code ec;
    if (closed) std::filesystem::rename(m_temp, m_path, ec);
    if (!closed || ec) {
        std::filesystem::remove(m_temp, ec);
        if (error) *error = "cannot write " + m_path.string();
        return false;
    }
    return true;
}

} // namespace cantelo

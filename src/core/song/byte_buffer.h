#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

namespace cantelo {

// The growable byte buffer the writer assembles a file in. Appending never throws: when memory
// runs out the byte is lost, append reports false and the buffer remembers it (`failed`), so a
// file with a hole is never taken for a complete one. Growth is geometric, so assembling a file
// of n bytes costs O(n) however large the song is.
class CByteBuffer {
public:
    bool append(std::uint8_t byte) noexcept {
        if (m_length == m_bytes.size() && !grow(1)) return false;
        m_bytes[m_length++] = byte;
        return true;
    }

    bool append(std::span<const std::uint8_t> bytes) noexcept {
        if (bytes.size() > m_bytes.size() - m_length && !grow(bytes.size())) return false;
        if (!bytes.empty()) std::memcpy(m_bytes.data() + m_length, bytes.data(), bytes.size());
        m_length += bytes.size();
        return true;
    }

    // A place to write up to `n` bytes directly; `commit` then counts the bytes written. Null
    // (and the buffer failed) when the memory cannot be had.
    std::uint8_t* room(std::size_t n) noexcept {
        if (n > m_bytes.size() - m_length && !grow(n)) return nullptr;
        return m_bytes.data() + m_length;
    }
    void commit(std::size_t n) noexcept { m_length += n; }

    // Makes room for `n` bytes in all, so that a writer that knows its size appends without
    // moving the bytes again. Returns false when the memory cannot be had.
    bool reserve(std::size_t n) noexcept { return n <= m_bytes.size() || grow(n - m_length); }

    std::uint8_t* data() noexcept { return m_bytes.data(); }
    const std::uint8_t* data() const noexcept { return m_bytes.data(); }
    std::size_t length() const noexcept { return m_length; }
    std::size_t capacity() const noexcept { return m_bytes.size(); }
    std::span<const std::uint8_t> bytes() const noexcept { return {m_bytes.data(), m_length}; }
    // True once any append has lost bytes.
    bool failed() const noexcept { return m_failed; }

    // Drops everything after the first `n` bytes (nothing when the buffer is shorter).
    void truncate(std::size_t n) noexcept {
        if (n < m_length) m_length = n;
    }

    // Frees the storage; the buffer is empty (and not failed) afterwards.
    void release() noexcept {
        std::vector<std::uint8_t>().swap(m_bytes);
        m_length = 0;
        m_failed = false;
    }

    // Hands the bytes over without copying them; the buffer is empty afterwards.
    std::vector<std::uint8_t> take() noexcept {
        m_bytes.resize(m_length); // shrinking never allocates
        m_length = 0;
        m_failed = false;
        return std::exchange(m_bytes, {});
    }

private:
    // The storage is kept at its full size (capacity) and `m_length` counts the bytes in use.
    bool grow(std::size_t more) noexcept {
        try {
            m_bytes.resize(std::max({m_bytes.size() * 2, m_length + more, std::size_t{100}}));
            return true;
        } catch (const std::bad_alloc&) {
            m_failed = true;
            return false;
        } catch (const std::length_error&) {
            m_failed = true;
            return false;
        }
    }

    std::vector<std::uint8_t> m_bytes;
    std::size_t m_length = 0;
    bool m_failed = false;
};

// Writes `value` as a variable-length quantity (7-bit groups, most significant first, bit 7 set
// on every byte but the last) at `p`, which has room for 5 bytes; returns the end. 0 gives one
// 0x00.
inline std::uint8_t* putVlq(std::uint8_t* p, std::uint32_t value) {
    if (value < 0x80) { // most delta times
        *p = static_cast<std::uint8_t>(value);
        return p + 1;
    }
    int n = 1;
    while (n < 5 && (value >> (7 * n)) != 0) ++n;
    for (int i = 0; i < n; ++i) {
        const auto group = static_cast<std::uint8_t>((value >> (7 * (n - 1 - i))) & 0x7F);
        p[i] = static_cast<std::uint8_t>(group | (i < n - 1 ? 0x80 : 0));
    }
    return p + n;
}

// Appends `value` as a variable-length quantity and returns the number of bytes appended.
inline int appendVlq(CByteBuffer& buffer, std::uint32_t value) {
    std::uint8_t* p = buffer.room(5);
    if (!p) return 0;
    const auto n = static_cast<std::size_t>(putVlq(p, value) - p);
    buffer.commit(n);
    return static_cast<int>(n);
}

} // namespace cantelo

#pragma once

#include "core/files/result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cantelo {

// Upper bounds of the files the program reads, far above any real file of the kind: a larger
// file is something else, and reading it whole would only exhaust memory.
inline constexpr std::size_t kMaxSongFileBytes = std::size_t{256} << 20;
inline constexpr std::size_t kMaxSyllableFileBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxLanguageFileBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxConfigFileBytes = std::size_t{1} << 20;

// A regular file opened for reading, no larger than a limit. Opening never blocks on a FIFO or
// a device: anything but a regular file is refused as NotAFile before a byte is read, and the
// type is checked on the open descriptor, so the file cannot be swapped after the check. Lets a
// reader look at a few bytes (a header) before committing memory to the whole file. Any thread;
// one object per thread.
class RegularFileReader {
public:
    RegularFileReader() = default;
    ~RegularFileReader();
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    // Empty for a file of no bytes, TooLarge beyond `limit`, NotFound, Denied or Other as the
    // system reports. Allocates nothing in proportion to the file.
    Result open(const std::string& path, std::size_t limit);

    // The size the file had when it was opened.
    std::size_t size() const { return m_size; }

    // Fills `into` from `offset`; false when the file has fewer bytes there or cannot be read.
    bool readAt(std::size_t offset, std::span<std::uint8_t> into) const;

    // Reads the whole file into `out`; TooLarge when it has grown past the limit since it was
    // opened. `out` is empty on any failure.
    Result readAll(std::vector<std::uint8_t>& out) const;

private:
    int m_fd = -1;
    std::size_t m_size = 0;
    std::size_t m_limit = 0;
    std::string m_path;
};

// Reads the whole of a regular file of at most `limit` bytes into `out`, with the refusals of
// RegularFileReader::open and readAll. `out` is empty on any failure. Any thread.
Result readFileImage(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out);

} // namespace cantelo

#pragma once

#include "core/document/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cantelo {

// Upper bounds of the files the document reads, far above any real file of the kind: a larger
// file is something else, and reading it whole would only exhaust memory.
inline constexpr std::size_t kMaxSongFileBytes = std::size_t{256} << 20;
inline constexpr std::size_t kMaxSyllableFileBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{1} << 20;

// Reads the whole of a regular file of at most `limit` bytes into `out`. Never blocks on a FIFO
// or a device: anything but a regular file is refused as NotAFile before a byte is read. Empty
// for a file of no bytes, TooLarge beyond `limit` (also when the file grows while it is read),
// NotFound, Denied or Other as the system reports; `out` is empty on any failure. Any thread.
Result readFileImage(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out);

} // namespace cantelo

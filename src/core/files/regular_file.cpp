#include "core/files/regular_file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cantelo {

namespace {

Result failed(FailureReason why, const std::string& path, std::vector<std::uint8_t>& out) {
    out.clear();
    out.shrink_to_fit();
    return Result::failure(why, path);
}

} // namespace

RegularFileReader::~RegularFileReader() {
    if (m_fd >= 0) ::close(m_fd);
}

Result RegularFileReader::open(const std::string& path, std::size_t limit) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_limit = limit;
    m_path = path;
    // O_NONBLOCK makes opening a FIFO with no writer return at once instead of waiting for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Result::failure(reasonOfErrno(errno), path);
    m_fd = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return Result::failure(reasonOfErrno(errno), path);
    if (!S_ISREG(info.st_mode)) return Result::failure(FailureReason::NotAFile, path);
    if (info.st_size == 0) return Result::failure(FailureReason::Empty, path);
    if (static_cast<std::uintmax_t>(info.st_size) > limit)
        return Result::failure(FailureReason::TooLarge, path);
    m_size = static_cast<std::size_t>(info.st_size);
    return Result::success();
}

bool RegularFileReader::readAt(std::size_t offset, std::span<std::uint8_t> into) const {
    if (m_fd < 0) return false;
    std::size_t have = 0;
    while (have < into.size()) {
        const ::ssize_t n = ::pread(m_fd, into.data() + have, into.size() - have,
                                    static_cast<::off_t>(offset + have));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        have += static_cast<std::size_t>(n);
    }
    return true;
}

Result RegularFileReader::readAll(std::vector<std::uint8_t>& out) const {
    out.clear();
    if (m_fd < 0 || m_size == 0) return failed(FailureReason::Other, m_path, out);
    out.resize(m_size);
    std::size_t have = 0;
    for (;;) {
        // One byte more than the limit allows tells a file that grew past it.
        if (have == out.size()) {
            if (out.size() > m_limit) return failed(FailureReason::TooLarge, m_path, out);
            out.resize(std::min(m_limit + 1, out.size() * 2));
        }
        const ::ssize_t n =
            ::pread(m_fd, out.data() + have, out.size() - have, static_cast<::off_t>(have));
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(reasonOfErrno(errno), m_path, out);
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    out.resize(have);
    if (out.empty()) return failed(FailureReason::Empty, m_path, out);
    return Result::success();
}

Result readFileImage(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out) {
    out.clear();
    RegularFileReader file;
    if (Result opened = file.open(path, limit); !opened) return failed(opened.reason, path, out);
    return file.readAll(out);
}

} // namespace cantelo

#include "core/document/file_image.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#if __has_include(<fcntl.h>) && __has_include(<sys/stat.h>) && __has_include(<unistd.h>)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define CANTELO_HAVE_POSIX_READ 1
#endif

namespace cantelo {

namespace {

Result failed(FailureReason why, const std::string& path, std::vector<std::uint8_t>& out) {
    out.clear();
    out.shrink_to_fit();
    return Result::failure(why, path);
}

#ifdef CANTELO_HAVE_POSIX_READ

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

#endif

} // namespace

Result readFileImage(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out) {
    out.clear();
#ifdef CANTELO_HAVE_POSIX_READ
    // O_NONBLOCK makes opening a FIFO with no writer return at once; the type is then checked on
    // the descriptor itself, so the file cannot be swapped between the check and the read.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return failed(reasonOfErrno(errno), path, out);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return failed(reasonOfErrno(errno), path, out);
    if (!S_ISREG(info.st_mode)) return failed(FailureReason::NotAFile, path, out);
    if (info.st_size == 0) return failed(FailureReason::Empty, path, out);
    if (static_cast<std::uintmax_t>(info.st_size) > limit)
        return failed(FailureReason::TooLarge, path, out);
    out.resize(static_cast<std::size_t>(info.st_size));
    std::size_t have = 0;
    for (;;) {
        // One byte more than the limit allows tells a file that grew past it.
        if (have == out.size()) {
            if (out.size() > limit) return failed(FailureReason::TooLarge, path, out);
            out.resize(std::min(limit + 1, out.size() * 2));
        }
        const ::ssize_t n = ::read(file.get(), out.data() + have, out.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(reasonOfErrno(errno), path, out);
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    out.resize(have);
#else
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) return failed(reasonOfErrno(ec.value()), path, out);
    if (!fs::is_regular_file(status)) return failed(FailureReason::NotAFile, path, out);
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return failed(reasonOfErrno(ec.value()), path, out);
    if (size > limit) return failed(FailureReason::TooLarge, path, out);
    std::ifstream in(path, std::ios::binary);
    if (!in) return failed(FailureReason::Other, path, out);
    out.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    out.resize(static_cast<std::size_t>(in.gcount()));
#endif
    if (out.empty()) return failed(FailureReason::Empty, path, out);
    return Result::success();
}

} // namespace cantelo

#include "core/song/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#if __has_include(<unistd.h>)
#include <unistd.h>
#define CANTELO_HAVE_FSYNC 1
#endif

namespace cantelo {

namespace fs = std::filesystem;

namespace {

bool fail(std::string* error, int* errnoOut, const std::string& path, int errnoValue) {
    if (error) *error = "cannot save \"" + path + "\": " + fileErrorReason(errnoValue);
    if (errnoOut) *errnoOut = errnoValue;
    return false;
}

// Opens a file of a new, unused name beside `target` for writing; never opens an existing file.
std::FILE* createTemporary(const fs::path& target, fs::path& tmpPath, int& err) {
    std::random_device rd;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 32; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x~", static_cast<unsigned>(rd()));
        tmpPath = folder / ("." + target.filename().string() + suffix);
        errno = 0;
        if (std::FILE* f = std::fopen(tmpPath.c_str(), "wbx")) return f;
        err = errno;
        if (err != EEXIST) return nullptr;
    }
    return nullptr;
}

} // namespace

std::string fileErrorReason(int e) {
    switch (e) {
    case EACCES:
    case EPERM:
    case EROFS:
        return "the folder is not writable";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "the disk is full";
    case EFBIG:
        return "the file is larger than the disk or the system allows";
    case ENOENT:
    case ENOTDIR:
        return "the folder does not exist";
    case EISDIR:
        return "a folder of that name is in the way";
    case ENAMETOOLONG:
        return "the name is too long";
    case 0:
        return "the file could not be written";
    default:
        return std::generic_category().message(e);
    }
}

bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes,
                        std::string* error, int* errnoValue) {
    if (errnoValue) *errnoValue = 0;
    const fs::path target(path);
    if (target.filename().empty()) return fail(error, errnoValue, path, EISDIR);
    fs::path tmpPath;
    int err = 0;
    std::FILE* f = createTemporary(target, tmpPath, err);
    if (!f) return fail(error, errnoValue, path, err);

    errno = 0;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (ok) ok = std::fflush(f) == 0;
#ifdef CANTELO_HAVE_FSYNC
    // The rename must not reach the disk before the data it points at.
    if (ok) ok = ::fsync(fileno(f)) == 0;
#endif
    err = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    std::error_code ec;
    if (ok) {
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::is_regular_file(old))
            fs::permissions(tmpPath, old.permissions(), fs::perm_options::replace, ec);
        fs::rename(tmpPath, target, ec);
        if (ec) {
            ok = false;
            err = ec.value();
        }
    }
    if (!ok) {
        fs::remove(tmpPath, ec);
        return fail(error, errnoValue, path, err);
    }
    return true;
}

} // namespace cantelo

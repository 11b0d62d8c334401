#include "core/files/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>

#if __has_include(<unistd.h>) && __has_include(<sys/stat.h>) && __has_include(<signal.h>)
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#define CANTELO_HAVE_POSIX 1
#endif

namespace cantelo {

namespace fs = std::filesystem;

namespace {

bool fail(std::string* error, int* errnoOut, const std::string& path, int errnoValue) {
    if (error) *error = "cannot save \"" + path + "\": " + fileErrorReason(errnoValue);
    if (errnoOut) *errnoOut = errnoValue;
    return false;
}

// Temporary files are named ".<target name>.cantelo-save-<pid>-<random>.tmp": the name says
// which file they were for and which process wrote them, so a later save can tell the leftover
// of a killed save from the file of a save still running elsewhere.
constexpr std::string_view kTempMark = ".cantelo-save-";
constexpr std::string_view kTempEnd = ".tmp";

std::string temporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + std::string(kTempMark);
}

// The process that wrote a temporary file of `target`, or -1 when `name` is not one.
long writerOf(const std::string& name, const std::string& prefix) {
    if (!name.starts_with(prefix) || !name.ends_with(kTempEnd)) return -1;
    const std::string_view rest =
        std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - kTempEnd.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10) return -1;
    long pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool processGone(long pid) {
#ifdef CANTELO_HAVE_POSIX
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#else
    (void)pid;
    return false;
#endif
}

// Removes what killed saves of `target` left beside it. A file whose writer still runs is left
// alone: it may be a save in progress.
void removeStaleTemporaries(const fs::path& folder, const fs::path& target) {
    const std::string prefix = temporaryPrefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long pid = writerOf(name, prefix);
        std::error_code ignored;
        if (pid > 0 && processGone(pid) && it->is_regular_file(ignored))
            fs::remove(it->path(), ignored);
    }
}

// Opens a file of a new, unused name beside `target` for writing; never opens an existing file.
std::FILE* createTemporary(const fs::path& target, fs::path& tmpPath, int& err) {
    std::random_device rd;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    removeStaleTemporaries(folder, target);
#ifdef CANTELO_HAVE_POSIX
    const long pid = static_cast<long>(::getpid());
#else
    const long pid = 0;
#endif
    for (int attempt = 0; attempt < 32; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, "%ld-%08x", pid, static_cast<unsigned>(rd()));
        tmpPath = folder / (temporaryPrefix(target) + suffix + std::string(kTempEnd));
        errno = 0;
        if (std::FILE* f = std::fopen(tmpPath.c_str(), "wbx")) return f;
        err = errno;
        if (err != EEXIST) return nullptr;
    }
    return nullptr;
}

// The file a save of `path` replaces: the end of the chain when `path` is a symbolic link, so
// the link stays and the file it names gets the new content. A link pointing nowhere names the
// file to create.
bool resolveLinks(fs::path& target, int& err) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec))) return true;
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) {
            err = ec.value();
            return false;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    err = ELOOP;
    return false;
}

// Whether an existing `target` is marked read-only. The mode bits are read directly because the
// system lets the superuser write anyway, and a save must not override the user's choice.
bool readOnly(const fs::path& target) {
#ifdef CANTELO_HAVE_POSIX
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::access(target.c_str(), W_OK) != 0;
#else
    std::error_code ec;
    const fs::file_status st = fs::status(target, ec);
    return !ec && fs::is_regular_file(st) &&
           (st.permissions() & (fs::perms::owner_write | fs::perms::group_write |
                                fs::perms::others_write)) == fs::perms::none;
#endif
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

void removeStaleSaveTemporaries(const std::string& path) {
    fs::path target(path);
    int err = 0;
    if (path.empty() || !resolveLinks(target, err)) return;
    removeStaleTemporaries(target.has_parent_path() ? target.parent_path() : fs::path("."), target);
}

bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes,
                        std::string* error, int* errnoValue) {
    if (errnoValue) *errnoValue = 0;
    fs::path target(path);
    if (target.filename().empty()) return fail(error, errnoValue, path, EISDIR);
    int err = 0;
    if (!resolveLinks(target, err)) return fail(error, errnoValue, path, err);
    if (readOnly(target)) {
        if (error) *error = "cannot save \"" + path + "\": the file is read-only";
        if (errnoValue) *errnoValue = EACCES;
        return false;
    }
    fs::path tmpPath;
    std::FILE* f = createTemporary(target, tmpPath, err);
    if (!f) return fail(error, errnoValue, path, err);

    errno = 0;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (ok) ok = std::fflush(f) == 0;
#ifdef CANTELO_HAVE_POSIX
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

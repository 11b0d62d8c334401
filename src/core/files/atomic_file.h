#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace cantelo {

// Writes `bytes` to a new temporary file in the folder of `path` and renames it over `path` only
// once every byte has been written and flushed to the disk, so a failed write never destroys the
// previous file. When `path` is a symbolic link the file it leads to is replaced and the link
// stays. A read-only file is refused (EACCES), whoever runs the program. Temporary files that
// killed saves of the same file left behind are removed first. On failure returns false,
// removes the temporary file, leaves any file at `path` untouched and, when `error` is not null,
// stores a sentence naming the file and the reason ("the folder is not writable", "the disk is
// full" ...). An existing file keeps its permissions. When `errnoValue` is not null it gets the
// errno of the failure (0 on success, and when the system gave none), so that callers can tell
// the user what to do about it. Any thread; blocks on the file system.
bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes,
                        std::string* error, int* errnoValue = nullptr);

// Removes the temporary files that killed saves of `path` left beside it (those whose writer no
// longer runs), so that opening a song clears what an interrupted session left, even when the
// song is not saved again. Follows links as a save does; never fails.
void removeStaleSaveTemporaries(const std::string& path);

// The reason for an errno value as the user is told it.
std::string fileErrorReason(int errnoValue);

} // namespace cantelo

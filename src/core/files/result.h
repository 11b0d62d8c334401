#pragma once

#include <string>
#include <utility>

namespace cantelo {

// Why an operation of the document failed, in words the interface can translate (each has a
// text of the language table). Nothing more detailed is promised: the user needs to know what to
// do, not which call failed.
enum class FailureReason {
    None,
    NotFound,      // the file or its folder does not exist
    Denied,        // permission denied
    DiskFull,      // no space left
    NotAFile,      // a folder, a pipe or a device
    TooLarge,      // beyond what any real file of the kind holds
    Empty,         // nothing to read
    Unrecognised,  // not a file of the kind asked for
    Refused,       // the user declined a question the operation asked
    NothingToDo,   // the command found nothing to change (no message is shown)
    NotInEncoding, // holds characters that the song's text encoding has no bytes for
    Other,         // any other read or write error
};

// The outcome of a document operation: success, or the reason and the file concerned. One error
// style for the whole core; no exception leaves an operation.
struct Result {
    FailureReason reason = FailureReason::None;
    std::string path; // the file the failure concerns, when there is one

    static Result success() { return {}; }
    static Result failure(FailureReason why, std::string file = {}) {
        return {why, std::move(file)};
    }
    bool ok() const { return reason == FailureReason::None; }
    explicit operator bool() const { return ok(); }
};

// The reason for an errno value of a failed file operation.
FailureReason reasonOfErrno(int errnoValue);

} // namespace cantelo

#include "core/files/result.h"

#include <cerrno>

namespace cantelo {

FailureReason reasonOfErrno(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
        return FailureReason::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureReason::Denied;
    case ENOSPC:
    case EDQUOT:
        return FailureReason::DiskFull;
    case EISDIR:
        return FailureReason::NotAFile;
    case EFBIG:
        return FailureReason::TooLarge;
    default:
        return FailureReason::Other;
    }
}

} // namespace cantelo

#include "platform/sim/host_errors.h"

#include <cerrno>

#include "platform/errors.h"

namespace platform::sim {

Dword ErrorFromErrno(int error) {
    switch (error) {
        case 0: return kErrSuccess;
        case ENOENT: return kErrFileNotFound;
        case ENOTDIR: return kErrPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: return kErrAccessDenied;
        case EEXIST: return kErrFileExists;
        case ENOSPC:
        case EDQUOT: return kErrDiskFull;
        case ENOTEMPTY: return kErrDirNotEmpty;
        case EXDEV: return kErrNotSameDevice;
        case ENAMETOOLONG: return kErrFilenameExcedRange;
        case ENOMEM: return kErrNotEnoughMemory;
        case EBADF: return kErrInvalidHandle;
        case EINVAL: return kErrInvalidParameter;
        default: return 31;  // ERROR_GEN_FAILURE
    }
}

}  // namespace platform::sim

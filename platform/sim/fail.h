#pragma once
// How the sim's platform calls report a failure: the thread's last error and the
// call's failure value.

#include "platform/last_error.h"

namespace platform::sim {

template <class T>
T Fail(Dword error, T result) {
    platform::SetLastError(error);
    return result;
}

inline bool Fail(Dword error) {
    platform::SetLastError(error);
    return false;
}

}  // namespace platform::sim

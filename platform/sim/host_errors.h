#pragma once
// Host errno values as the platform's error codes.

#include "platform/types.h"

namespace platform::sim {

Dword ErrorFromErrno(int error);

}  // namespace platform::sim

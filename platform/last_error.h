#pragma once
// The thread's last-error value, as the Win32 calls of this layer set it.

#include "platform/types.h"

namespace platform {

Dword GetLastError();
void SetLastError(Dword code);

}  // namespace platform

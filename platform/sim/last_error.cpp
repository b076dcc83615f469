#include "platform/last_error.h"

namespace platform {

namespace {
thread_local Dword lastError = 0;
}

Dword GetLastError() { return lastError; }
void SetLastError(Dword code) { lastError = code; }

}  // namespace platform

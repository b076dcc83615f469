#include "platform/last_error.h"

#include "platform/win32/win32.h"

namespace platform {

Dword GetLastError() { return ::GetLastError(); }
void SetLastError(Dword code) { ::SetLastError(code); }

}  // namespace platform

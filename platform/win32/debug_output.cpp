#include "platform/debug_output.h"

#include "platform/win32/win32.h"

namespace platform {

void OutputDebugStringA(const char* text) { ::OutputDebugStringA(text); }

}  // namespace platform

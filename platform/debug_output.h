#pragma once
// The debugger output: texts a program sends to whatever debugger watches it.

namespace platform {

void OutputDebugStringA(const char* text);

}  // namespace platform

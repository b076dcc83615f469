#pragma once
// The running program: its module, command line, id, libraries and exit.

#include "platform/types.h"

namespace platform {

Dword GetModuleFileNameW(Module module, char16_t* buffer, Dword size);
// The raw command line as the process received it.
const char16_t* GetCommandLineW();
Dword GetCurrentProcessId();
Handle GetCurrentProcess();
Handle GetCurrentThread();

Module GetModuleHandleW(const char16_t* name);
Module LoadLibraryW(const char16_t* name);
FarProc GetProcAddress(Module module, const char* name);
bool FreeLibrary(Module module);

// Ends the process with a full 32-bit exit code.
[[noreturn]] void ExitProcess(Dword exitCode);

}  // namespace platform

#pragma once
// Starting another program and waiting for its end.

#include "platform/types.h"

namespace platform {

constexpr Dword kInfinite = 0xFFFFFFFF;
constexpr Dword kWaitObject0 = 0;
constexpr Dword kWaitTimeout = 258;
constexpr Dword kWaitFailed = 0xFFFFFFFF;
constexpr Dword kStillActive = 259;
constexpr Dword kErrBadExeFormat = 193;
constexpr Dword kErrDirectory = 267;

// The fields of STARTUPINFOA that a caller may set; all zero is the default start.
struct StartupInfoA {
    Dword flags = 0;
    uint16_t showWindow = 0;
    Handle stdInput = nullptr;
    Handle stdOutput = nullptr;
    Handle stdError = nullptr;
};

struct ProcessInformation {
    Handle process = nullptr;
    Handle thread = nullptr;
    Dword processId = 0;
    Dword threadId = 0;
};

// CreateProcessA with the calling program's environment. `applicationName` is the
// program to run (completed from the current folder, never searched for);
// `commandLine` is the text the program receives as its command line, exactly; null
// makes it the application name. `currentDirectory` null keeps the caller's. The
// caller closes both handles of `info`.
bool CreateProcessA(const char* applicationName, char* commandLine, bool inheritHandles,
                    Dword creationFlags, const char* currentDirectory,
                    const StartupInfoA* startupInfo, ProcessInformation* info);

// kWaitObject0 when the object (a process) has ended, kWaitTimeout, or kWaitFailed.
Dword WaitForSingleObject(Handle object, Dword milliseconds);
// kStillActive while the process runs.
bool GetExitCodeProcess(Handle process, Dword* exitCode);

}  // namespace platform

#include "platform/process_launch.h"

#include "platform/win32/win32.h"

namespace platform {

bool CreateProcessA(const char* applicationName, char* commandLine, bool inheritHandles,
                    Dword creationFlags, const char* currentDirectory,
                    const StartupInfoA* startupInfo, ProcessInformation* info) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (startupInfo) {
        si.dwFlags = startupInfo->flags;
        si.wShowWindow = startupInfo->showWindow;
        si.hStdInput = reinterpret_cast<HANDLE>(startupInfo->stdInput);
        si.hStdOutput = reinterpret_cast<HANDLE>(startupInfo->stdOutput);
        si.hStdError = reinterpret_cast<HANDLE>(startupInfo->stdError);
    }
    PROCESS_INFORMATION pi = {};
    BOOL ok = ::CreateProcessA(applicationName, commandLine, nullptr, nullptr, inheritHandles,
                               creationFlags, nullptr, currentDirectory, &si, &pi);
    *info = {};
    if (!ok) return false;
    info->process = reinterpret_cast<Handle>(pi.hProcess);
    info->thread = reinterpret_cast<Handle>(pi.hThread);
    info->processId = pi.dwProcessId;
    info->threadId = pi.dwThreadId;
    return true;
}

Dword WaitForSingleObject(Handle object, Dword milliseconds) {
    return ::WaitForSingleObject(reinterpret_cast<HANDLE>(object), milliseconds);
}

bool GetExitCodeProcess(Handle process, Dword* exitCode) {
    DWORD code = 0;
    BOOL ok = ::GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code);
    if (ok) *exitCode = code;
    return ok != FALSE;
}

}  // namespace platform

#include "platform/process.h"

#include "platform/win32/win32.h"

namespace platform {

using win32::W;

static HMODULE M(Module m) { return reinterpret_cast<HMODULE>(m); }

Dword GetModuleFileNameW(Module module, char16_t* buffer, Dword size) {
    return ::GetModuleFileNameW(M(module), W(buffer), size);
}
const char16_t* GetCommandLineW() { return reinterpret_cast<const char16_t*>(::GetCommandLineW()); }
Dword GetCurrentProcessId() { return ::GetCurrentProcessId(); }
Handle GetCurrentProcess() { return reinterpret_cast<Handle>(::GetCurrentProcess()); }
Handle GetCurrentThread() { return reinterpret_cast<Handle>(::GetCurrentThread()); }

Module GetModuleHandleW(const char16_t* name) {
    return reinterpret_cast<Module>(::GetModuleHandleW(name ? W(name) : nullptr));
}
Module LoadLibraryW(const char16_t* name) { return reinterpret_cast<Module>(::LoadLibraryW(W(name))); }
FarProc GetProcAddress(Module module, const char* name) {
    return reinterpret_cast<FarProc>(::GetProcAddress(M(module), name));
}
bool FreeLibrary(Module module) { return ::FreeLibrary(M(module)) != FALSE; }

void ExitProcess(Dword exitCode) { ::ExitProcess(exitCode); }

}  // namespace platform

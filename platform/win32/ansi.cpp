#include "platform/ansi.h"

#include <cstring>

#include "platform/win32/win32.h"

namespace platform {

static HKEY K(HKey k) { return reinterpret_cast<HKEY>(k); }

std::vector<std::string> MainArgumentsA(int argc, char** argv) {
    // The C runtime has split the command line already, in the ANSI code page.
    return std::vector<std::string>(argv, argv + argc);
}

Dword GetModuleFileNameA(Module module, char* buffer, Dword size) {
    return ::GetModuleFileNameA(reinterpret_cast<HMODULE>(module), buffer, size);
}

Dword GetTempPathA(Dword bufferLength, char* buffer) { return ::GetTempPathA(bufferLength, buffer); }

bool CreateDirectoryA(const char* path) { return ::CreateDirectoryA(path, nullptr) != FALSE; }

bool CopyFileA(const char* existing, const char* target, bool failIfExists) {
    return ::CopyFileA(existing, target, failIfExists) != FALSE;
}

Handle FindFirstFileA(const char* pattern, FindDataA* data) {
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(pattern, &found);
    if (h != INVALID_HANDLE_VALUE) win32::CopyFindData(found, data);
    return reinterpret_cast<Handle>(h);
}

bool FindNextFileA(Handle search, FindDataA* data) {
    WIN32_FIND_DATAA found;
    if (!::FindNextFileA(reinterpret_cast<HANDLE>(search), &found)) return false;
    win32::CopyFindData(found, data);
    return true;
}

LStatus RegOpenKeyExA(HKey key, const char* subKey, Dword options, Dword access, HKey* result) {
    HKEY out = nullptr;
    LStatus s = ::RegOpenKeyExA(K(key), subKey, options, access, &out);
    *result = s == 0 ? reinterpret_cast<HKey>(out) : nullptr;
    return s;
}

LStatus RegQueryValueExA(HKey key, const char* valueName, Dword* type, void* data, Dword* size) {
    DWORD t = 0;
    LStatus s = ::RegQueryValueExA(K(key), valueName, nullptr, &t, static_cast<BYTE*>(data),
                                   reinterpret_cast<DWORD*>(size));
    if (type) *type = t;
    return s;
}

}  // namespace platform

#include "platform/files.h"

#include <cstring>

#include "platform/win32/win32.h"

#include <shlobj.h>  // after <windows.h>

namespace platform {

using win32::W;

static HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
static Handle P(HANDLE h) { return reinterpret_cast<Handle>(h); }

Handle CreateFileW(const char16_t* path, Dword access, Dword shareMode, Dword creation,
                   Dword flagsAndAttributes) {
    return P(::CreateFileW(W(path), access, shareMode, nullptr, creation, flagsAndAttributes,
                           nullptr));
}

bool ReadFile(Handle file, void* buffer, Dword toRead, Dword* read) {
    DWORD n = 0;
    BOOL ok = ::ReadFile(H(file), buffer, toRead, &n, nullptr);
    if (read) *read = n;
    return ok != FALSE;
}

bool WriteFile(Handle file, const void* buffer, Dword toWrite, Dword* written) {
    DWORD n = 0;
    BOOL ok = ::WriteFile(H(file), buffer, toWrite, &n, nullptr);
    if (written) *written = n;
    return ok != FALSE;
}

bool FlushFileBuffers(Handle file) { return ::FlushFileBuffers(H(file)) != FALSE; }

bool SetFilePointerEx(Handle file, int64_t distance, int64_t* newPosition, Dword method) {
    LARGE_INTEGER d, out;
    d.QuadPart = distance;
    BOOL ok = ::SetFilePointerEx(H(file), d, &out, method);
    if (ok && newPosition) *newPosition = out.QuadPart;
    return ok != FALSE;
}

bool GetFileSizeEx(Handle file, int64_t* size) {
    LARGE_INTEGER s;
    BOOL ok = ::GetFileSizeEx(H(file), &s);
    if (ok && size) *size = s.QuadPart;
    return ok != FALSE;
}

bool CloseHandle(Handle handle) { return ::CloseHandle(H(handle)) != FALSE; }

Handle GetStdHandle(Dword which) { return P(::GetStdHandle(which)); }

bool DeleteFileW(const char16_t* path) { return ::DeleteFileW(W(path)) != FALSE; }
bool CreateDirectoryW(const char16_t* path) { return ::CreateDirectoryW(W(path), nullptr) != FALSE; }
bool RemoveDirectoryW(const char16_t* path) { return ::RemoveDirectoryW(W(path)) != FALSE; }
int SHCreateDirectoryExW(const char16_t* path) { return ::SHCreateDirectoryExW(nullptr, W(path), nullptr); }
Dword GetFileAttributesW(const char16_t* path) { return ::GetFileAttributesW(W(path)); }
bool SetFileAttributesW(const char16_t* path, Dword attributes) {
    return ::SetFileAttributesW(W(path), attributes) != FALSE;
}
bool MoveFileExW(const char16_t* existing, const char16_t* target, Dword flags) {
    return ::MoveFileExW(W(existing), target ? W(target) : nullptr, flags) != FALSE;
}
bool CopyFileW(const char16_t* existing, const char16_t* target, bool failIfExists) {
    return ::CopyFileW(W(existing), W(target), failIfExists) != FALSE;
}

Handle FindFirstFileW(const char16_t* pattern, FindData* data) {
    WIN32_FIND_DATAW found;
    HANDLE h = ::FindFirstFileW(W(pattern), &found);
    if (h != INVALID_HANDLE_VALUE) win32::CopyFindData(found, data);
    return P(h);
}

bool FindNextFileW(Handle search, FindData* data) {
    WIN32_FIND_DATAW found;
    if (!::FindNextFileW(H(search), &found)) return false;
    win32::CopyFindData(found, data);
    return true;
}

bool FindClose(Handle search) { return ::FindClose(H(search)) != FALSE; }

Dword GetTempPathW(Dword bufferLength, char16_t* buffer) { return ::GetTempPathW(bufferLength, W(buffer)); }

Dword GetFullPathNameW(const char16_t* path, Dword bufferLength, char16_t* buffer,
                       char16_t** filePart) {
    return ::GetFullPathNameW(W(path), bufferLength, W(buffer),
                              reinterpret_cast<wchar_t**>(filePart));
}

Dword GetCurrentDirectoryW(Dword bufferLength, char16_t* buffer) {
    return ::GetCurrentDirectoryW(bufferLength, W(buffer));
}

unsigned GetTempFileNameW(const char16_t* folder, const char16_t* prefix, unsigned unique,
                          char16_t* buffer) {
    return ::GetTempFileNameW(W(folder), W(prefix), unique, W(buffer));
}

}  // namespace platform

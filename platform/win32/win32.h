#pragma once
// Shared by the win32 backend's files: <windows.h> and the casts between the
// interface's char16_t texts and Win32's wchar_t (the same 2-byte units here).

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 texts are UTF-16");

inline const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* W(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// WIN32_FIND_DATAA/W into the interface's FindDataA/FindData, which keep the same
// fields with the file times as 64-bit counts.
template <class In, class Out>
void CopyFindData(const In& in, Out* out) {
    auto time = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    out->fileAttributes = in.dwFileAttributes;
    out->creationTime = time(in.ftCreationTime);
    out->lastAccessTime = time(in.ftLastAccessTime);
    out->lastWriteTime = time(in.ftLastWriteTime);
    out->fileSizeHigh = in.nFileSizeHigh;
    out->fileSizeLow = in.nFileSizeLow;
    out->reserved0 = in.dwReserved0;
    out->reserved1 = in.dwReserved1;
    static_assert(sizeof(out->fileName) == sizeof(in.cFileName));
    static_assert(sizeof(out->alternateFileName) == sizeof(in.cAlternateFileName));
    std::memcpy(out->fileName, in.cFileName, sizeof(out->fileName));
    std::memcpy(out->alternateFileName, in.cAlternateFileName, sizeof(out->alternateFileName));
}

}  // namespace platform::win32

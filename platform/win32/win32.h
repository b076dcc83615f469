#pragma once
// Shared by the win32 backend's files: <windows.h> and the casts between the
// interface's char16_t texts and Win32's wchar_t (the same 2-byte units here).

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 texts are UTF-16");

inline const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* W(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

}  // namespace platform::win32

#include "platform/version_resources.h"

#include "platform/win32/win32.h"

namespace platform {

using win32::W;

Dword GetFileVersionInfoSizeW(const char16_t* path, Dword* handle) {
    DWORD h = 0;
    Dword size = ::GetFileVersionInfoSizeW(W(path), &h);
    if (handle) *handle = h;
    return size;
}

bool GetFileVersionInfoW(const char16_t* path, Dword handle, Dword length, void* data) {
    return ::GetFileVersionInfoW(W(path), handle, length, data) != FALSE;
}

bool VerQueryValueW(const void* block, const char16_t* subBlock, void** buffer,
                    unsigned* length) {
    UINT n = 0;
    BOOL ok = ::VerQueryValueW(block, W(subBlock), buffer, &n);
    if (length) *length = n;
    return ok != FALSE;
}

}  // namespace platform

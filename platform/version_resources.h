#pragma once
// Version resources of program files.

#include "platform/types.h"

namespace platform {

// The layout of VS_FIXEDFILEINFO.
struct FixedFileInfo {
    Dword signature;  // 0xFEEF04BD
    Dword strucVersion;
    Dword fileVersionMS;
    Dword fileVersionLS;
    Dword productVersionMS;
    Dword productVersionLS;
    Dword fileFlagsMask;
    Dword fileFlags;
    Dword fileOS;
    Dword fileType;
    Dword fileSubtype;
    Dword fileDateMS;
    Dword fileDateLS;
};

Dword GetFileVersionInfoSizeW(const char16_t* path, Dword* handle);
bool GetFileVersionInfoW(const char16_t* path, Dword handle, Dword length, void* data);
bool VerQueryValueW(const void* block, const char16_t* subBlock, void** buffer,
                    unsigned* length);

}  // namespace platform

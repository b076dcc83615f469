#include "platform/setup_files.h"

#include "platform/win32/win32.h"

#include <setupapi.h>  // after <windows.h>

namespace platform {

using win32::W;

static_assert(sizeof(FileInCabinetInfo) == sizeof(FILE_IN_CABINET_INFO_W));
static_assert(sizeof(FilePaths) == sizeof(FILEPATHS_W));
static_assert(sizeof(CabinetInfo) == sizeof(CABINET_INFO_W));

Dword SetupGetFileCompressionInfoW(const char16_t* source, char16_t** actualName, Dword* sourceSize,
                                   Dword* targetSize, unsigned* compressionType) {
    PWSTR name = nullptr;
    DWORD s = 0, t = 0;
    UINT type = 0;
    Dword error = ::SetupGetFileCompressionInfoW(W(source), &name, &s, &t, &type);
    *actualName = reinterpret_cast<char16_t*>(name);
    *sourceSize = s;
    *targetSize = t;
    *compressionType = type;
    return error;
}

Dword SetupDecompressOrCopyFileW(const char16_t* source, const char16_t* target, unsigned* compressionType) {
    UINT type = compressionType ? *compressionType : 0;
    return ::SetupDecompressOrCopyFileW(W(source), W(target), compressionType ? &type : nullptr);
}

void LocalFree(void* memory) { ::LocalFree(memory); }

bool SetupIterateCabinetW(const char16_t* cabinet, Dword reserved, CabinetCallback callback, void* context) {
    return ::SetupIterateCabinetW(W(cabinet), reserved, reinterpret_cast<PSP_FILE_CALLBACK_W>(callback), context) !=
           FALSE;
}

}  // namespace platform

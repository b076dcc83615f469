#pragma once
// SetupAPI's file services: the compression of a source file, decompress-or-copy,
// and the iteration of a cabinet's files through a callback.

#include "platform/types.h"

namespace platform {

constexpr unsigned kFileCompressionNone = 0;
constexpr unsigned kFileCompressionWinLz = 1;  // LZ "SZDD" files
constexpr unsigned kFileCompressionMsZip = 2;  // single-file MSZIP cabinets
constexpr unsigned kFileCompressionNtCab = 3;

// SetupGetFileCompressionInfoW: returns a Win32 error code (0 on success); *actualName
// is allocated by the platform and freed with LocalFree.
Dword SetupGetFileCompressionInfoW(const char16_t* source, char16_t** actualName, Dword* sourceSize,
                                   Dword* targetSize, unsigned* compressionType);
// SetupDecompressOrCopyFileW: returns a Win32 error code; compressionType may be null
// (the platform then finds it out).
Dword SetupDecompressOrCopyFileW(const char16_t* source, const char16_t* target, unsigned* compressionType);
void LocalFree(void* memory);

// Cabinet iteration notifications and answers.
constexpr unsigned kSpFileNotifyCabinetInfo = 0x10;
constexpr unsigned kSpFileNotifyFileInCabinet = 0x11;
constexpr unsigned kSpFileNotifyNeedNewCabinet = 0x12;
constexpr unsigned kSpFileNotifyFileExtracted = 0x13;
constexpr unsigned kFileOpAbort = 0;
constexpr unsigned kFileOpDoIt = 1;
constexpr unsigned kFileOpSkip = 2;

// SetupAPI declares its structures byte-packed in 32-bit programs.
#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(push, 1)
#endif

// The layout of CABINET_INFO_W (parameter 1 of SPFILENOTIFY_CABINETINFO and
// SPFILENOTIFY_NEEDNEWCABINET). At CABINETINFO, cabinetFile and diskName name the next
// cabinet of a set (empty for a lone cabinet); at NEEDNEWCABINET, the cabinet wanted.
struct CabinetInfo {
    const char16_t* cabinetPath;
    const char16_t* cabinetFile;
    const char16_t* diskName;
    uint16_t setId;
    uint16_t cabinetNumber;
};

// The layout of FILE_IN_CABINET_INFO_W.
struct FileInCabinetInfo {
    const char16_t* nameInCabinet;
    Dword fileSize;
    Dword win32Error;
    uint16_t dosDate;
    uint16_t dosTime;
    uint16_t dosAttribs;
    char16_t fullTargetName[260];
};

// The layout of FILEPATHS_W (parameter 1 of SPFILENOTIFY_FILEEXTRACTED).
struct FilePaths {
    const char16_t* target;
    const char16_t* source;
    unsigned win32Error;
    Dword flags;
};

#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(pop)
#endif

using CabinetCallback = unsigned(PLATFORM_API*)(void* context, unsigned notification, uintptr_t param1,
                                                 uintptr_t param2);
// An answer of FILEOP_ABORT to FILEINCABINET ends the walk, which then fails with the
// error the callback left in win32Error (none unless it set one), even after an
// extraction. (Wine 8 takes FILEOP_ABORT for FILEOP_SKIP and succeeds.)
bool SetupIterateCabinetW(const char16_t* cabinet, Dword reserved, CabinetCallback callback, void* context);

}  // namespace platform

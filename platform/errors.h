#pragma once
// Win32 error codes and result values, under names of our own: the Win32 names are
// macros in <windows.h>, which the win32 backend includes beside this header.

#include "platform/types.h"

namespace platform {

constexpr Dword kErrSuccess = 0;
constexpr Dword kErrFileNotFound = 2;
constexpr Dword kErrPathNotFound = 3;
constexpr Dword kErrAccessDenied = 5;
constexpr Dword kErrInvalidHandle = 6;
constexpr Dword kErrNotEnoughMemory = 8;
constexpr Dword kErrNotSameDevice = 17;
constexpr Dword kErrNoMoreFiles = 18;
constexpr Dword kErrInvalidData = 13;
constexpr Dword kErrSharingViolation = 32;
constexpr Dword kErrHandleEof = 38;
constexpr Dword kErrNotSupported = 50;
constexpr Dword kErrFileExists = 80;
constexpr Dword kErrInvalidParameter = 87;
constexpr Dword kErrBufferOverflow = 111;
constexpr Dword kErrInsufficientBuffer = 122;
constexpr Dword kErrInvalidName = 123;
constexpr Dword kErrProcNotFound = 127;
constexpr Dword kErrDirNotEmpty = 145;
constexpr Dword kErrAlreadyExists = 183;
constexpr Dword kErrFilenameExcedRange = 206;
constexpr Dword kErrMoreData = 234;
constexpr Dword kErrNoMoreItems = 259;
constexpr Dword kErrModNotFound = 126;
constexpr Dword kErrInvalidFlags = 1004;
constexpr Dword kErrKeyDeleted = 1018;
constexpr Dword kErrNoToken = 1008;
constexpr Dword kErrResourceTypeNotFound = 1813;
constexpr Dword kErrResourceDataNotFound = 1812;
constexpr Dword kErrDiskFull = 112;

}  // namespace platform

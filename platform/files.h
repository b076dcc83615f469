#pragma once
// Files and folders: the Win32 file calls the logic makes.

#include "platform/types.h"

namespace platform {

// Access rights, sharing and creation of CreateFileW.
constexpr Dword kGenericRead = 0x80000000;
constexpr Dword kGenericWrite = 0x40000000;
constexpr Dword kFileAppendData = 0x0004;
constexpr Dword kFileShareRead = 0x1;
constexpr Dword kFileShareWrite = 0x2;
constexpr Dword kFileShareDelete = 0x4;
constexpr Dword kCreateNew = 1;
constexpr Dword kCreateAlways = 2;
constexpr Dword kOpenExisting = 3;
constexpr Dword kOpenAlways = 4;
constexpr Dword kTruncateExisting = 5;

// File attributes.
constexpr Dword kFileAttributeReadOnly = 0x1;
constexpr Dword kFileAttributeHidden = 0x2;
constexpr Dword kFileAttributeSystem = 0x4;
constexpr Dword kFileAttributeDirectory = 0x10;
constexpr Dword kFileAttributeArchive = 0x20;
constexpr Dword kFileAttributeNormal = 0x80;
constexpr Dword kInvalidFileAttributes = 0xFFFFFFFF;

// SetFilePointerEx origins.
constexpr Dword kFileBegin = 0;
constexpr Dword kFileCurrent = 1;
constexpr Dword kFileEnd = 2;

// MoveFileExW flags.
constexpr Dword kMoveFileReplaceExisting = 0x1;
constexpr Dword kMoveFileCopyAllowed = 0x2;
constexpr Dword kMoveFileDelayUntilReboot = 0x4;
constexpr Dword kMoveFileWriteThrough = 0x8;

// GetStdHandle.
constexpr Dword kStdInputHandle = static_cast<Dword>(-10);
constexpr Dword kStdOutputHandle = static_cast<Dword>(-11);
constexpr Dword kStdErrorHandle = static_cast<Dword>(-12);

constexpr Dword kMaxPath = 260;

// The layout of WIN32_FIND_DATAW.
struct FindData {
    Dword fileAttributes;
    uint64_t creationTime;
    uint64_t lastAccessTime;
    uint64_t lastWriteTime;
    Dword fileSizeHigh;
    Dword fileSizeLow;
    Dword reserved0;
    Dword reserved1;
    char16_t fileName[kMaxPath];
    char16_t alternateFileName[14];
};

Handle CreateFileW(const char16_t* path, Dword access, Dword shareMode, Dword creation,
                   Dword flagsAndAttributes);
bool ReadFile(Handle file, void* buffer, Dword toRead, Dword* read);
bool WriteFile(Handle file, const void* buffer, Dword toWrite, Dword* written);
bool FlushFileBuffers(Handle file);
bool SetFilePointerEx(Handle file, int64_t distance, int64_t* newPosition, Dword method);
bool GetFileSizeEx(Handle file, int64_t* size);
bool CloseHandle(Handle handle);
Handle GetStdHandle(Dword which);

bool DeleteFileW(const char16_t* path);
bool CreateDirectoryW(const char16_t* path);
bool RemoveDirectoryW(const char16_t* path);
// Returns the Win32 error code (0 on success), as the shell call does.
int SHCreateDirectoryExW(const char16_t* path);
Dword GetFileAttributesW(const char16_t* path);
bool SetFileAttributesW(const char16_t* path, Dword attributes);
bool MoveFileExW(const char16_t* existing, const char16_t* target, Dword flags);
bool CopyFileW(const char16_t* existing, const char16_t* target, bool failIfExists);

Handle FindFirstFileW(const char16_t* pattern, FindData* data);
bool FindNextFileW(Handle search, FindData* data);
bool FindClose(Handle search);

// Buffer-sized calls: they return the length written without the NUL, or the size
// needed with the NUL when the buffer is too small, or 0 on failure.
Dword GetTempPathW(Dword bufferLength, char16_t* buffer);
Dword GetFullPathNameW(const char16_t* path, Dword bufferLength, char16_t* buffer,
                       char16_t** filePart);
Dword GetCurrentDirectoryW(Dword bufferLength, char16_t* buffer);
// `buffer` has room for kMaxPath characters; returns the unique number, 0 on failure.
unsigned GetTempFileNameW(const char16_t* folder, const char16_t* prefix, unsigned unique,
                          char16_t* buffer);

}  // namespace platform

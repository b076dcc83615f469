#pragma once
// The ANSI (8-bit) forms of the file, module and registry calls, for programs that
// work in the machine's ANSI code page (the launcher). They behave as their UTF-16
// forms do; texts are converted at the call.

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/types.h"

namespace platform {

// The layout of WIN32_FIND_DATAA.
struct FindDataA {
    Dword fileAttributes;
    uint64_t creationTime;
    uint64_t lastAccessTime;
    uint64_t lastWriteTime;
    Dword fileSizeHigh;
    Dword fileSizeLow;
    Dword reserved0;
    Dword reserved1;
    char fileName[kMaxPath];
    char alternateFileName[14];
};

// The program's arguments as the C runtime of an ANSI program hands them to main:
// the command line split by the platform's rules, in the ANSI code page. `argv[0]`
// included.
std::vector<std::string> MainArgumentsA(int argc, char** argv);

// Buffer-sized as GetModuleFileNameW: a path longer than the buffer is cut, the
// answer is then `size` and the last error 122.
Dword GetModuleFileNameA(Module module, char* buffer, Dword size);
Dword GetTempPathA(Dword bufferLength, char* buffer);
bool CreateDirectoryA(const char* path);
bool CopyFileA(const char* existing, const char* target, bool failIfExists);
Handle FindFirstFileA(const char* pattern, FindDataA* data);
bool FindNextFileA(Handle search, FindDataA* data);

LStatus RegOpenKeyExA(HKey key, const char* subKey, Dword options, Dword access, HKey* result);
// String values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) come back in the ANSI code page,
// their sizes counted in its bytes; other types as stored.
LStatus RegQueryValueExA(HKey key, const char* valueName, Dword* type, void* data, Dword* size);

}  // namespace platform

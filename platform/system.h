#pragma once
// Identity of the running system: version, folders, language, time, waits.

#include "platform/types.h"

namespace platform {

constexpr Dword kVerPlatformWin32s = 0;
constexpr Dword kVerPlatformWin32Windows = 1;
constexpr Dword kVerPlatformWin32Nt = 2;

// The layouts of OSVERSIONINFOW and OSVERSIONINFOA.
struct OsVersionInfoW {
    Dword osVersionInfoSize;
    Dword majorVersion;
    Dword minorVersion;
    Dword buildNumber;
    Dword platformId;
    char16_t csdVersion[128];
};
struct OsVersionInfoA {
    Dword osVersionInfoSize;
    Dword majorVersion;
    Dword minorVersion;
    Dword buildNumber;
    Dword platformId;
    char csdVersion[128];
};

bool GetVersionExW(OsVersionInfoW* info);
bool GetVersionExA(OsVersionInfoA* info);

// Buffer-sized as GetTempPathW.
Dword GetWindowsDirectoryW(char16_t* buffer, Dword size);
Dword GetSystemDirectoryW(char16_t* buffer, Dword size);
// The folder of 32-bit system files on a 64-bit Windows (SysWOW64).
Dword GetSystemWow64DirectoryW(char16_t* buffer, Dword size);

LangId GetUserDefaultLangID();

// The thread's locale (it chooses, among others, the Strings section of an INF).
using Lcid = uint32_t;
Lcid GetThreadLocale();
bool SetThreadLocale(Lcid locale);

void GetLocalTime(SystemTime* time);
void Sleep(Dword milliseconds);

// Functions that the logic looks up by name at run time (GetProcAddress), with the
// signatures they have there.
using GetSystemWindowsDirectoryWFn = unsigned(PLATFORM_API*)(char16_t* buffer, unsigned size);
using GetUserDefaultUILanguageFn = LangId(PLATFORM_API*)();
using IsWow64ProcessFn = int(PLATFORM_API*)(Handle process, int* wow64);

}  // namespace platform

#include "platform/system.h"

#include <cstring>

#include "platform/win32/win32.h"

namespace platform {

using win32::W;

// The caller's size goes through, so that the platform checks it as it does for any
// caller; the copy has room for the extended form too, which the platform also accepts.
bool GetVersionExW(OsVersionInfoW* info) {
    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = info->osVersionInfoSize;
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex))) return false;
    const OSVERSIONINFOEXW& v = ex;
    info->majorVersion = v.dwMajorVersion;
    info->minorVersion = v.dwMinorVersion;
    info->buildNumber = v.dwBuildNumber;
    info->platformId = v.dwPlatformId;
    static_assert(sizeof(info->csdVersion) == sizeof(v.szCSDVersion));
    std::memcpy(info->csdVersion, v.szCSDVersion, sizeof(info->csdVersion));
    return true;
}

bool GetVersionExA(OsVersionInfoA* info) {
    OSVERSIONINFOEXA ex{};
    ex.dwOSVersionInfoSize = info->osVersionInfoSize;
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) return false;
    const OSVERSIONINFOEXA& v = ex;
    info->majorVersion = v.dwMajorVersion;
    info->minorVersion = v.dwMinorVersion;
    info->buildNumber = v.dwBuildNumber;
    info->platformId = v.dwPlatformId;
    std::memcpy(info->csdVersion, v.szCSDVersion, sizeof(info->csdVersion));
    return true;
}

Dword GetWindowsDirectoryW(char16_t* buffer, Dword size) { return ::GetWindowsDirectoryW(W(buffer), size); }
Dword GetSystemDirectoryW(char16_t* buffer, Dword size) { return ::GetSystemDirectoryW(W(buffer), size); }
Dword GetSystemWow64DirectoryW(char16_t* buffer, Dword size) { return ::GetSystemWow64DirectoryW(W(buffer), size); }

LangId GetUserDefaultLangID() { return ::GetUserDefaultLangID(); }

Lcid GetThreadLocale() { return ::GetThreadLocale(); }
bool SetThreadLocale(Lcid locale) { return ::SetThreadLocale(locale) != FALSE; }

void GetLocalTime(SystemTime* time) {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    *time = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void Sleep(Dword milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform

#include "platform/system.h"

#include <cstring>

#include "platform/win32/win32.h"

namespace platform {

using win32::W;

bool GetVersionExW(OsVersionInfoW* info) {
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!::GetVersionExW(&v)) return false;
    info->majorVersion = v.dwMajorVersion;
    info->minorVersion = v.dwMinorVersion;
    info->buildNumber = v.dwBuildNumber;
    info->platformId = v.dwPlatformId;
    static_assert(sizeof(info->csdVersion) == sizeof(v.szCSDVersion));
    std::memcpy(info->csdVersion, v.szCSDVersion, sizeof(info->csdVersion));
    return true;
}

bool GetVersionExA(OsVersionInfoA* info) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!::GetVersionExA(&v)) return false;
    info->majorVersion = v.dwMajorVersion;
    info->minorVersion = v.dwMinorVersion;
    info->buildNumber = v.dwBuildNumber;
    info->platformId = v.dwPlatformId;
    std::memcpy(info->csdVersion, v.szCSDVersion, sizeof(info->csdVersion));
    return true;
}

Dword GetWindowsDirectoryW(char16_t* buffer, Dword size) { return ::GetWindowsDirectoryW(W(buffer), size); }
Dword GetSystemDirectoryW(char16_t* buffer, Dword size) { return ::GetSystemDirectoryW(W(buffer), size); }

LangId GetUserDefaultLangID() { return ::GetUserDefaultLangID(); }

void GetLocalTime(SystemTime* time) {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    *time = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void Sleep(Dword milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform

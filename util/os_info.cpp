#include "util/os_info.h"

#include "platform/process.h"
#include "platform/system.h"

int SetupGetRunningWinVer() {
    platform::OsVersionInfoW info{};
    info.osVersionInfoSize = sizeof info;
    if (!platform::GetVersionExW(&info)) return OsUnknown;
    if (info.platformId == platform::kVerPlatformWin32Nt) {
        if (info.majorVersion >= 6) return OsVistaOrLater;
        if (info.majorVersion == 5) return info.minorVersion == 0 ? OsWin2000 : OsWinXP;
        if (info.majorVersion == 4) return OsWinNT4;
        return OsUnknown;
    }
    if (info.platformId == platform::kVerPlatformWin32Windows) {
        if (info.majorVersion > 4) return OsWinMe;
        if (info.majorVersion < 4) return OsUnknown;
        // The 9x family keeps its minor version in bits 16 to 23 of the build number.
        unsigned minor = (info.buildNumber >> 16) & 0xFF;
        if (minor >= 90) return OsWinMe;
        if (minor >= 10) return OsWin98;
        if (minor >= 1) return OsWin9xMinor;
        return OsWin95;
    }
    return OsUnknown;
}

bool IsNtPlatform() {
    platform::OsVersionInfoA info{};
    info.osVersionInfoSize = sizeof info;
    return platform::GetVersionExA(&info) && info.platformId == platform::kVerPlatformWin32Nt;
}

bool IsWow64() {
    // Older systems have no IsWow64Process: they run no 32-bit emulation either.
    platform::Module kernel32 = platform::GetModuleHandleW(u"kernel32");
    if (!kernel32) return false;
    auto isWow64Process = reinterpret_cast<platform::IsWow64ProcessFn>(
        platform::GetProcAddress(kernel32, "IsWow64Process"));
    if (!isWow64Process) return false;
    int wow64 = 0;
    if (!isWow64Process(platform::GetCurrentProcess(), &wow64)) return false;
    return wow64 != 0;
}

uint16_t GetUiLanguage() {
    platform::Module kernel32 = platform::GetModuleHandleW(u"kernel32.dll");
    if (kernel32) {
        auto uiLanguage = reinterpret_cast<platform::GetUserDefaultUILanguageFn>(
            platform::GetProcAddress(kernel32, "GetUserDefaultUILanguage"));
        if (uiLanguage) return uiLanguage();
    }
    return platform::GetUserDefaultLangID();
}

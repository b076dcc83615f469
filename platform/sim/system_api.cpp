// The platform's identity, folder, language, time and wait calls on the simulated
// machine, answered from the machine's settings.

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/errors.h"
#include "platform/sim/fail.h"
#include "platform/sim/machine.h"
#include "platform/sim/host_text.h"
#include "platform/sim/sqlite_db.h"
#include "platform/sim/process_state.h"
#include "platform/system.h"

namespace platform {

namespace {

// On the 9x family the build number's high word carries the major and minor version.
Dword BuildNumber(const sim::MachineSettings& s) {
    if (s.osPlatform == kVerPlatformWin32Windows) {
        return (s.osMajor << 24) | ((s.osMinor & 0xFF) << 16) | (s.osBuild & 0xFFFF);
    }
    return s.osBuild;
}

Dword CopyOut(const std::u16string& text, char16_t* buffer, Dword size) {
    if (size < text.size() + 1) return static_cast<Dword>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<Dword>(text.size());
}

}  // namespace

bool GetVersionExW(OsVersionInfoW* info) {
    if (info->osVersionInfoSize != sizeof(OsVersionInfoW)) return sim::Fail(kErrInsufficientBuffer);
    const sim::MachineSettings& s = sim::Machine::Current().Settings();
    info->majorVersion = s.osMajor;
    info->minorVersion = s.osMinor;
    info->buildNumber = BuildNumber(s);
    info->platformId = s.osPlatform;
    std::memset(info->csdVersion, 0, sizeof info->csdVersion);
    std::copy_n(s.csdVersion.data(), std::min<size_t>(s.csdVersion.size(), 127), info->csdVersion);
    return true;
}

bool GetVersionExA(OsVersionInfoA* info) {
    if (info->osVersionInfoSize != sizeof(OsVersionInfoA)) return sim::Fail(kErrInsufficientBuffer);
    const sim::MachineSettings& s = sim::Machine::Current().Settings();
    info->majorVersion = s.osMajor;
    info->minorVersion = s.osMinor;
    info->buildNumber = BuildNumber(s);
    info->platformId = s.osPlatform;
    std::memset(info->csdVersion, 0, sizeof info->csdVersion);
    std::string csd = sim::ToHost(s.csdVersion);
    std::copy_n(csd.data(), std::min<size_t>(csd.size(), 127), info->csdVersion);
    return true;
}

Dword GetWindowsDirectoryW(char16_t* buffer, Dword size) {
    return CopyOut(sim::Machine::Current().Settings().windowsDir, buffer, size);
}

Dword GetSystemDirectoryW(char16_t* buffer, Dword size) {
    return CopyOut(sim::Machine::Current().Settings().systemDir, buffer, size);
}

Dword GetSystemWow64DirectoryW(char16_t* buffer, Dword size) {
    // The simulated machines are 64-bit: their 32-bit system files lie beside System32.
    const sim::MachineSettings& s = sim::Machine::Current().Settings();
    if (s.osPlatform != kVerPlatformWin32Nt || s.osMajor < 5) return sim::Fail(120 /* not implemented */, Dword{0});
    return CopyOut(s.windowsDir + u"\\SysWOW64", buffer, size);
}

LangId GetUserDefaultLangID() { return sim::Machine::Current().Settings().langId; }

namespace {
// 0 until set: the user's default locale.
thread_local Lcid threadLocale = 0;
}  // namespace

Lcid GetThreadLocale() {
    return threadLocale ? threadLocale : sim::Machine::Current().Settings().langId;
}

bool SetThreadLocale(Lcid locale) {
    // A locale id is a language in the low 16 bits and a sort id in bits 16 to 19.
    if ((locale & 0xFFFF) == 0 || (locale >> 20) != 0) return sim::Fail(kErrInvalidParameter);
    threadLocale = locale;
    return true;
}

void GetLocalTime(SystemTime* out) {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm t;
    ::localtime_r(&now.tv_sec, &t);
    *out = {static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
            static_cast<uint16_t>(t.tm_wday),        static_cast<uint16_t>(t.tm_mday),
            static_cast<uint16_t>(t.tm_hour),        static_cast<uint16_t>(t.tm_min),
            static_cast<uint16_t>(t.tm_sec),         static_cast<uint16_t>(now.tv_nsec / 1000000)};
}

void Sleep(Dword milliseconds) {
    sim::Machine& machine = sim::Machine::Current();
    // Waits are recorded, so that a test sees that a pause happened and in which order,
    // even when the machine's time scale makes it short.
    try {
        sim::Statement s(machine.Db(), "INSERT INTO waits(program, milliseconds) VALUES(?, ?)");
        s.Bind(1, sim::ToHost(sim::ProcessState::Get().imagePath)).Bind(2, milliseconds).Run();
    } catch (const sim::DbError&) {
    }
    double scaled = milliseconds * machine.Settings().timeScale;
    if (scaled <= 0) return;
    struct timespec wait;
    wait.tv_sec = static_cast<time_t>(scaled / 1000);
    wait.tv_nsec = static_cast<long>(std::fmod(scaled, 1000.0) * 1e6);
    while (::nanosleep(&wait, &wait) != 0) {
    }
}

}  // namespace platform

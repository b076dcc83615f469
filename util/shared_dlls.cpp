#include "util/shared_dlls.h"

#include <vector>

#include "log/log.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "util/basic_exception.h"
#include "util/os_info.h"
#include "util/registry_services.h"

namespace {

const char16_t kSharedDlls[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr platform::Dword kReadWrite = 0x2001F;

std::u16string Lower(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return text;
}

void ReplaceAll(std::u16string& text, const std::u16string& what, const std::u16string& with) {
    for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

std::u16string QueryFolder(platform::Dword (*query)(char16_t*, platform::Dword), const std::u16string& name) {
    char16_t buffer[260];
    platform::Dword n = query(buffer, 260);
    if (n == 0 || n >= 260) THROW_BASIC_DESC(name, platform::GetLastError());
    return std::u16string(buffer, n);
}

struct CountKey {
    std::u16string valueName;
    platform::Dword access = kReadWrite;
};

// Before Vista, a 32-bit system file is counted under its System32 path in the
// 32-bit registry view, as the 32-bit installers of that time counted it.
CountKey ResolveCountKey(const std::u16string& name) {
    CountKey key{name};
    int os = SetupGetRunningWinVer();
    if (os == OsVistaOrLater) {
        LogPrint(2, u"SetupGetRunningWinVer -> %d, Found vista OS. Skipping SysWOW64\n", os);
        return key;
    }
    std::u16string wow64 = QueryFolder(platform::GetSystemWow64DirectoryW, name);
    LogPrint(2, u"GetSystemWow64Directory -> %s\n", wow64);
    std::u16string lowerName = Lower(name);
    std::u16string lowerWow64 = Lower(wow64);
    if (lowerName.find(lowerWow64) != std::u16string::npos) {
        std::u16string system = QueryFolder(platform::GetSystemDirectoryW, name);
        key.access |= platform::kKeyWow64_32Key;
        ReplaceAll(lowerName, lowerWow64, system);
        key.valueName = lowerName;
    }
    return key;
}

bool ReadCount(platform::HKey key, const std::u16string& name, uint32_t* count) {
    platform::Dword type = 0, size = sizeof *count;
    return platform::RegQueryValueExW(key, name.c_str(), &type, count, &size) == 0 && type == platform::kRegDword &&
           size == sizeof *count;
}

}  // namespace

void AddSharedDllRef(const std::u16string& name, bool presentOnSystem, SharedDllNote note) {
    CountKey count = ResolveCountKey(name);
    LogPrint(2,
             note == SharedDllNote::Resetting ? u"Resetting refcount for %s (presentOnSystem = %d).\n"
                                              : u"Adjusting SharedDLLs refcount for %s (presentOnSystem = %d).\n",
             count.valueName, presentOnSystem ? 1 : 0);
    OpenedKey k;
    long result = platform::RegCreateKeyExW(platform::HkeyLocalMachine(), kSharedDlls, 0, count.access, &k.key, nullptr);
    if (result != 0) THROW_BASIC_DESC(count.valueName, static_cast<uint32_t>(result));
    uint32_t old = 0;
    uint32_t next;
    if (!ReadCount(k.key, count.valueName, &old)) {
        next = presentOnSystem ? 2 : 1;
    } else {
        next = old == 0xFFFFFFFFu ? 1 : old + 1;
    }
    result = platform::RegSetValueExW(k.key, count.valueName.c_str(), platform::kRegDword, &next, sizeof next);
    if (result != 0) THROW_BASIC_DESC(count.valueName, static_cast<uint32_t>(result));
}

bool ReleaseSharedDllRef(const std::u16string& name) {
    CountKey count = ResolveCountKey(name);
    LogPrint(2, u"Adjusting SharedDLLs refcount for %s.\n", name);
    OpenedKey k;
    if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), kSharedDlls, 0, count.access, &k.key) != 0) {
        k.key = nullptr;
        return true;
    }
    uint32_t old = 0;
    if (!ReadCount(k.key, count.valueName, &old)) {
        LogPrint(2, u"Cannot read SharedDLLs refcount.\n");
        return true;
    }
    // A count of 0 holds no reference either: lowering it would wrap it to four
    // billion users, and the file would never be removed.
    if (old <= 1) {
        platform::RegDeleteValueW(k.key, count.valueName.c_str());
        return true;
    }
    uint32_t next = old - 1;
    if (platform::RegSetValueExW(k.key, count.valueName.c_str(), platform::kRegDword, &next, sizeof next) != 0) {
        LogPrint(2, u"Cannot write new SharedDLLs refcount.\n");
    }
    return false;
}

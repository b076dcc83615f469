#include "cmdline/reg_message.h"

#include "log/log.h"
#include "platform/registry.h"
#include "util/basic_exception.h"

namespace {

const char16_t kMessageKey[] = u"SOFTWARE\\QlnSetup";

struct KeyCloser {
    platform::HKey key = nullptr;
    ~KeyCloser() {
        if (key) platform::RegCloseKey(key);
    }
};

}  // namespace

void RegWriteMessage(const std::u16string& message) {
    const platform::Dword access = platform::kKeyRead | platform::kKeyWrite | platform::kKeyWow64_32Key;
    KeyCloser k;
    long result = platform::RegOpenKeyExW(platform::HkeyCurrentUser(), kMessageKey, 0, access, &k.key);
    if (result != 0) {
        platform::HKey created = nullptr;
        result = platform::RegCreateKeyExW(platform::HkeyCurrentUser(), kMessageKey,
                                           platform::kRegOptionNonVolatile, access, &created, nullptr);
        if (result != 0) {
            LogPrint(2, u"RegWriteMessage() Failed to create registry key\n");
            THROW_BASIC_DESC(kMessageKey, static_cast<uint32_t>(result));
        }
        platform::RegCloseKey(created);
        result = platform::RegOpenKeyExW(platform::HkeyCurrentUser(), kMessageKey, 0, access, &k.key);
        if (result != 0) {
            k.key = nullptr;
            LogPrint(2, u"RegWriteMessage() Failed to open registry key\n");
            THROW_BASIC_DESC(kMessageKey, static_cast<uint32_t>(result));
        }
    }
    platform::Dword size = static_cast<platform::Dword>((message.size() + 1) * sizeof(char16_t));
    result = platform::RegSetValueExW(k.key, u"Message", platform::kRegSz, message.c_str(), size);
    if (result != 0) {
        LogPrint(2, u"RegWriteMessage() Failed to set registry key\n");
        THROW_BASIC_DESC(u"Message", static_cast<uint32_t>(result));
    }
}

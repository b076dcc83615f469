#include "util/registry_services.h"

#include <vector>

#include "util/basic_exception.h"

namespace {
constexpr platform::Dword kNameRoom = 256;
}

long EnumSubKeyName(platform::HKey key, platform::Dword index, std::u16string& out) {
    char16_t name[kNameRoom];
    platform::Dword length = kNameRoom;
    long result = platform::RegEnumKeyExW(key, index, name, &length);
    if (result == 0) out.assign(name, length);
    return result;
}

long EnumValueName(platform::HKey key, platform::Dword index, std::u16string& out) {
    char16_t name[kNameRoom];
    platform::Dword length = kNameRoom;
    long result = platform::RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr);
    if (result == 0) out.assign(name, length);
    return result;
}

long QueryStringValue(platform::HKey key, const std::u16string& name, std::u16string& out) {
    platform::Dword size = 0;
    long result = platform::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, &size);
    if (result != 0) return result;
    // Room for the data and a NUL after it, whatever the stored value lacks.
    std::vector<char16_t> data(size / 2 + 2, 0);
    platform::Dword read = size;
    result = platform::RegQueryValueExW(key, name.c_str(), nullptr, data.data(), &read);
    if (result != 0) THROW_BASIC_DESC(name, static_cast<uint32_t>(result));
    size_t units = read / 2;
    size_t n = 0;
    while (n < units && data[n]) ++n;
    out.assign(data.data(), n);
    return 0;
}

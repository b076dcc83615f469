#pragma once
// Enumeration and string reads on an open registry key. They answer with the
// platform's error code (0 on success).

#include <string>

#include "platform/registry.h"

// A key the caller opened, closed when it goes.
struct OpenedKey {
    platform::HKey key = nullptr;
    OpenedKey() = default;
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    ~OpenedKey() {
        if (key) platform::RegCloseKey(key);
    }
};

long EnumSubKeyName(platform::HKey key, platform::Dword index, std::u16string& out);
long EnumValueName(platform::HKey key, platform::Dword index, std::u16string& out);
// A missing value's error is returned and the output left as it was.
long QueryStringValue(platform::HKey key, const std::u16string& name, std::u16string& out);

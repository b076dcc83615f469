#pragma once
// Enumeration and string reads on an open registry key. They answer with the
// platform's error code (0 on success).

#include <string>

#include "platform/registry.h"

long EnumSubKeyName(platform::HKey key, platform::Dword index, std::u16string& out);
long EnumValueName(platform::HKey key, platform::Dword index, std::u16string& out);
// A missing value's error is returned and the output left as it was.
long QueryStringValue(platform::HKey key, const std::u16string& name, std::u16string& out);

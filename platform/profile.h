#pragma once
// The platform's reader of INI settings files ("private profiles").

#include "platform/types.h"

namespace platform {

// GetPrivateProfileStringA. With a section and a key: the key's value, or the default
// when the file, the section or the key is missing; the answer is the length copied,
// cut to `size` - 1 characters when the buffer is too small. Without a key: the
// section's key names, each NUL-ended, the list ended by one more NUL; without a
// section: the section names so. A cut list answers `size` - 2.
Dword GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, Dword size, const char* fileName);

}  // namespace platform

#include "platform/profile.h"

#include "platform/win32/win32.h"

namespace platform {

Dword GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, Dword size, const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

}  // namespace platform

#include "platform/registry.h"

#include "platform/win32/win32.h"

namespace platform {

using win32::W;

static HKEY K(HKey k) { return reinterpret_cast<HKEY>(k); }

LStatus RegOpenKeyExW(HKey key, const char16_t* subKey, Dword options, Dword access,
                      HKey* result) {
    HKEY out = nullptr;
    LStatus s = ::RegOpenKeyExW(K(key), subKey ? W(subKey) : nullptr, options, access, &out);
    *result = s == 0 ? reinterpret_cast<HKey>(out) : nullptr;
    return s;
}

LStatus RegCreateKeyExW(HKey key, const char16_t* subKey, Dword options, Dword access,
                        HKey* result, Dword* disposition) {
    HKEY out = nullptr;
    DWORD disp = 0;
    LStatus s = ::RegCreateKeyExW(K(key), W(subKey), 0, nullptr, options, access, nullptr, &out, &disp);
    *result = s == 0 ? reinterpret_cast<HKey>(out) : nullptr;
    if (disposition) *disposition = disp;
    return s;
}

LStatus RegCloseKey(HKey key) { return ::RegCloseKey(K(key)); }

LStatus RegSetValueExW(HKey key, const char16_t* valueName, Dword type, const void* data,
                       Dword size) {
    return ::RegSetValueExW(K(key), valueName ? W(valueName) : nullptr, 0, type,
                            static_cast<const BYTE*>(data), size);
}

LStatus RegQueryValueExW(HKey key, const char16_t* valueName, Dword* type, void* data,
                         Dword* size) {
    DWORD t = 0;
    LStatus s = ::RegQueryValueExW(K(key), valueName ? W(valueName) : nullptr, nullptr, &t,
                                   static_cast<BYTE*>(data), reinterpret_cast<DWORD*>(size));
    if (type) *type = t;
    return s;
}

LStatus RegEnumKeyExW(HKey key, Dword index, char16_t* name, Dword* nameLength) {
    return ::RegEnumKeyExW(K(key), index, W(name), reinterpret_cast<DWORD*>(nameLength), nullptr,
                           nullptr, nullptr, nullptr);
}

LStatus RegEnumValueW(HKey key, Dword index, char16_t* name, Dword* nameLength, Dword* type,
                      void* data, Dword* size) {
    return ::RegEnumValueW(K(key), index, W(name), reinterpret_cast<DWORD*>(nameLength), nullptr,
                           reinterpret_cast<DWORD*>(type), static_cast<BYTE*>(data),
                           reinterpret_cast<DWORD*>(size));
}

LStatus RegDeleteKeyExW(HKey key, const char16_t* subKey, Dword access) {
    return ::RegDeleteKeyExW(K(key), W(subKey), access, 0);
}

LStatus RegDeleteValueW(HKey key, const char16_t* valueName) {
    return ::RegDeleteValueW(K(key), valueName ? W(valueName) : nullptr);
}

}  // namespace platform

#pragma once
// The registry calls the logic makes, with LSTATUS results (a Win32 error code).

#include "platform/types.h"

namespace platform {

struct KeyObject;
using HKey = KeyObject*;

// The predefined roots, as the 32-bit constants sign-extended into a handle.
inline HKey RootKey(uint32_t value) {
    return reinterpret_cast<HKey>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}
inline HKey HkeyClassesRoot() { return RootKey(0x80000000u); }
inline HKey HkeyCurrentUser() { return RootKey(0x80000001u); }
inline HKey HkeyLocalMachine() { return RootKey(0x80000002u); }
inline HKey HkeyUsers() { return RootKey(0x80000003u); }

// Value types.
constexpr Dword kRegNone = 0;
constexpr Dword kRegSz = 1;
constexpr Dword kRegExpandSz = 2;
constexpr Dword kRegBinary = 3;
constexpr Dword kRegDword = 4;
constexpr Dword kRegDwordBigEndian = 5;
constexpr Dword kRegLink = 6;
constexpr Dword kRegMultiSz = 7;
constexpr Dword kRegQword = 11;

// Access rights and view flags.
constexpr Dword kKeyQueryValue = 0x0001;
constexpr Dword kKeySetValue = 0x0002;
constexpr Dword kKeyCreateSubKey = 0x0004;
constexpr Dword kKeyEnumerateSubKeys = 0x0008;
constexpr Dword kKeyWow64_64Key = 0x0100;
constexpr Dword kKeyWow64_32Key = 0x0200;
constexpr Dword kKeyRead = 0x20019;
constexpr Dword kKeyWrite = 0x20006;
constexpr Dword kKeyAllAccess = 0xF003F;
constexpr Dword kDeleteAccess = 0x10000;

// RegCreateKeyExW options and dispositions.
constexpr Dword kRegOptionNonVolatile = 0;
constexpr Dword kRegCreatedNewKey = 1;
constexpr Dword kRegOpenedExistingKey = 2;

LStatus RegOpenKeyExW(HKey key, const char16_t* subKey, Dword options, Dword access,
                      HKey* result);
LStatus RegCreateKeyExW(HKey key, const char16_t* subKey, Dword options, Dword access,
                        HKey* result, Dword* disposition);
LStatus RegCloseKey(HKey key);
LStatus RegSetValueExW(HKey key, const char16_t* valueName, Dword type, const void* data,
                       Dword size);
// data may be null to ask for the size; *size is in bytes.
LStatus RegQueryValueExW(HKey key, const char16_t* valueName, Dword* type, void* data,
                         Dword* size);
// *nameLength: in, the room in characters with the NUL; out, the length without it.
LStatus RegEnumKeyExW(HKey key, Dword index, char16_t* name, Dword* nameLength);
LStatus RegEnumValueW(HKey key, Dword index, char16_t* name, Dword* nameLength, Dword* type,
                      void* data, Dword* size);
LStatus RegDeleteKeyExW(HKey key, const char16_t* subKey, Dword access);
LStatus RegDeleteValueW(HKey key, const char16_t* valueName);

}  // namespace platform

// The platform's registry calls on the simulated machine.

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/sim/faults.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/process_bits.h"
#include "platform/sim/registry_paths.h"
#include "platform/sim/sqlite_db.h"

namespace platform {

namespace sim {
namespace {

constexpr LStatus kRegistryIoFailed = 1016;
constexpr LStatus kBadPathname = 161;

struct OpenKey {
    reg::KeyId id = reg::kNoKey;
    reg::KeyPath path;  // as resolved, view applied
    Dword access = 0;
    bool view32 = false;
};

std::map<uintptr_t, OpenKey>& Keys() {
    static std::map<uintptr_t, OpenKey> keys;
    return keys;
}

sqlite3* Db() { return Machine::Current().Db(); }

bool IsPredefined(HKey key) {
    auto value = reinterpret_cast<intptr_t>(key);
    return value < 0 && value >= static_cast<intptr_t>(static_cast<int32_t>(0x80000000u)) &&
           value <= static_cast<intptr_t>(static_cast<int32_t>(0x80000006u));
}

// The open key behind a handle (a predefined root included). Returns an error code.
LStatus Lookup(HKey key, OpenKey* out) {
    if (IsPredefined(key)) {
        auto value = static_cast<uint32_t>(reinterpret_cast<intptr_t>(key));
        out->path = reg::RootPath(value);
        if (out->path.empty()) return static_cast<LStatus>(kErrInvalidHandle);
        out->id = reg::FindKey(Db(), out->path);
        if (out->id == reg::kNoKey) out->id = reg::CreateKey(Db(), out->path, nullptr);
        out->access = kKeyAllAccess;
        out->view32 = ProcessIs32Bit();
        return 0;
    }
    auto it = Keys().find(reinterpret_cast<uintptr_t>(key));
    if (it == Keys().end()) return static_cast<LStatus>(kErrInvalidHandle);
    if (!reg::KeyExists(Db(), it->second.id)) return static_cast<LStatus>(kErrKeyDeleted);
    *out = it->second;
    return 0;
}

bool WantsView32(Dword access) {
    if (access & kKeyWow64_64Key) return false;
    return (access & kKeyWow64_32Key) || ProcessIs32Bit();
}

// The path a subkey of an open key stands for in the view the access asks.
LStatus Target(const OpenKey& base, const char16_t* subKey, Dword access, reg::KeyPath* path) {
    std::vector<std::u16string> names;
    if (subKey && !reg::SplitKeyPath(subKey, &names)) {
        return subKey[0] == u'\\' ? kBadPathname : static_cast<LStatus>(kErrInvalidParameter);
    }
    *path = base.path;
    path->insert(path->end(), names.begin(), names.end());
    if (WantsView32(access)) *path = reg::ApplyView32(*path);
    return 0;
}

constexpr Dword kWriteRights = kKeySetValue | kKeyCreateSubKey | kDeleteAccess | 0x40000 /* WRITE_DAC */;

HKey AddKey(OpenKey key) {
    static uintptr_t next = 0x1000;
    uintptr_t value = next;
    next += 4;
    Keys().emplace(value, std::move(key));
    return reinterpret_cast<HKey>(value);
}

// Runs a registry call, turning a failure of the machine database into the
// platform's registry I/O error.
template <class F>
LStatus Guarded(F&& call) {
    try {
        return call();
    } catch (const DbError&) {
        return kRegistryIoFailed;
    }
}

Dword StoredSize(const std::string& data) { return static_cast<Dword>(data.size()); }

}  // namespace
}  // namespace sim

using namespace sim;

LStatus RegOpenKeyExW(HKey key, const char16_t* subKey, Dword /*options*/, Dword access,
                      HKey* result) {
    *result = nullptr;
    if (Dword fault = InjectFault("RegOpenKeyExW")) return static_cast<LStatus>(fault);
    return Guarded([&]() -> LStatus {
        OpenKey base;
        if (LStatus s = Lookup(key, &base)) return s;
        reg::KeyPath path;
        if (LStatus s = Target(base, subKey, access, &path)) return s;
        reg::KeyId id = reg::FindKey(Db(), path);
        if (id == reg::kNoKey) return static_cast<LStatus>(kErrFileNotFound);
        if ((access & kWriteRights) && !reg::MayWrite(path)) return static_cast<LStatus>(kErrAccessDenied);
        *result = AddKey({id, path, access, WantsView32(access)});
        return 0;
    });
}

LStatus RegCreateKeyExW(HKey key, const char16_t* subKey, Dword /*options*/, Dword access,
                        HKey* result, Dword* disposition) {
    *result = nullptr;
    if (Dword fault = InjectFault("RegCreateKeyExW")) return static_cast<LStatus>(fault);
    return Guarded([&]() -> LStatus {
        OpenKey base;
        if (LStatus s = Lookup(key, &base)) return s;
        reg::KeyPath path;
        if (LStatus s = Target(base, subKey, access, &path)) return s;
        reg::KeyId id = reg::FindKey(Db(), path);
        bool created = false;
        if (id == reg::kNoKey) {
            if (!reg::MayWrite(path)) return static_cast<LStatus>(kErrAccessDenied);
            Transaction t(Db());
            id = reg::CreateKey(Db(), path, &created);
            t.Commit();
            if (id == reg::kNoKey) return static_cast<LStatus>(kErrFileNotFound);
        } else if ((access & kWriteRights) && !reg::MayWrite(path)) {
            return static_cast<LStatus>(kErrAccessDenied);
        }
        if (disposition) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
        *result = AddKey({id, path, access, WantsView32(access)});
        return 0;
    });
}

LStatus RegCloseKey(HKey key) {
    if (IsPredefined(key)) return 0;
    return Keys().erase(reinterpret_cast<uintptr_t>(key)) ? 0 : static_cast<LStatus>(kErrInvalidHandle);
}

LStatus RegSetValueExW(HKey key, const char16_t* valueName, Dword type, const void* data,
                       Dword size) {
    if (Dword fault = InjectFault("RegSetValueExW")) return static_cast<LStatus>(fault);
    return Guarded([&]() -> LStatus {
        OpenKey k;
        if (LStatus s = Lookup(key, &k)) return s;
        if (!(k.access & kKeySetValue) || !reg::MayWrite(k.path)) return static_cast<LStatus>(kErrAccessDenied);
        if (size && !data) return static_cast<LStatus>(kErrInvalidParameter);
        std::u16string name = valueName ? valueName : u"";
        if (name.size() > 16383) return static_cast<LStatus>(kErrInvalidParameter);
        reg::SetValue(Db(), k.id, name, type, std::string_view(static_cast<const char*>(data), size));
        return 0;
    });
}

LStatus RegQueryValueExW(HKey key, const char16_t* valueName, Dword* type, void* data,
                         Dword* size) {
    if (Dword fault = InjectFault("RegQueryValueExW")) return static_cast<LStatus>(fault);
    return Guarded([&]() -> LStatus {
        OpenKey k;
        if (LStatus s = Lookup(key, &k)) return s;
        if (!(k.access & kKeyQueryValue)) return static_cast<LStatus>(kErrAccessDenied);
        if (data && !size) return static_cast<LStatus>(kErrInvalidParameter);
        reg::Value value;
        if (!reg::GetValue(Db(), k.id, valueName ? valueName : u"", &value)) {
            return static_cast<LStatus>(kErrFileNotFound);
        }
        if (type) *type = value.type;
        Dword needed = StoredSize(value.data);
        if (!data) {
            if (size) *size = needed;
            return 0;
        }
        if (*size < needed) {
            *size = needed;
            return static_cast<LStatus>(kErrMoreData);
        }
        std::memcpy(data, value.data.data(), needed);
        *size = needed;
        return 0;
    });
}

LStatus RegEnumKeyExW(HKey key, Dword index, char16_t* name, Dword* nameLength) {
    return Guarded([&]() -> LStatus {
        OpenKey k;
        if (LStatus s = Lookup(key, &k)) return s;
        if (!(k.access & kKeyEnumerateSubKeys)) return static_cast<LStatus>(kErrAccessDenied);
        std::vector<std::u16string> names = reg::SubKeyNames(Db(), k.id);
        if (index >= names.size()) return static_cast<LStatus>(kErrNoMoreItems);
        const std::u16string& found = names[index];
        if (found.size() + 1 > *nameLength) return static_cast<LStatus>(kErrMoreData);
        std::copy(found.begin(), found.end(), name);
        name[found.size()] = 0;
        *nameLength = static_cast<Dword>(found.size());
        return 0;
    });
}

LStatus RegEnumValueW(HKey key, Dword index, char16_t* name, Dword* nameLength, Dword* type,
                      void* data, Dword* size) {
    return Guarded([&]() -> LStatus {
        OpenKey k;
        if (LStatus s = Lookup(key, &k)) return s;
        if (!(k.access & kKeyQueryValue)) return static_cast<LStatus>(kErrAccessDenied);
        std::vector<reg::Value> values = reg::Values(Db(), k.id);
        if (index >= values.size()) return static_cast<LStatus>(kErrNoMoreItems);
        const reg::Value& value = values[index];
        if (value.name.size() + 1 > *nameLength) return static_cast<LStatus>(kErrMoreData);
        std::copy(value.name.begin(), value.name.end(), name);
        name[value.name.size()] = 0;
        *nameLength = static_cast<Dword>(value.name.size());
        if (type) *type = value.type;
        Dword needed = StoredSize(value.data);
        if (data) {
            if (!size) return static_cast<LStatus>(kErrInvalidParameter);
            if (*size < needed) {
                *size = needed;
                return static_cast<LStatus>(kErrMoreData);
            }
            std::memcpy(data, value.data.data(), needed);
        }
        if (size) *size = needed;
        return 0;
    });
}

LStatus RegDeleteKeyExW(HKey key, const char16_t* subKey, Dword access) {
    if (Dword fault = InjectFault("RegDeleteKeyExW")) return static_cast<LStatus>(fault);
    return Guarded([&]() -> LStatus {
        OpenKey base;
        if (LStatus s = Lookup(key, &base)) return s;
        if (!subKey) return static_cast<LStatus>(kErrInvalidParameter);
        reg::KeyPath path;
        if (LStatus s = Target(base, subKey, access, &path)) return s;
        reg::KeyId id = reg::FindKey(Db(), path);
        if (id == reg::kNoKey) return static_cast<LStatus>(kErrFileNotFound);
        // A predefined root itself cannot go.
        if (id == reg::kLocalMachine || id == reg::kUsers || path.size() < 2) {
            return static_cast<LStatus>(kErrAccessDenied);
        }
        if (!reg::MayWrite(path)) return static_cast<LStatus>(kErrAccessDenied);
        Transaction t(Db());
        if (reg::HasSubKeys(Db(), id)) return static_cast<LStatus>(kErrAccessDenied);
        reg::DeleteKey(Db(), id);
        t.Commit();
        return 0;
    });
}

LStatus RegDeleteValueW(HKey key, const char16_t* valueName) {
    if (Dword fault = InjectFault("RegDeleteValueW")) return static_cast<LStatus>(fault);
    return Guarded([&]() -> LStatus {
        OpenKey k;
        if (LStatus s = Lookup(key, &k)) return s;
        if (!(k.access & kKeySetValue) || !reg::MayWrite(k.path)) return static_cast<LStatus>(kErrAccessDenied);
        if (!reg::DeleteValue(Db(), k.id, valueName ? valueName : u"")) return static_cast<LStatus>(kErrFileNotFound);
        return 0;
    });
}

}  // namespace platform

#pragma once
// The registry of the simulated machine as it is kept in machine.db: a tree of keys
// with their values. The platform calls (registry_api.cpp) and winsim both work
// through these operations; the predefined roots and the 32-bit view are resolved
// above them (registry_paths.h).

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sim::reg {

using KeyId = int64_t;
constexpr KeyId kNoKey = 0;
// The two real roots; every other predefined root is a path below one of them.
constexpr KeyId kLocalMachine = 1;
constexpr KeyId kUsers = 2;

void CreateSchema(sqlite3* db);

bool KeyExists(sqlite3* db, KeyId key);
// A child by name, case-insensitively; a link key is followed to its target.
KeyId FindChild(sqlite3* db, KeyId parent, std::u16string_view name);
// Finds or creates the child; *created tells which.
KeyId CreateChild(sqlite3* db, KeyId parent, std::u16string_view name, bool* created);
// Makes `name` under `parent` a link to `target` (CurrentControlSet).
void CreateLink(sqlite3* db, KeyId parent, std::u16string_view name, KeyId target);

// Subkey names, sorted case-insensitively as the platform enumerates them. Links are
// listed as the platform lists them, unless left out (a tree export walks each key once).
enum class Links { Include, Exclude };
std::vector<std::u16string> SubKeyNames(sqlite3* db, KeyId key, Links links = Links::Include);
bool HasSubKeys(sqlite3* db, KeyId key);
// Deletes a key without subkeys, with its values.
void DeleteKey(sqlite3* db, KeyId key);
void DeleteTree(sqlite3* db, KeyId key);

struct Value {
    std::u16string name;
    uint32_t type = 0;
    std::string data;
};

bool GetValue(sqlite3* db, KeyId key, std::u16string_view name, Value* value);
// Values in the order they were first created.
std::vector<Value> Values(sqlite3* db, KeyId key);
void SetValue(sqlite3* db, KeyId key, std::u16string_view name, uint32_t type,
              std::string_view data);
bool DeleteValue(sqlite3* db, KeyId key, std::u16string_view name);

// The key's own name as first created.
std::u16string KeyName(sqlite3* db, KeyId key);
// Whether the key is a link (and not listed as a key of its own in exports).
bool IsLink(sqlite3* db, KeyId key);

}  // namespace platform::sim::reg

namespace platform::sim::reg {

// Walks (creating with `create`) a backslash-separated path below `root`. Returns
// kNoKey when a key is missing and not created.
enum class Create { No, Yes };
KeyId WalkPath(sqlite3* db, KeyId root, std::u16string_view path, Create create);

}  // namespace platform::sim::reg

#pragma once
// From a predefined root or an open key and a subkey text to the key in the store:
// HKEY_CURRENT_USER is HKEY_USERS\<SID>; HKEY_CLASSES_ROOT reads the user's classes
// before the machine's; the 32-bit view reaches HKLM\SOFTWARE through Wow6432Node.

#include <string>
#include <vector>

#include "platform/sim/registry_store.h"
#include "platform/types.h"

namespace platform::sim::reg {

// An absolute key path: the first name is a real root ("HKEY_LOCAL_MACHINE",
// "HKEY_USERS"), or "HKEY_CLASSES_ROOT" for the merged classes view.
using KeyPath = std::vector<std::u16string>;

// Splits "A\B\\C\" into its names; false for a text that no key can have (a
// leading separator, a name of more than 255 characters).
bool SplitKeyPath(std::u16string_view text, std::vector<std::u16string>* names);

// The path a predefined root stands for ("HKEY_CURRENT_USER" → HKEY_USERS\<SID>).
KeyPath RootPath(uint32_t predefined);
// Parses "HKEY_LOCAL_MACHINE\..." or "HKLM\..." into an absolute path.
bool ParseKeyText(std::u16string_view text, KeyPath* path);
// The full text of a path, with the root's long name.
std::u16string KeyPathText(const KeyPath& path);

// Inserts Wow6432Node where the 32-bit view of a 64-bit machine redirects.
KeyPath ApplyView32(const KeyPath& path);

// The key a path names, or kNoKey. HKEY_CLASSES_ROOT tries the user's classes first.
KeyId FindKey(sqlite3* db, const KeyPath& path);
// Finds or creates; HKEY_CLASSES_ROOT writes to the user's classes only where the
// key already exists there.
KeyId CreateKey(sqlite3* db, const KeyPath& path, bool* created);

// Whether the machine's user may change keys at this path.
bool MayWrite(const KeyPath& path);

}  // namespace platform::sim::reg

#pragma once
// The .reg text format ("Windows Registry Editor Version 5.00", and the older
// "REGEDIT4"): what regedit writes when it exports a tree and reads when it imports
// one. Parsing and writing the text touch no machine; CollectKeyTree, EndsInLink and
// ApplyRegEntries connect the text to a machine's registry.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/registry_paths.h"
#include "platform/sim/registry_store.h"

namespace winsim {

namespace reg = platform::sim::reg;

// One line of a .reg text as it acts on the registry, in the order of the text.
struct RegEntry {
    enum class Kind {
        Key,          // [KEY]: creates the key; the values that follow belong to it
        DeleteTree,   // [-KEY]
        Value,        // "Name"=data or @=data
        DeleteValue,  // "Name"=-
    };
    Kind kind = Kind::Key;
    int line = 0;         // where the entry starts, for messages
    std::u16string key;   // the key text as written; for values, their key's
    reg::Value value;     // name for both value kinds; type and raw data for Value
};

// Parses a whole text (as DecodeRegFile gives it). On failure returns false with a
// message "line N: ..." and the entries read so far.
bool ParseRegText(std::u16string_view text, std::vector<RegEntry>* entries, std::string* error);

// The text of a .reg file's bytes: UTF-16LE after its byte-order mark (what regedit
// writes), otherwise UTF-8 with or without its mark. Empty with an error for bytes
// that are neither.
std::u16string DecodeRegFile(const std::string& bytes, std::string* error);

// A value in .reg syntax: "Name"= or @=, then the data. Long hex data continues on
// further lines ("\" CR LF and two spaces); there is no final line end.
std::u16string RegValueLine(const reg::Value& value);

// One key of an export: its full path with the root's long name, and its values in
// their stored order.
struct RegKeyBlock {
    std::u16string path;
    std::vector<reg::Value> values;
};

extern const char16_t kRegFileHeader[];  // "Windows Registry Editor Version 5.00"

// The text of an export: header, then each key in the order given, each after a blank
// line; CR LF line ends, and a blank line at the end.
std::u16string RegExportText(const std::vector<RegKeyBlock>& keys);

// The blocks of a key and its tree: the key's values, then its subkeys depth-first in
// the platform's order. Link keys are left out, since their target is exported under
// its own name. `path` is the key's text in the export.
void CollectKeyTree(sqlite3* db, reg::KeyId key, const std::u16string& path, std::vector<RegKeyBlock>* keys);

// Whether a key text that ParseKeyText accepts names a predefined root itself
// ("HKLM", "HKEY_CURRENT_USER\"), which is never deleted.
bool NamesRootOnly(std::u16string_view keyText);
// Whether the path's last name is a link key (CurrentControlSet): deleting the tree
// there would delete the target and leave the link dangling.
bool EndsInLink(sqlite3* db, const reg::KeyPath& path);

// Checks that every key text names a key the registry can hold and that no entry
// deletes a root, then applies the entries in one transaction: either all of them
// take effect or, with false and a message "line N: ...", none. A failure of the
// database itself throws platform::sim::DbError, and changes nothing either.
bool ApplyRegEntries(sqlite3* db, const std::vector<RegEntry>& entries, std::string* error);

}  // namespace winsim

#pragma once
// What machine.db keeps of one path, read in one statement. A file call needs the
// path's lock, its attributes and whether attribute rows lie at or below it; each
// separate read would take the database's read lock again, and each unneeded write
// its write lock, which together cost an installer more than its own work per file.

#include <optional>
#include <string>

#include "platform/types.h"

namespace platform::sim {

struct FileState {
    // The lock's error (`winsim file lock`); 0 when the file is not held.
    Dword lockError = 0;
    // The attributes stored for the path itself.
    std::optional<Dword> attributes;
    // Whether any attribute row is kept for the path or for a name below it, that is
    // whether forgetting or carrying its attributes would change anything.
    bool attributeRows = false;

    bool ReadOnly() const;
};

FileState StateOf(const std::u16string& fullPath);

}  // namespace platform::sim

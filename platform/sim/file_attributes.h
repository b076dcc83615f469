#pragma once
// File attributes the host file system cannot keep (read-only for a root user,
// hidden, system), held in machine.db by the folded full Windows path.

#include <sqlite3.h>

#include <optional>
#include <string>

#include "platform/types.h"

namespace platform::sim {

void CreateFileAttributesSchema(sqlite3* db);
// The condition on file_attributes for the rows of path ?1 and of everything below it.
extern const char kAttributeRowsAtOrBelow[];
std::optional<Dword> StoredAttributes(const std::u16string& fullPath);
void StoreAttributes(const std::u16string& fullPath, Dword attributes);
// Forgets the path and everything below it.
void ForgetAttributes(const std::u16string& fullPath);
// Carries the attributes of a path and everything below it to a new path.
void MoveAttributes(const std::u16string& from, const std::u16string& to);

}  // namespace platform::sim

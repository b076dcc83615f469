#pragma once
// Files held in use by another program of the machine (`winsim file lock`): they
// can be read, but opening them for writing, replacing, moving or deleting them
// fails with the lock's error (access denied unless the lock names another).

#include <sqlite3.h>

#include <string>

#include "platform/types.h"

namespace platform::sim {

void CreateFileLockSchema(sqlite3* db);
// A file's lock is read together with its other state: see file_state.h.
void LockFile(const std::u16string& fullPath, Dword error);
bool UnlockFile(const std::u16string& fullPath);
// A restart lets go of every file.
void ReleaseAllLocks();

}  // namespace platform::sim

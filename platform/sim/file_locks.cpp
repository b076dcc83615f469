#include "platform/sim/file_locks.h"

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

void CreateFileLockSchema(sqlite3* db) {
    Exec(db, "CREATE TABLE IF NOT EXISTS file_locks(path TEXT PRIMARY KEY, error INTEGER NOT NULL)");
}

void LockFile(const std::u16string& fullPath, Dword error) {
    Statement s(Machine::Current().Db(), "INSERT OR REPLACE INTO file_locks(path, error) VALUES(?, ?)");
    s.Bind(1, FoldKey(fullPath)).Bind(2, error).Run();
}

bool UnlockFile(const std::u16string& fullPath) {
    Statement s(Machine::Current().Db(), "DELETE FROM file_locks WHERE path = ?");
    s.Bind(1, FoldKey(fullPath)).Run();
    return sqlite3_changes(Machine::Current().Db()) > 0;
}

void ReleaseAllLocks() { Exec(Machine::Current().Db(), "DELETE FROM file_locks"); }

}  // namespace platform::sim

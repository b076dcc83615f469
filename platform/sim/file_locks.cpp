#include "platform/sim/file_locks.h"

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

void CreateFileLockSchema(sqlite3* db) {
    Exec(db, "CREATE TABLE IF NOT EXISTS file_locks(path TEXT PRIMARY KEY, error INTEGER NOT NULL)");
}

Dword LockError(const std::u16string& fullPath) {
    try {
        Statement s(Machine::Current().Db(), "SELECT error FROM file_locks WHERE path = ?");
        s.Bind(1, FoldKey(fullPath));
        return s.Step() ? static_cast<Dword>(s.Int(0)) : 0;
    } catch (const DbError&) {
        return 0;
    }
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

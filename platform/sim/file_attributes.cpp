#include "platform/sim/file_attributes.h"

#include <vector>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

namespace {

sqlite3* Db() { return Machine::Current().Db(); }

}  // namespace

// Rows of the path itself and of everything below it. The rows below are the keys
// that begin with the path and a backslash; in the byte order of the key's index
// they are exactly the keys from "path\" up to, not including, "path]" (']' is the
// byte after the backslash). So the index finds them, where a test of every row made
// each call cost in proportion to the files the machine keeps attributes for.
const char kAttributeRowsAtOrBelow[] = "path = ?1 OR (path >= ?1 || '\\' AND path < ?1 || ']')";

void CreateFileAttributesSchema(sqlite3* db) {
    // Without a rowid the rows live in the key's own tree: a change writes one page, not
    // a row page and an index page.
    Exec(db, "CREATE TABLE IF NOT EXISTS file_attributes(path TEXT PRIMARY KEY, attributes INTEGER NOT NULL) "
             "WITHOUT ROWID");
}

std::optional<Dword> StoredAttributes(const std::u16string& fullPath) {
    Statement s(Db(), "SELECT attributes FROM file_attributes WHERE path = ?");
    s.Bind(1, FoldKey(fullPath));
    if (!s.Step()) return std::nullopt;
    return static_cast<Dword>(s.Int(0));
}

void StoreAttributes(const std::u16string& fullPath, Dword attributes) {
    Statement s(Db(), "INSERT OR REPLACE INTO file_attributes(path, attributes) VALUES(?, ?)");
    s.Bind(1, FoldKey(fullPath)).Bind(2, attributes).Run();
}

void ForgetAttributes(const std::u16string& fullPath) {
    std::string sql = std::string("DELETE FROM file_attributes WHERE ") + kAttributeRowsAtOrBelow;
    Statement s(Db(), sql.c_str());
    s.Bind(1, FoldKey(fullPath)).Run();
}

void MoveAttributes(const std::u16string& from, const std::u16string& to) {
    std::string oldKey = FoldKey(from);
    std::string newKey = FoldKey(to);
    std::string below = std::string(" FROM file_attributes WHERE ") + kAttributeRowsAtOrBelow;
    Transaction t(Db());
    // Read, removed and written again rather than renamed in place: an update of the
    // key over a range made SQLite build a temporary table for every file moved.
    std::vector<std::pair<std::string, int64_t>> rows;
    {
        Statement s(Db(), ("SELECT path, attributes" + below).c_str());
        s.Bind(1, oldKey);
        while (s.Step()) rows.emplace_back(s.Text(0), s.Int(1));
    }
    {
        Statement s(Db(), ("DELETE" + below).c_str());
        s.Bind(1, newKey).Run();
    }
    if (!rows.empty()) {
        Statement drop(Db(), ("DELETE" + below).c_str());
        drop.Bind(1, oldKey).Run();
        for (const auto& [path, attributes] : rows) {
            Statement s(Db(), "INSERT OR REPLACE INTO file_attributes(path, attributes) VALUES(?, ?)");
            s.Bind(1, newKey + path.substr(oldKey.size())).Bind(2, attributes).Run();
        }
    }
    t.Commit();
}

}  // namespace platform::sim

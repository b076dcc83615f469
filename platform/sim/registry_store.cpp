#include "platform/sim/registry_store.h"

#include "platform/sim/host_text.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim::reg {

void CreateSchema(sqlite3* db) {
    Exec(db,
         "CREATE TABLE IF NOT EXISTS reg_keys("
         "  id INTEGER PRIMARY KEY,"
         "  parent INTEGER NOT NULL,"
         "  name TEXT NOT NULL,"
         "  fold TEXT NOT NULL,"
         "  link INTEGER,"
         "  UNIQUE(parent, fold));"
         "CREATE TABLE IF NOT EXISTS reg_values("
         "  id INTEGER PRIMARY KEY,"
         "  key INTEGER NOT NULL,"
         "  name TEXT NOT NULL,"
         "  fold TEXT NOT NULL,"
         "  type INTEGER NOT NULL,"
         "  data BLOB NOT NULL,"
         "  UNIQUE(key, fold));"
         "INSERT OR IGNORE INTO reg_keys(id, parent, name, fold) VALUES"
         "  (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
         "  (2, 0, 'HKEY_USERS', 'HKEY_USERS');");
}

bool KeyExists(sqlite3* db, KeyId key) {
    Statement s(db, "SELECT 1 FROM reg_keys WHERE id = ?");
    s.Bind(1, key);
    return s.Step();
}

KeyId FindChild(sqlite3* db, KeyId parent, std::u16string_view name) {
    Statement s(db, "SELECT id, link FROM reg_keys WHERE parent = ? AND fold = ?");
    s.Bind(1, parent).Bind(2, FoldKey(name));
    if (!s.Step()) return kNoKey;
    if (s.IsNull(1)) return s.Int(0);
    // A link whose target is gone leads nowhere.
    KeyId target = s.Int(1);
    return KeyExists(db, target) ? target : kNoKey;
}

KeyId CreateChild(sqlite3* db, KeyId parent, std::u16string_view name, bool* created) {
    KeyId found = FindChild(db, parent, name);
    if (found != kNoKey) {
        if (created) *created = false;
        return found;
    }
    Statement s(db, "INSERT INTO reg_keys(parent, name, fold) VALUES(?, ?, ?)");
    s.Bind(1, parent).Bind(2, ToHost(name)).Bind(3, FoldKey(name));
    s.Run();
    if (created) *created = true;
    return sqlite3_last_insert_rowid(db);
}

void CreateLink(sqlite3* db, KeyId parent, std::u16string_view name, KeyId target) {
    Statement s(db, "INSERT OR REPLACE INTO reg_keys(parent, name, fold, link) VALUES(?, ?, ?, ?)");
    s.Bind(1, parent).Bind(2, ToHost(name)).Bind(3, FoldKey(name)).Bind(4, target);
    s.Run();
}

std::vector<std::u16string> SubKeyNames(sqlite3* db, KeyId key, Links links) {
    Statement s(db, links == Links::Include
                        ? "SELECT name FROM reg_keys WHERE parent = ? ORDER BY fold"
                        : "SELECT name FROM reg_keys WHERE parent = ? AND link IS NULL ORDER BY fold");
    s.Bind(1, key);
    std::vector<std::u16string> names;
    while (s.Step()) names.push_back(FromHost(s.Text(0)));
    return names;
}

bool HasSubKeys(sqlite3* db, KeyId key) {
    Statement s(db, "SELECT 1 FROM reg_keys WHERE parent = ? LIMIT 1");
    s.Bind(1, key);
    return s.Step();
}

void DeleteKey(sqlite3* db, KeyId key) {
    Statement values(db, "DELETE FROM reg_values WHERE key = ?");
    values.Bind(1, key).Run();
    Statement keys(db, "DELETE FROM reg_keys WHERE id = ?");
    keys.Bind(1, key).Run();
}

void DeleteTree(sqlite3* db, KeyId key) {
    // Links are not followed: deleting a link removes the link only.
    Statement children(db, "SELECT id FROM reg_keys WHERE parent = ?");
    children.Bind(1, key);
    std::vector<KeyId> ids;
    while (children.Step()) ids.push_back(children.Int(0));
    for (KeyId child : ids) DeleteTree(db, child);
    DeleteKey(db, key);
}

bool GetValue(sqlite3* db, KeyId key, std::u16string_view name, Value* value) {
    Statement s(db, "SELECT name, type, data FROM reg_values WHERE key = ? AND fold = ?");
    s.Bind(1, key).Bind(2, FoldKey(name));
    if (!s.Step()) return false;
    value->name = FromHost(s.Text(0));
    value->type = static_cast<uint32_t>(s.Int(1));
    value->data = s.Blob(2);
    return true;
}

std::vector<Value> Values(sqlite3* db, KeyId key) {
    Statement s(db, "SELECT name, type, data FROM reg_values WHERE key = ? ORDER BY id");
    s.Bind(1, key);
    std::vector<Value> values;
    while (s.Step()) {
        values.push_back({FromHost(s.Text(0)), static_cast<uint32_t>(s.Int(1)), s.Blob(2)});
    }
    return values;
}

void SetValue(sqlite3* db, KeyId key, std::u16string_view name, uint32_t type,
              std::string_view data) {
    // An existing value keeps its place in the creation order and its name's case.
    Statement update(db, "UPDATE reg_values SET type = ?, data = ? WHERE key = ? AND fold = ?");
    update.Bind(1, type).BindBlob(2, data.data(), data.size()).Bind(3, key).Bind(4, FoldKey(name));
    update.Run();
    if (sqlite3_changes(db) > 0) return;
    Statement insert(db, "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)");
    insert.Bind(1, key).Bind(2, ToHost(name)).Bind(3, FoldKey(name)).Bind(4, type);
    insert.BindBlob(5, data.data(), data.size());
    insert.Run();
}

bool DeleteValue(sqlite3* db, KeyId key, std::u16string_view name) {
    Statement s(db, "DELETE FROM reg_values WHERE key = ? AND fold = ?");
    s.Bind(1, key).Bind(2, FoldKey(name));
    s.Run();
    return sqlite3_changes(db) > 0;
}

std::u16string KeyName(sqlite3* db, KeyId key) {
    Statement s(db, "SELECT name FROM reg_keys WHERE id = ?");
    s.Bind(1, key);
    return s.Step() ? FromHost(s.Text(0)) : std::u16string();
}

bool IsLink(sqlite3* db, KeyId key) {
    Statement s(db, "SELECT link IS NOT NULL FROM reg_keys WHERE id = ?");
    s.Bind(1, key);
    return s.Step() && s.Int(0) != 0;
}

}  // namespace platform::sim::reg

namespace platform::sim::reg {

KeyId WalkPath(sqlite3* db, KeyId root, std::u16string_view path, Create create) {
    KeyId key = root;
    size_t start = 0;
    while (start <= path.size() && key != kNoKey) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) end = path.size();
        std::u16string_view name = path.substr(start, end - start);
        if (!name.empty()) {
            key = create == Create::Yes ? CreateChild(db, key, name, nullptr) : FindChild(db, key, name);
        }
        start = end + 1;
    }
    return key;
}

}  // namespace platform::sim::reg

#include "platform/sim/windows_table.h"

#include "platform/sim/host_text.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

namespace {
// Window handles of the platform are small even numbers well above zero.
constexpr uint32_t kFirstHandle = 0x10000;
}  // namespace

void EnsureWindowsTable(sqlite3* db) {
    Exec(db,
         "CREATE TABLE IF NOT EXISTS windows(id INTEGER PRIMARY KEY, class TEXT NOT NULL, "
         "title TEXT NOT NULL, visible INTEGER NOT NULL DEFAULT 1)");
}

uint32_t AddWindow(sqlite3* db, const std::u16string& className, const std::u16string& title) {
    EnsureWindowsTable(db);
    Statement s(db, "INSERT INTO windows(class, title) VALUES(?, ?)");
    s.Bind(1, ToHost(className)).Bind(2, ToHost(title)).Run();
    return kFirstHandle + 2 * static_cast<uint32_t>(sqlite3_last_insert_rowid(db));
}

std::vector<StagedWindow> ListWindows(sqlite3* db) {
    EnsureWindowsTable(db);
    std::vector<StagedWindow> windows;
    Statement s(db, "SELECT id, class, title, visible FROM windows ORDER BY id");
    while (s.Step()) {
        windows.push_back({kFirstHandle + 2 * static_cast<uint32_t>(s.Int(0)), FromHost(s.Text(1)),
                           FromHost(s.Text(2)), s.Int(3) != 0});
    }
    return windows;
}

bool SetWindowVisible(sqlite3* db, uint32_t handle, bool visible, bool* wasVisible) {
    EnsureWindowsTable(db);
    if (handle < kFirstHandle || handle % 2 != 0) return false;
    int64_t id = (handle - kFirstHandle) / 2;
    Statement read(db, "SELECT visible FROM windows WHERE id = ?");
    read.Bind(1, id);
    if (!read.Step()) return false;
    *wasVisible = read.Int(0) != 0;
    Statement write(db, "UPDATE windows SET visible = ? WHERE id = ?");
    write.Bind(1, visible ? 1 : 0).Bind(2, id).Run();
    return true;
}

}  // namespace platform::sim

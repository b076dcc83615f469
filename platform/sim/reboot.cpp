#include "platform/sim/reboot.h"

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/sim/file_locks.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/registry_store.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

namespace {

const char16_t kSessionManager[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPending[] = u"PendingFileRenameOperations";

// "\??\C:\path" as the platform writes it into the list.
std::u16string StripNtPrefix(std::u16string path) {
    if (path.rfind(u"\\??\\", 0) == 0) path.erase(0, 4);
    return path;
}

std::vector<std::u16string> ReadList(sqlite3* db, reg::KeyId key) {
    reg::Value value;
    std::vector<std::u16string> entries;
    if (!reg::GetValue(db, key, kPending, &value)) return entries;
    std::u16string all(reinterpret_cast<const char16_t*>(value.data.data()), value.data.size() / 2);
    // Entries are NUL-separated; empty strings count (a deletion's target), but the
    // list's own terminating empty string does not.
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(u'\0', start);
        if (end == std::u16string::npos) end = all.size();
        entries.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    while (entries.size() % 2 == 1 && !entries.empty() && entries.back().empty()) entries.pop_back();
    return entries;
}

std::string Describe(const char* what, const std::u16string& from, const std::u16string& to, bool ok) {
    std::string line = std::string(what) + " " + ToHost(from);
    if (!to.empty()) line += " -> " + ToHost(to);
    if (!ok) line += " (failed, error " + std::to_string(GetLastError()) + ")";
    return line;
}

}  // namespace

std::vector<std::string> Reboot() {
    sqlite3* db = Machine::Current().Db();
    ReleaseAllLocks();
    try {
        Exec(db, "DELETE FROM windows");
    } catch (const DbError&) {
        // A machine without staged windows has no such table.
    }
    std::vector<std::string> done;
    reg::KeyId key = reg::WalkPath(db, reg::kLocalMachine, kSessionManager, reg::Create::No);
    if (key == reg::kNoKey) return done;
    std::vector<std::u16string> entries = ReadList(db, key);
    for (size_t i = 0; i + 1 < entries.size(); i += 2) {
        std::u16string from = StripNtPrefix(entries[i]);
        std::u16string to = entries[i + 1];
        if (to.empty()) {
            Dword attributes = GetFileAttributesW(from.c_str());
            bool ok = (attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory))
                          ? RemoveDirectoryW(from.c_str())
                          : DeleteFileW(from.c_str());
            done.push_back(Describe("delete", from, u"", ok));
            continue;
        }
        bool replace = to[0] == u'!';
        if (replace) to.erase(0, 1);
        to = StripNtPrefix(to);
        bool ok = MoveFileExW(from.c_str(), to.c_str(), replace ? kMoveFileReplaceExisting : 0);
        done.push_back(Describe("move", from, to, ok));
    }
    reg::DeleteValue(db, key, kPending);
    return done;
}

}  // namespace platform::sim

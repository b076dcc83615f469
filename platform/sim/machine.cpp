#include "platform/sim/machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/sim/host_text.h"
#include "platform/sim/registry_store.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

// Defined in machine_init.cpp: the tables, folders and registry keys of a fresh machine.
void CreateMachineSchema(sqlite3* db);

namespace {

const char kDbName[] = "machine.db";

std::map<std::string, std::string> ReadSettingsTable(sqlite3* db) {
    std::map<std::string, std::string> table;
    Statement s(db, "SELECT name, value FROM settings");
    while (s.Step()) table[s.Text(0)] = s.Text(1);
    return table;
}

uint32_t Number(const std::map<std::string, std::string>& t, const char* name, uint32_t fallback) {
    auto it = t.find(name);
    return it == t.end() ? fallback : static_cast<uint32_t>(std::strtoul(it->second.c_str(), nullptr, 0));
}

std::u16string Text(const std::map<std::string, std::string>& t, const char* name,
                    const std::u16string& fallback) {
    auto it = t.find(name);
    return it == t.end() ? fallback : FromHost(it->second);
}

MachineSettings ParseSettings(const std::map<std::string, std::string>& t) {
    MachineSettings s;
    s.osMajor = Number(t, "os_major", s.osMajor);
    s.osMinor = Number(t, "os_minor", s.osMinor);
    s.osBuild = Number(t, "os_build", s.osBuild);
    s.osPlatform = Number(t, "os_platform", s.osPlatform);
    s.csdVersion = Text(t, "csd_version", s.csdVersion);
    s.admin = Number(t, "admin", 1) != 0;
    s.user = Text(t, "user", s.user);
    s.sid = Text(t, "sid", s.sid);
    s.uiLanguage = static_cast<uint16_t>(Number(t, "ui_language", s.uiLanguage));
    s.langId = static_cast<uint16_t>(Number(t, "lang_id", s.langId));
    auto scale = t.find("time_scale");
    if (scale != t.end()) s.timeScale = std::strtod(scale->second.c_str(), nullptr);
    ChooseFolders(s);
    s.windowsDir = Text(t, "windows_dir", s.windowsDir);
    s.systemDir = Text(t, "system_dir", s.systemDir);
    s.programFilesDir = Text(t, "program_files_dir", s.programFilesDir);
    s.profileDir = Text(t, "profile_dir", s.profileDir);
    s.tempDir = Text(t, "temp_dir", s.tempDir);
    return s;
}

bool MakeDirs(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

sqlite3* OpenDb(const std::string& path, int flags, std::string* error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : "cannot open the machine database";
        sqlite3_close(db);
        return nullptr;
    }
    // Several processes of one machine use the database at once (a program and the
    // programs it starts, winsim beside them): wait for each other's transactions.
    sqlite3_busy_timeout(db, 10000);
    return db;
}

}  // namespace

void ChooseFolders(MachineSettings& s) {
    const std::u16string& user = s.user;
    if (s.osPlatform != 2) {
        s.windowsDir = u"C:\\WINDOWS";
        s.systemDir = u"C:\\WINDOWS\\SYSTEM";
        s.programFilesDir = u"C:\\Program Files";
        s.profileDir = u"C:\\WINDOWS";
        s.tempDir = u"C:\\WINDOWS\\TEMP";
    } else if (s.osMajor >= 6) {
        s.windowsDir = u"C:\\Windows";
        s.systemDir = u"C:\\Windows\\System32";
        s.programFilesDir = u"C:\\Program Files";
        s.profileDir = u"C:\\Users\\" + user;
        s.tempDir = s.profileDir + u"\\AppData\\Local\\Temp";
    } else {
        bool win2000 = s.osMajor < 5 || s.osMinor == 0;
        s.windowsDir = win2000 ? u"C:\\WINNT" : u"C:\\WINDOWS";
        s.systemDir = s.windowsDir + u"\\system32";
        s.programFilesDir = u"C:\\Program Files";
        s.profileDir = u"C:\\Documents and Settings\\" + user;
        s.tempDir = s.profileDir + u"\\Local Settings\\Temp";
    }
}

Machine& Machine::Current() {
    static std::unique_ptr<Machine> current;
    if (!current) {
        const char* prefix = std::getenv("WINSIM_PREFIX");
        std::string error;
        if (!prefix || !*prefix) {
            error = "WINSIM_PREFIX is not set";
        } else {
            current = Open(prefix, &error);
        }
        if (!current) {
            std::fprintf(stderr,
                         "no simulated machine: %s (make one with `winsim init` and run the "
                         "program with `winsim run`, or set WINSIM_PREFIX)\n",
                         error.c_str());
            std::_Exit(125);
        }
    }
    return *current;
}

std::unique_ptr<Machine> Machine::Open(const std::string& prefix, std::string* error) {
    std::string path = prefix + "/" + kDbName;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (error) *error = "no machine at " + prefix;
        return nullptr;
    }
    sqlite3* db = OpenDb(path, SQLITE_OPEN_READWRITE, error);
    if (!db) return nullptr;
    std::unique_ptr<Machine> machine(new Machine);
    machine->db_ = db;
    char* real = ::realpath(prefix.c_str(), nullptr);
    machine->prefix_ = real ? real : prefix;
    std::free(real);
    try {
        Exec(db, "PRAGMA synchronous = NORMAL");
        // A machine made by an earlier winsim gains the tables added since.
        CreateMachineSchema(db);
        machine->ReloadSettings();
    } catch (const DbError& e) {
        if (error) *error = "the machine database at " + prefix + " cannot be read: " + e.message;
        return nullptr;
    }
    return machine;
}

Machine::~Machine() {
    ForgetStatements(db_);
    sqlite3_close(db_);
}

std::string Machine::DrivePath(char letter) const {
    char lower = static_cast<char>(letter >= 'A' && letter <= 'Z' ? letter + 32 : letter);
    return prefix_ + "/drive_" + lower;
}

void Machine::SetSetting(const std::string& name, const std::string& value) {
    Statement s(db_, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)");
    s.Bind(1, name).Bind(2, value).Run();
    ReloadSettings();
}

void Machine::ReloadSettings() { settings_ = ParseSettings(ReadSettingsTable(db_)); }

void WriteSettings(sqlite3* db, const MachineSettings& s) {
    auto put = [db](const char* name, const std::string& value) {
        Statement st(db, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)");
        st.Bind(1, name).Bind(2, value).Run();
    };
    char scale[64];
    std::snprintf(scale, sizeof scale, "%.17g", s.timeScale);
    put("os_major", std::to_string(s.osMajor));
    put("os_minor", std::to_string(s.osMinor));
    put("os_build", std::to_string(s.osBuild));
    put("os_platform", std::to_string(s.osPlatform));
    put("csd_version", ToHost(s.csdVersion));
    put("admin", s.admin ? "1" : "0");
    put("user", ToHost(s.user));
    put("sid", ToHost(s.sid));
    put("ui_language", std::to_string(s.uiLanguage));
    put("lang_id", std::to_string(s.langId));
    put("time_scale", scale);
    put("windows_dir", ToHost(s.windowsDir));
    put("system_dir", ToHost(s.systemDir));
    put("program_files_dir", ToHost(s.programFilesDir));
    put("profile_dir", ToHost(s.profileDir));
    put("temp_dir", ToHost(s.tempDir));
}

bool PopulateMachine(const std::string& prefix, sqlite3* db, const MachineSettings& settings,
                     std::string* error);

bool CreateMachine(const std::string& prefix, MachineSettings settings, std::string* error) {
    if (!MakeDirs(prefix)) {
        *error = "cannot create the folder " + prefix;
        return false;
    }
    std::string dbPath = prefix + "/" + kDbName;
    struct stat st;
    if (::stat(dbPath.c_str(), &st) == 0) {
        *error = "a machine already exists at " + prefix;
        return false;
    }
    if (settings.windowsDir.empty()) ChooseFolders(settings);
    sqlite3* db = OpenDb(dbPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (!db) return false;
    bool ok = false;
    try {
        Exec(db, "PRAGMA journal_mode = WAL");
        Transaction t(db);
        CreateMachineSchema(db);
        WriteSettings(db, settings);
        ok = PopulateMachine(prefix, db, settings, error);
        if (ok) t.Commit();
    } catch (const DbError& e) {
        *error = "cannot write the machine database: " + e.message;
    }
    ForgetStatements(db);
    sqlite3_close(db);
    return ok;
}

}  // namespace platform::sim

// A fresh machine: the folders Windows has and the registry keys the system and its
// programs read.

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/sim/faults.h"
#include "platform/sim/file_attributes.h"
#include "platform/sim/file_locks.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/registry_store.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

namespace {

class Populator {
public:
    Populator(const std::string& prefix, sqlite3* db, const MachineSettings& s)
        : prefix_(prefix), db_(db), s_(s) {}

    bool Folder(const std::u16string& windowsPath) {
        // "C:\a\b" → <prefix>/drive_c/a/b, every level.
        std::string host = prefix_ + "/drive_" + static_cast<char>(windowsPath[0] | 0x20);
        if (::mkdir(host.c_str(), 0755) != 0 && errno != EEXIST) return false;
        size_t pos = 3;
        while (pos <= windowsPath.size()) {
            size_t end = windowsPath.find(u'\\', pos);
            if (end == std::u16string::npos) end = windowsPath.size();
            if (end > pos) {
                host += "/" + ToHost(windowsPath.substr(pos, end - pos));
                if (::mkdir(host.c_str(), 0755) != 0 && errno != EEXIST) return false;
            }
            pos = end + 1;
        }
        return true;
    }

    reg::KeyId Key(reg::KeyId root, const std::u16string& path) {
        return reg::WalkPath(db_, root, path, reg::Create::Yes);
    }

    void Sz(reg::KeyId key, const std::u16string& name, const std::u16string& value, uint32_t type = 1) {
        std::u16string data = value;
        data += u'\0';
        reg::SetValue(db_, key, name, type,
                      std::string_view(reinterpret_cast<const char*>(data.data()), data.size() * 2));
    }

    void Dword(reg::KeyId key, const std::u16string& name, uint32_t value) {
        char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                         static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
        reg::SetValue(db_, key, name, 4, std::string_view(bytes, 4));
    }

    bool Run(std::string* error) {
        const bool nt6 = s_.osPlatform == 2 && s_.osMajor >= 6;
        const bool nt = s_.osPlatform == 2;
        std::u16string programFilesX86 = s_.programFilesDir + u" (x86)";
        std::u16string folders[] = {
            s_.windowsDir,
            s_.systemDir,
            s_.windowsDir + u"\\INF",
            s_.windowsDir + u"\\Temp",
            s_.systemDir + u"\\drivers",
            s_.programFilesDir,
            s_.programFilesDir + u"\\Common Files",
            s_.profileDir,
            s_.tempDir,
        };
        for (const auto& f : folders) {
            if (!Folder(f)) {
                *error = "cannot create the folder " + ToHost(f);
                return false;
            }
        }
        if (nt6) {
            std::u16string more[] = {
                s_.windowsDir + u"\\SysWOW64",
                s_.systemDir + u"\\DriverStore\\FileRepository",
                s_.systemDir + u"\\Tasks",
                programFilesX86,
                programFilesX86 + u"\\Common Files",
                u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                u"C:\\Users\\Public\\Desktop",
                s_.profileDir + u"\\Desktop",
                s_.profileDir + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
            };
            for (const auto& f : more) {
                if (!Folder(f)) {
                    *error = "cannot create the folder " + ToHost(f);
                    return false;
                }
            }
        }

        using reg::kLocalMachine;
        using reg::kUsers;
        std::u16string version = std::u16string(1, static_cast<char16_t>(u'0' + s_.osMajor % 10));
        if (s_.osMajor >= 10) version = u"10";
        version += u"." + FromHost(std::to_string(s_.osMinor));

        reg::KeyId controlSet = Key(kLocalMachine, u"SYSTEM\\ControlSet001");
        reg::CreateLink(db_, Key(kLocalMachine, u"SYSTEM"), u"CurrentControlSet", controlSet);
        reg::KeyId select = Key(kLocalMachine, u"SYSTEM\\Select");
        Dword(select, u"Current", 1);
        Dword(select, u"Default", 1);
        Dword(select, u"LastKnownGood", 1);
        for (const char16_t* sub : {u"Control\\Class", u"Enum\\Root", u"Services", u"Control\\Network",
                                    u"Hardware Profiles\\Current"}) {
            Key(controlSet, sub);
        }
        reg::KeyId env = Key(controlSet, u"Control\\Session Manager\\Environment");
        Sz(env, u"windir", u"%SystemRoot%", 2);
        Sz(env, u"TEMP", u"%SystemRoot%\\TEMP", 2);
        Sz(env, u"TMP", u"%SystemRoot%\\TEMP", 2);
        if (nt) Sz(env, u"OS", u"Windows_NT");

        reg::KeyId cv = Key(kLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
        Sz(cv, u"ProgramFilesDir", s_.programFilesDir);
        Sz(cv, u"CommonFilesDir", s_.programFilesDir + u"\\Common Files");
        Sz(cv, u"DevicePath", u"%SystemRoot%\\inf", 2);
        Key(cv, u"SharedDLLs");
        Key(cv, u"Uninstall");
        Key(cv, u"Run");
        if (nt6) {
            Sz(cv, u"ProgramFilesDir (x86)", programFilesX86);
            Sz(cv, u"CommonFilesDir (x86)", programFilesX86 + u"\\Common Files");
            reg::KeyId cv32 = Key(kLocalMachine, u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion");
            Sz(cv32, u"ProgramFilesDir", programFilesX86);
            Sz(cv32, u"CommonFilesDir", programFilesX86 + u"\\Common Files");
            Key(cv32, u"SharedDLLs");
            Key(cv32, u"Uninstall");
        }
        reg::KeyId ntcv = Key(kLocalMachine, nt ? u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                                                : u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
        Sz(ntcv, u"CurrentVersion", s_.osMajor >= 10 ? u"6.3" : version);
        Sz(ntcv, u"CurrentBuildNumber", FromHost(std::to_string(s_.osBuild)));
        Sz(ntcv, u"SystemRoot", s_.windowsDir);
        if (s_.osMajor >= 10) {
            Dword(ntcv, u"CurrentMajorVersionNumber", s_.osMajor);
            Dword(ntcv, u"CurrentMinorVersionNumber", s_.osMinor);
        }
        if (nt) {
            reg::KeyId profile = Key(ntcv, u"ProfileList\\" + s_.sid);
            Sz(profile, u"ProfileImagePath", s_.profileDir, 2);
        }
        Key(kLocalMachine, u"SOFTWARE\\Classes");

        Key(kUsers, u".DEFAULT\\Software");
        reg::KeyId user = Key(kUsers, s_.sid);
        Key(user, u"Software\\Classes");
        Key(kUsers, s_.sid + u"_Classes");
        reg::KeyId userEnv = Key(user, u"Environment");
        std::u16string temp = nt6 ? u"%USERPROFILE%\\AppData\\Local\\Temp" : s_.tempDir;
        Sz(userEnv, u"TEMP", temp, 2);
        Sz(userEnv, u"TMP", temp, 2);
        char16_t locale[9];
        static const char16_t hex[] = u"0123456789ABCDEF";
        for (int i = 0; i < 8; ++i) locale[i] = hex[(s_.langId >> (4 * (7 - i))) & 0xF];
        locale[8] = 0;
        Sz(Key(user, u"Control Panel\\International"), u"Locale", locale);
        reg::KeyId desktop = Key(user, u"Control Panel\\Desktop");
        Sz(desktop, u"PreferredUILanguages", u"", 7);
        return true;
    }

private:
    const std::string& prefix_;
    sqlite3* db_;
    const MachineSettings& s_;
};

}  // namespace

void CreateMachineSchema(sqlite3* db) {
    Exec(db, "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT NOT NULL)");
    Exec(db, "CREATE TABLE IF NOT EXISTS waits(id INTEGER PRIMARY KEY, program TEXT NOT NULL, milliseconds INTEGER NOT NULL)");
    reg::CreateSchema(db);
    CreateFileAttributesSchema(db);
    CreateFaultSchema(db);
    CreateFileLockSchema(db);
}

bool PopulateMachine(const std::string& prefix, sqlite3* db, const MachineSettings& settings,
                     std::string* error) {
    return Populator(prefix, db, settings).Run(error);
}

}  // namespace platform::sim

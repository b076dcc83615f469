#pragma once
// The simulated Windows machine: a prefix folder with drive_c/ and machine.db. Every
// platform call of the sim backend works on the machine of its process, named by the
// WINSIM_PREFIX environment variable (the platform's setting, as WINEPREFIX is Wine's).

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

namespace platform::sim {

struct MachineSettings {
    uint32_t osMajor = 10;
    uint32_t osMinor = 0;
    uint32_t osBuild = 19045;
    uint32_t osPlatform = 2;  // 2 NT, 1 the 9x family
    std::u16string csdVersion;
    bool admin = true;
    std::u16string user = u"user";
    std::u16string sid = u"S-1-5-21-3623811015-3361044348-30300820-1001";
    uint16_t uiLanguage = 0x0409;
    uint16_t langId = 0x0409;
    // Every wait of the machine's programs lasts this many times its nominal length.
    double timeScale = 1.0;
    // Folders, as Windows paths without a final backslash.
    std::u16string windowsDir;
    std::u16string systemDir;
    std::u16string programFilesDir;
    std::u16string profileDir;
    std::u16string tempDir;
};

// The folders a machine of this version and user has, filled into `settings`.
void ChooseFolders(MachineSettings& settings);

class Machine {
public:
    // The machine of this process, opened on first use. Without a usable machine the
    // process cannot do anything meaningful: it ends with a message on standard error.
    static Machine& Current();
    // Opens an existing machine; null and a message when there is none at `prefix`.
    static std::unique_ptr<Machine> Open(const std::string& prefix, std::string* error);
    ~Machine();

    const std::string& Prefix() const { return prefix_; }
    std::string DrivePath(char letter) const;
    sqlite3* Db() const { return db_; }
    const MachineSettings& Settings() const { return settings_; }
    // Changes one setting durably (winsim; tests of the non-administrator paths).
    void SetSetting(const std::string& name, const std::string& value);
    void ReloadSettings();

private:
    Machine() = default;
    std::string prefix_;
    sqlite3* db_ = nullptr;
    MachineSettings settings_;
};

// Creates a fresh machine at `prefix` (which must not hold one yet): folders, the
// database with its settings and the registry keys the system reads.
bool CreateMachine(const std::string& prefix, MachineSettings settings, std::string* error);

// Stores the settings as the database keeps them.
void WriteSettings(sqlite3* db, const MachineSettings& settings);

}  // namespace platform::sim

#pragma once
// The transaction of a run. The script directives only queue records here; Commit
// carries them out in fixed phases, logging every reversible step first so that a
// failure can be rolled back, and recording what it installed in the uninstall log.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "log/line_file.h"
#include "platform/registry.h"
#include "util/format.h"

// Bits of a FileOp's flags beyond the INF copy flags.
constexpr uint32_t kFileNotLogged = 0x40000000;
constexpr uint32_t kFileShared = 0x80000000;

struct FileOp {
    std::u16string destination;
    std::u16string source;
    uint32_t flags = 0;
    std::u16string cabinet;
};

struct DriverUpdateOp {
    std::u16string hardwareId;
    std::u16string infPath;
};

struct RunOp {
    std::u16string application;
    std::u16string commandLine;
    uint32_t flags = 0;
};

// The HKR pseudo-root: the driver key of a device that a driver update matched.
inline platform::HKey HkeyRelative() { return platform::RootKey(0x80666420u); }

struct RegistryOp {
    platform::HKey root = nullptr;
    std::u16string subKey;
    std::u16string valueName;
    uint32_t valueType = 0;
    uint32_t flags = 0;
    std::vector<uint8_t> data;
    int32_t grantAccess = 0;
};

struct LinkOp {
    std::u16string folder;
    std::u16string name;
    std::u16string target;
    std::u16string arguments;
    std::u16string workingDirectory;
    std::u16string iconPath;
    int32_t iconIndex = 0;
    std::u16string resourceModule;
    std::u16string resourceStringId;
};

// What DoCleanup removes: a folder if empty (0), a folder with its contents (1), or
// the shortcut path + ".lnk" (any other kind).
struct CleanupOp {
    std::u16string path;
    int32_t kind = 0;
};

enum CleanupKind : int32_t { CleanupEmptyFolder = 0, CleanupFolderTree = 1 };

class Update {
public:
    Update();
    ~Update();
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

    void OpenRollbackLog(const std::u16string& path, bool create);
    void OpenUninstallLog(const std::u16string& path, bool create);
    // Takes ownership of a sub-transaction, committed together with this one.
    void AddSubUpdate(std::unique_ptr<Update> update);

    bool NeedReboot() const { return needReboot; }
    bool NeedRestartDriver() const { return needRestartDriver; }
    void SetNeedReboot() { needReboot = true; }

    // Appends one line to the rollback log (and echoes it to the log at level 3),
    // unless rollback logging is off; raises when the line cannot be written.
    template <class... A>
    void LogRollback(std::u16string_view format, const A&... args) {
        if (!rollbackLogging) return;
        WriteRollbackLine(Format(format, args...));
    }

    // Queueing: one record at the end of its list; nothing is checked here.
    void FileInstall(const std::u16string& source, const std::u16string& destination, uint32_t flags,
                     const std::u16string& cabinet);
    void FileMove(const std::u16string& source, const std::u16string& destination, uint32_t flags);
    void InfInstall(const std::u16string& infPath, const std::u16string& folder);
    void InfRemove(const std::u16string& sourceInf, const std::u16string& oemInf);
    void DriverUpdate(const std::u16string& hardwareId, const std::u16string& infPath);
    void DriverUninstall(const std::u16string& oemInf);
    void FileRemove(const std::u16string& path, uint32_t flags);
    void RegistryChange(platform::HKey root, const std::u16string& subKey, const std::u16string& valueName,
                        uint32_t valueType, uint32_t flags, const std::vector<uint8_t>& data, int32_t grantAccess,
                        bool add);
    void LinkInstall(const LinkOp& link);
    void RunApp(const std::u16string& application, const std::u16string& commandLine, uint32_t flags,
                bool beforeCommit);
    void DirRemove(const std::u16string& path, int32_t kind);
    void PackageUninstall(const std::u16string& infName);

    // The progress units this transaction's commit is worth.
    int32_t Cost() const;

    // The commit and its companions (commit.cpp, file_install.cpp, rollback.cpp,
    // uninstall.cpp, cleanup.cpp).
    void Commit();
    void CommitFileInstall(const std::u16string& source, const std::u16string& destination, uint32_t flags,
                           const std::u16string& cabinet);
    void CommitFileRemove(const std::u16string& path, uint32_t flags);
    // 0 moved now, 1 deferred to the next restart, 2 failed.
    int MoveFileLogged(const std::u16string& source, const std::u16string& destination, bool allowDefer);
    // 1 queued, 2 failed; an empty destination queues a deletion.
    int QueueMoveAtReboot(const std::u16string& source, const std::u16string& destination);
    void Rollback();
    void RollbackAll();
    void Uninstall(bool upgrade);
    void UninstallCPL();
    void DoCleanup();
    void CleanupAll();
    void DeleteFileOrDefer(const std::u16string& path);

    std::u16string dpinstPath;
    std::u16string driverFolder;
    std::u16string driverInfPath;
    std::u16string driverInfName;
    std::vector<FileOp> fileInstalls;
    std::vector<FileOp> fileMoves;
    std::vector<std::u16string> infInstalls;
    std::vector<DriverUpdateOp> driverUpdates;
    std::vector<FileOp> fileRemoves;
    std::vector<std::u16string> infRemoves;
    std::vector<std::u16string> driverUninstalls;
    std::vector<std::u16string> cleanupFiles;
    std::vector<std::u16string> packageUninstalls;
    std::vector<RunOp> postRuns;
    std::vector<RunOp> preRuns;
    std::vector<RegistryOp> registryAdds;
    std::vector<RegistryOp> registryDeletes;
    std::vector<RegistryOp> deviceRegistryAdds;
    std::vector<LinkOp> links;
    std::vector<CleanupOp> cleanupEntries;
    bool needRestartDriver = false;
    bool needReboot = false;
    bool rollbackLogging = true;
    LineFile rollbackLog;
    LineFile uninstallLog;
    // This transaction first, then its sub-transactions in the order they were added.
    std::vector<Update*> updates;
    bool driverSigned = false;

private:
    void WriteRollbackLine(const std::u16string& line);
    std::vector<std::unique_ptr<Update>> owned_;
};

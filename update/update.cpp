#include "update/update.h"

#include "log/log.h"
#include "platform/last_error.h"
#include "util/basic_exception.h"
#include "util/path_text.h"

Update::Update() { updates.push_back(this); }

// The sub-transactions go with their owner; the log files are closed, not deleted.
Update::~Update() = default;

void Update::OpenRollbackLog(const std::u16string& path, bool create) {
    if (rollbackLog.Open(path, create) != LineFile::kOk) THROW_BASIC_DESC(path, platform::GetLastError());
}

void Update::OpenUninstallLog(const std::u16string& path, bool create) {
    if (uninstallLog.Open(path, create) != LineFile::kOk) THROW_BASIC_DESC(path, platform::GetLastError());
}

void Update::AddSubUpdate(std::unique_ptr<Update> update) {
    updates.push_back(update.get());
    owned_.push_back(std::move(update));
}

void Update::WriteRollbackLine(const std::u16string& line) {
    if (rollbackLog.WriteText(line) != LineFile::kOk) THROW_BASIC();
    LogPrint(3, u"%s", line);
}

void Update::FileInstall(const std::u16string& source, const std::u16string& destination, uint32_t flags,
                         const std::u16string& cabinet) {
    fileInstalls.push_back({destination, source, flags, cabinet});
}

void Update::FileMove(const std::u16string& source, const std::u16string& destination, uint32_t flags) {
    fileMoves.push_back({destination, source, flags, {}});
}

void Update::InfInstall(const std::u16string& infPath, const std::u16string& folder) {
    std::u16string staged = folder;
    AppendPath(staged, GetFileNamePart(infPath));
    fileInstalls.push_back({staged, infPath, 6, {}});
    infInstalls.push_back(staged);
    infInstalls.push_back(folder);
}

void Update::InfRemove(const std::u16string& sourceInf, const std::u16string& oemInf) {
    infRemoves.push_back(sourceInf);
    infRemoves.push_back(oemInf);
}

void Update::DriverUpdate(const std::u16string& hardwareId, const std::u16string& infPath) {
    driverUpdates.push_back({hardwareId, infPath});
}

void Update::DriverUninstall(const std::u16string& oemInf) { driverUninstalls.push_back(oemInf); }

void Update::FileRemove(const std::u16string& path, uint32_t flags) { fileRemoves.push_back({{}, path, flags, {}}); }

void Update::RegistryChange(platform::HKey root, const std::u16string& subKey, const std::u16string& valueName,
                            uint32_t valueType, uint32_t flags, const std::vector<uint8_t>& data,
                            int32_t grantAccess, bool add) {
    RegistryOp op{root, subKey, valueName, valueType, flags, data, grantAccess};
    if (!add) {
        // A device's driver key exists only while a driver update runs: nothing to delete there.
        if (root == HkeyRelative()) THROW_BASIC();
        registryDeletes.push_back(std::move(op));
    } else if (root == HkeyRelative()) {
        deviceRegistryAdds.push_back(std::move(op));
    } else {
        registryAdds.push_back(std::move(op));
    }
}

void Update::LinkInstall(const LinkOp& link) { links.push_back(link); }

void Update::RunApp(const std::u16string& application, const std::u16string& commandLine, uint32_t flags,
                    bool beforeCommit) {
    (beforeCommit ? preRuns : postRuns).push_back({application, commandLine, flags});
}

void Update::DirRemove(const std::u16string& path, int32_t kind) { cleanupEntries.push_back({path, kind}); }

void Update::PackageUninstall(const std::u16string& infName) { packageUninstalls.push_back(infName); }

int32_t Update::Cost() const {
    int32_t cost = 2;  // one unit each for the registry-delete and registry-add phases
    cost += 30 * static_cast<int32_t>(preRuns.size());
    if (!driverUninstalls.empty()) cost += 100;
    cost += 5 * static_cast<int32_t>(infRemoves.size());
    cost += 3 * static_cast<int32_t>(fileRemoves.size() + fileInstalls.size() + fileMoves.size());
    cost += 5 * static_cast<int32_t>(infInstalls.size());
    if (!driverUpdates.empty()) cost += 200;
    cost += 10 * static_cast<int32_t>(postRuns.size());
    return cost;
}

// The walk of the setup script: each walked section's directive keys in their fixed
// order, each handing its work to its handler, which only queues operations on the
// transaction.

#include "cmdline/section_walk.h"

#include <memory>

#include "cmdline/file_directives.h"
#include "cmdline/globals.h"
#include "log/log.h"
#include "platform/last_error.h"
#include "update/update.h"
#include "util/basic_exception.h"
#include "util/file_services.h"
#include "util/os_info.h"
#include "util/path_text.h"

namespace {

// FIXME: the handlers of these keys (conditional sections, programs, registry,
// logon libraries, driver packages, shortcuts) are not built yet. A section that
// carries one must not pass as if it were done: the run fails naming the key.
void RefuseUnbuiltKey(DriverInf& reader, const std::u16string& section, const char16_t* key) {
    platform::InfContext line{};
    if (reader.FindLine(section, key, line) != InfFound) return;
    LogPrint(0, u"[%s] %s: this directive is not available in this build.\n", section, key);
    THROW_BASIC_DESC(std::u16string(key), 0);
}

}  // namespace

void InstallSections(Update& update, DriverInf& reader, const std::vector<std::u16string>& sections) {
    std::u16string windows, rollbackLog;
    GetSystemWindowsDirectory(windows);
    CreateTempFileName(windows, rollbackLog);
    update.OpenRollbackLog(rollbackLog, true);
    for (const std::u16string& section : sections) ProcessSection(update, reader, section, sections);
}

void ProcessSection(Update& update, DriverInf& reader, const std::u16string& section,
                    const std::vector<std::u16string>& sections) {
    if (ProcessSubInstall(update, reader, section, sections)) AppOnly = true;
    RefuseUnbuiltKey(reader, section, u"ConditionalSection");
    RefuseUnbuiltKey(reader, section, u"PreRun");
    RefuseUnbuiltKey(reader, section, u"DelReg");
    RefuseUnbuiltKey(reader, section, u"DelGINA");
    ProcessDelFiles(update, reader, section);
    ProcessRegDelFiles(update, reader, section);
    if (!AppOnly) RefuseUnbuiltKey(reader, section, u"DriverInf");
    ProcessCopyFiles(update, reader, section);
    RefuseUnbuiltKey(reader, section, u"AddGINA");
    RefuseUnbuiltKey(reader, section, u"AddReg");
    RefuseUnbuiltKey(reader, section, u"AddLinks");
    RefuseUnbuiltKey(reader, section, u"PostRun");
    ProcessDelDirs(update, reader, section);
    if (SetupGetRunningWinVer() == OsVistaOrLater) ProcessPackageUninstalls(update, reader, section);
    ProcessUninstallLog(update, reader, section);
}

bool ProcessSubInstall(Update& update, DriverInf& reader, const std::u16string& section,
                       const std::vector<std::u16string>& /*sections*/) {
    std::vector<std::u16string> fields;
    if (reader.GetKeyFields(section, u"SubInstall", fields) != InfFound || fields.empty()) return false;
    std::u16string folder = ScriptFolder;
    if (folder.empty()) GetModuleDirectory(nullptr, folder);
    AppendPath(folder, fields[0]);
    DriverInf nested;
    nested.Open(folder, GetUiLanguage());
    std::vector<std::u16string> nestedSections(fields.begin() + 1, fields.end());
    auto sub = std::make_unique<Update>();
    Update& subUpdate = *sub;
    update.AddSubUpdate(std::move(sub));
    InstallSections(subUpdate, nested, nestedSections);
    return true;
}

void ProcessPackageUninstalls(Update& update, DriverInf& reader, const std::u16string& section) {
    if (section != u"Install" && section != u"Uninstall") return;
    std::vector<std::u16string> names;
    if (reader.GetKeyFields(u"Uninstall", u"UninstallInf", names) != InfFound) {
        std::u16string driverInf;
        reader.GetLineText(u"Install", u"DriverInf", driverInf);
        names = {GetFileNamePart(driverInf)};
    }
    for (const std::u16string& name : names) update.PackageUninstall(name);
}

void ProcessUninstallLog(Update& update, DriverInf& reader, const std::u16string& section) {
    std::u16string value;
    if (reader.GetLineText(section, u"UninstallLog", value) != InfFound) return;
    std::u16string log = ResolveUninstallLog(reader);
    std::u16string folder = GetDirectoryPart(log);
    std::u16string temp;
    CreateTempFileName(folder, temp);
    update.OpenUninstallLog(temp, true);
    // A copy of the script goes beside the log, always as kavrin.ini, for the uninstall.
    update.FileInstall(reader.GetPath(), CombinePath(folder, u"kavrin.ini"), 6, u"");
    update.FileMove(temp, log, 6);
}

std::u16string ResolveUninstallLog(DriverInf& reader) {
    std::u16string value, full;
    reader.GetLineText(u"Setup", u"UninstallLog", value);
    GetFullPath(value, full);
    CreateDirectoryTree(GetDirectoryPart(full));
    return full;
}

std::u16string GetDefaultInstallPath(DriverInf& reader) {
    std::u16string path;
    if (reader.GetLineText(u"Setup", u"DefaultInstallPath", path) != InfFound) {
        THROW_BASIC_DESC(u"DefaultInstallPath", 0);
    }
    return path;
}

std::u16string GetDriverStore(DriverInf& reader) {
    std::u16string path;
    if (reader.GetLineText(u"Setup", u"DriverStore", path) != InfFound) THROW_BASIC_DESC(u"DriverStore", 0);
    return path;
}

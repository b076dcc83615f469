// Clean-up after a successful commit: the backups kept for a rollback, the folders
// and shortcuts the script asked to remove, temporary files of earlier runs, an older
// product folder, and the rollback log. Nothing here is logged for a rollback, and no
// failed deletion raises.

#include <string>

#include "log/log.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "update/update.h"
#include "util/file_services.h"
#include "util/os_info.h"
#include "util/special_folders.h"

namespace {

const char16_t kDriverSetupEntry[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavo WLAN Card";
const char16_t kOlderProductFolder[] = u"\\Ostrel\\Ostrel Wireless WLAN Card";

constexpr uint16_t kFolderDeleteFlags = 0x414;
constexpr uint16_t kPatternDeleteFlags = 0x1494;

// The shell's delete of one path; its result, or the abort marker as -1 when the
// shell reports that it gave up without a code.
int ShellDelete(const std::u16string& path, uint16_t flags) {
    std::u16string list = path;
    list.push_back(u'\0');  // the list ends with a second NUL
    platform::ShFileOpW operation{};
    operation.func = platform::kFoDelete;
    operation.from = list.c_str();
    operation.flags = flags;
    int result = platform::SHFileOperationW(&operation);
    if (result == 0 && operation.anyOperationsAborted) return -1;
    return result;
}

bool IsDriverSetupRegistered() {
    platform::Dword view = SetupGetRunningWinVer() == OsVistaOrLater ? platform::kKeyWow64_64Key : platform::kKeyWow64_32Key;
    platform::HKey key = nullptr;
    if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), kDriverSetupEntry, 0, platform::kKeyRead | view, &key) != 0) {
        return false;
    }
    platform::RegCloseKey(key);
    return true;
}

}  // namespace

void Update::DeleteFileOrDefer(const std::u16string& path) {
    platform::SetFileAttributesW(path.c_str(), platform::kFileAttributeNormal);
    if (platform::DeleteFileW(path.c_str())) return;
    platform::Dword error = platform::GetLastError();
    if (error != platform::kErrAccessDenied) {
        LogPrint(2, u"Failed to delete \"%s\" error: %d.\n", path, error);
        return;
    }
    // In use: moved out of its folder now, deleted at the next restart.
    std::u16string windows, temp;
    GetSystemWindowsDirectory(windows);
    CreateTempFileName(windows, temp);
    if (platform::MoveFileExW(path.c_str(), temp.c_str(),
                              platform::kMoveFileReplaceExisting | platform::kMoveFileWriteThrough)) {
        platform::MoveFileExW(temp.c_str(), nullptr, platform::kMoveFileDelayUntilReboot);
    } else {
        platform::MoveFileExW(path.c_str(), nullptr, platform::kMoveFileDelayUntilReboot);
    }
}

void Update::DoCleanup() {
    std::u16string programFiles;
    GetProgramFilesDirectory(programFiles);
    for (const std::u16string& path : cleanupFiles) DeleteFileOrDefer(path);
    for (const CleanupOp& entry : cleanupEntries) {
        if (entry.kind == CleanupFolderTree) {
            LogPrint(2, u"DoCleanup(): Removing dir \"%s\"\n", entry.path);
            if (IsDriverSetupRegistered() && entry.path.find(programFiles) != std::u16string::npos) {
                LogPrint(2, u"%s is not removed because driver setup still exists.\n", entry.path);
                continue;
            }
            if (int result = ShellDelete(entry.path, kFolderDeleteFlags)) {
                LogPrint(2, u"DoCleanup(): Unable to remove dir \"%s\" Reason: %d.\n", entry.path, result);
            }
        } else if (entry.kind == CleanupEmptyFolder) {
            LogPrint(2, u"DoCleanup(): Removing dir \"%s\"\n", entry.path);
            if (!platform::RemoveDirectoryW(entry.path.c_str())) {
                LogPrint(2, u"%s is not removed because the directory is not empty.\n", entry.path);
            }
        } else {
            LogPrint(2, u"DoCleanup(): Removing file \"%s\"\n", entry.path);
            platform::DeleteFileW((entry.path + u".lnk").c_str());
        }
    }
    // Let programs that just ran let go of their files.
    platform::Sleep(2000);
    std::u16string windows;
    GetSystemWindowsDirectory(windows);
    if (int result = ShellDelete(windows + u"\\qln*.tmp", kPatternDeleteFlags)) {
        LogPrint(2, u"DoCleanup(): Some of the temporary files were not removed. Reason: %d.\n", result);
    }
    std::u16string older = programFiles + kOlderProductFolder;
    if (FileExists(older)) {
        LogPrint(2, u"DoCleanup(): Removing directory: \"%s\"\n", older);
        if (int result = ShellDelete(older, kFolderDeleteFlags)) {
            LogPrint(2, u"DoCleanup(): Unable to remove directory: %s. Reason: %d.\n", older, result);
        }
    }
    rollbackLog.Delete();
}

void Update::CleanupAll() {
    for (Update* u : updates) u->DoCleanup();
}

// Installing one file: written under a temporary name in the target folder, the old
// file moved aside (kept until the clean-up), the new one moved into place; every
// step logged for the rollback first. What cannot be done now is deferred to the
// next restart.

#include "log/log.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/setup_files.h"
#include "update/update.h"
#include "util/basic_exception.h"
#include "util/cabinet.h"
#include "util/file_services.h"
#include "util/path_text.h"
#include "util/version_info.h"

namespace {

constexpr uint32_t kCopyNoVersionCheck = 0x4;
constexpr uint32_t kCopyForceFileInUse = 0x8;
constexpr uint32_t kCopyNoOverwrite = 0x10;
constexpr uint32_t kCopyOverwriteOlderOnly = 0x40;
constexpr uint32_t kCopyReplaceOnly = 0x400;
constexpr uint32_t kCopyNoDecompress = 0x800;
constexpr uint32_t kCopyReplaceBootFile = 0x1000;

// A source without a version counts as the newest there is.
constexpr uint64_t kNoSourceVersion = 0x7FFFFFFFFFFFFFFFull;

void FillFromSource(const std::u16string& source, const std::u16string& temp, uint32_t flags) {
    char16_t* actualName = nullptr;
    platform::Dword sourceSize = 0, targetSize = 0;
    unsigned compression = 0;
    platform::Dword error =
        platform::SetupGetFileCompressionInfoW(source.c_str(), &actualName, &sourceSize, &targetSize, &compression);
    if (actualName) platform::LocalFree(actualName);
    if (error != 0) THROW_BASIC_DESC(source, error);
    if (compression == platform::kFileCompressionNone || (flags & kCopyNoDecompress)) {
        if (!platform::CopyFileW(source.c_str(), temp.c_str(), false)) {
            THROW_BASIC_DESC(source, platform::GetLastError());
        }
        return;
    }
    error = platform::SetupDecompressOrCopyFileW(source.c_str(), temp.c_str(), &compression);
    if (error != 0) THROW_BASIC_DESC(source, error);
}

}  // namespace

void Update::CommitFileInstall(const std::u16string& source, const std::u16string& destination, uint32_t flags,
                               const std::u16string& cabinet) {
    LogPrint(2, u"CommitFileInstall( \"%s\", \"%s\")\n", source, destination);
    bool destinationExists = FileExists(destination);
    if (destinationExists && (flags & kCopyNoOverwrite)) {
        LogPrint(2, u"CommitFileInstall: skipping, flags include NO_OVERWRITE\n");
        return;
    }
    if (!destinationExists && (flags & kCopyReplaceOnly)) {
        LogPrint(2, u"CommitFileInstall: skipping, flags include REPLACEONLY\n");
        return;
    }
    uint64_t destinationVersion = 0;
    if (!GetFileVersion(destination, destinationVersion)) destinationVersion = 0;
    uint64_t sourceVersion = 0;
    if (!GetFileVersion(source, sourceVersion)) sourceVersion = kNoSourceVersion;
    if ((flags & kCopyOverwriteOlderOnly) && !(flags & kCopyNoVersionCheck) && destinationVersion > sourceVersion) {
        LogPrint(2, u"CommitFileInstall: skipping, system version is up to date\n");
        return;
    }

    std::u16string folder = destination;
    StripLastPathPart(folder);
    if (!FileExists(folder)) {
        LogRollback(u"CreateDir,%s\n", folder);
        CreateDirectoryTree(folder);
    }
    std::u16string temp;
    CreateTempFileName(folder, temp);
    LogRollback(u"CopyFile,%s,%s\n", source, temp);
    if (!cabinet.empty()) {
        if (!ExtractFileFromCabinet(cabinet, source, temp)) THROW_BASIC_DESC(source, platform::GetLastError());
    } else {
        FillFromSource(source, temp, flags);
    }

    int result = 0;
    if (destinationExists) {
        std::u16string backup;
        CreateTempFileName(folder, backup);
        cleanupFiles.push_back(backup);
        result = MoveFileLogged(destination, backup, true);
    }
    if ((flags & kCopyForceFileInUse) || result == 1) {
        result = QueueMoveAtReboot(temp, destination);
    } else if (result == 0) {
        result = MoveFileLogged(temp, destination, true);
    }
    if (result == 2) THROW_BASIC();
    if (flags & kCopyReplaceBootFile) {
        LogPrint(2, u"ReplaceBootFile(\"%s\", \"%s\"), reboot required.\n", source, destination);
        needReboot = true;
    }
}

int Update::MoveFileLogged(const std::u16string& source, const std::u16string& destination, bool allowDefer) {
    platform::SetFileAttributesW(source.c_str(), platform::kFileAttributeNormal);
    platform::SetFileAttributesW(destination.c_str(), platform::kFileAttributeNormal);
    LogRollback(u"MoveFile,%s,%s\n", source, destination);
    if (platform::MoveFileExW(source.c_str(), destination.c_str(),
                              platform::kMoveFileReplaceExisting | platform::kMoveFileWriteThrough)) {
        return 0;
    }
    if (platform::GetLastError() == platform::kErrAccessDenied && allowDefer) {
        return QueueMoveAtReboot(source, destination);
    }
    return 2;
}

int Update::QueueMoveAtReboot(const std::u16string& source, const std::u16string& destination) {
    platform::SetFileAttributesW(source.c_str(), platform::kFileAttributeNormal);
    platform::SetFileAttributesW(destination.c_str(), platform::kFileAttributeNormal);
    LogRollback(u"QueuedMove,%s,%s\n", source, destination);
    bool queued = destination.empty()
                      ? platform::MoveFileExW(source.c_str(), nullptr, platform::kMoveFileDelayUntilReboot)
                      : platform::MoveFileExW(source.c_str(), destination.c_str(),
                                              platform::kMoveFileDelayUntilReboot |
                                                  platform::kMoveFileReplaceExisting);
    if (!queued) return 2;
    LogPrint(2, u"MoveFileEx(\"%s\", \"%s\"), reboot required.\n", source, destination);
    needReboot = true;
    return 1;
}

// Removing one file: moved aside under a temporary name (deleted by the clean-up, or
// moved back by a rollback), or deleted at the next restart when it is in use.

#include "log/log.h"
#include "update/update.h"
#include "util/basic_exception.h"
#include "util/file_services.h"
#include "util/path_text.h"
#include "util/shared_dlls.h"

namespace {
constexpr uint32_t kCopyNoVersionCheck = 0x4;
constexpr uint32_t kCopyNoOverwrite = 0x10;
constexpr uint32_t kCopyReplaceOnly = 0x400;
}  // namespace

void Update::CommitFileRemove(const std::u16string& path, uint32_t flags) {
    LogPrint(2, u"CommitFileRemove: %s, %x.\n", path, flags);
    if (!FileExists(path)) return;
    if (flags & kFileShared) ReleaseSharedDllRef(path);
    bool removable = (flags & kCopyNoVersionCheck) && !(flags & (kCopyNoOverwrite | kCopyReplaceOnly | kFileNotLogged));
    if (!removable) return;
    std::u16string temp;
    CreateTempFileName(GetDirectoryPart(path), temp);
    if (MoveFileLogged(path, temp, false) == 0) {
        cleanupFiles.push_back(temp);
        return;
    }
    if (QueueMoveAtReboot(path, u"") == 2 && rollbackLogging) THROW_BASIC();
}

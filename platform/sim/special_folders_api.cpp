// The shell's special folders on the simulated machine, from its settings.

#include <algorithm>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/sim/fail.h"
#include "platform/sim/machine.h"

namespace platform {

bool SHGetSpecialFolderPathW(void* /*window*/, char16_t* path, int csidl, bool create) {
    const sim::MachineSettings& s = sim::Machine::Current().Settings();
    std::u16string folder;
    switch (csidl & 0xFF) {
        case kCsidlProgramFiles: folder = s.programFilesDir; break;
        case 0x24: folder = s.windowsDir; break;           // CSIDL_WINDOWS
        case 0x25: folder = s.systemDir; break;            // CSIDL_SYSTEM
        case 0x28: folder = s.profileDir; break;           // CSIDL_PROFILE
        case 0x10: folder = s.profileDir + u"\\Desktop"; break;  // CSIDL_DESKTOPDIRECTORY
        default: return sim::Fail(kErrInvalidParameter);
    }
    if (create && GetFileAttributesW(folder.c_str()) == kInvalidFileAttributes) SHCreateDirectoryExW(folder.c_str());
    if (folder.size() >= kMaxPath) return sim::Fail(kErrInsufficientBuffer);
    std::copy(folder.begin(), folder.end(), path);
    path[folder.size()] = 0;
    return true;
}

}  // namespace platform

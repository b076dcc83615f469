#include "util/special_folders.h"

#include "platform/shell.h"

void GetProgramFilesDirectory(std::u16string& out) {
    char16_t path[260] = {};
    if (platform::SHGetSpecialFolderPathW(nullptr, path, platform::kCsidlProgramFiles, true)) {
        out = path;
    } else {
        out = u"C:\\";
    }
}

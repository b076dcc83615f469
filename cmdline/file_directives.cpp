#include "cmdline/file_directives.h"

#include <vector>

#include "log/log.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "update/update.h"
#include "util/basic_exception.h"
#include "util/file_services.h"
#include "util/format.h"
#include "util/path_text.h"
#include "util/registry_services.h"

namespace {

constexpr uint32_t kDefaultRemoveFlags = 6;

std::u16string RequiredField(DriverInf& reader, const std::u16string& section, uint32_t line, uint32_t field) {
    std::u16string text;
    if (reader.GetLineField(section, line, field, text) != InfFound) THROW_BASIC_DESC(section, 0);
    return text;
}

std::u16string Lower(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return text;
}

void ReplaceAll(std::u16string& text, const std::u16string& what, const std::u16string& with) {
    for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

void ProcessCopyFiles(Update& update, DriverInf& reader, const std::u16string& section) {
    std::vector<std::u16string> sections;
    if (reader.GetKeyFields(section, u"CopyFiles", sections) != InfFound) return;
    for (const std::u16string& fileSection : sections) CopyFiles(update, reader, fileSection);
}

void CopyFiles(Update& update, DriverInf& reader, const std::u16string& fileSection) {
    LogPrint(2, u"CopyFiles: section is %s\n", fileSection);
    std::u16string targetDir = reader.GetTargetPath(fileSection, DriverInf::Naming::AsListed);
    LogPrint(2, u"CopyFiles: targetDir is %s\n", targetDir);
    long count = 0;
    if (reader.GetLineCount(fileSection, count) != InfFound) return;
    std::u16string programFolder;
    GetModuleDirectory(nullptr, programFolder);
    for (long i = 0; i < count; ++i) {
        uint32_t line = static_cast<uint32_t>(i);
        std::u16string target = RequiredField(reader, fileSection, line, 1);
        std::u16string source;
        if (reader.GetLineField(fileSection, line, 2, source) != InfFound || source.empty()) source = target;
        LogPrint(2, u"CopyFiles: target = %s, src = %s\n", target, source);
        // A file the package's SourceDisksFiles does not list lies in the program's
        // folder itself: its place never depends on the lines before it.
        std::u16string sourceFolder = programFolder;
        std::u16string cabinet;
        unsigned disk = 0;
        std::u16string relative;
        if (reader.GetSourceFileLocation(GetFileNamePart(source), disk, relative)) {
            LogPrint(2, u"CopyFiles: srcDir = %s\n", relative);
            sourceFolder = CombinePath(programFolder, relative);
            // Field 2 of the disk's line names its cabinet. Left empty (the usual
            // "1=%Disk%,,,"), the disk has none: taking the empty name would make
            // the program's folder itself the cabinet, and every such file fail.
            std::u16string cabinetName;
            if (reader.GetKeyField(u"SourceDisksNames", Format(u"%u", disk), 2, cabinetName) == InfFound &&
                !cabinetName.empty()) {
                cabinet = CombinePath(programFolder, cabinetName);
            }
        }
        int flags = 0;
        if (reader.GetLineInt(fileSection, line, 4, flags) != InfFound) THROW_BASIC_DESC(fileSection, 0);
        std::u16string sourcePath = cabinet.empty() ? CombinePath(sourceFolder, source) : source;
        std::u16string destination = CombinePath(targetDir, target);
        LogPrint(2, u"CopyFiles: FileInstall( %s, %s, %d )\n", sourcePath, destination, flags);
        update.FileInstall(sourcePath, destination, static_cast<uint32_t>(flags), cabinet);
    }
}

void ProcessDelFiles(Update& update, DriverInf& reader, const std::u16string& section) {
    std::vector<std::u16string> sections;
    if (reader.GetKeyFields(section, u"DelFiles", sections) != InfFound) return;
    for (const std::u16string& fileSection : sections) DelFilesSection(update, reader, fileSection);
}

void DelFilesSection(Update& update, DriverInf& reader, const std::u16string& fileSection) {
    std::u16string targetDir = reader.GetTargetPath(fileSection);
    long count = 0;
    if (reader.GetLineCount(fileSection, count) != InfFound) THROW_BASIC_DESC(fileSection, 0);
    for (long i = 0; i < count; ++i) {
        uint32_t line = static_cast<uint32_t>(i);
        std::u16string name = RequiredField(reader, fileSection, line, 1);
        int flags = kDefaultRemoveFlags;
        if (reader.GetLineInt(fileSection, line, 4, flags) != InfFound) flags = kDefaultRemoveFlags;
        update.FileRemove(CombinePath(targetDir, name), static_cast<uint32_t>(flags));
    }
}

void ProcessRegDelFiles(Update& update, DriverInf& reader, const std::u16string& section) {
    char16_t systemBuffer[260];
    platform::Dword n = platform::GetSystemDirectoryW(systemBuffer, 260);
    if (n == 0 || n >= 260) THROW_BASIC();
    std::u16string systemDir(systemBuffer, n);
    std::u16string windowsDir;
    GetSystemWindowsDirectory(windowsDir);
    std::vector<std::u16string> keys;
    if (reader.GetKeyFields(section, u"RegDelFiles", keys) != InfFound) return;
    for (const std::u16string& keyPath : keys) {
        platform::HKey key = nullptr;
        if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), keyPath.c_str(), 0, platform::kKeyAllAccess, &key) != 0) {
            continue;
        }
        struct Closer {
            platform::HKey key;
            ~Closer() { platform::RegCloseKey(key); }
        } closer{key};
        std::u16string valueName;
        for (platform::Dword index = 0; EnumValueName(key, index, valueName) == 0; ++index) {
            std::u16string path;
            if (long result = QueryStringValue(key, valueName, path)) {
                THROW_BASIC_DESC(valueName, static_cast<uint32_t>(result));
            }
            ReplaceAll(path, u"%WIN_DIR%", windowsDir);
            ReplaceAll(path, u"%WIN_SYS_DIR%", systemDir);
            std::u16string lower = Lower(path);
            // Driver package copies and the uninstaller itself are never taken away here.
            if (IsOemInfName(path) || lower.find(u"draviku00.exe") != std::u16string::npos) continue;
            update.FileRemove(lower, kDefaultRemoveFlags);
        }
    }
}

void ProcessDelDirs(Update& update, DriverInf& reader, const std::u16string& section) {
    std::vector<std::u16string> sections;
    if (reader.GetKeyFields(section, u"DelDirs", sections) != InfFound) return;
    for (const std::u16string& folderSection : sections) {
        long count = 0;
        if (reader.GetLineCount(folderSection, count) != InfFound) return;
        for (long i = 0; i < count; ++i) {
            uint32_t line = static_cast<uint32_t>(i);
            std::u16string path = RequiredField(reader, folderSection, line, 1);
            int kind = CleanupEmptyFolder;
            if (reader.GetLineInt(folderSection, line, 2, kind) != InfFound) kind = CleanupEmptyFolder;
            update.DirRemove(path, kind);
        }
    }
}

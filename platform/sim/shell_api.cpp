// The shell's file operations on the simulated machine: deleting files and folder
// trees (FO_DELETE), through the machine's own file calls, so that files in use and
// read-only files meet the platform's rules.

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/shell.h"
#include "platform/sim/faults.h"
#include "platform/sim/ansi_text.h"
#include "platform/sim/dos_wildcard.h"

namespace platform {

namespace {

constexpr int kErrCallNotImplemented = 120;

bool IsDotName(const char16_t* name) {
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

// The shell deletes read-only files as any other: it clears the attribute first.
int DeleteOneFile(const std::u16string& path) {
    if (DeleteFileW(path.c_str())) return 0;
    Dword error = GetLastError();
    Dword attributes = GetFileAttributesW(path.c_str());
    if (error == kErrAccessDenied && attributes != kInvalidFileAttributes &&
        (attributes & kFileAttributeReadOnly)) {
        SetFileAttributesW(path.c_str(), attributes & ~kFileAttributeReadOnly);
        if (DeleteFileW(path.c_str())) return 0;
        error = GetLastError();
    }
    return static_cast<int>(error);
}

int DeleteTree(const std::u16string& folder) {
    std::vector<std::pair<std::u16string, bool>> entries;
    FindData found;
    Handle search = FindFirstFileW((folder + u"\\*").c_str(), &found);
    if (search != InvalidHandle()) {
        do {
            if (!IsDotName(found.fileName)) {
                entries.emplace_back(folder + u"\\" + found.fileName,
                                     (found.fileAttributes & kFileAttributeDirectory) != 0);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // The first entry that cannot go ends the operation, as the shell's does.
    for (const auto& [path, isFolder] : entries) {
        if (int result = isFolder ? DeleteTree(path) : DeleteOneFile(path)) return result;
    }
    if (RemoveDirectoryW(folder.c_str())) return 0;
    Dword error = GetLastError();
    Dword attributes = GetFileAttributesW(folder.c_str());
    if (error == kErrAccessDenied && attributes != kInvalidFileAttributes &&
        (attributes & kFileAttributeReadOnly)) {
        SetFileAttributesW(folder.c_str(), attributes & ~kFileAttributeReadOnly);
        if (RemoveDirectoryW(folder.c_str())) return 0;
        error = GetLastError();
    }
    return static_cast<int>(error);
}

int DeleteEntry(const std::u16string& path, bool filesOnly) {
    size_t cut = path.find_last_of(u"\\/");
    std::u16string name = cut == std::u16string::npos ? path : path.substr(cut + 1);
    if (sim::HasWildcards(name)) {
        std::u16string folder = cut == std::u16string::npos ? u"." : path.substr(0, cut);
        std::vector<std::pair<std::u16string, bool>> matches;
        FindData found;
        Handle search = FindFirstFileW(path.c_str(), &found);
        if (search == InvalidHandle()) {
            return GetLastError() == kErrPathNotFound ? kDeInvalidFiles : static_cast<int>(kErrFileNotFound);
        }
        do {
            if (!IsDotName(found.fileName)) {
                matches.emplace_back(folder + u"\\" + found.fileName,
                                     (found.fileAttributes & kFileAttributeDirectory) != 0);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
        for (const auto& [match, isFolder] : matches) {
            if (isFolder && filesOnly) continue;
            if (int result = isFolder ? DeleteTree(match) : DeleteOneFile(match)) return result;
        }
        return 0;
    }
    Dword attributes = GetFileAttributesW(path.c_str());
    if (attributes == kInvalidFileAttributes) {
        // A missing name in an existing folder, or a folder of the path missing.
        return GetLastError() == kErrFileNotFound ? static_cast<int>(kErrFileNotFound) : kDeInvalidFiles;
    }
    return (attributes & kFileAttributeDirectory) ? DeleteTree(path) : DeleteOneFile(path);
}

}  // namespace

int SHFileOperationA(ShFileOpStructA* operation) {
    operation->anyOperationsAborted = false;
    if (operation->func != kFoDelete) return kErrCallNotImplemented;
    if (!operation->from) return static_cast<int>(kErrInvalidParameter);
    for (const char* item = operation->from; *item; item += std::char_traits<char>::length(item) + 1) {
        if (int result = DeleteEntry(sim::AnsiToWide(item), operation->flags & kFofFilesOnly)) return result;
    }
    return 0;
}

int SHFileOperationW(ShFileOpW* operation) {
    if (Dword fault = sim::InjectFault("SHFileOperationW")) return static_cast<int>(fault);
    operation->anyOperationsAborted = 0;
    if (operation->func != kFoDelete) return kErrCallNotImplemented;
    if (!operation->from) return static_cast<int>(kErrInvalidParameter);
    for (const char16_t* item = operation->from; *item; item += std::char_traits<char16_t>::length(item) + 1) {
        if (int result = DeleteEntry(item, operation->flags & kFofFilesOnly)) return result;
    }
    return 0;
}

}  // namespace platform

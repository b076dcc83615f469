#pragma once
// Folders and files: the Windows directory, the program's own path, temporary
// names, full paths, existence and folder trees. Failures the callers cannot handle
// are thrown as BasicException.

#include <string>

#include "platform/types.h"
#include "util/basic_exception.h"

void GetSystemWindowsDirectory(std::u16string& out);
// The full path of a loaded module; none (nullptr) names the program itself.
void GetModulePath(platform::Module module, std::u16string& out);
void GetModuleDirectory(platform::Module module, std::u16string& out);
// Creates a new empty file with a unique "qln" name in the folder.
void CreateTempFileName(const std::u16string& folder, std::u16string& out);
// 0 with the absolute form of the path; -1 (and an empty output) on failure.
int GetFullPath(const std::u16string& path, std::u16string& out);
// True when a directory search for the path finds anything (wildcards allowed).
bool FileExists(const std::u16string& path);
// Creates the folder and every missing parent; an existing folder is fine.
void CreateDirectoryTree(const std::u16string& path);
// The platform's temporary-files folder, with its final backslash.
std::u16string GetTempFolder();

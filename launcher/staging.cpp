#include "launcher/staging.h"

#include "launcher/trace.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/shell.h"

using namespace platform;

Dword StageSetupFiles(const std::string& source, const std::string& target) {
    if (!CreateDirectoryA(target.c_str())) {
        Dword error = GetLastError();
        if (error != kErrAlreadyExists) {
            LauncherTrace("Failed to create directory: %s. Reason: %d", target, error);
            return error;
        }
    }
    FindDataA found;
    Handle search = FindFirstFileA((source + "\\*.*").c_str(), &found);
    if (search == InvalidHandle()) return 0;
    // The entries of a folder itself and of its parent come as folders named with dots.
    std::string lastPath;
    do {
        if (found.fileAttributes & kFileAttributeDirectory) {
            if (found.fileName[0] == '.') {
                LauncherTrace("Special directory: %s", lastPath);
                continue;
            }
            lastPath = source + "\\" + found.fileName;
            LauncherTrace("Source Directory: %s", lastPath);
            if (Dword error = StageSetupFiles(lastPath, target + "\\" + found.fileName)) {
                FindClose(search);
                return error;
            }
        } else {
            lastPath = source + "\\" + found.fileName;
            if (!CopyFileA(lastPath.c_str(), (target + "\\" + found.fileName).c_str(), false)) {
                Dword error = GetLastError();
                LauncherTrace("Failed to copy file: %s", lastPath);
                FindClose(search);
                return error;
            }
            LauncherTrace("Copied File: %s", lastPath);
        }
    } while (FindNextFileA(search, &found));
    Dword error = GetLastError();
    FindClose(search);
    return error == kErrNoMoreFiles ? 0 : error;
}

void CleanupSetupFiles(const std::string& stagingFolder) {
    LauncherTrace("CleanupSetupFiles(): Cleaning up setup files from %s\n", stagingFolder);
    // The shell takes a list of paths, each NUL-ended, ended by one more NUL.
    std::string from = stagingFolder + '\0';
    ShFileOpStructA operation;
    operation.func = kFoDelete;
    operation.from = from.c_str();
    operation.flags = kFofNoConfirmation | kFofNoErrorUi | kFofSilent;
    int result = SHFileOperationA(&operation);
    if (result != 0 || operation.anyOperationsAborted) {
        LauncherTrace("CleanupSetupFiles(): Unable to cleanup setup files from: %s. Reason: %d.\n", stagingFolder,
                      result);
    }
}

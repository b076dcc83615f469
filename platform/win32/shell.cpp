#include "platform/shell.h"

#include "platform/win32/win32.h"

#include <shellapi.h>  // after <windows.h>
#include <shlobj.h>

namespace platform {

int SHFileOperationA(ShFileOpStructA* operation) {
    SHFILEOPSTRUCTA op = {};
    op.hwnd = reinterpret_cast<HWND>(operation->window);
    op.wFunc = operation->func;
    op.pFrom = operation->from;
    op.pTo = operation->to;
    op.fFlags = operation->flags;
    op.hNameMappings = operation->nameMappings;
    op.lpszProgressTitle = operation->progressTitle;
    int result = ::SHFileOperationA(&op);
    operation->anyOperationsAborted = op.fAnyOperationsAborted != FALSE;
    operation->nameMappings = op.hNameMappings;
    return result;
}

static_assert(sizeof(ShFileOpW) == sizeof(SHFILEOPSTRUCTW));

int SHFileOperationW(ShFileOpW* operation) {
    return ::SHFileOperationW(reinterpret_cast<SHFILEOPSTRUCTW*>(operation));
}

bool SHGetSpecialFolderPathW(void* window, char16_t* path, int csidl, bool create) {
    return ::SHGetSpecialFolderPathW(static_cast<HWND>(window), win32::W(path), csidl, create) != FALSE;
}

}  // namespace platform

#pragma once
// The shell's file operations (SHFileOperationA/W) and its special folders.

#include <cstdint>

#include "platform/types.h"
#include "platform/windows_ui.h"

namespace platform {

// Operations.
constexpr unsigned kFoMove = 1;
constexpr unsigned kFoCopy = 2;
constexpr unsigned kFoDelete = 3;
constexpr unsigned kFoRename = 4;

// Flags.
constexpr uint16_t kFofSilent = 0x0004;
constexpr uint16_t kFofNoConfirmation = 0x0010;
constexpr uint16_t kFofAllowUndo = 0x0040;
constexpr uint16_t kFofFilesOnly = 0x0080;
constexpr uint16_t kFofNoConfirmMkdir = 0x0200;
constexpr uint16_t kFofNoErrorUi = 0x0400;
constexpr uint16_t kFofNoRecursion = 0x1000;

// Results that are no Win32 error code.
constexpr int kDeOpCancelled = 0x75;
constexpr int kDeAccessDeniedSrc = 0x78;
constexpr int kDeInvalidFiles = 0x7C;

// The fields of SHFILEOPSTRUCTA. `from` and `to` are lists of full paths, each
// NUL-ended, the list ended by one more NUL.
struct ShFileOpStructA {
    HWnd window = nullptr;
    unsigned func = 0;
    const char* from = nullptr;
    const char* to = nullptr;
    uint16_t flags = 0;
    bool anyOperationsAborted = false;
    void* nameMappings = nullptr;
    const char* progressTitle = nullptr;
};

// 0 on success, or a code: a Win32 error code, or one of the kDe... codes. Deleting
// a folder deletes its whole tree; read-only files are deleted too.
int SHFileOperationA(ShFileOpStructA* operation);

// The layout of SHFILEOPSTRUCTW, for the UTF-16 form of the same operation (byte-packed
// in 32-bit programs, as the shell declares it there).
#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(push, 1)
#endif
struct ShFileOpW {
    void* window;
    unsigned func;
    const char16_t* from;
    const char16_t* to;
    uint16_t flags;
    int anyOperationsAborted;
    void* nameMappings;
    const char16_t* progressTitle;
};
#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(pop)
#endif
int SHFileOperationW(ShFileOpW* operation);

// Special folders by CSIDL (`path` has room for 260 characters).
constexpr int kCsidlProgramFiles = 38;
bool SHGetSpecialFolderPathW(void* window, char16_t* path, int csidl, bool create);

}  // namespace platform

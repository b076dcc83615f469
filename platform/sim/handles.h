#pragma once
// The kernel objects of this process (open files, searches, tokens) behind the
// opaque handles the platform interface gives out.

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

namespace platform::sim {

struct FileObject {
    int fd = -1;
    Dword access = 0;
    Dword share = 0;
    std::u16string foldedPath;  // the folded full Windows path, for sharing checks
    bool ownsFd = true;         // the standard streams are not closed
};

struct SearchObject {
    std::vector<FindData> entries;
    size_t next = 0;
};

struct TokenObject {
    bool impersonation = false;
};

// A started program; its process handle and its thread handle share it.
struct ChildProcess;
struct ProcessObject {
    std::shared_ptr<ChildProcess> child;
    bool isThread = false;
};

using KernelObject = std::variant<FileObject, SearchObject, TokenObject, ProcessObject>;

Handle AddHandle(KernelObject object);
// The object behind a handle when it is of kind T; null otherwise (bad handle).
template <class T>
T* GetHandle(Handle handle);
// Drops the handle; false for a handle that is not open.
bool RemoveHandle(Handle handle);

// Every open file of this process, for the platform's sharing rules.
std::vector<const FileObject*> OpenFiles();

// Read, write and delete wishes of an access mask.
bool WantsRead(Dword access);
bool WantsWrite(Dword access);
bool WantsDelete(Dword access);

}  // namespace platform::sim

#include "platform/sim/handles.h"

#include <unistd.h>

#include <map>

#include "platform/files.h"

namespace platform::sim {

namespace {

std::map<uintptr_t, KernelObject>& Table() {
    static std::map<uintptr_t, KernelObject> table;
    return table;
}

uintptr_t& NextValue() {
    // Handle values of the platform are multiples of 4; keep clear of the pseudo
    // handles near -1 and of the standard streams.
    static uintptr_t next = 0x100;
    return next;
}

}  // namespace

Handle AddHandle(KernelObject object) {
    uintptr_t value = NextValue();
    NextValue() += 4;
    Table().emplace(value, std::move(object));
    return reinterpret_cast<Handle>(value);
}

template <class T>
T* GetHandle(Handle handle) {
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    if (it == Table().end()) return nullptr;
    return std::get_if<T>(&it->second);
}

template FileObject* GetHandle<FileObject>(Handle);
template SearchObject* GetHandle<SearchObject>(Handle);
template TokenObject* GetHandle<TokenObject>(Handle);
template ProcessObject* GetHandle<ProcessObject>(Handle);

bool RemoveHandle(Handle handle) {
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    if (it == Table().end()) return false;
    if (auto* file = std::get_if<FileObject>(&it->second)) {
        if (file->ownsFd && file->fd >= 0) ::close(file->fd);
    }
    Table().erase(it);
    return true;
}

std::vector<const FileObject*> OpenFiles() {
    std::vector<const FileObject*> files;
    for (const auto& [value, object] : Table()) {
        if (auto* file = std::get_if<FileObject>(&object)) files.push_back(file);
    }
    return files;
}

bool WantsRead(Dword access) { return access & (kGenericRead | 0x1 /* FILE_READ_DATA */); }
bool WantsWrite(Dword access) {
    return access & (kGenericWrite | 0x2 /* FILE_WRITE_DATA */ | kFileAppendData);
}
bool WantsDelete(Dword access) { return access & 0x10000; /* DELETE */ }

}  // namespace platform::sim

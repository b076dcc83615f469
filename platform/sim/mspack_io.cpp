#include "platform/sim/mspack_io.h"

#include <cstdlib>
#include <cstring>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/inf.h"
#include "platform/last_error.h"
#include "platform/sim/host_text.h"

namespace platform::sim {

namespace {

struct OpenFile {
    Handle handle;
    MspackFiles* owner;
};

OpenFile* AsOpen(mspack_file* file) { return reinterpret_cast<OpenFile*>(file); }

}  // namespace

// The mspack_system entries; a friend, so that a failing call can record its error.
struct MspackCalls {
    static void Record(MspackFiles* owner) {
        if (owner->error_ == 0) owner->error_ = GetLastError();
    }

    static mspack_file* Open(mspack_system* self, const char* name, int mode) {
        MspackFiles* owner = reinterpret_cast<MspackFiles::Bridge*>(self)->owner;
        std::u16string path = FromHost(name);
        Handle handle = InvalidHandle();
        if (mode == MSPACK_SYS_OPEN_READ) {
            handle = CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kFileAttributeNormal);
        } else if (mode == MSPACK_SYS_OPEN_WRITE) {
            handle = CreateFileW(path.c_str(), kGenericWrite, 0, kCreateAlways, kFileAttributeNormal);
        } else {
            SetLastError(kErrInvalidParameter);
        }
        if (handle == InvalidHandle()) {
            Record(owner);
            return nullptr;
        }
        return reinterpret_cast<mspack_file*>(new OpenFile{handle, owner});
    }

    static void Close(mspack_file* file) {
        if (!file) return;
        CloseHandle(AsOpen(file)->handle);
        delete AsOpen(file);
    }

    static int Read(mspack_file* file, void* buffer, int bytes) {
        Dword read = 0;
        if (bytes < 0 || !ReadFile(AsOpen(file)->handle, buffer, static_cast<Dword>(bytes), &read)) {
            Record(AsOpen(file)->owner);
            return -1;
        }
        return static_cast<int>(read);
    }

    static int Write(mspack_file* file, void* buffer, int bytes) {
        Dword written = 0;
        if (bytes < 0 || !WriteFile(AsOpen(file)->handle, buffer, static_cast<Dword>(bytes), &written)) {
            Record(AsOpen(file)->owner);
            return -1;
        }
        return static_cast<int>(written);
    }

    // libmspack's seek modes are the platform's origins (start, current, end).
    static int Seek(mspack_file* file, off_t offset, int mode) {
        if (!SetFilePointerEx(AsOpen(file)->handle, offset, nullptr, static_cast<Dword>(mode))) {
            Record(AsOpen(file)->owner);
            return -1;
        }
        return 0;
    }

    static off_t Tell(mspack_file* file) {
        int64_t position = 0;
        if (!SetFilePointerEx(AsOpen(file)->handle, 0, &position, kFileCurrent)) {
            Record(AsOpen(file)->owner);
            return -1;
        }
        return static_cast<off_t>(position);
    }

    // libmspack's warnings about damaged input are not the platform's to print: the
    // failure reaches the caller as an error code.
    static void Message(mspack_file*, const char*, ...) {}

    static void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
    static void Free(void* memory) { std::free(memory); }
    static void Copy(void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); }
};

MspackFiles::MspackFiles() {
    system_.base = mspack_system{MspackCalls::Open, MspackCalls::Close, MspackCalls::Read,
                                 MspackCalls::Write, MspackCalls::Seek, MspackCalls::Tell,
                                 MspackCalls::Message, MspackCalls::Alloc, MspackCalls::Free,
                                 MspackCalls::Copy, nullptr};
    system_.owner = this;
}

std::string MspackFiles::Name(std::u16string_view windowsPath) { return ToHost(windowsPath); }

Dword MspackFiles::ErrorFor(int mspackError) const {
    switch (mspackError) {
        case MSPACK_ERR_OK:
            return kErrSuccess;
        case MSPACK_ERR_OPEN:
            return error_ ? error_ : kErrFileNotFound;
        case MSPACK_ERR_NOMEMORY:
            return kErrNotEnoughMemory;
        default:
            // A read that came up short is a truncated file, not a failed call.
            return error_ ? error_ : kErrInvalidData;
    }
}

}  // namespace platform::sim

// Version resources of program files on the simulated machine: read from the real
// PE image of the file, as the platform does.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_errors.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/sim/pe_version.h"
#include "platform/version_resources.h"

namespace platform {

namespace {

// Program files are small; anything above this is not read whole.
constexpr size_t kMaxImageSize = 512u << 20;

bool ReadImage(const char16_t* path, std::string* bytes) {
    sim::HostPath host;
    if (Dword error = sim::MapPath(path ? path : u"", &host)) return sim::Fail(error);
    if (!host.exists) return sim::Fail(host.parentExists ? kErrFileNotFound : kErrPathNotFound);
    int fd = ::open(host.host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return sim::Fail(sim::ErrorFromErrno(errno));
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= kMaxImageSize;
    if (ok) {
        // A file that does not begin with an image's "MZ" is refused on its first two
        // bytes whatever follows: those are all it is read for. An installer asks the
        // version of every file it copies, and most are no programs.
        char start[2];
        ssize_t n = ::pread(fd, start, sizeof start, 0);
        if (n < 2 || start[0] != 'M' || start[1] != 'Z') {
            bytes->assign(start, n > 0 ? static_cast<size_t>(n) : 0);
            ::close(fd);
            return true;
        }
    }
    if (ok) {
        bytes->resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes->size()) {
            ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        bytes->resize(done);
    }
    ::close(fd);
    if (!ok) return sim::Fail(kErrResourceTypeNotFound);
    return true;
}

bool LoadVersionResource(const char16_t* path, std::string* resource) {
    std::string image;
    if (!ReadImage(path, &image)) return false;
    uint32_t error = 0;
    // A resource in several languages is read in the one the loader picks for the user.
    uint16_t language = sim::Machine::Current().Settings().uiLanguage;
    if (!sim::FindVersionResource(image, resource, &error, language)) return sim::Fail(error);
    return true;
}

}  // namespace

Dword GetFileVersionInfoSizeW(const char16_t* path, Dword* handle) {
    if (handle) *handle = 0;
    std::string resource;
    if (!LoadVersionResource(path, &resource)) return 0;
    // The platform asks for room beyond the resource, for the 8-bit copies of its texts.
    return static_cast<Dword>(resource.size() * 2 + 4);
}

bool GetFileVersionInfoW(const char16_t* path, Dword /*handle*/, Dword length, void* data) {
    std::string resource;
    if (!LoadVersionResource(path, &resource)) return false;
    size_t n = std::min<size_t>(length, resource.size());
    std::memcpy(data, resource.data(), n);
    return true;
}

bool VerQueryValueW(const void* block, const char16_t* subBlock, void** buffer,
                    unsigned* length) {
    if (!block) return sim::Fail(kErrInvalidParameter);
    uint16_t rootLength;
    std::memcpy(&rootLength, block, sizeof rootLength);
    const void* value = nullptr;
    unsigned n = 0;
    std::u16string_view sub = subBlock ? std::u16string_view(subBlock) : std::u16string_view();
    if (!sim::QueryVersionValue(block, rootLength, sub, &value, &n)) {
        if (length) *length = 0;
        return sim::Fail(kErrResourceTypeNotFound);
    }
    *buffer = const_cast<void*>(value);
    if (length) *length = n;
    return true;
}

}  // namespace platform

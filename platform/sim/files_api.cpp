// The platform's file calls on the simulated machine.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sim/dos_wildcard.h"
#include "platform/sim/fail.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_attributes.h"
#include "platform/sim/file_locks.h"
#include "platform/sim/file_state.h"
#include "platform/sim/handles.h"
#include "platform/sim/host_errors.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/sim/registry_store.h"
#include "platform/sim/sqlite_db.h"

namespace platform {

namespace sim {
namespace {

constexpr Dword kErrDirectory = 267;
constexpr Dword kErrBadPathname = 161;

struct Target {
    std::u16string full;
    HostPath path;
};

// Resolves a path for a call; on failure sets the last error.
bool Resolve(const char16_t* path, Target* target) {
    if (!path || !*path) return Fail(kErrPathNotFound);
    target->full = FullWindowsPath(path);
    if (Dword error = MapPath(target->full, &target->path)) return Fail(error);
    return true;
}

bool IsDirectory(const std::string& host) {
    struct stat st;
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Dword AttributesOf(const Target& t, const struct stat& st) {
    Dword stored = StoredAttributes(t.full).value_or(S_ISDIR(st.st_mode) ? 0 : kFileAttributeArchive);
    if (S_ISDIR(st.st_mode)) return stored | kFileAttributeDirectory;
    return stored == 0 ? kFileAttributeNormal : stored;
}

// The platform's sharing rule against the other open handles of this process.
bool SharingConflict(const std::u16string& folded, Dword access, Dword share) {
    for (const FileObject* open : OpenFiles()) {
        if (open->foldedPath != folded) continue;
        if (WantsRead(access) && !(open->share & kFileShareRead)) return true;
        if (WantsWrite(access) && !(open->share & kFileShareWrite)) return true;
        if (WantsDelete(access) && !(open->share & kFileShareDelete)) return true;
        if (WantsRead(open->access) && !(share & kFileShareRead)) return true;
        if (WantsWrite(open->access) && !(share & kFileShareWrite)) return true;
        if (WantsDelete(open->access) && !(share & kFileShareDelete)) return true;
    }
    return false;
}

// Deleting or renaming a file needs every open handle to share deletion.
bool HeldWithoutDeleteSharing(const std::u16string& folded) {
    for (const FileObject* open : OpenFiles()) {
        if (open->foldedPath == folded && !(open->share & kFileShareDelete)) return true;
    }
    return false;
}

// 100-ns intervals since 1601, as FILETIME counts.
uint64_t FileTime(const struct timespec& t) {
    return (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
           static_cast<uint64_t>(t.tv_nsec) / 100;
}

void FillFindData(const std::u16string& name, const struct stat& st, Dword attributes, FindData* data) {
    std::memset(data, 0, sizeof *data);
    data->fileAttributes = attributes;
    data->creationTime = FileTime(st.st_ctim);
    data->lastAccessTime = FileTime(st.st_atim);
    data->lastWriteTime = FileTime(st.st_mtim);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    data->fileSizeHigh = static_cast<Dword>(size >> 32);
    data->fileSizeLow = static_cast<Dword>(size);
    size_t n = std::min<size_t>(name.size(), kMaxPath - 1);
    std::copy_n(name.data(), n, data->fileName);
}

bool CopyHostFile(const std::string& from, const std::string& to, Dword* error) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = ErrorFromErrno(errno);
        return false;
    }
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        *error = ErrorFromErrno(errno);
        ::close(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            *error = ErrorFromErrno(errno);
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0) {
                *error = ErrorFromErrno(errno);
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        *error = ErrorFromErrno(errno);
        ok = false;
    }
    if (!ok) ::unlink(to.c_str());
    return ok;
}

std::string FolderOf(const std::string& host) { return host.substr(0, host.find_last_of('/')); }

void SyncFolderOf(const std::string& host) {
    std::string folder = FolderOf(host);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT: the pair goes to the end of
// PendingFileRenameOperations, which a restart carries out.
bool QueueRenameAtReboot(const std::u16string& from, const std::u16string* to, Dword flags) {
    if (!Machine::Current().Settings().admin) return Fail(kErrAccessDenied);
    sqlite3* db = Machine::Current().Db();
    Transaction t(db);
    reg::KeyId key = reg::WalkPath(db, reg::kLocalMachine,
                                   u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                   reg::Create::Yes);
    reg::Value value;
    std::u16string list;
    if (reg::GetValue(db, key, u"PendingFileRenameOperations", &value)) {
        list.assign(reinterpret_cast<const char16_t*>(value.data.data()), value.data.size() / 2);
        // Keep the entries, drop the list's closing empty string: one NUL only, since
        // the empty destination of a deletion at the end looks the same.
        if (list.size() >= 2 && list[list.size() - 1] == 0 && list[list.size() - 2] == 0) {
            list.pop_back();
        } else if (!list.empty() && list.back() != 0) {
            list += u'\0';
        }
    }
    list += u"\\??\\" + from;
    list += u'\0';
    if (to) {
        if (flags & kMoveFileReplaceExisting) list += u'!';
        list += u"\\??\\" + *to;
    }
    list += u'\0';
    list += u'\0';
    reg::SetValue(db, key, u"PendingFileRenameOperations", 7,
                  std::string_view(reinterpret_cast<const char*>(list.data()), list.size() * 2));
    t.Commit();
    SetLastError(0);
    return true;
}

}  // namespace
}  // namespace sim

using namespace sim;

Handle CreateFileW(const char16_t* path, Dword access, Dword shareMode, Dword creation,
                   Dword /*flagsAndAttributes*/) {
    if (Dword fault = InjectFault("CreateFileW")) return Fail(fault, InvalidHandle());
    Target t;
    if (!Resolve(path, &t)) return InvalidHandle();
    if (!t.path.parentExists) return Fail(kErrPathNotFound, InvalidHandle());
    if (t.path.exists && IsDirectory(t.path.host)) return Fail(kErrAccessDenied, InvalidHandle());
    bool existed = t.path.exists;
    int flags = O_CLOEXEC;
    switch (creation) {
        case kCreateNew:
            if (existed) return Fail(kErrFileExists, InvalidHandle());
            flags |= O_CREAT | O_EXCL;
            break;
        case kCreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case kOpenExisting:
            if (!existed) return Fail(kErrFileNotFound, InvalidHandle());
            break;
        case kOpenAlways:
            flags |= O_CREAT;
            break;
        case kTruncateExisting:
            if (!existed) return Fail(kErrFileNotFound, InvalidHandle());
            flags |= O_TRUNC;
            break;
        default:
            return Fail(kErrInvalidParameter, InvalidHandle());
    }
    bool write = WantsWrite(access);
    bool truncates = creation == kCreateAlways || creation == kTruncateExisting;
    // Reading a file needs nothing of the database.
    FileState state;
    if (!existed || write || truncates || WantsDelete(access)) state = StateOf(t.full);
    if (existed && (write || truncates) && state.ReadOnly()) {
        return Fail(kErrAccessDenied, InvalidHandle());
    }
    std::u16string folded = Fold(t.full);
    if (existed && SharingConflict(folded, access, shareMode)) {
        return Fail(kErrSharingViolation, InvalidHandle());
    }
    if (existed && (write || truncates || WantsDelete(access))) {
        if (state.lockError) return Fail(state.lockError, InvalidHandle());
    }
    bool read = WantsRead(access);
    flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    if ((access & kFileAppendData) && !(access & (kGenericWrite | 0x2))) flags |= O_APPEND;
    int fd = ::open(t.path.host.c_str(), flags, 0644);
    if (fd < 0) return Fail(ErrorFromErrno(errno), InvalidHandle());
    if (!existed && state.attributeRows) ForgetAttributes(t.full);
    FileObject file;
    file.fd = fd;
    file.access = access;
    file.share = shareMode;
    file.foldedPath = std::move(folded);
    Handle handle = AddHandle(std::move(file));
    // The platform tells an opened-or-created disposition which of the two happened.
    SetLastError(existed && (creation == kCreateAlways || creation == kOpenAlways) ? kErrAlreadyExists : 0);
    return handle;
}

bool ReadFile(Handle file, void* buffer, Dword toRead, Dword* read) {
    if (Dword fault = InjectFault("ReadFile")) return Fail(fault);
    if (read) *read = 0;
    FileObject* f = GetHandle<FileObject>(file);
    if (!f) return Fail(kErrInvalidHandle);
    if (!WantsRead(f->access) && f->ownsFd) return Fail(kErrAccessDenied);
    ssize_t n;
    do {
        n = ::read(f->fd, buffer, toRead);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(ErrorFromErrno(errno));
    if (read) *read = static_cast<Dword>(n);
    return true;
}

bool WriteFile(Handle file, const void* buffer, Dword toWrite, Dword* written) {
    if (Dword fault = InjectFault("WriteFile")) return Fail(fault);
    if (written) *written = 0;
    FileObject* f = GetHandle<FileObject>(file);
    if (!f) return Fail(kErrInvalidHandle);
    if (!WantsWrite(f->access) && f->ownsFd) return Fail(kErrAccessDenied);
    const char* p = static_cast<const char*>(buffer);
    Dword done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(f->fd, p + done, toWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written) *written = done;
            return Fail(ErrorFromErrno(errno));
        }
        done += static_cast<Dword>(n);
    }
    if (written) *written = done;
    return true;
}

bool FlushFileBuffers(Handle file) {
    if (Dword fault = InjectFault("FlushFileBuffers")) return Fail(fault);
    FileObject* f = GetHandle<FileObject>(file);
    if (!f) return Fail(kErrInvalidHandle);
    if (!f->ownsFd) return true;
    if (::fdatasync(f->fd) != 0) return Fail(ErrorFromErrno(errno));
    return true;
}

bool SetFilePointerEx(Handle file, int64_t distance, int64_t* newPosition, Dword method) {
    if (Dword fault = InjectFault("SetFilePointerEx")) return Fail(fault);
    FileObject* f = GetHandle<FileObject>(file);
    if (!f) return Fail(kErrInvalidHandle);
    int whence = method == kFileBegin ? SEEK_SET : method == kFileCurrent ? SEEK_CUR : method == kFileEnd ? SEEK_END : -1;
    if (whence < 0) return Fail(kErrInvalidParameter);
    off_t pos = ::lseek(f->fd, distance, whence);
    if (pos < 0) return Fail(errno == EINVAL ? 131 /* ERROR_NEGATIVE_SEEK */ : ErrorFromErrno(errno));
    if (newPosition) *newPosition = pos;
    return true;
}

bool GetFileSizeEx(Handle file, int64_t* size) {
    FileObject* f = GetHandle<FileObject>(file);
    if (!f) return Fail(kErrInvalidHandle);
    struct stat st;
    if (::fstat(f->fd, &st) != 0) return Fail(ErrorFromErrno(errno));
    *size = st.st_size;
    return true;
}

bool CloseHandle(Handle handle) {
    if (!RemoveHandle(handle)) return Fail(kErrInvalidHandle);
    return true;
}

Handle GetStdHandle(Dword which) {
    static Handle streams[3] = {nullptr, nullptr, nullptr};
    int fd = which == kStdInputHandle ? 0 : which == kStdOutputHandle ? 1 : which == kStdErrorHandle ? 2 : -1;
    if (fd < 0) return Fail(kErrInvalidHandle, InvalidHandle());
    if (!streams[fd]) {
        FileObject stream;
        stream.fd = fd;
        stream.access = fd == 0 ? kGenericRead : kGenericWrite;
        stream.share = kFileShareRead | kFileShareWrite;
        stream.ownsFd = false;
        streams[fd] = AddHandle(std::move(stream));
    }
    return streams[fd];
}

bool DeleteFileW(const char16_t* path) {
    if (Dword fault = InjectFault("DeleteFileW")) return Fail(fault);
    Target t;
    if (!Resolve(path, &t)) return false;
    if (!t.path.exists) return Fail(t.path.parentExists ? kErrFileNotFound : kErrPathNotFound);
    if (IsDirectory(t.path.host)) return Fail(kErrAccessDenied);
    FileState state = StateOf(t.full);
    if (state.ReadOnly()) return Fail(kErrAccessDenied);
    if (state.lockError) return Fail(state.lockError);
    if (HeldWithoutDeleteSharing(Fold(t.full))) return Fail(kErrSharingViolation);
    if (::unlink(t.path.host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
    if (state.attributeRows) ForgetAttributes(t.full);
    return true;
}

bool CreateDirectoryW(const char16_t* path) {
    if (Dword fault = InjectFault("CreateDirectoryW")) return Fail(fault);
    Target t;
    if (!Resolve(path, &t)) return false;
    if (t.path.exists) return Fail(kErrAlreadyExists);
    if (!t.path.parentExists) return Fail(kErrPathNotFound);
    if (::mkdir(t.path.host.c_str(), 0755) != 0) return Fail(ErrorFromErrno(errno));
    if (StateOf(t.full).attributeRows) ForgetAttributes(t.full);
    return true;
}

bool RemoveDirectoryW(const char16_t* path) {
    if (Dword fault = InjectFault("RemoveDirectoryW")) return Fail(fault);
    Target t;
    if (!Resolve(path, &t)) return false;
    if (!t.path.exists) return Fail(t.path.parentExists ? kErrFileNotFound : kErrPathNotFound);
    if (!IsDirectory(t.path.host)) return Fail(kErrDirectory);
    FileState state = StateOf(t.full);
    if (state.ReadOnly()) return Fail(kErrAccessDenied);
    if (::rmdir(t.path.host.c_str()) != 0) {
        return Fail(errno == ENOTEMPTY || errno == EEXIST ? kErrDirNotEmpty : ErrorFromErrno(errno));
    }
    if (state.attributeRows) ForgetAttributes(t.full);
    return true;
}

int SHCreateDirectoryExW(const char16_t* path) {
    if (Dword fault = InjectFault("SHCreateDirectoryExW")) return Fail(fault, static_cast<int>(fault));
    std::u16string_view given(path ? path : u"");
    bool absolute = (given.size() >= 3 && given[1] == u':' && (given[2] == u'\\' || given[2] == u'/')) ||
                    (given.size() >= 2 && given[0] == u'\\' && given[1] == u'\\');
    if (!absolute) return Fail(kErrBadPathname, static_cast<int>(kErrBadPathname));
    Target t;
    if (!Resolve(path, &t)) return static_cast<int>(GetLastError());
    if (t.path.exists) {
        Dword error = IsDirectory(t.path.host) ? kErrAlreadyExists : kErrFileExists;
        return Fail(error, static_cast<int>(error));
    }
    // Create every missing folder from the top down.
    std::u16string full = t.full;
    std::vector<std::u16string> missing;
    for (std::u16string at = full;;) {
        HostPath p;
        if (Dword error = MapPath(at, &p)) return Fail(error, static_cast<int>(error));
        if (p.exists) {
            if (!IsDirectory(p.host)) return Fail(kErrPathNotFound, static_cast<int>(kErrPathNotFound));
            break;
        }
        missing.push_back(at);
        size_t cut = at.find_last_of(u'\\');
        if (cut == std::u16string::npos || cut <= 2) break;
        at.resize(cut);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!CreateDirectoryW(it->c_str()) && GetLastError() != kErrAlreadyExists) {
            return static_cast<int>(GetLastError());
        }
    }
    SetLastError(0);
    return 0;
}

Dword GetFileAttributesW(const char16_t* path) {
    Target t;
    if (!Resolve(path, &t)) return kInvalidFileAttributes;
    if (!t.path.exists) {
        return Fail(t.path.parentExists ? kErrFileNotFound : kErrPathNotFound, kInvalidFileAttributes);
    }
    struct stat st;
    if (::stat(t.path.host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno), kInvalidFileAttributes);
    return AttributesOf(t, st);
}

bool SetFileAttributesW(const char16_t* path, Dword attributes) {
    if (Dword fault = InjectFault("SetFileAttributesW")) return Fail(fault);
    Target t;
    if (!Resolve(path, &t)) return false;
    if (!t.path.exists) return Fail(t.path.parentExists ? kErrFileNotFound : kErrPathNotFound);
    // Only the attributes a caller may set are kept; NORMAL alone means none.
    constexpr Dword settable = 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x2000;
    // An installer sets a file's attributes again before each move: a row that
    // already holds them is not written again.
    if (StateOf(t.full).attributes != (attributes & settable)) StoreAttributes(t.full, attributes & settable);
    return true;
}

bool MoveFileExW(const char16_t* existing, const char16_t* target, Dword flags) {
    if (Dword fault = InjectFault("MoveFileExW")) return Fail(fault);
    Target from;
    if (!Resolve(existing, &from)) return false;
    if (flags & kMoveFileDelayUntilReboot) {
        if (flags & kMoveFileCopyAllowed) return Fail(kErrInvalidParameter);
        if (!target) return QueueRenameAtReboot(from.full, nullptr, flags);
        std::u16string to = FullWindowsPath(target);
        return QueueRenameAtReboot(from.full, &to, flags);
    }
    if (!target) return Fail(kErrInvalidParameter);
    if (!from.path.exists) return Fail(from.path.parentExists ? kErrFileNotFound : kErrPathNotFound);
    Target to;
    if (!Resolve(target, &to)) return false;
    if (!to.path.parentExists) return Fail(kErrPathNotFound);
    bool sourceIsDirectory = IsDirectory(from.path.host);
    bool sameName = Fold(from.full) == Fold(to.full);
    FileState toState = sameName ? FileState() : StateOf(to.full);
    if (to.path.exists && !sameName) {
        if (!(flags & kMoveFileReplaceExisting)) return Fail(kErrAlreadyExists);
        if (IsDirectory(to.path.host) || sourceIsDirectory) return Fail(kErrAccessDenied);
        if (toState.ReadOnly()) return Fail(kErrAccessDenied);
        if (HeldWithoutDeleteSharing(Fold(to.full))) return Fail(kErrAccessDenied);
        if (toState.lockError) return Fail(toState.lockError);
    }
    if (HeldWithoutDeleteSharing(Fold(from.full))) return Fail(kErrSharingViolation);
    FileState fromState = StateOf(from.full);
    if (fromState.lockError) return Fail(fromState.lockError);
    if (Fold(from.full.substr(0, 2)) != Fold(to.full.substr(0, 2))) {
        if (!(flags & kMoveFileCopyAllowed) || sourceIsDirectory) return Fail(kErrNotSameDevice);
        Dword error = 0;
        if (!CopyHostFile(from.path.host, to.path.host, &error)) return Fail(error);
        ::unlink(from.path.host.c_str());
    } else {
        std::string toHost = to.path.host;
        if (sameName) {
            // Only the case of the name changes: the host name is written as given.
            std::u16string folder, name;
            SplitLastName(to.full, &folder, &name);
            toHost = toHost.substr(0, toHost.find_last_of('/') + 1) + ToHost(name);
        }
        if (::rename(from.path.host.c_str(), toHost.c_str()) != 0) return Fail(ErrorFromErrno(errno));
    }
    // Attributes are kept by folded name, so a change of case alone leaves them in place.
    if (!sameName && (fromState.attributeRows || toState.attributeRows)) MoveAttributes(from.full, to.full);
    if (flags & kMoveFileWriteThrough) {
        SyncFolderOf(to.path.host);
        // A move within one folder is on disk with that folder's one sync; a second
        // would only ask the disk to flush its cache again.
        if (FolderOf(from.path.host) != FolderOf(to.path.host)) SyncFolderOf(from.path.host);
    }
    SetLastError(0);
    return true;
}

bool CopyFileW(const char16_t* existing, const char16_t* target, bool failIfExists) {
    if (Dword fault = InjectFault("CopyFileW")) return Fail(fault);
    Target from;
    if (!Resolve(existing, &from)) return false;
    if (!from.path.exists) return Fail(from.path.parentExists ? kErrFileNotFound : kErrPathNotFound);
    if (IsDirectory(from.path.host)) return Fail(kErrAccessDenied);
    Target to;
    if (!Resolve(target, &to)) return false;
    if (!to.path.parentExists) return Fail(kErrPathNotFound);
    FileState toState = StateOf(to.full);
    if (to.path.exists) {
        if (failIfExists) return Fail(kErrFileExists);
        if (IsDirectory(to.path.host) || toState.ReadOnly()) return Fail(kErrAccessDenied);
        if (SharingConflict(Fold(to.full), kGenericWrite, 0)) return Fail(kErrSharingViolation);
        if (toState.lockError) return Fail(toState.lockError);
    }
    if (SharingConflict(Fold(from.full), kGenericRead, kFileShareRead)) return Fail(kErrSharingViolation);
    Dword error = 0;
    if (!CopyHostFile(from.path.host, to.path.host, &error)) return Fail(error);
    // The copy carries the source's attributes.
    if (auto attributes = StoredAttributes(from.full)) {
        if (toState.attributes != attributes) StoreAttributes(to.full, *attributes);
    } else if (toState.attributeRows) {
        ForgetAttributes(to.full);
    }
    SetLastError(0);
    return true;
}

Handle FindFirstFileW(const char16_t* pattern, FindData* data) {
    if (Dword fault = InjectFault("FindFirstFileW")) return Fail(fault, InvalidHandle());
    std::u16string_view given(pattern ? pattern : u"");
    if (given.empty()) return Fail(kErrFileNotFound, InvalidHandle());
    // A pattern that ends in a separator names no entry.
    if (given.back() == u'\\' || given.back() == u'/') return Fail(kErrFileNotFound, InvalidHandle());
    std::u16string full = FullWindowsPath(given);
    std::u16string folder, name;
    SplitLastName(full, &folder, &name);
    if (name.empty()) return Fail(kErrFileNotFound, InvalidHandle());
    // A pattern's last name is a mask, not a path name: its trailing dots mean something
    // ("*." matches names without an extension), so the path rules must not strip them.
    size_t cut = given.find_last_of(u"\\/");
    std::u16string_view mask = cut != std::u16string_view::npos ? given.substr(cut + 1)
                               : given.size() >= 2 && given[1] == u':' ? given.substr(2)
                                                                        : given;
    if (HasWildcards(mask)) name = mask;
    Target dir;
    if (!Resolve(folder.c_str(), &dir)) return InvalidHandle();
    if (!dir.path.exists || !IsDirectory(dir.path.host)) return Fail(kErrPathNotFound, InvalidHandle());
    SearchObject search;
    auto add = [&](const std::u16string& entryName, const std::string& host) {
        struct stat st;
        if (::stat(host.c_str(), &st) != 0) return;
        Target entry;
        entry.full = folder.back() == u'\\' ? folder + entryName : folder + u"\\" + entryName;
        FindData found;
        FillFindData(entryName, st, AttributesOf(entry, st), &found);
        search.entries.push_back(found);
    };
    bool root = folder.size() <= 3;
    if (!HasWildcards(name)) {
        Target exact;
        if (!Resolve(full.c_str(), &exact)) return InvalidHandle();
        if (exact.path.exists) {
            std::string host = exact.path.host;
            add(FromHost(host.substr(host.find_last_of('/') + 1)), host);
        }
    } else if (DIR* d = ::opendir(dir.path.host.c_str())) {
        std::vector<std::pair<std::u16string, std::string>> names;
        while (dirent* e = ::readdir(d)) {
            std::string entryName = e->d_name;
            if (root && (entryName == "." || entryName == "..")) continue;
            std::u16string wide = FromHost(entryName);
            if (MatchesDosPattern(name, wide)) names.emplace_back(wide, dir.path.host + "/" + entryName);
        }
        ::closedir(d);
        // NTFS lists a folder's entries in the order of their upper-cased names.
        std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return Fold(a.first) < Fold(b.first); });
        for (const auto& [entryName, host] : names) add(entryName, host);
    }
    if (search.entries.empty()) return Fail(kErrFileNotFound, InvalidHandle());
    *data = search.entries[0];
    search.next = 1;
    SetLastError(0);
    return AddHandle(std::move(search));
}

bool FindNextFileW(Handle search, FindData* data) {
    SearchObject* s = GetHandle<SearchObject>(search);
    if (!s) return Fail(kErrInvalidHandle);
    if (s->next >= s->entries.size()) return Fail(kErrNoMoreFiles);
    *data = s->entries[s->next++];
    return true;
}

bool FindClose(Handle search) {
    if (!GetHandle<SearchObject>(search)) return Fail(kErrInvalidHandle);
    RemoveHandle(search);
    return true;
}

static Dword CopyOut(const std::u16string& text, Dword bufferLength, char16_t* buffer) {
    if (bufferLength < text.size() + 1) return static_cast<Dword>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<Dword>(text.size());
}

Dword GetTempPathW(Dword bufferLength, char16_t* buffer) {
    return CopyOut(Machine::Current().Settings().tempDir + u"\\", bufferLength, buffer);
}

Dword GetFullPathNameW(const char16_t* path, Dword bufferLength, char16_t* buffer,
                       char16_t** filePart) {
    if (!path || !*path) return Fail(kErrInvalidName, Dword{0});
    std::u16string full = FullWindowsPath(path);
    Dword n = CopyOut(full, bufferLength, buffer);
    if (n == full.size() && filePart) {
        size_t cut = full.find_last_of(u'\\');
        *filePart = (cut == std::u16string::npos || cut + 1 == full.size()) ? nullptr : buffer + cut + 1;
    }
    return n;
}

Dword GetCurrentDirectoryW(Dword bufferLength, char16_t* buffer) {
    return CopyOut(CurrentDirectory(), bufferLength, buffer);
}

unsigned GetTempFileNameW(const char16_t* folder, const char16_t* prefix, unsigned unique,
                          char16_t* buffer) {
    if (Dword fault = InjectFault("GetTempFileNameW")) return Fail(fault, 0u);
    std::u16string base = folder ? folder : u"";
    if (!base.empty() && base.back() != u'\\') base += u'\\';
    if (base.size() > kMaxPath - 14) return Fail(kErrBufferOverflow, 0u);
    std::u16string pre(prefix ? prefix : u"");
    if (pre.size() > 3) pre.resize(3);
    auto nameFor = [&](unsigned number) {
        static const char16_t digits[] = u"0123456789ABCDEF";
        std::u16string hex;
        for (int shift = 12; shift >= 0; shift -= 4) hex += digits[(number >> shift) & 0xF];
        return base + pre + hex + u".tmp";
    };
    auto put = [&](const std::u16string& name) {
        size_t n = std::min<size_t>(name.size(), kMaxPath - 1);
        std::copy_n(name.data(), n, buffer);
        buffer[n] = 0;
    };
    if (unique != 0) {
        put(nameFor(unique & 0xFFFF));
        return unique & 0xFFFF;
    }
    Target dir;
    if (!Resolve(base.c_str(), &dir)) return 0;
    if (!dir.path.exists || !IsDirectory(dir.path.host)) return Fail(kErrDirectory, 0u);
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned start = static_cast<unsigned>((now.tv_nsec / 1000 + now.tv_sec * 1000) & 0xFFFF);
    if (start == 0) start = 1;
    unsigned number = start;
    do {
        std::u16string name = nameFor(number);
        Handle h = CreateFileW(name.c_str(), kGenericWrite, 0, kCreateNew, kFileAttributeNormal);
        if (h != InvalidHandle()) {
            CloseHandle(h);
            put(name);
            SetLastError(0);
            return number;
        }
        Dword error = GetLastError();
        if (error != kErrFileExists && error != kErrSharingViolation && error != kErrAccessDenied) return 0;
        number = (number + 1) & 0xFFFF;
        if (number == 0) number = 1;
    } while (number != start);
    return Fail(kErrFileExists, 0u);
}

}  // namespace platform

// A name in any case among a folder's entries. Read off the folder each time, the
// search costs in proportion to the folder's entries, and an install into one folder
// costs in proportion to the square of its files. So the folded names of a folder
// searched once are kept, with a watch of the host's change notification on the
// folder: every entry made, removed or renamed in it, by this program or any other,
// is queued by the host before the call that made the change returns, and the queue
// is read into the kept names before they answer. The answers are those of a fresh
// read of the folder. Where the host cannot watch (no notification, no more watches,
// a network file system, whose other clients it would not see), the folder is read.

#include "platform/sim/folder_names.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/sim/host_text.h"

namespace platform::sim {

namespace {

// A folder's entries by folded name; more than one host name under a key when the
// host holds names that differ in case alone.
using NamesByFold = std::unordered_map<std::u16string, std::vector<std::string>>;

struct WatchedFolder {
    dev_t device = 0;
    ino_t inode = 0;
    NamesByFold names;
    uint64_t lastUse = 0;
};

// More folders than this are rarely searched by one program; the least recently
// searched gives way.
constexpr size_t kMaxWatchedFolders = 64;

constexpr uint32_t kWatchedChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct Watches {
    int fd = -1;
    bool unavailable = false;
    uint64_t clock = 0;
    std::unordered_map<int, WatchedFolder> byWatch;
    std::map<std::pair<dev_t, ino_t>, int> byInode;

    void Forget(int watch) {
        auto it = byWatch.find(watch);
        if (it == byWatch.end()) return;
        byInode.erase({it->second.device, it->second.inode});
        byWatch.erase(it);
    }

    void ForgetAll() {
        for (const auto& [watch, folder] : byWatch) ::inotify_rm_watch(fd, watch);
        byWatch.clear();
        byInode.clear();
    }
};

Watches& State() {
    // Never destroyed: a path may still be mapped while the program's statics go.
    static auto* watches = new Watches;
    return *watches;
}

void Add(NamesByFold& names, const std::string& hostName) {
    std::vector<std::string>& same = names[Fold(FromHost(hostName))];
    if (std::find(same.begin(), same.end(), hostName) == same.end()) same.push_back(hostName);
}

void Remove(NamesByFold& names, const std::string& hostName) {
    auto it = names.find(Fold(FromHost(hostName)));
    if (it == names.end()) return;
    std::vector<std::string>& same = it->second;
    same.erase(std::remove(same.begin(), same.end(), hostName), same.end());
    if (same.empty()) names.erase(it);
}

// Brings the kept names up to date with every change queued so far.
void ReadChanges(Watches& w) {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t n = ::read(w.fd, buffer, sizeof buffer);
        if (n <= 0) return;  // nothing more queued (the descriptor does not block)
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Changes were lost: nothing kept can be trusted.
                w.ForgetAll();
                continue;
            }
            auto it = w.byWatch.find(event->wd);
            if (it == w.byWatch.end()) continue;
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                // The folder is gone or elsewhere: it is read again should it be searched.
                ::inotify_rm_watch(w.fd, event->wd);
                w.Forget(event->wd);
                continue;
            }
            if (event->len == 0) continue;
            std::string name(event->name);
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) Add(it->second.names, name);
            if (event->mask & (IN_DELETE | IN_MOVED_FROM)) Remove(it->second.names, name);
        }
    }
}

// File systems whose every change, made by any process of this host, is notified.
bool NotifiesEveryChange(const std::string& folder) {
    struct statfs fs;
    if (::statfs(folder.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // xfs
        case 0x9123683E:  // btrfs
        case 0x01021994:  // tmpfs
        case 0xF2F52010:  // f2fs
        case 0x794C7630:  // overlayfs (a container's own file system)
            return true;
        default:
            return false;
    }
}

// The folder's entries, read off the host; false when it cannot be read.
bool ReadFolder(const std::string& folder, NamesByFold* names) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == "..") continue;
        Add(*names, std::string(entryName));
    }
    ::closedir(dir);
    return true;
}

// The search as the folder itself answers it: its first entry in its own order.
bool ScanFolder(const std::string& folder, std::u16string_view name, std::string* hostName) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == "..") continue;
        if (EqualsFolded(FromHost(entryName), name)) {
            *hostName = entry->d_name;
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool Identity(const std::string& folder, std::pair<dev_t, ino_t>* id) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    *id = {st.st_dev, st.st_ino};
    return true;
}

// The kept names of the folder, watched from now on if they were not; null when the
// folder cannot be watched.
const NamesByFold* WatchedNames(Watches& w, const std::string& folder) {
    if (w.unavailable) return nullptr;
    if (w.fd < 0) {
        w.fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (w.fd < 0) {
            w.unavailable = true;
            return nullptr;
        }
    }
    ReadChanges(w);
    std::pair<dev_t, ino_t> id;
    if (!Identity(folder, &id)) return nullptr;
    if (auto it = w.byInode.find(id); it != w.byInode.end()) {
        WatchedFolder& kept = w.byWatch.at(it->second);
        kept.lastUse = ++w.clock;
        return &kept.names;
    }
    if (!NotifiesEveryChange(folder)) return nullptr;
    if (w.byWatch.size() >= kMaxWatchedFolders) {
        auto oldest = std::min_element(w.byWatch.begin(), w.byWatch.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        ::inotify_rm_watch(w.fd, oldest->first);
        w.Forget(oldest->first);
    }
    // Watched before it is read: a change while it is read is queued, and applied to
    // what was read before the names are next used.
    int watch = ::inotify_add_watch(w.fd, folder.c_str(), kWatchedChanges);
    if (watch < 0) return nullptr;
    WatchedFolder fresh;
    std::pair<dev_t, ino_t> after;
    // The path must have named the same folder throughout, or the watch is not its.
    if (!ReadFolder(folder, &fresh.names) || !Identity(folder, &after) || after != id || w.byWatch.count(watch)) {
        if (!w.byWatch.count(watch)) ::inotify_rm_watch(w.fd, watch);
        return nullptr;
    }
    fresh.device = id.first;
    fresh.inode = id.second;
    fresh.lastUse = ++w.clock;
    w.byInode[id] = watch;
    return &(w.byWatch[watch] = std::move(fresh)).names;
}

}  // namespace

bool FindNameInAnyCase(const std::string& folder, std::u16string_view name, std::string* hostName) {
    const NamesByFold* names = WatchedNames(State(), folder);
    if (!names) return ScanFolder(folder, name, hostName);
    auto it = names->find(Fold(name));
    if (it == names->end()) return false;
    // Names that differ in case alone: the folder's own order picks one.
    if (it->second.size() > 1) return ScanFolder(folder, name, hostName);
    *hostName = it->second.front();
    return true;
}

}  // namespace platform::sim

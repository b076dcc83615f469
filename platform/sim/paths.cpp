#include "platform/sim/paths.h"

#include <sys/stat.h>

#include <vector>

#include "platform/errors.h"
#include "platform/sim/folder_names.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/process_state.h"

namespace platform::sim {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Root ("C:" or "\\server\share") and the rest of an absolute path.
void SplitRoot(std::u16string_view full, std::u16string* root, std::u16string_view* rest) {
    if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) {
        size_t server = full.find_first_of(u"\\/", 2);
        size_t share = server == std::u16string_view::npos ? server : full.find_first_of(u"\\/", server + 1);
        size_t end = share == std::u16string_view::npos ? full.size() : share;
        *root = std::u16string(full.substr(0, end));
        *rest = full.substr(end);
        return;
    }
    *root = std::u16string(full.substr(0, 2));
    *rest = full.substr(2);
}

std::u16string Normalize(std::u16string_view root, std::u16string_view rest) {
    std::vector<std::u16string> names;
    size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && IsSeparator(rest[i])) ++i;
        size_t start = i;
        while (i < rest.size() && !IsSeparator(rest[i])) ++i;
        std::u16string_view name = rest.substr(start, i - start);
        if (name.empty() || name == u".") continue;
        if (name == u"..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        names.emplace_back(name);
    }
    bool trailingSeparator = !rest.empty() && IsSeparator(rest.back());
    if (!names.empty() && !trailingSeparator) {
        // The platform drops trailing dots and blanks of the last name.
        std::u16string& last = names.back();
        while (!last.empty() && (last.back() == u'.' || last.back() == u' ')) last.pop_back();
        if (last.empty()) names.pop_back();
    }
    std::u16string out(root);
    for (const auto& name : names) {
        out += u'\\';
        out += name;
    }
    if (names.empty() || trailingSeparator) out += u'\\';
    return out;
}

bool InvalidNameChar(char16_t c) {
    return c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*' ||
           c == u':';
}

bool ValidName(std::u16string_view name) {
    for (char16_t c : name) {
        if (InvalidNameChar(c)) return false;
    }
    return true;
}

// The next name of a full path from *at on, past its separators; empty at the end.
std::u16string_view NextName(std::u16string_view full, size_t* at) {
    size_t i = *at;
    while (i < full.size() && full[i] == u'\\') ++i;
    size_t start = i;
    while (i < full.size() && full[i] != u'\\') ++i;
    *at = i;
    return full.substr(start, i - start);
}

// Most paths a program names are on the host in the case it gives, whole or but for
// their last name (a file about to be made). One look at the whole path, then at its
// folder, answers those as the walk of MapPath does name by name from the drive, but
// without a look per name: a path the host finds means every folder on its way was
// found too. False when the path needs the walk.
bool QuickMap(std::u16string_view full, const std::string& drive, HostPath* out) {
    std::string exact = drive;
    std::string folder;
    std::u16string_view lastName;
    for (size_t i = 2;;) {
        std::u16string_view name = NextName(full, &i);
        if (name.empty()) break;
        // The walk tells a bad name from a missing drive.
        if (!ValidName(name)) return false;
        if (!lastName.empty()) folder = exact;
        lastName = name;
        exact += '/';
        exact += ToHost(name);
    }
    if (lastName.empty()) return false;
    struct stat st;
    if (::lstat(exact.c_str(), &st) == 0) {
        out->host = std::move(exact);
        out->exists = true;
        out->parentExists = true;
        return true;
    }
    // A name right under the drive is left to the walk, which follows the drive's link.
    if (folder.empty() || ::lstat(folder.c_str(), &st) != 0) return false;
    std::string found;
    out->exists = FindNameInAnyCase(folder, lastName, &found);
    out->host = out->exists ? folder + "/" + found : std::move(exact);
    out->parentExists = true;
    return true;
}

}  // namespace

std::u16string FullWindowsPath(std::u16string_view path) {
    if (path.size() >= 4 && path.substr(0, 4) == u"\\\\?\\") return std::u16string(path);
    const std::u16string& cwd = CurrentDirectory();
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::u16string root;
        std::u16string_view rest;
        SplitRoot(path, &root, &rest);
        for (char16_t& c : root) {
            if (c == u'/') c = u'\\';
        }
        return Normalize(root, rest);
    }
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':') {
        std::u16string root{Upper(path[0]), u':'};
        std::u16string_view rest = path.substr(2);
        if (!rest.empty() && IsSeparator(rest[0])) return Normalize(root, rest);
        // "X:name" is relative to X's current folder: the process's own when X is its
        // drive, else X's root.
        std::u16string base = (cwd.size() >= 2 && Upper(cwd[0]) == root[0]) ? cwd : root + u"\\";
        return Normalize(root, base.substr(2) + u"\\" + std::u16string(rest));
    }
    std::u16string root;
    std::u16string_view cwdRest;
    SplitRoot(cwd, &root, &cwdRest);
    if (!path.empty() && IsSeparator(path[0])) return Normalize(root, path);
    return Normalize(root, std::u16string(cwdRest) + u"\\" + std::u16string(path));
}

Dword MapPath(std::u16string_view path, HostPath* out) {
    std::u16string full = FullWindowsPath(path);
    if (full.size() >= 4 && full.substr(0, 4) == u"\\\\?\\") full = full.substr(4);
    if (full.size() < 2 || !IsDriveLetter(full[0]) || full[1] != u':') return kErrPathNotFound;
    std::string host = Machine::Current().DrivePath(static_cast<char>(Upper(full[0])));
    struct stat st;
    if (QuickMap(full, host, out)) return 0;
    if (::stat(host.c_str(), &st) != 0) return kErrPathNotFound;
    bool exists = true;
    bool parentExists = true;
    for (size_t i = 2;;) {
        std::u16string_view name = NextName(full, &i);
        if (name.empty()) break;
        if (!ValidName(name)) return kErrInvalidName;
        parentExists = exists;
        std::string hostName = ToHost(name);
        if (exists) {
            std::string candidate = host + "/" + hostName;
            if (::lstat(candidate.c_str(), &st) == 0) {
                host = std::move(candidate);
                continue;
            }
            // Not in this case: look for the name in any case among the folder's entries.
            std::string found;
            exists = FindNameInAnyCase(host, name, &found);
            if (exists) hostName = std::move(found);
        }
        host += "/" + hostName;
    }
    out->host = std::move(host);
    out->exists = exists;
    out->parentExists = parentExists;
    return 0;
}

std::u16string WindowsPathOfHost(const std::string& host) {
    const std::string& prefix = Machine::Current().Prefix();
    std::string drives = prefix + "/drive_";
    if (host.compare(0, drives.size(), drives) != 0 || host.size() < drives.size() + 1) return {};
    char letter = host[drives.size()];
    std::string rest = host.substr(drives.size() + 1);
    if (!rest.empty() && rest[0] != '/') return {};
    std::u16string out{Upper(static_cast<char16_t>(letter)), u':'};
    for (char16_t c : FromHost(rest)) out += c == u'/' ? u'\\' : c;
    if (out.size() == 2) out += u'\\';
    return out;
}

const std::u16string& CurrentDirectory() { return ProcessState::Get().currentDirectory; }

void SetCurrentDirectoryPath(std::u16string path) { ProcessState::Get().currentDirectory = std::move(path); }

void SplitLastName(std::u16string_view full, std::u16string* folder, std::u16string* name) {
    size_t cut = full.find_last_of(u'\\');
    if (cut == std::u16string_view::npos) {
        folder->clear();
        *name = std::u16string(full);
        return;
    }
    *folder = std::u16string(full.substr(0, cut == 2 ? 3 : cut));
    *name = std::u16string(full.substr(cut + 1));
}

}  // namespace platform::sim

// winsim snapshot / diff: what an install or uninstall changed on the machine, in
// its files and its registry, one line per change in a stable order:
//   + C:\Program Files\V\app.exe          a file added ("C:\dir\" for a folder)
//   - ...                                 removed
//   * ...                                 its contents or attributes changed
//   + [HKEY_LOCAL_MACHINE\SOFTWARE\V]     a key added
//   + [HKEY_LOCAL_MACHINE\SOFTWARE\V] "Name"=dword:00000001   a value added
//   * [...] "Name"=...                    a value changed (its new form shown)

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/sim/file_attributes.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/sim/registry_store.h"
#include "tools/winsim/commands.h"
#include "tools/winsim/reg_text.h"

namespace winsim {

namespace {

using platform::sim::FromHost;
using platform::sim::ToHost;
namespace reg = platform::sim::reg;

// One thing of the machine: its sort key, the line that shows it, and what it holds
// (a change of the latter is a change of the thing).
struct Entry {
    std::string shown;
    std::string content;
};
using State = std::map<std::string, Entry>;  // by sort key

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char c = text[++i];
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += text[i];
        }
    }
    return out;
}

uint64_t HashFile(const std::string& host) {
    uint64_t hash = 1469598103934665603ull;
    std::ifstream in(host, std::ios::binary);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

void WalkFiles(const std::string& host, State& state) {
    DIR* dir = ::opendir(host.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        std::string path = host + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) continue;
        std::u16string windows = platform::sim::WindowsPathOfHost(path);
        std::string attributes = std::to_string(platform::sim::StoredAttributes(windows).value_or(0));
        std::string key = "1 " + platform::sim::FoldKey(windows);
        if (S_ISDIR(st.st_mode)) {
            state[key] = {ToHost(windows) + "\\", "dir " + attributes};
            WalkFiles(path, state);
        } else {
            char hash[32];
            std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(HashFile(path)));
            state[key] = {ToHost(windows), std::to_string(st.st_size) + " " + hash + " " + attributes};
        }
    }
}

void WalkKey(sqlite3* db, reg::KeyId key, const std::u16string& path, State& state) {
    std::string keyText = ToHost(path);
    std::string sortKey = "2 " + platform::sim::FoldKey(path);
    state[sortKey] = {"[" + keyText + "]", ""};
    for (const reg::Value& value : reg::Values(db, key)) {
        std::string line = ToHost(RegValueLine(value));
        std::string data(value.data);
        state[sortKey + "\x01" + platform::sim::FoldKey(value.name)] = {
            "[" + keyText + "] " + line, std::to_string(value.type) + ":" + data};
    }
    for (const std::u16string& name : reg::SubKeyNames(db, key, reg::Links::Exclude)) {
        WalkKey(db, reg::FindChild(db, key, name), path + u"\\" + name, state);
    }
}

State Capture(const std::string& prefix) {
    State state;
    DIR* dir = ::opendir(prefix.c_str());
    if (dir) {
        std::vector<std::string> drives;
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name.size() == 7 && name.compare(0, 6, "drive_") == 0) drives.push_back(name);
        }
        ::closedir(dir);
        std::sort(drives.begin(), drives.end());
        for (const auto& d : drives) WalkFiles(prefix + "/" + d, state);
    }
    sqlite3* db = platform::sim::Machine::Current().Db();
    WalkKey(db, reg::kLocalMachine, u"HKEY_LOCAL_MACHINE", state);
    WalkKey(db, reg::kUsers, u"HKEY_USERS", state);
    return state;
}

std::string SnapshotPath(const std::string& prefix, const std::string& name) {
    return prefix + "/snapshots/" + name;
}

bool ValidName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\") == std::string::npos && name != "." && name != "..";
}

}  // namespace

int SnapshotCommand(const std::string& prefix, const Args& args) {
    if (args.size() != 1 || !ValidName(args[0])) return Usage("snapshot needs one NAME (no slashes)");
    State state = Capture(prefix);
    ::mkdir((prefix + "/snapshots").c_str(), 0755);
    std::string path = SnapshotPath(prefix, args[0]);
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const auto& [key, entry] : state) {
            out << Escape(key) << '\t' << Escape(entry.shown) << '\t' << Escape(entry.content) << '\n';
        }
        if (!out.flush()) {
            std::fprintf(stderr, "winsim: cannot write the snapshot %s\n", path.c_str());
            return 1;
        }
    }
    // A snapshot of the same name is replaced whole or not at all.
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "winsim: cannot write the snapshot %s\n", path.c_str());
        return 1;
    }
    return 0;
}

int DiffCommand(const std::string& prefix, const Args& args) {
    if (args.size() != 1 || !ValidName(args[0])) return Usage("diff needs one NAME (no slashes)");
    std::ifstream in(SnapshotPath(prefix, args[0]), std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "winsim: no snapshot named %s (make one with `winsim snapshot %s`)\n",
                     args[0].c_str(), args[0].c_str());
        return 1;
    }
    State before;
    std::string line;
    while (std::getline(in, line)) {
        size_t a = line.find('\t');
        size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        if (b == std::string::npos) {
            std::fprintf(stderr, "winsim: the snapshot %s is damaged\n", args[0].c_str());
            return 1;
        }
        before[Unescape(line.substr(0, a))] = {Unescape(line.substr(a + 1, b - a - 1)), Unescape(line.substr(b + 1))};
    }
    State after = Capture(prefix);
    auto b = before.begin();
    auto a = after.begin();
    std::string out;
    while (b != before.end() || a != after.end()) {
        if (a == after.end() || (b != before.end() && b->first < a->first)) {
            out += "- " + b->second.shown + "\n";
            ++b;
        } else if (b == before.end() || a->first < b->first) {
            out += "+ " + a->second.shown + "\n";
            ++a;
        } else {
            if (a->second.content != b->second.content || a->second.shown != b->second.shown) {
                out += "* " + a->second.shown + "\n";
            }
            ++a;
            ++b;
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace winsim

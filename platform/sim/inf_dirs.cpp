#include "platform/sim/inf_dirs.h"

#include <optional>

#include "platform/inf.h"
#include "platform/sim/inf_lookup.h"
#include "platform/sim/inf_read.h"
#include "platform/sim/machine.h"

namespace platform::sim::inf {

namespace {

std::u16string Join(std::u16string_view base, std::u16string_view rest) {
    std::u16string out(base);
    if (!out.empty() && out.back() != u'\\') out += u'\\';
    out += rest;
    return out;
}

std::u16string DriveRoot(const Folders& f) { return f.windows.substr(0, 2) + u"\\"; }

std::u16string ParentOf(const std::u16string& path) {
    size_t at = path.rfind(u'\\');
    return at == std::u16string::npos ? path : path.substr(0, at);
}

// The shell folders (CSIDL values) of the machine's user and of all users, laid out
// as Windows Vista and later lay them out, or as Windows 2000 and XP did.
std::optional<std::u16string> ShellFolder(const Folders& f, int csidl) {
    const bool nt6 = f.osMajor >= 6;
    const std::u16string& profile = f.profile;
    const std::u16string roaming = Join(profile, nt6 ? u"AppData\\Roaming" : u"Application Data");
    const std::u16string local = Join(profile, nt6 ? u"AppData\\Local" : u"Local Settings\\Application Data");
    const std::u16string shell = nt6 ? Join(roaming, u"Microsoft\\Windows") : profile;
    const std::u16string startMenu = Join(shell, u"Start Menu");
    const std::u16string documents = Join(profile, nt6 ? u"Documents" : u"My Documents");
    const std::u16string allUsers = nt6 ? Join(DriveRoot(f), u"ProgramData") : Join(ParentOf(profile), u"All Users");
    const std::u16string commonShell = nt6 ? Join(allUsers, u"Microsoft\\Windows") : allUsers;
    const std::u16string commonStartMenu = Join(commonShell, u"Start Menu");
    const std::u16string publicFolder = nt6 ? Join(ParentOf(profile), u"Public") : allUsers;
    const std::u16string programFilesX86 = f.programFiles + u" (x86)";
    switch (csidl) {
        case 0x02: return Join(startMenu, u"Programs");
        case 0x05: return documents;
        case 0x06: return Join(profile, u"Favorites");
        case 0x07: return Join(startMenu, u"Programs\\Startup");
        case 0x08: return Join(shell, u"Recent");
        case 0x09: return Join(shell, u"SendTo");
        case 0x0B: return startMenu;
        case 0x0D: return nt6 ? Join(profile, u"Music") : Join(documents, u"My Music");
        case 0x0E: return nt6 ? Join(profile, u"Videos") : Join(documents, u"My Videos");
        case 0x10: return Join(profile, u"Desktop");
        case 0x13: return Join(shell, nt6 ? u"Network Shortcuts" : u"NetHood");
        case 0x14: return Join(f.windows, u"Fonts");
        case 0x15: return Join(shell, u"Templates");
        case 0x16: return commonStartMenu;
        case 0x17: return Join(commonStartMenu, u"Programs");
        case 0x18: return Join(commonStartMenu, u"Programs\\Startup");
        case 0x19: return Join(publicFolder, u"Desktop");
        case 0x1A: return roaming;
        case 0x1B: return Join(shell, nt6 ? u"Printer Shortcuts" : u"PrintHood");
        case 0x1C: return local;
        case 0x1F: return nt6 ? Join(profile, u"Favorites") : Join(allUsers, u"Favorites");
        case 0x23: return nt6 ? allUsers : Join(allUsers, u"Application Data");
        case 0x24: return f.windows;
        case 0x25: return f.system;
        case 0x26: return f.programFiles;
        case 0x27: return nt6 ? Join(profile, u"Pictures") : Join(documents, u"My Pictures");
        case 0x28: return profile;
        case 0x29: return Join(f.windows, u"SysWOW64");
        case 0x2A: return programFilesX86;
        case 0x2B: return Join(f.programFiles, u"Common Files");
        case 0x2C: return Join(programFilesX86, u"Common Files");
        case 0x2D: return Join(commonShell, u"Templates");
        case 0x2E: return Join(publicFolder, u"Documents");
        case 0x2F: return Join(commonStartMenu, u"Programs\\Administrative Tools");
        case 0x30: return Join(startMenu, u"Programs\\Administrative Tools");
        case 0x35: return Join(publicFolder, nt6 ? u"Music" : u"Documents\\My Music");
        case 0x36: return Join(publicFolder, nt6 ? u"Pictures" : u"Documents\\My Pictures");
        case 0x37: return Join(publicFolder, nt6 ? u"Videos" : u"Documents\\My Videos");
        case 0x38: return Join(f.windows, u"resources");
        default: return std::nullopt;
    }
}

}  // namespace

Folders MachineFolders() {
    const MachineSettings& s = Machine::Current().Settings();
    Folders f;
    f.windows = s.windowsDir;
    f.system = s.systemDir;
    f.programFiles = s.programFilesDir;
    f.profile = s.profileDir;
    f.osMajor = s.osMajor;
    return f;
}

bool DirIdPath(const InfData& inf, long dirid, std::u16string* out) {
    const Folders& f = inf.folders;
    const std::u16string spool = Join(f.system, u"spool");
    std::optional<std::u16string> path;
    switch (dirid) {
        case -1: case 0: case 65535: path = u""; break;
        case 1: path = inf.folder; break;
        case 10: case 25: path = f.windows; break;
        case 11: path = f.system; break;
        case 12: path = Join(f.system, u"drivers"); break;
        // The package's driver store folder: an INF opened from its driver store copy
        // is in that folder, so the INF's own folder stands for it.
        case 13: path = inf.folder; break;
        case 17: path = Join(f.windows, u"INF"); break;
        case 18: path = Join(f.windows, u"Help"); break;
        case 20: path = Join(f.windows, u"Fonts"); break;
        case 21: path = Join(f.system, u"viewers"); break;
        case 23: path = Join(spool, u"drivers\\color"); break;
        case 24: case 30: case 54: path = DriveRoot(f); break;
        case 50: path = Join(f.windows, u"system"); break;
        case 51: path = spool; break;
        case 52: path = Join(spool, u"drivers"); break;
        case 53: path = f.profile; break;
        case 55: case 66001: path = Join(spool, u"prtprocs\\x64"); break;
        case 66000: path = Join(spool, u"drivers\\x64\\3"); break;
        case 66002: path = f.system; break;
        case 66003: path = Join(spool, u"drivers\\color"); break;
        default:
            if (dirid >= 0x4000 && dirid < 0x4000 + 0x100) path = ShellFolder(f, static_cast<int>(dirid - 0x4000));
            break;
    }
    if (!path) return false;
    *out = std::move(*path);
    return true;
}

void TargetPath(const InfData& inf, std::optional<std::u16string_view> section, std::u16string* out) {
    const uint32_t dirs = FindSection(inf, u"DestinationDirs");
    uint32_t entry = kNone;
    if (dirs != kNone) {
        if (section) entry = FindKeyedLine(inf, dirs, *section, 0);
        if (entry == kNone) entry = FindKeyedLine(inf, dirs, u"DefaultDestDir", 0);
    }
    int dirid = 0;
    std::u16string base;
    if (entry == kNone || IntField(inf, inf.sections[dirs].lines[entry], 1, &dirid) != 0 ||
        !DirIdPath(inf, dirid, &base)) {
        *out = inf.folders.system;
        return;
    }
    std::u16string subfolder;
    const Line& line = inf.sections[dirs].lines[entry];
    if (FieldText(inf, line, 2, &subfolder) && !subfolder.empty()) {
        *out = Join(base, subfolder);
    } else {
        *out = std::move(base);
    }
    const bool root = out->size() == 3 && (*out)[1] == u':';
    while (out->size() > 1 && out->back() == u'\\' && !root) out->pop_back();
}

Dword SourceFileLocation(const InfData& inf, std::u16string_view fileName, unsigned* diskId, std::u16string* path) {
    // kavrin runs as an x86-64 program: the .amd64 decoration comes first.
    const Line* found = nullptr;
    for (std::u16string_view name : {u"SourceDisksFiles.amd64", u"SourceDisksFiles"}) {
        const uint32_t s = FindSection(inf, name);
        if (s == kNone) continue;
        const uint32_t l = FindKeyedLine(inf, s, fileName, 0);
        if (l != kNone) {
            found = &inf.sections[s].lines[l];
            break;
        }
    }
    if (!found) return kErrLineNotFound;
    int id = 0;
    if (Dword error = IntField(inf, *found, 1, &id)) return error;
    *diskId = static_cast<unsigned>(id);
    path->clear();
    FieldText(inf, *found, 2, path);
    const size_t first = path->find_first_not_of(u'\\');
    if (first == std::u16string::npos) {
        path->clear();
    } else {
        path->erase(0, first);
        path->erase(path->find_last_not_of(u'\\') + 1);
    }
    return 0;
}

}  // namespace platform::sim::inf

#pragma once
// Windows paths of the simulated machine and the host files behind them.
// Drive C: is the prefix's drive_c/ folder; a path maps component by component,
// case-insensitively, and a new name keeps the case it is given.

#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform::sim {

// The absolute form of a path by the platform's rules (the process's current folder
// for relative paths; `.`, `..`, repeated separators and trailing dots and blanks of
// the last name dealt with). Pure text; nothing is looked up.
std::u16string FullWindowsPath(std::u16string_view path);

struct HostPath {
    std::string host;     // the host path (existing names in their stored case)
    bool exists = false;  // the whole path names an existing file or folder
    bool parentExists = false;
};

// Maps a path (made absolute first) onto the host. Returns 0, or the platform error
// of a path that cannot name anything: invalid characters (123), a drive the machine
// has not (3).
Dword MapPath(std::u16string_view path, HostPath* out);

// The Windows path of a host path inside the machine's drives; empty when outside.
std::u16string WindowsPathOfHost(const std::string& host);

// The process's current folder (a full Windows path without a final backslash,
// except for a drive's root).
const std::u16string& CurrentDirectory();
void SetCurrentDirectoryPath(std::u16string path);

// Splits "C:\a\b" into the folder "C:\a" and the name "b".
void SplitLastName(std::u16string_view full, std::u16string* folder, std::u16string* name);

}  // namespace platform::sim

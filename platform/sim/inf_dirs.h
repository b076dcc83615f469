#pragma once
// Folders of an open INF: the DIRIDs resolved to the simulated machine's folders, the
// target folder of a file-list section (DestinationDirs) and where a source file lies
// (SourceDisksFiles).

#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/inf_model.h"
#include "platform/types.h"

namespace platform::sim::inf {

// The folders of a machine's settings, as an INF opened now resolves them.
Folders MachineFolders();

// The folder of a DIRID, without a final backslash except for a drive's root; false
// for a DIRID the platform does not define (user DIRIDs included, since nothing
// here sets any). -1 and 65535 (absolute paths) and 0 are the empty text.
bool DirIdPath(const InfData& inf, long dirid, std::u16string* out);

// The target folder of a file-list section: its DestinationDirs entry, else
// DefaultDestDir, else DIRID 11. An entry whose DIRID cannot be read or resolved
// counts as none. The subfolder is joined with one backslash, and the result never
// ends in a backslash unless it is a drive's root. No section asks for the default.
void TargetPath(const InfData& inf, std::optional<std::u16string_view> section, std::u16string* out);

// The disk id and the subfolder (field 2, without leading or trailing backslashes) of
// a file's SourceDisksFiles.amd64 line, or else of its SourceDisksFiles line.
// Returns 0, kErrLineNotFound, or the integer reading's error for the disk id.
Dword SourceFileLocation(const InfData& inf, std::u16string_view fileName, unsigned* diskId, std::u16string* path);

}  // namespace platform::sim::inf

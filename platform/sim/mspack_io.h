#pragma once
// libmspack reads cabinets and LZ files, and writes what it unpacks, through the
// platform's own file calls: the machine's paths, sharing rules and faults apply to
// them as to any other file. libmspack names files with 8-bit texts; here they are
// the UTF-8 form of Windows paths of the machine.

#include <mspack.h>

#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform::sim {

class MspackFiles {
public:
    MspackFiles();
    MspackFiles(const MspackFiles&) = delete;
    MspackFiles& operator=(const MspackFiles&) = delete;

    mspack_system* System() { return &system_.base; }

    // The name libmspack is given for a Windows path.
    static std::string Name(std::u16string_view windowsPath);

    // Forgets the error of an earlier file call; call before each libmspack operation.
    void ClearError() { error_ = 0; }
    // The platform error for a libmspack result: the failing file call's own error when
    // one failed (a missing file, a sharing violation, a full disk), otherwise the
    // platform's answer to damaged data.
    Dword ErrorFor(int mspackError) const;

private:
    struct Bridge {
        mspack_system base;
        MspackFiles* owner;
    };
    friend struct MspackCalls;
    Bridge system_;
    Dword error_ = 0;
};

}  // namespace platform::sim

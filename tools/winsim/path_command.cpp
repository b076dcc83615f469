// winsim path: the host path behind a Windows path of the machine, for reading what
// a program left there with the host's own tools.

#include <cstdio>

#include "platform/sim/host_text.h"
#include "platform/sim/paths.h"
#include "tools/winsim/commands.h"

namespace winsim {

int PathCommand(const Args& args) {
    if (args.size() != 1) return Usage("path needs one Windows path, such as C:\\Windows");
    platform::sim::HostPath host;
    if (platform::sim::MapPath(platform::sim::FromHost(args[0]), &host) != 0) {
        std::fprintf(stderr, "winsim: %s is not a path on the machine's drives\n", args[0].c_str());
        return 1;
    }
    std::printf("%s\n", host.host.c_str());
    return 0;
}

}  // namespace winsim

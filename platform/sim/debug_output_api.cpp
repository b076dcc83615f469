// The debugger output of the simulated machine: every text a program sends is appended
// to <prefix>/debug-output.log (in UTF-8), where a test or a person reads it; no
// debugger needs to watch.

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/debug_output.h"
#include "platform/sim/ansi_text.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"

namespace platform {

void OutputDebugStringA(const char* text) {
    if (!text) return;
    std::string line = sim::ToHost(sim::AnsiToWide(text));
    std::string path = sim::Machine::Current().Prefix() + "/debug-output.log";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    // One write per text, so that the texts of programs running at once never mix.
    ssize_t written = ::write(fd, line.data(), line.size());
    (void)written;
    ::close(fd);
}

}  // namespace platform

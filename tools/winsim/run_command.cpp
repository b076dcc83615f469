// winsim run: runs a program of the machine.

#include <cstdio>

#include "platform/sim/host_text.h"
#include "platform/sim/paths.h"
#include "platform/sim/process_start.h"
#include "platform/sim/process_state.h"
#include "tools/winsim/commands.h"

namespace winsim {

int RunCommand(const Args& args) {
    using namespace platform::sim;
    size_t i = 0;
    std::u16string cwd;
    if (i < args.size() && args[i] == "--cwd") {
        if (i + 1 >= args.size()) return Usage("run: --cwd needs a Windows path");
        cwd = FromHost(args[i + 1]);
        i += 2;
    }
    if (i >= args.size()) return Usage("run: which program?");
    std::u16string program = FullWindowsPath(FromHost(args[i]));
    if (cwd.empty()) {
        // A program started without a folder of its own starts in the folder it lies in.
        size_t cut = program.find_last_of(u'\\');
        cwd = program.substr(0, cut <= 2 ? 3 : cut);
    }
    std::u16string commandLine = QuoteArgument(program);
    std::vector<std::string> hostArgs(args.begin() + static_cast<long>(i) + 1, args.end());
    for (const std::string& a : hostArgs) commandLine += u" " + QuoteArgument(FromHost(a));
    StartedProgram started;
    if (platform::Dword error = StartProgram(program, commandLine, cwd, hostArgs, &started)) {
        std::fprintf(stderr, "winsim: cannot run %s: %s\n", ToHost(program).c_str(),
                     error == 2 || error == 3 ? "no such program on the machine"
                     : error == 267 ? "the current folder does not exist"
                                    : "not a program that can run");
        return 127;
    }
    platform::Dword code = WaitForProgram(started);
    if (code > 255) {
        // A host exit status holds 8 bits; say the full code rather than a wrong one.
        std::fprintf(stderr, "winsim: %s exited with 0x%08X\n", ToHost(program).c_str(), code);
        return 255;
    }
    return static_cast<int>(code);
}

}  // namespace winsim

// winsim: the tool of the simulated Windows machine.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "tools/winsim/commands.h"

namespace winsim {

int Usage(const std::string& message) {
    std::fprintf(stderr, "winsim: %s\n", message.c_str());
    return 2;
}

}  // namespace winsim

namespace {

const char kHelp[] =
    "usage: winsim [--prefix DIR] COMMAND [ARGS...]\n"
    "The machine is the folder given by --prefix, or else by WINSIM_PREFIX.\n"
    "\n"
    "  init [--os MAJOR.MINOR] [--9x] [--no-admin] [--lang 0xLLLL] [--user NAME]\n"
    "       [--time-scale F]                 create a fresh machine\n"
    "  run [--cwd WINPATH] PROGRAM [ARGS...]  run a program of the machine\n"
    "  reg query KEY [VALUE]                  show a key or one value (.reg form)\n"
    "  reg set KEY VALUE TYPE DATA            set a value (REG_SZ, REG_DWORD, ...)\n"
    "  reg delete KEY [VALUE]                 delete a value, or a key with its tree\n"
    "  reg export [KEY] [FILE]                .reg text of a tree (UTF-16 in a file)\n"
    "  reg import FILE                        apply a .reg file, all or nothing\n"
    "  info [NAME]                            the machine's settings, or one of them\n"
    "  path WINPATH                           the host path behind a Windows path\n"
    "  snapshot NAME                          remember the machine's files and registry\n"
    "  diff NAME                              what changed since the snapshot\n"
    "  window add CLASS TITLE                 stage a top-level window (prints its handle)\n"
    "  window list                            the staged windows: handle, visible or hidden,\n"
    "                                         class, title\n"
    "  file lock WINPATH [--error N]          hold a file in use (writing, moving, deleting\n"
    "                                         it fails with N, 5 access denied by default)\n"
    "  file unlock WINPATH                    let go of it\n"
    "  fault add OP N ERROR                   the Nth call of OP in each program fails\n"
    "  fault list | fault clear               the operations, the plan and the calls programs\n"
    "                                         made under it; empty both\n"
    "  reboot                                 carry out the moves deferred to a restart;\n"
    "                                         drop held files and staged windows\n"
    "\n"
    "Texts the machine's programs send to the debugger output are appended to\n"
    "DIR/debug-output.log.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string prefix;
    int i = 1;
    if (i < argc && std::string(argv[i]) == "--prefix") {
        if (i + 1 >= argc) return winsim::Usage("--prefix needs a folder");
        prefix = argv[i + 1];
        i += 2;
    } else if (const char* env = std::getenv("WINSIM_PREFIX")) {
        prefix = env;
    }
    if (i >= argc || std::string(argv[i]) == "--help" || std::string(argv[i]) == "help") {
        std::fputs(kHelp, i >= argc ? stderr : stdout);
        return i >= argc ? 2 : 0;
    }
    std::string command = argv[i++];
    winsim::Args args(argv + i, argv + argc);
    if (prefix.empty()) return winsim::Usage("no machine given: use --prefix DIR or set WINSIM_PREFIX");
    if (command == "init") return winsim::InitCommand(prefix, args);

    std::string error;
    if (!platform::sim::Machine::Open(prefix, &error)) return winsim::Usage(error);
    ::setenv("WINSIM_PREFIX", prefix.c_str(), 1);
    // The tool works on the machine; the machine's fault plan is for its programs.
    platform::sim::DisableFaults();
    if (command == "run") return winsim::RunCommand(args);
    if (command == "reg") return winsim::RegCommand(args);
    if (command == "info") return winsim::InfoCommand(args);
    if (command == "path") return winsim::PathCommand(args);
    if (command == "snapshot") return winsim::SnapshotCommand(prefix, args);
    if (command == "diff") return winsim::DiffCommand(prefix, args);
    if (command == "window") return winsim::WindowCommand(args);
    if (command == "file") return winsim::FileCommand(args);
    if (command == "fault") return winsim::FaultCommand(args);
    if (command == "reboot") return winsim::RebootCommand(args);
    return winsim::Usage("unknown command '" + command + "' (see winsim --help)");
}

#include "tests/support/fake_setup_script.h"

namespace testsupport {

namespace {

std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

std::string FakeSetupScript(const std::string& recordHostPath, const std::string& winsimPath) {
    // The machine hands a program its image path, raw command line and current folder
    // in WINSIM_IMAGE, WINSIM_CMDLINE and WINSIM_CWD.
    std::string script =
        "#!/bin/sh\n"
        "{\n"
        "  printf 'image=%s\\n' \"$WINSIM_IMAGE\"\n"
        "  printf 'cmdline=%s\\n' \"$WINSIM_CMDLINE\"\n"
        "  for a in \"$@\"; do printf 'arg=%s\\n' \"$a\"; done\n"
        "  printf 'cwd=%s\\n' \"$WINSIM_CWD\"\n"
        "  printf 'end\\n'\n"
        "} >> " + ShellQuoted(recordHostPath) + "\n"
        "code=0\n"
        "for a in \"$@\"; do\n"
        "  case \"$a\" in\n";
    if (!winsimPath.empty()) {
        script += "    /errorcode=*) " + ShellQuoted(winsimPath) +
                  " reg set 'HKCU\\Software\\QlnSetup\\Status' ErrorCode REG_DWORD \"${a#/errorcode=}\" ;;\n";
    }
    script +=
        "    /stdout=*) printf '%s\\n' \"${a#/stdout=}\" ;;\n"
        "    /sleep=*) ms=${a#/sleep=}; sleep \"$((ms / 1000)).$(printf %03d $((ms % 1000)))\" ;;\n"
        "    /exit=*) code=$((${a#/exit=})) ;;\n"
        "  esac\n"
        "done\n"
        // The full 32-bit exit code goes back through the machine's side channel.
        "[ -n \"$WINSIM_EXIT_CODE_FILE\" ] && echo \"$code\" > \"$WINSIM_EXIT_CODE_FILE\"\n"
        "exit $((code & 255))\n";
    return script;
}

}  // namespace testsupport

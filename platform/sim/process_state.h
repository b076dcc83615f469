#pragma once
// What the simulated machine knows of the running program: its own Windows path,
// its raw command line and its current folder. A program started by the machine
// (`winsim run`, or a program's own start of another) receives them in the
// environment variables WINSIM_IMAGE, WINSIM_CMDLINE and WINSIM_CWD, which are
// taken once and removed, so that they never leak into a further child.

#include <string>

namespace platform::sim {

struct ProcessState {
    std::u16string imagePath;
    std::u16string commandLine;
    std::u16string currentDirectory;
    // Where the program hands back its full 32-bit exit code (WINSIM_EXIT_CODE_FILE);
    // host exit statuses carry only 8 bits.
    std::string exitCodeFile;

    static ProcessState& Get();
};

// Quotes one argument so that the platform's command-line splitting gives it back.
std::u16string QuoteArgument(const std::u16string& argument);

}  // namespace platform::sim

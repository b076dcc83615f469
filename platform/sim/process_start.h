#pragma once
// Starting a program of the simulated machine: its Windows path maps onto a host
// executable (test packages use small shell scripts named *.exe), which runs with
// the machine's prefix, its own Windows path, its raw command line and its current
// folder in the environment (see process_state.h).

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::sim {

struct StartedProgram {
    pid_t pid = -1;
    std::string exitCodeFile;
};

// Starts the program. `hostArgs` are the arguments after the program name, as the
// host program receives them. Returns 0 or the platform's error (2 when the program
// does not exist, 5 when it cannot be run).
Dword StartProgram(const std::u16string& imagePath, const std::u16string& commandLine,
                   const std::u16string& currentDirectory, const std::vector<std::string>& hostArgs,
                   StartedProgram* started);

// Waits for the program's end; its full 32-bit exit code.
Dword WaitForProgram(const StartedProgram& started);
// Whether the program has ended, without waiting; its exit code then.
bool ProgramEnded(const StartedProgram& started, Dword* exitCode);

}  // namespace platform::sim

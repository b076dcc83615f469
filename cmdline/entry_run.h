#pragma once
// The state of one run of the entry, shared by the start-up checks and the commands.

#include <string>
#include <vector>

#include "cmdline/setup_result.h"
#include "driverinf/driver_inf.h"
#include "update/update.h"
#include "util/basic_exception.h"

struct EntryRun {
    explicit EntryRun(BasicException initial) : error(std::move(initial)) {}

    int32_t code = SetupErrorUnknown;
    BasicException error;
    std::u16string message;
    std::u16string logPath;
    std::u16string commandLine;
    std::vector<std::u16string> args;
    bool uninstalling = false;
    // The root transaction: created before any check, alive until the run ends.
    Update root;
    DriverInf script;
    // Test-opens the companion INFs only.
    DriverInf check;
    std::vector<std::u16string> sectionList;
    std::u16string virtualAdapterInf;
    std::u16string filterDriverInf;
    int osIndex = 0;
};

// Commands and their arguments are compared without regard to case.
bool SameText(std::u16string_view a, std::u16string_view b);
// Option tokens count wherever they stand in the raw command line, case-sensitively.
bool HasToken(const EntryRun& run, std::u16string_view token);

// Phase B: the command itself. Raises what its steps raise; the entry handles it.
void RunCommand(EntryRun& run, const std::u16string& command);
// The firewall step that follows a command that ended without an exception.
void RunFirewallStep(EntryRun& run, const std::u16string& command);

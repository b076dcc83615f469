#pragma once
// The launch list of launcher.ini: the programs the launcher runs from the staging
// folder, one after the other.

#include <string>

#include "platform/types.h"

struct LaunchEntry {
    std::string command;
    std::string arguments;
    bool hasArguments = false;
};

// A launch-list value split into its command (quotes removed) and, after the first
// blank outside quotes, its arguments as written.
LaunchEntry SplitLaunchEntry(const std::string& value);

struct LaunchSettings {
    std::string launcherFolder;  // without a final backslash
    std::string settingsPath;    // launcher.ini in the launcher folder
    std::string argumentText;    // the launcher's own arguments, passed on to each program
};

// Stages the launcher folder, runs the launch list, deletes the staging folder.
// The setup error code read after the last program, or kLauncherFailed when nothing
// was launched, the last program could not be started and left no code, or a text was
// beyond the launcher's limits.
platform::Dword RunLaunchList(const LaunchSettings& settings);

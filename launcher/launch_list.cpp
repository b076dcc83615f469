#include "launcher/launch_list.h"

#include <vector>

#include "launcher/setup_error_code.h"
#include "launcher/staging.h"
#include "launcher/text_limits.h"
#include "launcher/trace.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/process_launch.h"
#include "platform/profile.h"

using namespace platform;

namespace {

const char kStagingName[] = "QlnWLSetup";

// The staging folder: the temporary folder (which ends with a backslash) and the
// staging name. Empty, traced, when it cannot be had within the limits.
std::string StagingFolder() {
    char temp[kMaxPath];
    Dword n = GetTempPathA(sizeof temp, temp);
    if (n == 0) {
        LauncherTrace("Failed to get the temporary folder. Reason: %d", GetLastError());
        return {};
    }
    if (n >= sizeof temp || n + sizeof kStagingName - 1 > kMaxPathLength) {
        LauncherTrace("Staging folder path is longer than %d characters: not staged, nothing launched.",
                      static_cast<int>(kMaxPathLength));
        return {};
    }
    return std::string(temp, n) + kStagingName;
}

bool ErrorCheckingOn(const std::string& settingsPath) {
    char value[10];
    Dword n = GetPrivateProfileStringA("OPTIONS", "CHECKERROR", "Y", value, sizeof value, settingsPath.c_str());
    return !(n > 0 && (value[0] == 'n' || value[0] == 'N'));
}

// Starts the program and waits for its end. False when it could not be started.
bool Launch(const std::string& application, const std::string& commandLine) {
    // The platform may write into the command line it is given.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    StartupInfoA startup;
    ProcessInformation process;
    bool started = CreateProcessA(application.c_str(), line.data(), true, 0, nullptr, &startup, &process);
    if (started) {
        if (WaitForSingleObject(process.process, kInfinite) == kWaitObject0) {
            LauncherTrace("Finished waiting for the process.");
        } else {
            LauncherTrace("Failed to wait for the process.");
        }
        CloseHandle(process.process);
        CloseHandle(process.thread);
    } else {
        LauncherTrace("CreateProcess() failed to create and launch process: %s.", application);
    }
    LauncherTrace("%s returned 0x%08x\n", application, GetLastError());
    return started;
}

}  // namespace

LaunchEntry SplitLaunchEntry(const std::string& value) {
    LaunchEntry entry;
    bool quoted = false;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            entry.arguments = value.substr(i + 1);
            entry.hasArguments = true;
            return entry;
        } else {
            entry.command += c;
        }
    }
    return entry;
}

Dword RunLaunchList(const LaunchSettings& settings) {
    bool checking = ErrorCheckingOn(settings.settingsPath);
    if (!checking) LauncherTrace("Launcher: Error Checking Disabled\n");
    std::string staging = StagingFolder();
    if (staging.empty()) return kLauncherFailed;
    // A staging failure part-way is traced where it happens; the launch goes on with
    // whatever was copied.
    StageSetupFiles(settings.launcherFolder, staging);

    Dword result = kLauncherFailed;
    for (int i = 0;; ++i) {
        std::string key = "FILE" + std::to_string(i);
        // Read with room to spare, so that a value beyond the limit is seen, not cut.
        char value[kMaxCommandLength + 1];
        Dword n = GetPrivateProfileStringA("LAUNCHLIST", key.c_str(), "", value, sizeof value,
                                           settings.settingsPath.c_str());
        if (n == 0) break;
        if (n > kMaxPathLength) {
            LauncherTrace("FILE%d is longer than %d characters: not launched, nothing more is launched.", i,
                          static_cast<int>(kMaxPathLength));
            result = kLauncherFailed;
            break;
        }
        LaunchEntry entry = SplitLaunchEntry(std::string(value, n));
        LauncherTrace("Command: %s\n", entry.command);
        if (entry.hasArguments) LauncherTrace("Arguments: %s\n", entry.arguments);
        LauncherTrace("FILE%d: %s\n", i, "\"" + settings.launcherFolder + "\\" + entry.command + "\"");
        std::string application = staging + "\\" + entry.command;
        LauncherTrace("Launch String: %s\n", application);
        std::string commandLine = " " + entry.arguments + " " + settings.argumentText;
        if (commandLine.size() > kMaxCommandLength) {
            LauncherTrace("Commandline is longer than %d characters: not launched, nothing more is launched.",
                          static_cast<int>(kMaxCommandLength));
            result = kLauncherFailed;
            break;
        }
        LauncherTrace("Commandline: %s\n", commandLine);
        bool started = Launch(application, commandLine);
        Dword code = ReadSetupErrorCode();
        if (code != 0) LauncherTrace("Error occured. Return Code: %d", code);
        // A program that never started must not pass for a setup that succeeded; an
        // error code left by an earlier setup is still reported.
        result = !started && code == 0 ? kLauncherFailed : code;
        if (checking) break;
    }
    CleanupSetupFiles(staging);
    return result;
}

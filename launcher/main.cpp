// launcher: the small program a package starts first. It hides its console, stages its
// own folder in the temporary folder, runs the programs of launcher.ini from there with
// its own arguments, deletes the staging folder and ends with the setup error code.

#include <string>
#include <vector>

#include "launcher/arguments.h"
#include "launcher/console_window.h"
#include "launcher/launch_list.h"
#include "launcher/text_limits.h"
#include "launcher/trace.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

// The folder of the running launcher, without a final backslash; empty, traced where
// useful, when it cannot be had.
std::string LauncherFolder() {
    char path[platform::kMaxPath];
    platform::Dword n = platform::GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0) return {};
    if (n >= sizeof path) {
        path[sizeof path - 1] = 0;
        LauncherTrace("Launcher path is longer than %d characters: %s", static_cast<int>(kMaxPathLength), path);
        return {};
    }
    std::string own(path, n);
    size_t cut = own.rfind('\\');
    if (cut == std::string::npos || cut == 0) return {};
    return own.substr(0, cut);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = platform::MainArgumentsA(argc, argv);
    HideConsoleWindow();
    LaunchSettings settings;
    settings.launcherFolder = LauncherFolder();
    if (settings.launcherFolder.empty()) platform::ExitProcess(kLauncherFailed);
    settings.settingsPath = settings.launcherFolder + "\\launcher.ini";
    if (CollectArguments(args, &settings.argumentText) == ArgumentsOutcome::Usage) {
        PrintUsage();
        platform::ExitProcess(0);
    }
    if (settings.settingsPath.size() > kMaxPathLength) {
        LauncherTrace("Settings path is longer than %d characters: %s", static_cast<int>(kMaxPathLength),
                      settings.settingsPath);
        platform::ExitProcess(kLauncherFailed);
    }
    if (settings.argumentText.size() > kMaxCommandLength) {
        LauncherTrace("Argument text is longer than %d characters: nothing launched.",
                      static_cast<int>(kMaxCommandLength));
        platform::ExitProcess(kLauncherFailed);
    }
    platform::ExitProcess(RunLaunchList(settings));
}

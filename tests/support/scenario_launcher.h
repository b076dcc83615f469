#pragma once
// The launcher on a scenario machine, as a package ships it: C:\setup\Setup.exe beside
// launcher.ini and the package's programs (stand-in setups that record how they were
// started, tests/wine/fake_setup.c). Its trace is read from the debugger output: the
// simulated machine keeps it in <prefix>/debug-output.log; under Wine it comes from
// Wine's debug channel (WINEDEBUG=+debugstr, texts longer than about 300 characters
// cut there).

#include <memory>
#include <string>
#include <vector>

#include "tests/support/scenario_machine.h"

namespace scenario {

// One start of a stand-in setup, as it recorded it.
struct SetupRecord {
    std::string image;
    std::string cmdline;
    std::vector<std::string> args;
    std::string cwd;
};

// A file held open without sharing by another program, until destroyed.
class HeldFile {
public:
    virtual ~HeldFile() = default;
};

class LauncherPackage {
public:
    static constexpr const char* kLauncher = "C:\\setup\\Setup.exe";

    // Why the launcher cannot run on the machine; empty when it can.
    static std::string UnavailableReason(const Machine& machine);
    // Places the launcher; removes a staging folder and records of earlier runs.
    explicit LauncherPackage(Machine& machine);

    void PlaceSetup(const std::string& windowsPath);
    void WriteSettings(const std::string& text) { machine_.WriteFile("C:\\setup\\launcher.ini", text); }
    RunResult Run(const std::vector<std::string>& args);

    // Every trace message so far, each as sent (its prefix, its CR LF).
    std::string Trace() const;
    std::vector<SetupRecord> Records() const;
    std::string StagingFolder() const { return machine_.TempFolder() + "\\QlnWLSetup"; }
    bool Exists(const std::string& windowsPath) const;

    // Stages the launcher's console window; false where there are no windows (Wine).
    bool StageConsoleWindow();
    // `winsim window list` of the simulated machine.
    std::string Windows() const;
    // Null where no other program can hold a file (the simulated machine keeps files in
    // use per program).
    std::unique_ptr<HeldFile> Hold(const std::string& windowsPath);

private:
    std::string Prefix() const;
    Machine& machine_;
    bool sim_;
    std::string wineTrace_;
};

}  // namespace scenario

#pragma once
// Machines for scenario tests: the built programs run on a fresh simulated machine
// (through winsim), or the Windows build runs under Wine, and the test reads what
// they left (standard output, exit code, files, registry) the same way on both.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scenario {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a host command with extra environment variables; output is captured.
RunResult RunProcess(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env = {});

struct SimOptions {
    std::vector<std::string> initArgs;  // extra options of `winsim init`
};

class Machine {
public:
    virtual ~Machine() = default;
    virtual std::string Name() const = 0;
    // Runs C:\pkg\kavrin64.exe with these arguments.
    virtual RunResult RunKavrin(const std::vector<std::string>& args) = 0;
    // Runs a program of the machine, with environment variables added to those its
    // programs see (Wine: the Windows environment; the simulated machine: the host's).
    virtual RunResult RunProgram(const std::string& windowsPath, const std::vector<std::string>& args,
                                 const std::map<std::string, std::string>& env = {}) = 0;
    // The host path of a Windows path on drive C: (which may not exist).
    virtual std::string HostPath(const std::string& windowsPath) const = 0;
    // The machine's temporary folder (a Windows path without final backslash).
    virtual std::string TempFolder() const = 0;
    // A string value of the registry, read through the machine's own registry tool.
    virtual std::optional<std::u16string> StringValue(const std::string& key, const std::string& value) = 0;
    virtual void SetStringValue(const std::string& key, const std::string& value, const std::string& data) = 0;
    // Sets a value of a type named as the reg tool names it (REG_DWORD...).
    virtual void SetValue(const std::string& key, const std::string& value, const std::string& type,
                          const std::string& data) = 0;

    std::string ReadFile(const std::string& windowsPath) const;
    void WriteFile(const std::string& windowsPath, const std::string& bytes) const;
    std::string LogText() const { return ReadFile(TempFolder() + "\\dravik.log"); }
};

std::unique_ptr<Machine> NewSimMachine(const SimOptions& options = {});
// Null when no Windows build was given to the test run (KAVRIN_WIN64_DIR).
std::unique_ptr<Machine> NewWineMachine();
// Why NewWineMachine gives none, for the skip message.
std::string WineUnavailableReason();

// Starts and stops the test run's Wine prefix and its keep-alive process.
void StartWine();
void StopWine();

}  // namespace scenario

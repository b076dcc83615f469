// What a failed or deferred install leaves on the machine. The simulated machine can
// make any platform call fail, and hold files in use; Wine can do neither.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "tests/support/scenario_machine.h"
#include "tests/support/scenario_package.h"

namespace {

namespace fs = std::filesystem;
using scenario::Machine;
using scenario::RunResult;

const char kApp[] = "C:\\Program Files\\Quillon\\Wireless";

// The package installed once, then changed: the next install replaces every file.
std::unique_ptr<Machine> MachineWithEarlierVersion() {
    auto machine = scenario::NewSimMachine({{"--time-scale", "0"}});
    scenario::CopyFolder(*machine, scenario::FixturePath("package"), "C:\\pkg");
    EXPECT_EQ(0, machine->RunKavrin({"apponly_install", "C:\\pkg"}).exitCode);
    machine->WriteFile("C:\\pkg\\ulmira.exe", "application, second version\r\n");
    machine->WriteFile("C:\\pkg\\readme.txt", "Quillon Wireless utilities, second version\r\n");
    return machine;
}

bool IsTemporaryName(const std::string& path) {
    return std::regex_search(path, std::regex("(^|/)qln[0-9A-Fa-f]+\\.tmp$"));
}

// A tree after a failed run holds what it held before; it may hold more folders
// and the empty files that failed moves leave under temporary names.
std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
    std::ostringstream out;
    for (const auto& [path, content] : before) {
        auto it = after.find(path);
        if (it == after.end()) {
            out << "lost " << path << "\n";
        } else if (it->second != content) {
            out << "changed " << path << "\n";
        }
    }
    for (const auto& [path, content] : after) {
        if (before.count(path)) continue;
        if (content == "<dir>" || (IsTemporaryName(path) && content.empty())) continue;
        out << "added " << path << "\n";
    }
    return out.str();
}

std::map<std::string, int> CallCounts(const Machine& machine) {
    std::map<std::string, int> counts;
    std::istringstream lines(scenario::Winsim(machine, {"fault", "list"}).out);
    std::string word, operation;
    int calls;
    while (lines >> word) {
        if (word == "calls" && lines >> operation >> calls) counts[operation] = calls;
    }
    return counts;
}

// A machine that starts each run again from a copy of a template machine's state.
class Replay {
public:
    explicit Replay(const Machine& templateMachine)
        : template_(PrefixOf(templateMachine)), probe_(scenario::NewSimMachine()), prefix_(PrefixOf(*probe_)) {
        Fresh();
    }
    Machine& Fresh() {
        fs::remove_all(prefix_);
        fs::copy(template_, prefix_, fs::copy_options::recursive);
        return *probe_;
    }
    // How often an install from the template's state makes each call (a plan that
    // never fires counts them), and its exit code.
    std::map<std::string, int> CountCalls(int* exitCode) {
        Fresh();
        EXPECT_EQ(0, scenario::Winsim(*probe_, {"fault", "add", "WriteFile", "1000000", "5"}).exitCode);
        *exitCode = probe_->RunKavrin({"apponly_install", "C:\\pkg"}).exitCode;
        return CallCounts(*probe_);
    }

private:
    static std::string PrefixOf(const Machine& machine) {
        return fs::path(machine.HostPath("C:\\")).parent_path().parent_path();
    }
    std::string template_;
    std::unique_ptr<Machine> probe_;
    std::string prefix_;
};

TEST(Rollback, AFaultAtEveryPlatformCallLeavesTheEarlierInstallation) {
    auto templateMachine = MachineWithEarlierVersion();
    const auto before = scenario::TreeOf(*templateMachine, kApp);
    ASSERT_FALSE(before.empty());
    Replay replay(*templateMachine);
    int exitCode = -1;
    std::map<std::string, int> counts = replay.CountCalls(&exitCode);
    ASSERT_EQ(0, exitCode);
    ASSERT_FALSE(counts.empty());

    // A sharing violation fails the call outright; access denied on a move defers it
    // to the next restart, which must then complete the install.
    int points = 0, failures = 0, deferred = 0;
    for (const char* error : {"32", "5"}) {
        for (const auto& [operation, calls] : counts) {
            for (int n = 1; n <= calls; ++n) {
                Machine& probe = replay.Fresh();
                ASSERT_EQ(0, scenario::Winsim(probe, {"fault", "add", operation, std::to_string(n), error}).exitCode);
                RunResult r = probe.RunKavrin({"apponly_install", "C:\\pkg"});
                ++points;
                const std::string where = operation + " call " + std::to_string(n) + " error " + error;
                if (r.exitCode == 0 || r.exitCode == 1) {
                    // Done, or done at the restart; a failure it tolerates (a clean-up
                    // step, a log line) changes nothing of that.
                    if (r.exitCode == 1) {
                        ++deferred;
                        scenario::Winsim(probe, {"reboot"});
                    }
                    auto after = scenario::TreeOf(probe, kApp);
                    EXPECT_EQ("application, second version\r\n", after["ulmira.exe"]) << where;
                    EXPECT_EQ("Quillon Wireless utilities, second version\r\n", after["readme.txt"]) << where;
                    continue;
                }
                ++failures;
                EXPECT_EQ("", Differences(before, scenario::TreeOf(probe, kApp)))
                    << where << " failed the run with " << r.exitCode << "\n" << r.out;
            }
        }
    }
    RecordProperty("injection_points", points);
    std::printf("fault points tried: %d; runs rolled back: %d; finished at a restart: %d\n", points, failures,
                deferred);
    EXPECT_GT(failures, 0);
}

TEST(FilesInUse, AnInstallOverAHeldFileFinishesAtTheNextRestart) {
    auto machine = MachineWithEarlierVersion();
    ASSERT_EQ(0, scenario::Winsim(*machine, {"file", "lock", std::string(kApp) + "\\ulmira.exe"}).exitCode);
    RunResult r = machine->RunKavrin({"apponly_install", "C:\\pkg"});
    EXPECT_EQ(1, r.exitCode) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("Result,1,SetupSuccessNeedReboot,,\r\n$")));
    auto tree = scenario::TreeOf(*machine, kApp);
    EXPECT_EQ("application\r\n", tree["ulmira.exe"]) << "still the held first version";
    EXPECT_EQ("Quillon Wireless utilities, second version\r\n", tree["readme.txt"]);

    RunResult reboot = scenario::Winsim(*machine, {"reboot"});
    ASSERT_EQ(0, reboot.exitCode) << reboot.err;
    EXPECT_EQ(std::string::npos, reboot.out.find("failed")) << reboot.out;
    tree = scenario::TreeOf(*machine, kApp);
    EXPECT_EQ("application, second version\r\n", tree["ulmira.exe"]);
    // The held file was moved aside by the restart, after the clean-up had run: it
    // stays under its temporary name, the one thing the restart leaves.
    int leftovers = 0;
    for (const auto& [path, content] : tree) {
        if (!IsTemporaryName(path)) continue;
        ++leftovers;
        EXPECT_EQ("application\r\n", content) << path;
    }
    EXPECT_LE(leftovers, 1);
}

// An install that met a held file has registered moves for the next restart; when a
// later step then fails, the rollback must leave nothing registered that the restart
// would carry out against the earlier installation.
TEST(FilesInUse, ARolledBackInstallLeavesTheRestartNothingToDo) {
    auto templateMachine = MachineWithEarlierVersion();
    const std::string held = std::string(kApp) + "\\ulmira.exe";
    ASSERT_EQ(0, scenario::Winsim(*templateMachine, {"file", "lock", held}).exitCode);
    const auto before = scenario::TreeOf(*templateMachine, kApp);
    Replay replay(*templateMachine);
    int exitCode = -1;
    std::map<std::string, int> counts = replay.CountCalls(&exitCode);
    ASSERT_EQ(1, exitCode);

    int rolledBack = 0;
    for (const char* operation : {"CopyFileW", "MoveFileExW", "SetupDecompressOrCopyFileW", "WriteFile"}) {
        for (int n = 1; n <= counts[operation]; ++n) {
            Machine& probe = replay.Fresh();
            ASSERT_EQ(0, scenario::Winsim(probe, {"fault", "add", operation, std::to_string(n), "32"}).exitCode);
            RunResult r = probe.RunKavrin({"apponly_install", "C:\\pkg"});
            if (r.exitCode != 200) continue;
            ++rolledBack;
            const std::string where = std::string(operation) + " call " + std::to_string(n);
            ASSERT_EQ(0, scenario::Winsim(probe, {"reboot"}).exitCode) << where;
            EXPECT_EQ("", Differences(before, scenario::TreeOf(probe, kApp))) << where << " after the restart";
        }
    }
    EXPECT_GT(rolledBack, 0);
}

}  // namespace

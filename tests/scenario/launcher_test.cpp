// The launcher run as a package runs it: C:\setup\Setup.exe with launcher.ini and its
// programs, on a fresh simulated machine and (the x86-64 build of the same source)
// under Wine. The test checks the launched programs' records, the exit code, the
// staging folder and the trace in the debugger output.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>

#include "tests/support/scenario_launcher.h"
#include "tests/support/scenario_machine.h"

namespace {

using scenario::LauncherPackage;
using scenario::Machine;
using scenario::RunResult;
using scenario::SetupRecord;

// The launcher's own failure, 0xFFFFFFFF, as a host exit status.
constexpr int kLauncherFailed = 255;
const char kStatusKey[] = "HKCU\\Software\\QlnSetup\\Status";
const char kUsage[] =
    "\r\nUSAGE:\r\n      Setup.exe /Option <Required Parameter> [Optional Parameter] \t\t\t\t\t\r\n\r\n\t\t/s "
    "[/f1\"<Path to the response file>\"] [/f2\"<Path to the log file>\"] \t\t\t\t\t\r\n\t\t/extract_all:\"<Path>\"\t "
    "NOTE: <Path> must exist.\r\n\r\n";

std::string Line(const std::string& message) { return "*** LAUNCHER ***: " + message + "\r\n"; }

bool SamePath(std::string a, std::string b) {
    auto lower = [](std::string& s) { std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); }); };
    lower(a);
    lower(b);
    return a == b;
}

class LauncherTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "sim") {
            machine_ = scenario::NewSimMachine();
        } else {
            machine_ = scenario::NewWineMachine();
            if (!machine_) GTEST_SKIP() << "Wine: " << scenario::WineUnavailableReason();
        }
        std::string reason = LauncherPackage::UnavailableReason(*machine_);
        if (!reason.empty()) GTEST_SKIP() << "Wine: " << reason;
        package_ = std::make_unique<LauncherPackage>(*machine_);
        staging_ = package_->StagingFolder();
    }
    bool Traced(const std::string& message) const { return package_->Trace().find(Line(message)) != std::string::npos; }
    void ExpectStagingGone() const { EXPECT_FALSE(package_->Exists(staging_)) << "the staging folder is left"; }

    std::unique_ptr<Machine> machine_;
    std::unique_ptr<LauncherPackage> package_;
    std::string staging_;
};

TEST_P(LauncherTest, DefaultErrorCheckingLaunchesOnlyTheFirstEntry) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    package_->PlaceSetup("C:\\setup\\second.exe");
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe /errorcode=7 /stdout=setup-ran\r\nFILE1=second.exe\r\n");
    RunResult r = package_->Run({});
    EXPECT_EQ(7, r.exitCode);
    // The program writes to the standard output it inherited from the launcher.
    EXPECT_NE(std::string::npos, r.out.find("setup-ran")) << r.out;
    std::vector<SetupRecord> records = package_->Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(SamePath(staging_ + "\\install.exe", records[0].image)) << records[0].image;
    EXPECT_EQ(" /errorcode=7 /stdout=setup-ran ", records[0].cmdline);
    ExpectStagingGone();

    std::string expected = Line("Window Title: C:\\setup\\Setup.exe") + Line("Failed to Find Window Handle: 0") +
                           Line("Special directory:") + Line("Special directory:") +
                           Line("Copied File: C:\\setup\\install.exe") + Line("Copied File: C:\\setup\\launcher.ini") +
                           Line("Copied File: C:\\setup\\second.exe") + Line("Copied File: C:\\setup\\Setup.exe") +
                           Line("Command: install.exe") + Line("Arguments: /errorcode=7 /stdout=setup-ran") +
                           Line("FILE0: \"C:\\setup\\install.exe\"") + Line("Launch String: " + staging_ + "\\install.exe") +
                           Line("Commandline:  /errorcode=7 /stdout=setup-ran") +
                           Line("Finished waiting for the process.") +
                           Line(staging_ + "\\install.exe returned 0xXXXXXXXX") + Line("Error occured. Return Code: 7") +
                           Line("CleanupSetupFiles(): Cleaning up setup files from " + staging_);
    // The last error after a launch is whatever the platform left; it is not the point.
    std::string trace = std::regex_replace(package_->Trace(), std::regex("returned 0x[0-9a-f]{8}"), "returned 0xXXXXXXXX");
    EXPECT_EQ(expected, trace);
}

TEST_P(LauncherTest, WithoutErrorCheckingEveryEntryRunsInTurn) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    package_->PlaceSetup("C:\\setup\\second.exe");
    package_->PlaceSetup("C:\\setup\\third.exe");
    package_->WriteSettings(
        "[OPTIONS]\r\nCHECKERROR=no\r\n[LAUNCHLIST]\r\nFILE0=install.exe /errorcode=7\r\n"
        "FILE1=second.exe /errorcode=9\r\nFILE3=third.exe\r\n");
    RunResult r = package_->Run({"/s"});
    EXPECT_EQ(9, r.exitCode) << "the code read after the last program";
    std::vector<SetupRecord> records = package_->Records();
    ASSERT_EQ(2u, records.size()) << "the list ends at the first missing key";
    EXPECT_TRUE(SamePath(staging_ + "\\install.exe", records[0].image));
    EXPECT_TRUE(SamePath(staging_ + "\\second.exe", records[1].image));
    EXPECT_EQ(" /errorcode=9 /s ", records[1].cmdline);
    EXPECT_TRUE(Traced("Launcher: Error Checking Disabled"));
    EXPECT_TRUE(Traced("Error occured. Return Code: 7"));
    ExpectStagingGone();
}

TEST_P(LauncherTest, OnlyAValueStartingWithNTurnsErrorCheckingOff) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    struct Case {
        const char* value;
        size_t launches;
    } cases[] = {{"N", 2}, {"\"no\"", 2}, {"nein", 2}, {"Y", 1}, {"", 1}, {"0", 1}, {" ", 1}};
    size_t before = 0;
    for (const Case& c : cases) {
        package_->WriteSettings(std::string("[OPTIONS]\r\nCHECKERROR=") + c.value +
                                "\r\n[LAUNCHLIST]\r\nFILE0=install.exe\r\nFILE1=install.exe\r\n");
        package_->Run({});
        size_t now = package_->Records().size();
        EXPECT_EQ(c.launches, now - before) << "CHECKERROR=" << c.value;
        before = now;
    }
}

TEST_P(LauncherTest, NothingToLaunchStagesCleansUpAndFails) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    for (const char* settings : {"", "[LAUNCHLIST]\r\nFILE1=install.exe\r\n"}) {
        if (*settings) package_->WriteSettings(settings);
        RunResult r = package_->Run({});
        EXPECT_EQ(kLauncherFailed, r.exitCode) << settings;
        ExpectStagingGone();
    }
    EXPECT_TRUE(package_->Records().empty());
    EXPECT_TRUE(Traced("Copied File: C:\\setup\\install.exe"));
    EXPECT_TRUE(Traced("CleanupSetupFiles(): Cleaning up setup files from " + staging_));
    EXPECT_FALSE(Traced("Command: install.exe"));
}

TEST_P(LauncherTest, ArgumentsArePassedOnAfterTheEntrysOwn) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe /v\r\n");
    EXPECT_EQ(0, package_->Run({"/s", "/f2C:\\My Logs\\x.log", "My File"}).exitCode);
    std::vector<SetupRecord> records = package_->Records();
    ASSERT_EQ(1u, records.size());
    // A path after a switch is quoted again; a blank without a colon is not, so that
    // argument arrives in two.
    EXPECT_EQ(" /v /s /f2\"C:\\My Logs\\x.log\" My File ", records[0].cmdline);
    EXPECT_EQ((std::vector<std::string>{"/v", "/s", "/f2C:\\My Logs\\x.log", "My", "File"}), records[0].args);
    EXPECT_TRUE(Traced("argv[1]: /s"));
    EXPECT_TRUE(Traced("argv[2]: /f2C:\\My Logs\\x.log"));
    EXPECT_TRUE(Traced("argv[2] contains blank space."));
    EXPECT_TRUE(Traced("Commandline argument after adding quotes: /f2\"C:\\My Logs\\x.log\""));
    EXPECT_TRUE(Traced("argv[3]: My File"));
    EXPECT_FALSE(Traced("argv[3] contains blank space."));
}

TEST_P(LauncherTest, AHelpSwitchAnywhereShowsTheUsageAndStagesNothing) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe\r\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"/?"}, {"/s", "-HELP"}, {"/help", "/s"}}) {
        RunResult r = package_->Run(args);
        EXPECT_EQ(0, r.exitCode) << args[0];
        EXPECT_EQ(kUsage, r.out) << args[0];
        EXPECT_FALSE(package_->Exists(staging_));
    }
    EXPECT_TRUE(package_->Records().empty());
    EXPECT_TRUE(Traced("argv[1]: /s")) << "arguments before it were traced";
    EXPECT_EQ(std::string::npos, package_->Trace().find("Copied File"));
}

TEST_P(LauncherTest, DotFoldersAreNotStagedAndEntriesRunFromSubfolders) {
    package_->PlaceSetup("C:\\setup\\sub\\install.exe");
    machine_->WriteFile("C:\\setup\\.svn\\entries", "svn");
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=sub\\install.exe\r\n");
    EXPECT_EQ(0, package_->Run({}).exitCode);
    std::vector<SetupRecord> records = package_->Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(SamePath(staging_ + "\\sub\\install.exe", records[0].image)) << records[0].image;
    EXPECT_TRUE(Traced("Source Directory: C:\\setup\\sub"));
    EXPECT_TRUE(Traced("Copied File: C:\\setup\\sub\\install.exe"));
    EXPECT_EQ(std::string::npos, package_->Trace().find(".svn"));
    ExpectStagingGone();
}

TEST_P(LauncherTest, AQuotedProgramPathMayHoldBlanks) {
    package_->PlaceSetup("C:\\setup\\sub dir\\install.exe");
    // The settings reader removes quotes around a whole value: a quoted path without
    // arguments needs a second pair.
    package_->WriteSettings(
        "[OPTIONS]\r\nCHECKERROR=no\r\n[LAUNCHLIST]\r\nFILE0=\"sub dir\\install.exe\" /v\r\n"
        "FILE1=\"\"sub dir\\install.exe\"\"\r\n");
    EXPECT_EQ(0, package_->Run({}).exitCode);
    std::vector<SetupRecord> records = package_->Records();
    ASSERT_EQ(2u, records.size());
    for (const SetupRecord& record : records) {
        EXPECT_TRUE(SamePath(staging_ + "\\sub dir\\install.exe", record.image)) << record.image;
    }
    EXPECT_EQ(std::vector<std::string>{"/v"}, records[0].args);
    EXPECT_TRUE(records[1].args.empty());
}

TEST_P(LauncherTest, AnErrorCodeLeftByAnEarlierSetupIsReported) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    machine_->SetValue(kStatusKey, "ErrorCode", "REG_DWORD", "42");
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe\r\n");
    EXPECT_EQ(42, package_->Run({}).exitCode);
    EXPECT_EQ(1u, package_->Records().size());
    EXPECT_TRUE(Traced("Error occured. Return Code: 42"));
}

TEST_P(LauncherTest, AProgramThatCannotStartIsAFailureUnlessACodeWasLeft) {
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=missing.exe\r\n");
    EXPECT_EQ(kLauncherFailed, package_->Run({}).exitCode) << "never success";
    EXPECT_TRUE(Traced("CreateProcess() failed to create and launch process: " + staging_ + "\\missing.exe."));
    EXPECT_TRUE(Traced("Error!!! Failed to open registry to get setup error code. Reason: 2"));
    ExpectStagingGone();
    machine_->SetValue(kStatusKey, "ErrorCode", "REG_DWORD", "42");
    EXPECT_EQ(42, package_->Run({}).exitCode);
}

TEST_P(LauncherTest, AFileThatCannotBeStagedStillLaunchesAndIsCleanedUp) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    machine_->WriteFile("C:\\setup\\zz.dat", "data");
    // A staging folder left by an earlier run holds a folder where the file goes.
    std::filesystem::create_directories(machine_->HostPath(staging_ + "\\zz.dat"));
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe /errorcode=3\r\n");
    EXPECT_EQ(3, package_->Run({}).exitCode);
    EXPECT_EQ(1u, package_->Records().size());
    EXPECT_TRUE(Traced("Failed to copy file: C:\\setup\\zz.dat"));
    ExpectStagingGone();
}

TEST_P(LauncherTest, AFileHeldByAnotherProgramStillLaunchesAndIsCleanedUp) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    machine_->WriteFile("C:\\setup\\zz.dat", "data");
    std::unique_ptr<scenario::HeldFile> held = package_->Hold("C:\\setup\\zz.dat");
    if (!held) {
        GTEST_SKIP() << "the simulated machine keeps files in use per program (a machine-wide hold has an "
                        "issue of its own); the unit tests hold a file in the staging program itself";
    }
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe /errorcode=3\r\n");
    EXPECT_EQ(3, package_->Run({}).exitCode);
    EXPECT_EQ(1u, package_->Records().size());
    EXPECT_TRUE(Traced("Failed to copy file: C:\\setup\\zz.dat"));
    ExpectStagingGone();
}

TEST_P(LauncherTest, TheConsoleWindowIsFoundByItsTitleAndHidden) {
    if (!package_->StageConsoleWindow()) GTEST_SKIP() << "Wine here is headless: there is no console window";
    package_->WriteSettings("");
    package_->Run({});
    std::smatch handle;
    std::string trace = package_->Trace();
    ASSERT_TRUE(std::regex_search(trace, handle, std::regex("Found Window Handle: ([0-9]+)\r\n"))) << trace;
    EXPECT_EQ(handle[1].str() + "\thidden\tConsoleWindowClass\tC:\\setup\\Setup.exe\n", package_->Windows());
}

TEST_P(LauncherTest, TextsBeyondTheLimitsAreRefusedNotCut) {
    package_->PlaceSetup("C:\\setup\\install.exe");
    // A launch-list value longer than 259 characters.
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe /" + std::string(260, 'x') + "\r\n");
    EXPECT_EQ(kLauncherFailed, package_->Run({}).exitCode);
    EXPECT_TRUE(Traced("FILE0 is longer than 259 characters: not launched, nothing more is launched."));
    ExpectStagingGone();
    // Arguments longer than 1023 characters: nothing is staged.
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe\r\n");
    EXPECT_EQ(kLauncherFailed, package_->Run({"/" + std::string(1100, 'a')}).exitCode);
    EXPECT_TRUE(Traced("Argument text is longer than 1023 characters: nothing launched."));
    // Each fits, the command line made of both does not.
    package_->WriteSettings("[LAUNCHLIST]\r\nFILE0=install.exe /" + std::string(200, 'x') + "\r\n");
    EXPECT_EQ(kLauncherFailed, package_->Run({"/" + std::string(900, 'a')}).exitCode);
    EXPECT_TRUE(Traced("Commandline is longer than 1023 characters: not launched, nothing more is launched."));
    EXPECT_TRUE(package_->Records().empty());
    std::string trace = package_->Trace();
    std::string copied = Line("Copied File: C:\\setup\\install.exe");
    size_t stagings = 0;
    for (size_t at = trace.find(copied); at != std::string::npos; at = trace.find(copied, at + 1)) ++stagings;
    EXPECT_EQ(2u, stagings) << "the run with too long arguments stages nothing";
    ExpectStagingGone();
}

INSTANTIATE_TEST_SUITE_P(Machines, LauncherTest, testing::Values("sim", "wine"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace

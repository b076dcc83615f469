// A package installed and uninstalled as a caller does it: the protocol lines, the
// files, the uninstall log, and that the uninstall takes away what the install added.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/scenario_machine.h"
#include "tests/support/scenario_package.h"

namespace {

using scenario::Machine;
using scenario::RunResult;

const char kApp[] = "C:\\Program Files\\Quillon\\Wireless";

class InstallTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        machine_ = scenario::MachineFor(GetParam(), {{"--time-scale", "0"}});
        if (!machine_) GTEST_SKIP() << "Wine: " << scenario::WineUnavailableReason();
        scenario::CopyFolder(*machine_, scenario::FixturePath("package"), "C:\\pkg");
    }
    std::unique_ptr<Machine> machine_;
};

TEST_P(InstallTest, AppOnlyInstallThenUninstall) {
    RunResult install = machine_->RunKavrin({"apponly_install", "C:\\pkg"});
    ASSERT_EQ(0, install.exitCode) << install.out << machine_->LogText();
    // Two files and the script's copy at 3 each, the uninstall log's move at 3, and
    // one unit each for the two registry phases.
    EXPECT_EQ(
        "Version,1,5.18.402 (r382716)\r\n"
        "Progress,14,1\r\nProgress,14,4\r\nProgress,14,7\r\nProgress,14,10\r\nProgress,14,13\r\nProgress,14,14\r\n"
        "Result,0,SetupSuccess,,\r\n",
        install.out);
    auto tree = scenario::TreeOf(*machine_, kApp);
    EXPECT_EQ("application\r\n", tree["ulmira.exe"]);
    EXPECT_EQ("Quillon Wireless utilities\r\n", tree["readme.txt"]);
    EXPECT_EQ(machine_->ReadFile("C:\\pkg\\kavrin.ini"), tree["Uninstall/kavrin.ini"]);
    EXPECT_EQ(
        "CopyFile,C:\\pkg\\ulmira.exe,C:\\Program Files\\Quillon\\Wireless\\ulmira.exe,0x00000006\r\n"
        "CopyFile,C:\\pkg\\readme.txt,C:\\Program Files\\Quillon\\Wireless\\readme.txt,0x00000006\r\n"
        "CopyFile,C:\\pkg\\kavrin.ini,C:\\Program Files\\Quillon\\Wireless\\Uninstall\\kavrin.ini,0x00000006\r\n",
        tree["Uninstall/kavrin.log"].substr(0, tree["Uninstall/kavrin.log"].find("MoveFile")));
    EXPECT_TRUE(std::regex_search(tree["Uninstall/kavrin.log"],
                                  std::regex("MoveFile,C:\\\\Program Files\\\\Quillon\\\\Wireless\\\\Uninstall\\\\"
                                             "qln[0-9A-Fa-f]+\\.tmp,C:\\\\Program Files\\\\Quillon\\\\Wireless\\\\"
                                             "Uninstall\\\\kavrin\\.log\r\n$")));
    for (const auto& [path, content] : tree) {
        EXPECT_EQ(std::string::npos, path.find(".tmp")) << "temporary file left: " << path;
    }

    RunResult uninstall = machine_->RunKavrin({"uninstall", "C:\\pkg"});
    ASSERT_EQ(0, uninstall.exitCode) << uninstall.out << machine_->LogText();
    EXPECT_EQ("Version,1,5.18.402 (r382716)\r\nProgress,14,1\r\nProgress,14,4\r\nProgress,14,7\r\nProgress,14,10\r\n"
              "Progress,14,13\r\nProgress,14,14\r\nResult,0,SetupSuccess,,\r\n",
              uninstall.out);
    // What stays: the folders made for the files and the uninstall log, which its own
    // replay keeps (its MoveFile line carries no flags).
    auto after = scenario::TreeOf(*machine_, kApp);
    std::vector<std::string> left;
    for (const auto& [path, content] : after) left.push_back(path);
    EXPECT_EQ((std::vector<std::string>{"Uninstall", "Uninstall/kavrin.log"}), left);
}

TEST_P(InstallTest, ReinstallReplacesFilesAndLeavesNoBackups) {
    ASSERT_EQ(0, machine_->RunKavrin({"apponly_install", "C:\\pkg"}).exitCode);
    std::string firstLog = scenario::TreeOf(*machine_, kApp)["Uninstall/kavrin.log"];
    machine_->WriteFile("C:\\pkg\\readme.txt", "second edition\r\n");
    ASSERT_EQ(0, machine_->RunKavrin({"apponly_install", "C:\\pkg"}).exitCode);
    auto tree = scenario::TreeOf(*machine_, kApp);
    EXPECT_EQ("second edition\r\n", tree["readme.txt"]);
    for (const auto& [path, content] : tree) {
        EXPECT_EQ(std::string::npos, path.find(".tmp")) << "backup left: " << path;
    }
}

TEST_P(InstallTest, APathWithACommaIsRefusedBeforeAnythingChanges) {
    std::string script = machine_->ReadFile("C:\\pkg\\kavrin.ini");
    script.replace(script.find("App.Files=16422,Quillon\\Wireless"), 32, "App.Files=16422,\"Quillon\\A,B\"");
    machine_->WriteFile("C:\\pkg\\kavrin.ini", script);
    RunResult r = machine_->RunKavrin({"apponly_install", "C:\\pkg"});
    EXPECT_EQ(200, r.exitCode);
    EXPECT_TRUE(std::regex_search(r.out, std::regex("Result,200,SetupErrorInternal,update/commit\\.cpp,[0-9]+\r\n$")))
        << r.out;
    EXPECT_EQ(std::string::npos, r.out.find("Progress")) << "refused before the first phase";
    EXPECT_NE(std::string::npos, machine_->LogText().find("holds a comma"));
    EXPECT_TRUE(scenario::TreeOf(*machine_, "C:\\Program Files\\Quillon\\A,B").empty());
}

TEST_P(InstallTest, DirectivesNotYetBuiltFailNamingTheKey) {
    std::string script = machine_->ReadFile("C:\\pkg\\kavrin.ini");
    script.replace(script.find("UninstallLog=1"), 14, "UninstallLog=1\r\nAddReg=App.Reg");
    machine_->WriteFile("C:\\pkg\\kavrin.ini", script);
    RunResult r = machine_->RunKavrin({"apponly_install", "C:\\pkg"});
    EXPECT_EQ(200, r.exitCode);
    EXPECT_NE(std::string::npos, machine_->LogText().find("AddReg: this directive is not available"));
    EXPECT_TRUE(scenario::TreeOf(*machine_, kApp + std::string("\\ulmira.exe")).empty());
}

INSTANTIATE_TEST_SUITE_P(Machines, InstallTest, testing::Values("sim", "wine"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// The simulated machine shows the whole change: what the install added, and that
// the uninstall took it away again.
TEST(InstallDiff, UninstallTakesAwayWhatTheInstallAdded) {
    auto machine = scenario::NewSimMachine({{"--time-scale", "0"}});
    scenario::CopyFolder(*machine, scenario::FixturePath("package"), "C:\\pkg");
    ASSERT_EQ(0, scenario::Winsim(*machine, {"snapshot", "before"}).exitCode);
    ASSERT_EQ(0, machine->RunKavrin({"apponly_install", "C:\\pkg"}).exitCode);
    ASSERT_EQ(0, machine->RunKavrin({"uninstall", "C:\\pkg"}).exitCode);
    RunResult diff = scenario::Winsim(*machine, {"diff", "before"});
    ASSERT_EQ(0, diff.exitCode) << diff.err;
    std::string expected =
        "+ C:\\Program Files\\Quillon\\\n"
        "+ C:\\Program Files\\Quillon\\Wireless\\\n"
        "+ C:\\Program Files\\Quillon\\Wireless\\Uninstall\\\n"
        "+ C:\\Program Files\\Quillon\\Wireless\\Uninstall\\kavrin.log\n"
        "+ C:\\Users\\user\\AppData\\Local\\Temp\\dravik.log\n";
    EXPECT_EQ(expected, diff.out.substr(0, expected.size())) << diff.out;
    // Beyond the files, only the result message in the user's registry.
    std::string rest = diff.out.substr(expected.size());
    EXPECT_TRUE(std::regex_match(rest, std::regex("(\\+ \\[HKEY_USERS\\\\[^\\]]+\\\\Software\\\\QlnSetup\\][^\n]*\n){2}")))
        << rest;
}

}  // namespace

// The sample package (examples/wlan-package), installed and uninstalled on both
// machines: files from the package's folders, one out of a cabinet, and a nested
// script committed in a transaction of its own, after the main one in every phase.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/scenario_machine.h"
#include "tests/support/scenario_package.h"

namespace {

using scenario::Machine;
using scenario::RunResult;

class SamplePackageTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        machine_ = scenario::MachineFor(GetParam(), {{"--time-scale", "0"}});
        if (!machine_) GTEST_SKIP() << "Wine: " << scenario::WineUnavailableReason();
        scenario::CopyFolder(*machine_, std::string(KAVRIN_SOURCE_DIR) + "/examples/wlan-package", "C:\\pkg");
    }
    std::unique_ptr<Machine> machine_;
};

TEST_P(SamplePackageTest, InstallsAndUninstallsWhole) {
    RunResult install = machine_->RunKavrin({"apponly_install", "C:\\pkg"});
    ASSERT_EQ(0, install.exitCode) << install.out << machine_->LogText();
    auto tree = scenario::TreeOf(*machine_, "C:\\Program Files\\Quillon\\Wireless");
    EXPECT_EQ("Quillon Wireless tray program\r\n", tree["ulmira.exe"]);
    EXPECT_EQ("Quillon Wi-Fi Direct manager\r\n", tree["Sorbel.exe"]);
    EXPECT_EQ("Quillon Wireless diagnostics\r\n", tree["Tools/qlndiag.exe"]) << "from the nested script";
    EXPECT_EQ(0u, tree["Help/guide.txt"].find("Quillon Wireless user guide")) << "out of the cabinet";

    // The main transaction's files come before the nested one's.
    std::string log = machine_->LogText();
    size_t main = log.find("CommitFileInstall( \"C:\\pkg\\ulmira.exe\"");
    size_t nested = log.find("CommitFileInstall( \"C:\\pkg\\qlndiag.exe\"");
    ASSERT_NE(std::string::npos, main) << log;
    ASSERT_NE(std::string::npos, nested) << log;
    EXPECT_LT(main, nested);

    RunResult uninstall = machine_->RunKavrin({"uninstall", "C:\\pkg"});
    ASSERT_EQ(0, uninstall.exitCode) << uninstall.out << machine_->LogText();
    EXPECT_TRUE(scenario::TreeOf(*machine_, "C:\\Program Files\\Quillon").empty());
    EXPECT_FALSE(std::filesystem::exists(machine_->HostPath("C:\\Program Files\\Quillon")));
}

INSTANTIATE_TEST_SUITE_P(Machines, SamplePackageTest, testing::Values("sim", "wine"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace

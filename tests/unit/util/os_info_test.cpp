// The OS index and identity queries, over the versions only the simulated machine
// can be; on Windows (Wine) the running system's answers are checked for sense.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_machine.h"
#include "util/admin.h"
#include "util/file_services.h"
#include "util/os_info.h"

namespace {

// Restores the machine's identity after a test that changed it.
class MachineIdentity : public testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::CanChangeMachine()) GTEST_SKIP() << "only the simulated machine changes its version";
    }
    void TearDown() override {
        if (!testsupport::CanChangeMachine()) return;
        Set("10", "0", "19045", "2");
        testsupport::SetMachineSetting("admin", "1");
        testsupport::SetMachineSetting("ui_language", "1033");
    }
    static void Set(const std::string& major, const std::string& minor, const std::string& build,
                    const std::string& platform) {
        testsupport::SetMachineSetting("os_major", major);
        testsupport::SetMachineSetting("os_minor", minor);
        testsupport::SetMachineSetting("os_build", build);
        testsupport::SetMachineSetting("os_platform", platform);
    }
};

TEST_F(MachineIdentity, OsIndexOfEveryVersion) {
    struct Case {
        const char* major;
        const char* minor;
        const char* platform;  // 2 NT, 1 the 9x family
        int index;
        bool nt;
    } cases[] = {
        {"10", "0", "2", OsVistaOrLater, true}, {"6", "0", "2", OsVistaOrLater, true},
        {"5", "2", "2", OsWinXP, true},         {"5", "1", "2", OsWinXP, true},
        {"5", "0", "2", OsWin2000, true},       {"4", "0", "2", OsWinNT4, true},
        {"3", "51", "2", OsUnknown, true},      {"4", "90", "1", OsWinMe, false},
        {"4", "10", "1", OsWin98, false},       {"4", "3", "1", OsWin9xMinor, false},
        {"4", "0", "1", OsWin95, false},        {"5", "0", "1", OsWinMe, false},
        {"3", "0", "1", OsUnknown, false},      {"6", "1", "0", OsUnknown, false},
    };
    for (const Case& c : cases) {
        Set(c.major, c.minor, "1000", c.platform);
        EXPECT_EQ(c.index, SetupGetRunningWinVer()) << c.major << "." << c.minor << " platform " << c.platform;
        EXPECT_EQ(c.nt, IsNtPlatform()) << c.major << "." << c.minor;
    }
}

TEST_F(MachineIdentity, WindowsDirectoryByVersion) {
    std::u16string dir;
    GetSystemWindowsDirectory(dir);
    EXPECT_EQ(u"C:\\Windows", dir);
    // NT 4 has no GetSystemWindowsDirectoryW: the system folder's parent.
    Set("4", "0", "1381", "2");
    GetSystemWindowsDirectory(dir);
    EXPECT_EQ(u"C:\\Windows", dir);
    // The 9x family answers with its Windows directory.
    Set("4", "10", "2222", "1");
    GetSystemWindowsDirectory(dir);
    EXPECT_EQ(u"C:\\Windows", dir);
}

TEST_F(MachineIdentity, AdministratorCheckFollowsTheToken) {
    EXPECT_TRUE(IsAdministrator());
    testsupport::SetMachineSetting("admin", "0");
    EXPECT_FALSE(IsAdministrator());
}

TEST_F(MachineIdentity, UiLanguageAndNoEmulation) {
    testsupport::SetMachineSetting("ui_language", "1031");
    EXPECT_EQ(0x0407, GetUiLanguage());
    EXPECT_FALSE(IsWow64());
    // Before XP there is no IsWow64Process at all; the answer is still no.
    Set("5", "0", "2195", "2");
    EXPECT_FALSE(IsWow64());
}

TEST(RunningSystem, AnswersMakeSense) {
    EXPECT_TRUE(IsNtPlatform());
    EXPECT_GE(SetupGetRunningWinVer(), OsWinXP);
    EXPECT_TRUE(IsAdministrator()) << "tests run as an administrator";
    EXPECT_FALSE(IsWow64()) << "a 64-bit program";
    std::u16string dir;
    GetSystemWindowsDirectory(dir);
    EXPECT_EQ(u"C:\\", dir.substr(0, 3));
}

}  // namespace

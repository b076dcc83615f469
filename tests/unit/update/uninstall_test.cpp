// The uninstall log replayed into removals: order, flags, and the logs that must
// stop an uninstall before anything is touched.

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "update/update.h"
#include "util/basic_exception.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class UninstallTest : public testing::Test {
protected:
    void SetUp() override {
        if (testsupport::CanChangeMachine()) testsupport::SetMachineSetting("time_scale", "0");
        folder_ = testsupport::NewScratchFolder();
        WriteBytes(folder_ + u"\\a.txt", "a");
        WriteBytes(folder_ + u"\\b.txt", "b");
    }
    void TearDown() override {
        if (testsupport::CanChangeMachine()) testsupport::SetMachineSetting("time_scale", "1");
    }
    void WriteLog(const std::string& bytes) { WriteBytes(folder_ + u"\\uninstall.log", bytes); }
    bool Exists(const char16_t* name) {
        return platform::GetFileAttributesW((folder_ + u"\\" + name).c_str()) != platform::kInvalidFileAttributes;
    }
    std::string F() {
        std::string out;
        for (char16_t c : folder_) out += static_cast<char>(c);
        return out;
    }
    std::u16string folder_;
};

TEST_F(UninstallTest, NewestLineFirstWithItsFlags) {
    WriteLog("CopyFile,C:\\src\\a.txt," + F() + "\\a.txt,0x00000006\r\n" +
             "\t\r\n\r\n"  // blank lines are skipped
             "MoveFile,C:\\tmp\\x.tmp," + F() + "\\b.txt\r\n");
    Update u;
    u.OpenUninstallLog(folder_ + u"\\uninstall.log", false);
    u.Uninstall(false);
    ASSERT_EQ(2u, u.fileRemoves.size());
    EXPECT_EQ(folder_ + u"\\b.txt", u.fileRemoves[0].source);
    EXPECT_EQ(0u, u.fileRemoves[0].flags) << "a MoveFile line has no flags: kept";
    EXPECT_EQ(folder_ + u"\\a.txt", u.fileRemoves[1].source);
    EXPECT_EQ(6u, u.fileRemoves[1].flags);
    EXPECT_FALSE(Exists(u"a.txt"));
    EXPECT_TRUE(Exists(u"b.txt"));
    EXPECT_FALSE(u.rollbackLogging);
    EXPECT_FALSE(u.uninstallLog.IsOpen());
}

TEST_F(UninstallTest, FlagsInEveryNotation) {
    WriteLog("CopyFile,s," + F() + "\\a.txt\r\n"  // three fields: flags 0
             "CopyFile,s," + F() + "\\a.txt,010\r\n"  // octal
             "CopyFile,s," + F() + "\\a.txt,6\r\n");
    Update u;
    u.OpenUninstallLog(folder_ + u"\\uninstall.log", false);
    u.Uninstall(false);
    ASSERT_EQ(3u, u.fileRemoves.size());
    EXPECT_EQ(6u, u.fileRemoves[0].flags);
    EXPECT_EQ(8u, u.fileRemoves[1].flags);
    EXPECT_EQ(0u, u.fileRemoves[2].flags);
}

TEST_F(UninstallTest, DamagedLogsStopBeforeAnythingIsRemoved) {
    const std::string good = "CopyFile,s," + F() + "\\a.txt,0x00000006\r\n";
    struct Case {
        const char* name;
        std::string log;
    } cases[] = {
        {"unknown keyword", good + "DeleteEverything,C:\\\r\n"},
        {"cut-off last line", good + "CopyFile,s," + F() + "\\b.t"},
        {"not UTF-8", good + "CopyFile,s," + F() + "\\b\xff.txt,0x6\r\n"},
        {"missing destination", good + "CopyFile,s\r\n"},
        {"flags not a number", good + "CopyFile,s," + F() + "\\b.txt,0xZZ\r\n"},
    };
    for (const Case& c : cases) {
        WriteLog(c.log);
        Update u;
        u.OpenUninstallLog(folder_ + u"\\uninstall.log", false);
        EXPECT_THROW(u.Uninstall(false), BasicException) << c.name;
        EXPECT_TRUE(Exists(u"a.txt")) << c.name;
    }
}

TEST_F(UninstallTest, PartialUninstallDeletesOnlyTheAppletInAnyCase) {
    WriteBytes(folder_ + u"\\DravikCpl.Cpl", "applet");
    WriteLog("CopyFile,s," + F() + "\\DravikCpl.Cpl,0x6\r\nCopyFile,s," + F() + "\\a.txt,0x6\r\n");
    Update u;
    u.OpenUninstallLog(folder_ + u"\\uninstall.log", false);
    u.UninstallCPL();
    EXPECT_FALSE(Exists(u"DravikCpl.Cpl"));
    EXPECT_TRUE(Exists(u"a.txt"));
    EXPECT_TRUE(u.rollbackLogging);
}

TEST_F(UninstallTest, CleanupRemovesBackupsFoldersAndShortcuts) {
    Update u;
    std::u16string backup = folder_ + u"\\qln1.tmp";
    WriteBytes(backup, "old");
    u.cleanupFiles.push_back(backup);
    platform::CreateDirectoryW((folder_ + u"\\full").c_str());
    WriteBytes(folder_ + u"\\full\\f.txt", "x");
    platform::CreateDirectoryW((folder_ + u"\\kept").c_str());
    WriteBytes(folder_ + u"\\kept\\f.txt", "x");
    platform::CreateDirectoryW((folder_ + u"\\empty").c_str());
    WriteBytes(folder_ + u"\\Tool.lnk", "link");
    u.DirRemove(folder_ + u"\\full", CleanupFolderTree);
    u.DirRemove(folder_ + u"\\kept", CleanupEmptyFolder);
    u.DirRemove(folder_ + u"\\empty", CleanupEmptyFolder);
    u.DirRemove(folder_ + u"\\Tool", 2);
    u.DoCleanup();
    EXPECT_FALSE(Exists(u"qln1.tmp"));
    EXPECT_FALSE(Exists(u"full"));
    EXPECT_TRUE(Exists(u"kept\\f.txt")) << "not empty";
    EXPECT_FALSE(Exists(u"empty"));
    EXPECT_FALSE(Exists(u"Tool.lnk"));
}

}  // namespace

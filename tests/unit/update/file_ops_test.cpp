// Installing, moving and removing single files: the rollback lines they write, the
// backups they keep, and what a rollback makes of them.

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_machine.h"
#include "update/update.h"
#include "util/file_services.h"
#include "util/path_text.h"
#include "util/text.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class FileOpsTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = testsupport::NewScratchFolder();
        update_.OpenRollbackLog(folder_ + u"\\rollback.log", true);
    }

    // The rollback log's lines, with the scratch folder written as "F".
    std::vector<std::string> RollbackLines() {
        std::string bytes = ReadBytes(folder_ + u"\\rollback.log");
        std::string folder = Utf16ToUtf8(folder_);
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end = bytes.find("\r\n"); end != std::string::npos; end = bytes.find("\r\n", start)) {
            std::string line = bytes.substr(start, end - start);
            for (size_t at = line.find(folder); at != std::string::npos; at = line.find(folder)) {
                line.replace(at, folder.size(), "F");
            }
            lines.push_back(line);
            start = end + 2;
        }
        return lines;
    }

    static bool Exists(const std::u16string& path) {
        return platform::GetFileAttributesW(path.c_str()) != platform::kInvalidFileAttributes;
    }

    // The names of the folder's files that the installs made as temporary names.
    std::vector<std::u16string> TempFiles(const std::u16string& folder) {
        std::vector<std::u16string> names;
        platform::FindData found;
        platform::Handle search = platform::FindFirstFileW((folder + u"\\qln*.tmp").c_str(), &found);
        if (search == platform::InvalidHandle()) return names;
        do {
            names.push_back(found.fileName);
        } while (platform::FindNextFileW(search, &found));
        platform::FindClose(search);
        return names;
    }

    std::u16string folder_;
    Update update_;
};

TEST_F(FileOpsTest, InstallOverAFileLogsCopyThenMovesAndKeepsTheBackup) {
    std::u16string source = folder_ + u"\\new.txt", destination = folder_ + u"\\app\\file.txt";
    WriteBytes(source, "new");
    platform::CreateDirectoryW((folder_ + u"\\app").c_str());
    WriteBytes(destination, "old");
    update_.CommitFileInstall(source, destination, 6, u"");
    EXPECT_EQ("new", ReadBytes(destination));
    std::vector<std::string> lines = RollbackLines();
    ASSERT_EQ(3u, lines.size());
    // CopyFile (source, T1), MoveFile (destination, T2), MoveFile (T1, destination).
    std::string t1 = lines[0].substr(lines[0].rfind(',') + 1);
    std::string t2 = lines[1].substr(lines[1].rfind(',') + 1);
    EXPECT_EQ("CopyFile,F\\new.txt," + t1, lines[0]);
    EXPECT_EQ("MoveFile,F\\app\\file.txt," + t2, lines[1]);
    EXPECT_EQ("MoveFile," + t1 + ",F\\app\\file.txt", lines[2]);
    EXPECT_NE(t1, t2);
    ASSERT_EQ(1u, update_.cleanupFiles.size());
    EXPECT_EQ("old", ReadBytes(update_.cleanupFiles[0]));

    update_.Rollback();
    EXPECT_EQ("old", ReadBytes(destination));
    EXPECT_TRUE(TempFiles(folder_ + u"\\app").empty()) << "no temporary file is left";
    EXPECT_FALSE(Exists(folder_ + u"\\rollback.log"));
}

TEST_F(FileOpsTest, InstallIntoAMissingFolderLogsTheFolderFirst) {
    std::u16string source = folder_ + u"\\s.txt";
    WriteBytes(source, "x");
    update_.CommitFileInstall(source, folder_ + u"\\a\\b\\d.txt", 6, u"");
    std::vector<std::string> lines = RollbackLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("CreateDir,F\\a\\b", lines[0]);
    EXPECT_EQ("x", ReadBytes(folder_ + u"\\a\\b\\d.txt"));
    update_.Rollback();
    EXPECT_FALSE(Exists(folder_ + u"\\a\\b\\d.txt"));
    EXPECT_TRUE(Exists(folder_ + u"\\a\\b")) << "folders made for new files stay";
}

TEST_F(FileOpsTest, SkipsByFlagsAndVersions) {
    auto program = [](uint16_t major) {
        testsupport::VersionInfo info;
        info.fileVersion[0] = major;
        return testsupport::BuildPeWithVersion(info);
    };
    std::u16string newer = folder_ + u"\\v2.dll", older = folder_ + u"\\v1.dll", plain = folder_ + u"\\plain.dll";
    WriteBytes(newer, program(2));
    WriteBytes(older, program(1));
    WriteBytes(plain, "no version");
    struct Case {
        const char* name;
        std::u16string source;
        bool destinationExists;
        uint32_t flags;
        bool installed;
    } cases[] = {
        {"older over newer, older-only", older, true, 0x40, false},
        {"older over newer, no version check", older, true, 0x44, true},
        {"newer over newer, older-only", newer, true, 0x40, true},  // equal versions install
        {"no version counts as newest", plain, true, 0x40, true},
        {"no overwrite", newer, true, 0x10, false},
        {"replace only, missing", newer, false, 0x400, false},
        {"replace only, present", newer, true, 0x400, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::u16string destination = folder_ + u"\\case" + std::u16string(1, static_cast<char16_t>(u'a' + n++)) + u".dll";
        if (c.destinationExists) WriteBytes(destination, program(2));
        update_.CommitFileInstall(c.source, destination, c.flags, u"");
        std::string expected = c.installed ? ReadBytes(c.source) : (c.destinationExists ? program(2) : "<missing>");
        EXPECT_EQ(expected, ReadBytes(destination)) << c.name;
    }
}

TEST_F(FileOpsTest, RemoveKeepsFilesItMayNotTouchAndMovesTheRestAside) {
    struct Case {
        uint32_t flags;
        bool removed;
    } cases[] = {{0, false}, {6, true}, {0x14, false}, {0x404, false}, {0x40000004, false}, {4, true}};
    for (const Case& c : cases) {
        std::u16string path = folder_ + u"\\remove.txt";
        WriteBytes(path, "content");
        size_t backups = update_.cleanupFiles.size();
        update_.CommitFileRemove(path, c.flags);
        EXPECT_EQ(!c.removed, Exists(path)) << std::hex << c.flags;
        EXPECT_EQ(backups + (c.removed ? 1 : 0), update_.cleanupFiles.size()) << std::hex << c.flags;
    }
    update_.CommitFileRemove(folder_ + u"\\missing.txt", 6);  // nothing to do
}

TEST_F(FileOpsTest, RollbackReplaysNewestFirstAndGoesPastUnknownLines) {
    std::u16string a = folder_ + u"\\a.txt", b = folder_ + u"\\b.txt", t = folder_ + u"\\t.tmp";
    WriteBytes(b, "moved");
    WriteBytes(t, "temporary");
    for (const std::u16string& line : std::vector<std::u16string>{u"CopyFile,S," + t + u"\n", u"Mystery,1,2\n", u"MoveFile," + a + u"," + b + u"\n",
                                       u"QueuedMove,x,\n", u"CreateDir,C:\\whatever\n"}) {
        ASSERT_EQ(LineFile::kOk, update_.rollbackLog.WriteText(line));
    }
    update_.Rollback();
    EXPECT_EQ("moved", ReadBytes(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_FALSE(Exists(t));
}

TEST_F(FileOpsTest, RollbackWithoutALogDoesNothing) {
    Update fresh;
    fresh.OpenUninstallLog(folder_ + u"\\uninstall.log", true);
    fresh.Rollback();
    EXPECT_TRUE(Exists(folder_ + u"\\uninstall.log")) << "an uninstall log opened for an upgrade survives";
}

}  // namespace

// The shell's delete (SHFileOperationA and W alike) deletes files and folder trees
// alike on the simulated machine and on Windows (Wine), and answers with the shell's
// codes.

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

constexpr uint16_t kQuiet = kFofNoConfirmation | kFofNoErrorUi | kFofSilent;

// Runs each test with the 8-bit form (false) and the UTF-16 form (true).
class ShellDeleteTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { folder_ = testsupport::NewScratchFolder(); }
    static int Delete(const std::u16string& path, uint16_t flags = kQuiet) {
        if (GetParam()) {
            std::u16string list = path;
            list += u'\0';
            ShFileOpW operation{};
            operation.func = kFoDelete;
            operation.from = list.c_str();
            operation.flags = flags;
            int result = SHFileOperationW(&operation);
            EXPECT_FALSE(operation.anyOperationsAborted);
            return result;
        }
        std::string list(path.begin(), path.end());
        list += '\0';
        ShFileOpStructA operation;
        operation.func = kFoDelete;
        operation.from = list.c_str();
        operation.flags = flags;
        int result = SHFileOperationA(&operation);
        EXPECT_FALSE(operation.anyOperationsAborted);
        return result;
    }
    static bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != kInvalidFileAttributes; }
    std::u16string folder_;
};

TEST_P(ShellDeleteTest, AFolderGoesWithItsTreeReadOnlyFilesToo) {
    std::u16string tree = folder_ + u"\\tree";
    ASSERT_TRUE(CreateDirectoryW(tree.c_str()));
    ASSERT_TRUE(CreateDirectoryW((tree + u"\\sub").c_str()));
    ASSERT_TRUE(platformtest::WriteWholeFile(tree + u"\\a.txt", "a"));
    ASSERT_TRUE(platformtest::WriteWholeFile(tree + u"\\sub\\b.txt", "b"));
    ASSERT_TRUE(SetFileAttributesW((tree + u"\\sub\\b.txt").c_str(), kFileAttributeReadOnly));
    EXPECT_EQ(0, Delete(tree));
    EXPECT_FALSE(Exists(tree));
    EXPECT_TRUE(Exists(folder_));
}

TEST_P(ShellDeleteTest, MissingNames) {
    EXPECT_EQ(static_cast<int>(kErrFileNotFound), Delete(folder_ + u"\\missing")) << "in an existing folder";
    EXPECT_EQ(kDeInvalidFiles, Delete(folder_ + u"\\no\\missing")) << "a folder of the path missing";
}

TEST_P(ShellDeleteTest, AFileInUseKeepsItsFolder) {
    std::u16string tree = folder_ + u"\\tree";
    ASSERT_TRUE(CreateDirectoryW(tree.c_str()));
    ASSERT_TRUE(platformtest::WriteWholeFile(tree + u"\\held.txt", "held"));
    platformtest::FileHandle held(CreateFileW((tree + u"\\held.txt").c_str(), kGenericRead, 0, kOpenExisting,
                                              kFileAttributeNormal));
    ASSERT_TRUE(held.Valid());
    EXPECT_EQ(static_cast<int>(kErrSharingViolation), Delete(tree));
    EXPECT_TRUE(Exists(tree + u"\\held.txt"));
    held.Close();
    EXPECT_EQ(0, Delete(tree));
    EXPECT_FALSE(Exists(tree));
}

TEST_P(ShellDeleteTest, APatternWithFilesOnlyLeavesFolders) {
    ASSERT_TRUE(CreateDirectoryW((folder_ + u"\\sub").c_str()));
    ASSERT_TRUE(platformtest::WriteWholeFile(folder_ + u"\\a.tmp", "a"));
    ASSERT_TRUE(platformtest::WriteWholeFile(folder_ + u"\\b.txt", "b"));
    EXPECT_EQ(0, Delete(folder_ + u"\\*.*", kQuiet | kFofFilesOnly | kFofNoRecursion));
    EXPECT_FALSE(Exists(folder_ + u"\\a.tmp"));
    EXPECT_FALSE(Exists(folder_ + u"\\b.txt"));
    EXPECT_TRUE(Exists(folder_ + u"\\sub"));
}

INSTANTIATE_TEST_SUITE_P(Forms, ShellDeleteTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "W" : "A"; });

}  // namespace

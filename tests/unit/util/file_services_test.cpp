// Folders and files: temporary names, existence, folder trees, full paths, the
// program's own path.

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "util/file_services.h"
#include "util/path_text.h"

namespace {

TEST(FileServices, TemporaryNamesAreNewEmptyQlnFiles) {
    std::u16string folder = testsupport::NewScratchFolder();
    std::u16string first, second;
    CreateTempFileName(folder, first);
    CreateTempFileName(folder, second);
    EXPECT_NE(first, second);
    for (const auto& name : {first, second}) {
        EXPECT_EQ(folder, GetDirectoryPart(name));
        std::u16string file = GetFileNamePart(name);
        EXPECT_EQ(u"qln", file.substr(0, 3));
        ASSERT_GT(file.size(), 4u);
        std::u16string extension = file.substr(file.size() - 4);
        EXPECT_TRUE(extension == u".tmp" || extension == u".TMP");
        EXPECT_EQ("", testsupport::ReadBytes(name));
    }
}

TEST(FileServices, TemporaryNameInAMissingFolderThrowsWithTheFolder) {
    std::u16string missing = testsupport::NewScratchFolder() + u"\\missing";
    std::u16string out;
    try {
        CreateTempFileName(missing, out);
        FAIL() << "no exception";
    } catch (const BasicException& e) {
        EXPECT_EQ(missing, e.description);
        EXPECT_NE(0u, e.lastError);
    }
}

TEST(FileServices, ExistenceOfFilesFoldersAndPatterns) {
    std::u16string folder = testsupport::NewScratchFolder();
    testsupport::WriteBytes(folder + u"\\setup.inf", "x");
    EXPECT_TRUE(FileExists(folder));
    EXPECT_TRUE(FileExists(folder + u"\\setup.inf"));
    EXPECT_TRUE(FileExists(folder + u"\\SETUP.INF"));
    EXPECT_TRUE(FileExists(folder + u"\\*.inf"));
    EXPECT_TRUE(FileExists(folder + u"\\set?p.*"));
    EXPECT_FALSE(FileExists(folder + u"\\*.cat"));
    EXPECT_FALSE(FileExists(folder + u"\\missing\\setup.inf"));
}

TEST(FileServices, DirectoryTreesAreMadeWholeAndMayExist) {
    std::u16string folder = testsupport::NewScratchFolder();
    std::u16string deep = folder + u"\\a\\b\\c";
    CreateDirectoryTree(deep);
    EXPECT_EQ(platform::kFileAttributeDirectory, platform::GetFileAttributesW(deep.c_str()) & platform::kFileAttributeDirectory);
    CreateDirectoryTree(deep);  // an existing folder is fine
    // A file in the way is not.
    testsupport::WriteBytes(folder + u"\\file", "x");
    EXPECT_THROW(CreateDirectoryTree(folder + u"\\file\\sub"), BasicException);
}

TEST(FileServices, FullPathsAndTheProgramsOwnPath) {
    std::u16string full;
    EXPECT_EQ(0, GetFullPath(u"C:\\a\\.\\b\\..\\c.txt", full));
    EXPECT_EQ(u"C:\\a\\c.txt", full);
    std::u16string module, folder;
    GetModulePath(nullptr, module);
    GetModuleDirectory(nullptr, folder);
    EXPECT_EQ(folder, GetDirectoryPart(module));
    EXPECT_EQ(u':', module[1]);
    std::u16string temp = GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(u'\\', temp.back());
}

}  // namespace

// Version resources of files, read from real program images.

#include <gtest/gtest.h>

#include "tests/support/file_bytes.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_machine.h"
#include "util/version_info.h"

namespace {

TEST(VersionInfo, FileVersionAndStrings) {
    std::u16string folder = testsupport::NewScratchFolder();
    testsupport::VersionInfo info;
    info.fileVersion[0] = 5;
    info.fileVersion[1] = 18;
    info.fileVersion[2] = 402;
    info.fileVersion[3] = 0;
    info.strings = {{u"FileVersion", u"5.18.402.0"}, {u"ProductName", u"Adapter Tools"}};
    std::u16string program = folder + u"\\tool.exe";
    testsupport::WriteBytes(program, testsupport::BuildPeWithVersion(info));

    uint64_t version = 0;
    ASSERT_TRUE(GetFileVersion(program, version));
    EXPECT_EQ((5ull << 48) | (18ull << 32) | (402ull << 16), version);
    std::u16string text;
    ASSERT_TRUE(GetFileVersionString(program, u"ProductName", text));
    EXPECT_EQ(u"Adapter Tools", text);
    EXPECT_FALSE(GetFileVersionString(program, u"CompanyName", text));
    EXPECT_EQ(u"", text);
}

TEST(VersionInfo, FilesWithoutAResource) {
    std::u16string folder = testsupport::NewScratchFolder();
    std::u16string bare = folder + u"\\bare.exe";
    std::u16string text = folder + u"\\notes.txt";
    testsupport::WriteBytes(bare, testsupport::BuildPeWithoutResources());
    testsupport::WriteBytes(text, "not a program");
    for (const auto& file : {bare, text, folder + u"\\missing.exe"}) {
        uint64_t version = 0;
        std::u16string value;
        EXPECT_FALSE(GetFileVersion(file, version));
        EXPECT_FALSE(GetFileVersionString(file, u"FileVersion", value));
    }
}

}  // namespace

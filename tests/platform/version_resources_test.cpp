// Version resources of program files read alike on the simulated machine and on
// Windows (Wine): the same image, written to the machine's drive, gives the same answers.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/version_resources.h"
#include "tests/platform/test_files.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;
using platformtest::Narrow;
using platformtest::WriteWholeFile;

constexpr Dword kUntouched = 0xDEADBEEF;

class VersionResourcesTest : public testing::Test {
protected:
    void SetUp() override { dir_ = testsupport::NewScratchFolder(); }
    std::u16string dir_;
};

TEST_F(VersionResourcesTest, QueriesOfAProgramsVersion) {
    testsupport::VersionInfo info;
    info.fileVersion[0] = 2, info.fileVersion[1] = 3, info.fileVersion[2] = 4, info.fileVersion[3] = 5;
    info.productVersion[0] = 2, info.productVersion[1] = 3;
    info.strings = {{u"FileVersion", u"2.3.4.5"}, {u"ProductName", u"Kavrin"}};
    for (testsupport::PeKind kind : {testsupport::PeKind::Pe32Plus, testsupport::PeKind::Pe32}) {
        SCOPED_TRACE(kind == testsupport::PeKind::Pe32 ? "PE32" : "PE32+");
        info.kind = kind;
        const std::u16string path = dir_ + (kind == testsupport::PeKind::Pe32 ? u"\\app32.exe" : u"\\app64.exe");
        ASSERT_TRUE(WriteWholeFile(path, testsupport::BuildPeWithVersion(info)));

        Dword handle = kUntouched;
        Dword size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        EXPECT_EQ(0u, handle);
        const std::string block = testsupport::BuildVersionBlock(info);
        // The platform asks for more than the block: room for converted copies of its texts.
        ASSERT_GE(size, block.size());
        std::vector<uint32_t> data(size / 4 + 1);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
        EXPECT_EQ(0, std::memcmp(block.data(), data.data(), block.size()));

        void* value = nullptr;
        unsigned length = 0;
        ASSERT_TRUE(VerQueryValueW(data.data(), u"\\", &value, &length));
        ASSERT_EQ(sizeof(FixedFileInfo), length);
        const auto* fixed = static_cast<const FixedFileInfo*>(value);
        EXPECT_EQ(0xFEEF04BDu, fixed->signature);
        EXPECT_EQ(0x00020003u, fixed->fileVersionMS);
        EXPECT_EQ(0x00040005u, fixed->fileVersionLS);
        EXPECT_EQ(0x00020003u, fixed->productVersionMS);
        EXPECT_EQ(0u, fixed->productVersionLS);

        ASSERT_TRUE(VerQueryValueW(data.data(), u"\\VarFileInfo\\Translation", &value, &length));
        ASSERT_EQ(4u, length);
        uint32_t translation = 0;
        std::memcpy(&translation, value, 4);
        EXPECT_EQ(0x04B00409u, translation);  // language low, code page high

        // Text values: the length counts characters with the NUL; keys ignore case.
        ASSERT_TRUE(VerQueryValueW(data.data(), u"\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
        EXPECT_EQ("2.3.4.5", Narrow(static_cast<const char16_t*>(value)));
        EXPECT_EQ(8u, length);
        ASSERT_TRUE(VerQueryValueW(data.data(), u"\\StringFileInfo\\040904B0\\productname", &value, &length));
        EXPECT_EQ("Kavrin", Narrow(static_cast<const char16_t*>(value)));

        EXPECT_FALSE(VerQueryValueW(data.data(), u"\\StringFileInfo\\040904b0\\CompanyName", &value, &length));
        EXPECT_FALSE(VerQueryValueW(data.data(), u"\\StringFileInfo\\040704b0\\FileVersion", &value, &length));
    }
}

TEST_F(VersionResourcesTest, FilesWithoutVersion) {
    struct Case {
        const char* what;
        std::u16string name;
        std::string bytes;  // empty: no file
        Dword error;
    };
    const Case cases[] = {
        {"a program without resources", u"bare.exe", testsupport::BuildPeWithoutResources(), kErrResourceDataNotFound},
        {"a text file", u"readme.txt", "Not a program.\r\n", kErrResourceDataNotFound},
        {"a missing file", u"missing.exe", "", kErrFileNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string path = dir_ + u"\\" + c.name;
        if (!c.bytes.empty()) {
            ASSERT_TRUE(WriteWholeFile(path, c.bytes));
        }
        Dword handle = kUntouched;
        SetLastError(kUntouched);
        EXPECT_EQ(0u, GetFileVersionInfoSizeW(path.c_str(), &handle));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(0u, handle);
        char data[64];
        SetLastError(kUntouched);
        EXPECT_FALSE(GetFileVersionInfoW(path.c_str(), 0, sizeof data, data));
        EXPECT_EQ(c.error, GetLastError());
    }
}

}  // namespace

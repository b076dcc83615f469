// Staging a package folder, cleaning it up and reading the setup error code, on the
// machine of the test program (the simulated machine, or Wine for the Windows build).

#include <gtest/gtest.h>

#include <string>

#include "launcher/setup_error_code.h"
#include "launcher/staging.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

std::string Ansi(const std::u16string& text) { return std::string(text.begin(), text.end()); }
std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

void WriteText(const std::string& path, const std::string& text) {
    Handle file = CreateFileW(Wide(path).c_str(), kGenericWrite, 0, kCreateAlways, kFileAttributeNormal);
    ASSERT_NE(InvalidHandle(), file) << path;
    Dword written = 0;
    WriteFile(file, text.data(), static_cast<Dword>(text.size()), &written);
    CloseHandle(file);
}

bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != kInvalidFileAttributes; }

class StagingTest : public testing::Test {
protected:
    void SetUp() override {
        source_ = Ansi(testsupport::NewScratchFolder());
        target_ = Ansi(testsupport::NewScratchFolder()) + "\\QlnWLSetup";
    }
    void Folder(const std::string& name) { ASSERT_TRUE(CreateDirectoryW(Wide(source_ + "\\" + name).c_str())); }
    std::string source_, target_;
};

TEST_F(StagingTest, CopiesTheTreeWithoutFoldersNamedWithADot) {
    Folder("sub");
    Folder("sub\\deeper");
    Folder(".svn");
    WriteText(source_ + "\\setup.exe", "program");
    WriteText(source_ + "\\.hidden", "a file, not a folder");
    WriteText(source_ + "\\sub\\b.txt", "b");
    WriteText(source_ + "\\sub\\deeper\\c.txt", "c");
    WriteText(source_ + "\\.svn\\entries", "svn");
    ASSERT_EQ(0u, StageSetupFiles(source_, target_));
    for (const char* staged : {"\\setup.exe", "\\.hidden", "\\sub\\b.txt", "\\sub\\deeper\\c.txt"}) {
        EXPECT_TRUE(Exists(target_ + staged)) << staged;
    }
    EXPECT_FALSE(Exists(target_ + "\\.svn"));
    // A staging folder left by an earlier run is used as it is.
    EXPECT_EQ(0u, StageSetupFiles(source_, target_));
}

TEST_F(StagingTest, AFileInUseEndsTheStagingWithItsError) {
    for (const char* name : {"\\a.txt", "\\m.txt", "\\z.txt"}) WriteText(source_ + name, name);
    Handle held = CreateFileW(Wide(source_ + "\\m.txt").c_str(), kGenericRead, 0, kOpenExisting, kFileAttributeNormal);
    ASSERT_NE(InvalidHandle(), held);
    EXPECT_EQ(kErrSharingViolation, StageSetupFiles(source_, target_));
    CloseHandle(held);
    // The listing comes in name order: what came before the held file was copied.
    EXPECT_TRUE(Exists(target_ + "\\a.txt"));
    EXPECT_FALSE(Exists(target_ + "\\z.txt"));
}

TEST_F(StagingTest, AStagingFolderThatCannotBeMadeIsTheError) {
    EXPECT_EQ(kErrPathNotFound, StageSetupFiles(source_, target_ + "\\no\\such"));
}

TEST_F(StagingTest, CleanupDeletesTheWholeTreeReadOnlyFilesToo) {
    Folder("sub");
    WriteText(source_ + "\\sub\\b.txt", "b");
    WriteText(source_ + "\\a.txt", "a");
    ASSERT_EQ(0u, StageSetupFiles(source_, target_));
    ASSERT_TRUE(SetFileAttributesW(Wide(target_ + "\\sub\\b.txt").c_str(), kFileAttributeReadOnly));
    CleanupSetupFiles(target_);
    EXPECT_FALSE(Exists(target_));
    EXPECT_TRUE(Exists(source_ + "\\sub\\b.txt"));
}

// The code sits under a fixed key of the current user: each test leaves it removed.
class SetupErrorCodeTest : public testing::Test {
protected:
    void SetUp() override { RemoveKey(); }
    void TearDown() override { RemoveKey(); }
    static void RemoveKey() { RegDeleteKeyExW(HkeyCurrentUser(), u"Software\\QlnSetup\\Status", 0); }
    static void Set(Dword type, const void* data, Dword size) {
        HKey key = nullptr;
        ASSERT_EQ(0, RegCreateKeyExW(HkeyCurrentUser(), u"Software\\QlnSetup\\Status", 0, kKeyAllAccess, &key, nullptr));
        ASSERT_EQ(0, RegSetValueExW(key, u"ErrorCode", type, data, size));
        RegCloseKey(key);
    }
};

TEST_F(SetupErrorCodeTest, ReadsFourBytesOfAnyTypeAndZeroOtherwise) {
    EXPECT_EQ(0u, ReadSetupErrorCode()) << "no key";
    Dword code = 0x40000001;
    Set(kRegDword, &code, sizeof code);
    EXPECT_EQ(0x40000001u, ReadSetupErrorCode());
    const unsigned char two[] = {0x01, 0x02};
    Set(kRegBinary, two, sizeof two);
    EXPECT_EQ(0x0201u, ReadSetupErrorCode()) << "the field starts at 0";
    const char16_t text[] = u"too long for four bytes";
    Set(kRegSz, text, sizeof text);
    EXPECT_EQ(0u, ReadSetupErrorCode()) << "a value that does not fit is no code";
}

}  // namespace

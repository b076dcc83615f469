// The ANSI forms of the file, module and registry calls behave as their UTF-16 forms,
// with texts in the ANSI code page, alike on the simulated machine and on Windows
// (Wine).

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

std::string Ansi(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(Ansi, ModuleFileNameIsCutToTheBuffer) {
    char16_t wide[kMaxPath];
    Dword wideLength = GetModuleFileNameW(nullptr, wide, kMaxPath);
    char path[kMaxPath];
    ASSERT_EQ(wideLength, GetModuleFileNameA(nullptr, path, kMaxPath));
    EXPECT_EQ(Ansi(std::u16string(wide, wideLength)), path);
    char small[5];
    SetLastError(0);
    EXPECT_EQ(5u, GetModuleFileNameA(nullptr, small, sizeof small));
    EXPECT_EQ(kErrInsufficientBuffer, GetLastError());
    // Windows since Vista ends the cut text with a NUL in the last place; XP, and Wine,
    // fill the buffer without one. A caller ends it itself.
    EXPECT_EQ(std::string(path, 4), std::string(small, 4));
}

TEST(Ansi, TempPathEndsWithABackslash) {
    char16_t wide[kMaxPath];
    Dword wideLength = GetTempPathW(kMaxPath, wide);
    char path[kMaxPath];
    ASSERT_EQ(wideLength, GetTempPathA(kMaxPath, path));
    EXPECT_EQ(Ansi(std::u16string(wide, wideLength)), path);
    EXPECT_EQ('\\', path[wideLength - 1]);
    EXPECT_EQ(wideLength + 1, GetTempPathA(3, path)) << "too small: the size needed";
}

TEST(Ansi, FoldersFilesAndTheirListing) {
    std::string folder = Ansi(testsupport::NewScratchFolder());
    ASSERT_TRUE(CreateDirectoryA((folder + "\\sub").c_str()));
    EXPECT_FALSE(CreateDirectoryA((folder + "\\sub").c_str()));
    EXPECT_EQ(kErrAlreadyExists, GetLastError());
    std::u16string wideFolder(folder.begin(), folder.end());
    ASSERT_TRUE(platformtest::WriteWholeFile(wideFolder + u"\\caf\u00E9.txt", "text"));
    std::string cafe = folder + "\\caf\xE9.txt";
    ASSERT_TRUE(CopyFileA(cafe.c_str(), (folder + "\\b.txt").c_str(), false));
    EXPECT_FALSE(CopyFileA(cafe.c_str(), (folder + "\\b.txt").c_str(), true));
    EXPECT_EQ(kErrFileExists, GetLastError());
    EXPECT_EQ("text", platformtest::ReadWholeFile(wideFolder + u"\\b.txt").value_or(""));

    FindDataA found;
    Handle search = FindFirstFileA((folder + "\\*.*").c_str(), &found);
    ASSERT_NE(InvalidHandle(), search);
    std::vector<std::string> names;
    do {
        names.push_back(found.fileName);
        if (names.back() == "sub") {
            EXPECT_TRUE(found.fileAttributes & kFileAttributeDirectory);
        }
        if (names.back() == "b.txt") {
            EXPECT_EQ(4u, found.fileSizeLow);
        }
    } while (FindNextFileA(search, &found));
    EXPECT_EQ(kErrNoMoreFiles, GetLastError());
    FindClose(search);
    EXPECT_EQ((std::vector<std::string>{".", "..", "b.txt", "caf\xE9.txt", "sub"}), names);
}

class AnsiRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = u"Software\\KavrinTest\\ansi-" + std::u16string(1, u'0' + GetCurrentProcessId() % 10);
        ASSERT_EQ(0, RegCreateKeyExW(HkeyCurrentUser(), path_.c_str(), 0, kKeyAllAccess, &key_, nullptr));
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyExW(HkeyCurrentUser(), path_.c_str(), 0);
    }
    std::u16string path_;
    HKey key_ = nullptr;
};

TEST_F(AnsiRegistryTest, NumbersAsStoredStringsInTheAnsiCodePage) {
    const char16_t text[] = u"caf\u00E9";
    ASSERT_EQ(0, RegSetValueExW(key_, u"Text", kRegSz, text, sizeof text));
    Dword number = 42;
    ASSERT_EQ(0, RegSetValueExW(key_, u"Number", kRegDword, &number, sizeof number));

    HKey key = nullptr;
    ASSERT_EQ(0, RegOpenKeyExA(HkeyCurrentUser(), Ansi(path_).c_str(), 0, kKeyRead, &key));
    Dword type = 0, value = 0, size = sizeof value;
    EXPECT_EQ(0, RegQueryValueExA(key, "NUMBER", &type, &value, &size));
    EXPECT_EQ(kRegDword, type);
    EXPECT_EQ(42u, value);
    EXPECT_EQ(4u, size);

    char buffer[16];
    size = sizeof buffer;
    EXPECT_EQ(0, RegQueryValueExA(key, "Text", &type, buffer, &size));
    EXPECT_EQ(kRegSz, type);
    EXPECT_EQ(5u, size);
    EXPECT_EQ(0, std::memcmp("caf\xE9", buffer, 5));
    size = 2;
    EXPECT_EQ(static_cast<LStatus>(kErrMoreData), RegQueryValueExA(key, "Text", nullptr, buffer, &size));
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound), RegQueryValueExA(key, "Missing", nullptr, buffer, &size));
    RegCloseKey(key);
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound),
              RegOpenKeyExA(HkeyCurrentUser(), "Software\\KavrinTest\\no such key", 0, kKeyRead, &key));
}

}  // namespace

// GetPrivateProfileStringA reads INI files alike on the simulated machine and on
// Windows (Wine).

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/profile.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

std::string Ansi(const std::u16string& text) { return std::string(text.begin(), text.end()); }

const char kSettings[] =
    "  [Options]  \r\n"
    "CheckError = \"no\" \r\n"
    "; FILE0=commented out\r\n"
    "[LaunchList]\r\n"
    "file0=  setup.exe /s  ; not a comment\r\n"
    "FILE1=\r\n"
    "FILE2\r\n"
    "FILE3='single'\r\n"
    "FILE4=\"\r\n"
    "FILE5=\"sub dir\\setup.exe\" /v\r\n"
    "[ Spaced ]\n"
    "k=v\n"
    "[Keys]\r\n"
    "a=1\r\n"
    "B=2\r\n"
    "c\r\n"
    "; d=4\r\n";

class ProfileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = Ansi(testsupport::NewScratchFolder());
        file_ = folder_ + "\\launcher.ini";
        ASSERT_TRUE(platformtest::WriteWholeFile(std::u16string(file_.begin(), file_.end()), kSettings));
    }
    // The answer and the buffer's text up to the answer's length.
    std::pair<Dword, std::string> Read(const char* section, const char* key, const char* fallback, Dword size,
                                       const std::string& file = {}) {
        char buffer[64];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        Dword n = GetPrivateProfileStringA(section, key, fallback, buffer, size, (file.empty() ? file_ : file).c_str());
        return {n, std::string(buffer, std::min<Dword>(n, 63))};
    }
    std::string folder_, file_;
};

TEST_F(ProfileTest, ValuesByTheReadersRules) {
    struct Case {
        const char* section;
        const char* key;
        const char* fallback;
        Dword size;
        const char* text;
    } cases[] = {
        {"OPTIONS", "CHECKERROR", "Y", 10, "no"},            // names ignore case; quotes go
        {"LAUNCHLIST", "FILE0", "", 64, "setup.exe /s  ; not a comment"},
        {"LaunchList", " FILE0 ", "", 64, "setup.exe /s  ; not a comment"},
        {"LAUNCHLIST", "FILE0", "", 5, "setu"},               // cut to size - 1
        {"LAUNCHLIST", "FILE1", "default", 64, ""},           // empty is a value
        {"LAUNCHLIST", "FILE2", "default", 64, "default"},    // a name without '=' is none
        {"LAUNCHLIST", "FILE3", "", 64, "single"},
        {"LAUNCHLIST", "FILE4", "", 64, "\""},                // a lone quote stays
        {"LAUNCHLIST", "FILE5", "", 64, "\"sub dir\\setup.exe\" /v"},  // inner quotes stay
        {"LAUNCHLIST", "FILE6", "", 64, ""},
        {"Options", "FILE0", "none", 64, "none"},             // commented out
        {"Options", "FILE0", "\"quoted\"  ", 64, "quoted"},   // the default's rules
        {"Spaced", "K", "", 64, "v"},                         // LF line ends, blanks in [ ]
        {"NoSuchSection", "k", "fallback", 64, "fallback"},
        {"LAUNCHLIST", "FILE0", "", 1, ""},
    };
    for (const Case& c : cases) {
        auto [n, text] = Read(c.section, c.key, c.fallback, c.size);
        EXPECT_EQ(c.text, text) << c.section << "/" << c.key << " size " << c.size;
        EXPECT_EQ(std::string(c.text).size(), n) << c.section << "/" << c.key << " size " << c.size;
    }
}

TEST_F(ProfileTest, KeyNamesOfASection) {
    char buffer[64];
    Dword n = GetPrivateProfileStringA("Keys", nullptr, "", buffer, sizeof buffer, file_.c_str());
    EXPECT_EQ(4u, n);
    EXPECT_EQ(std::string("a\0B\0\0", 5), std::string(buffer, 5));
    // A list too long for the buffer answers size - 2.
    EXPECT_EQ(1u, GetPrivateProfileStringA("Keys", nullptr, "", buffer, 3, file_.c_str()));
    EXPECT_EQ('a', buffer[0]);
    EXPECT_EQ('\0', buffer[1]);
}

TEST_F(ProfileTest, MissingFileGivesTheDefaultAndTheFileError) {
    auto [n, text] = Read("A", "B", "fallback  ", 64, folder_ + "\\missing.ini");
    EXPECT_EQ("fallback", text) << "blanks at the default's end go";
    EXPECT_EQ(8u, n);
    EXPECT_EQ(kErrFileNotFound, GetLastError());
    Read("A", "B", "x", 64, folder_ + "\\no\\missing.ini");
    EXPECT_EQ(kErrPathNotFound, GetLastError());
}

TEST_F(ProfileTest, TextAfterAUtf8MarkComesInTheAnsiCodePage) {
    std::u16string path = std::u16string(folder_.begin(), folder_.end()) + u"\\utf8.ini";
    ASSERT_TRUE(platformtest::WriteWholeFile(path, "\xEF\xBB\xBF[S]\r\nk=caf\xC3\xA9\r\n"));
    auto [n, text] = Read("S", "k", "", 64, std::string(path.begin(), path.end()));
    EXPECT_EQ("caf\xE9", text);
}

TEST_F(ProfileTest, NoBufferNoAnswer) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(0u, GetPrivateProfileStringA("LAUNCHLIST", "FILE0", "", buffer, 0, file_.c_str()));
    EXPECT_EQ('#', buffer[0]);
}

}  // namespace

// The registry calls behave alike on the simulated machine and on Windows (Wine).

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/test_machine.h"
#include "util/format.h"

namespace {

using namespace platform;

// Each test works below a key of its own under HKCU\Software, removed afterwards.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        base_ = Format(u"Software\\KavrinTest\\%u-%s", GetCurrentProcessId(),
                       testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_EQ(0, RegCreateKeyExW(HkeyCurrentUser(), base_.c_str(), 0, kKeyAllAccess, &key_, nullptr));
    }
    void TearDown() override {
        if (key_) RegCloseKey(key_);
        DeleteTree(base_);
    }
    static void DeleteTree(const std::u16string& path) {
        HKey k = nullptr;
        if (RegOpenKeyExW(HkeyCurrentUser(), path.c_str(), 0, kKeyAllAccess, &k) != 0) return;
        char16_t name[256];
        for (;;) {
            Dword n = 256;
            if (RegEnumKeyExW(k, 0, name, &n) != 0) break;
            DeleteTree(path + u"\\" + name);
        }
        RegCloseKey(k);
        RegDeleteKeyExW(HkeyCurrentUser(), path.c_str(), 0);
    }
    std::u16string base_;
    HKey key_ = nullptr;
};

TEST_F(RegistryTest, StringValueRoundTripAndSizes) {
    const char16_t text[] = u"Result,102,SetupErrorInvalidArguments\n";
    ASSERT_EQ(0, RegSetValueExW(key_, u"Message", kRegSz, text, sizeof text));
    Dword type = 0, size = 0;
    ASSERT_EQ(0, RegQueryValueExW(key_, u"message", &type, nullptr, &size));  // names ignore case
    EXPECT_EQ(kRegSz, type);
    EXPECT_EQ(sizeof text, size);
    char16_t small[4];
    Dword smallSize = sizeof small;
    EXPECT_EQ(static_cast<LStatus>(kErrMoreData), RegQueryValueExW(key_, u"Message", nullptr, small, &smallSize));
    EXPECT_EQ(sizeof text, smallSize);
    char16_t read[64] = {};
    Dword readSize = sizeof read;
    ASSERT_EQ(0, RegQueryValueExW(key_, u"Message", nullptr, read, &readSize));
    EXPECT_EQ(0, std::memcmp(text, read, sizeof text));
}

TEST_F(RegistryTest, MissingKeysAndValues) {
    HKey k = nullptr;
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound), RegOpenKeyExW(key_, u"NoSuchKey", 0, kKeyRead, &k));
    Dword size = 0;
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound), RegQueryValueExW(key_, u"NoSuchValue", nullptr, nullptr, &size));
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound), RegDeleteValueW(key_, u"NoSuchValue"));
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound), RegDeleteKeyExW(key_, u"NoSuchKey", 0));
}

TEST_F(RegistryTest, CreateReportsDispositionAndMakesParents) {
    HKey k = nullptr;
    Dword disposition = 0;
    ASSERT_EQ(0, RegCreateKeyExW(key_, u"A\\B\\C", 0, kKeyAllAccess, &k, &disposition));
    EXPECT_EQ(kRegCreatedNewKey, disposition);
    RegCloseKey(k);
    ASSERT_EQ(0, RegCreateKeyExW(key_, u"a\\b\\c", 0, kKeyAllAccess, &k, &disposition));
    EXPECT_EQ(kRegOpenedExistingKey, disposition);
    RegCloseKey(k);
    // The first creation's case stays.
    ASSERT_EQ(0, RegOpenKeyExW(key_, u"a", 0, kKeyRead, &k));
    char16_t name[256];
    Dword n = 256;
    ASSERT_EQ(0, RegEnumKeyExW(k, 0, name, &n));
    EXPECT_EQ(std::u16string(u"B"), std::u16string(name, n));
    n = 256;
    EXPECT_EQ(static_cast<LStatus>(kErrNoMoreItems), RegEnumKeyExW(k, 1, name, &n));
    RegCloseKey(k);
}

TEST_F(RegistryTest, DeletingAKeyWithSubkeysIsRefused) {
    HKey k = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(key_, u"Parent\\Child", 0, kKeyAllAccess, &k, nullptr));
    RegCloseKey(k);
    EXPECT_EQ(static_cast<LStatus>(kErrAccessDenied), RegDeleteKeyExW(key_, u"Parent", 0));
    EXPECT_EQ(0, RegDeleteKeyExW(key_, u"Parent\\Child", 0));
    EXPECT_EQ(0, RegDeleteKeyExW(key_, u"Parent", 0));
}

TEST_F(RegistryTest, EnumeratesValuesWithNameBufferLimits) {
    const uint32_t one = 1;
    ASSERT_EQ(0, RegSetValueExW(key_, u"LongerName", kRegDword, &one, sizeof one));
    char16_t name[4];
    Dword n = 4;
    EXPECT_EQ(static_cast<LStatus>(kErrMoreData), RegEnumValueW(key_, 0, name, &n, nullptr, nullptr, nullptr));
    char16_t big[32];
    n = 32;
    Dword type = 0, size = 0;
    ASSERT_EQ(0, RegEnumValueW(key_, 0, big, &n, &type, nullptr, &size));
    EXPECT_EQ(std::u16string(u"LongerName"), std::u16string(big, n));
    EXPECT_EQ(kRegDword, type);
    EXPECT_EQ(4u, size);
    n = 32;
    EXPECT_EQ(static_cast<LStatus>(kErrNoMoreItems), RegEnumValueW(key_, 1, big, &n, nullptr, nullptr, nullptr));
}

TEST_F(RegistryTest, ViewsOfSoftwareUnderLocalMachine) {
    // A key made through the 32-bit view lands under Wow6432Node for 64-bit readers.
    const std::u16string path = u"SOFTWARE\\KavrinViewTest";
    HKey k = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HkeyLocalMachine(), path.c_str(), 0, kKeyAllAccess | kKeyWow64_32Key, &k, nullptr));
    RegCloseKey(k);
    EXPECT_EQ(0, RegOpenKeyExW(HkeyLocalMachine(), u"SOFTWARE\\Wow6432Node\\KavrinViewTest", 0,
                               kKeyRead | kKeyWow64_64Key, &k));
    RegCloseKey(k);
    EXPECT_EQ(static_cast<LStatus>(kErrFileNotFound),
              RegOpenKeyExW(HkeyLocalMachine(), path.c_str(), 0, kKeyRead | kKeyWow64_64Key, &k));
    EXPECT_EQ(0, RegDeleteKeyExW(HkeyLocalMachine(), path.c_str(), kKeyWow64_32Key));
}

TEST_F(RegistryTest, CurrentControlSetIsControlSet001) {
    // Wine 8 keeps CurrentControlSet as a key of its own, with no ControlSet001.
    if (testsupport::UnderWine()) GTEST_SKIP() << "Wine has no ControlSet001 link";
    HKey a = nullptr, b = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HkeyLocalMachine(), u"SYSTEM\\CurrentControlSet\\Services\\KavrinTestSvc", 0,
                                 kKeyAllAccess, &a, nullptr));
    EXPECT_EQ(0, RegOpenKeyExW(HkeyLocalMachine(), u"SYSTEM\\ControlSet001\\Services\\KavrinTestSvc", 0,
                               kKeyRead, &b));
    RegCloseKey(a);
    RegCloseKey(b);
    EXPECT_EQ(0, RegDeleteKeyExW(HkeyLocalMachine(), u"SYSTEM\\CurrentControlSet\\Services\\KavrinTestSvc", 0));
}

}  // namespace

// Enumeration and string reads on an open key.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "util/format.h"
#include "util/registry_services.h"

namespace {

using namespace platform;

class RegistryServices : public testing::Test {
protected:
    void SetUp() override {
        path_ = Format(u"Software\\KavrinTest\\services-%u", GetCurrentProcessId());
        ASSERT_EQ(0, RegCreateKeyExW(HkeyCurrentUser(), path_.c_str(), 0, kKeyAllAccess, &key_, nullptr));
    }
    void TearDown() override {
        RegDeleteKeyExW(key_, u"Sub", 0);
        RegCloseKey(key_);
        RegDeleteKeyExW(HkeyCurrentUser(), path_.c_str(), 0);
    }
    void SetRaw(const char16_t* name, Dword type, const std::u16string& data, size_t bytes) {
        ASSERT_EQ(0, RegSetValueExW(key_, name, type, data.data(), static_cast<Dword>(bytes)));
    }
    std::u16string path_;
    HKey key_ = nullptr;
};

TEST_F(RegistryServices, StringValuesUpToTheirFirstNul) {
    struct Case {
        const char16_t* name;
        std::u16string data;
        size_t bytes;
        std::u16string read;
    } cases[] = {
        {u"Terminated", std::u16string(u"abc\0", 4), 8, u"abc"},
        {u"Unterminated", u"abc", 6, u"abc"},
        {u"Embedded", std::u16string(u"ab\0cd\0", 6), 12, u"ab"},
        {u"Empty", std::u16string(u"", 0), 0, u""},
    };
    for (const Case& c : cases) {
        SetRaw(c.name, kRegSz, c.data, c.bytes);
        std::u16string out = u"unchanged";
        EXPECT_EQ(0, QueryStringValue(key_, c.name, out));
        EXPECT_EQ(c.read, out);
    }
    std::u16string out = u"unchanged";
    EXPECT_EQ(static_cast<long>(kErrFileNotFound), QueryStringValue(key_, u"Missing", out));
    EXPECT_EQ(u"unchanged", out);
}

TEST_F(RegistryServices, EnumeratesNamesToTheEnd) {
    HKey sub = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(key_, u"Sub", 0, kKeyAllAccess, &sub, nullptr));
    RegCloseKey(sub);
    SetRaw(u"Value", kRegSz, u"x", 4);
    std::u16string name;
    EXPECT_EQ(0, EnumSubKeyName(key_, 0, name));
    EXPECT_EQ(u"Sub", name);
    EXPECT_EQ(static_cast<long>(kErrNoMoreItems), EnumSubKeyName(key_, 1, name));
    EXPECT_EQ(0, EnumValueName(key_, 0, name));
    EXPECT_EQ(u"Value", name);
    EXPECT_EQ(static_cast<long>(kErrNoMoreItems), EnumValueName(key_, 1, name));
    // A value name too long for the 256 characters of room; the order of values is
    // the platform's own, so both places are looked at.
    std::u16string longName(300, u'n');
    SetRaw(longName.c_str(), kRegSz, u"x", 4);
    std::vector<long> results;
    for (Dword i = 0; i < 2; ++i) results.push_back(EnumValueName(key_, i, name));
    std::sort(results.begin(), results.end());
    EXPECT_EQ((std::vector<long>{0, static_cast<long>(kErrMoreData)}), results);
    RegDeleteValueW(key_, longName.c_str());
}

}  // namespace

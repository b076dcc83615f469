// The SharedDLLs reference counts.

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "util/shared_dlls.h"

namespace {

const char16_t kKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class SharedDlls : public testing::Test {
protected:
    void TearDown() override {
        platform::HKey key = nullptr;
        if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), kKey, 0, platform::kKeyAllAccess, &key) == 0) {
            platform::RegDeleteValueW(key, kName);
            platform::RegCloseKey(key);
        }
    }
    static void Set(uint32_t count) {
        platform::HKey key = nullptr;
        ASSERT_EQ(0, platform::RegCreateKeyExW(platform::HkeyLocalMachine(), kKey, 0, platform::kKeyAllAccess, &key, nullptr));
        platform::RegSetValueExW(key, kName, platform::kRegDword, &count, sizeof count);
        platform::RegCloseKey(key);
    }
    static int64_t Get() {
        platform::HKey key = nullptr;
        if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), kKey, 0, platform::kKeyRead, &key) != 0) return -1;
        uint32_t count = 0;
        platform::Dword size = sizeof count;
        long result = platform::RegQueryValueExW(key, kName, nullptr, &count, &size);
        platform::RegCloseKey(key);
        return result == 0 ? static_cast<int64_t>(count) : -1;
    }
    static constexpr const char16_t* kName = u"C:\\Program Files\\KavrinTest\\shared.dll";
};

TEST_F(SharedDlls, AddStartsAtOneOrTwoAndCounts) {
    AddSharedDllRef(kName, true);
    EXPECT_EQ(2, Get()) << "a file that was there before has a user already";
    AddSharedDllRef(kName, false);
    EXPECT_EQ(3, Get());
    TearDown();
    AddSharedDllRef(kName, false);
    EXPECT_EQ(1, Get());
    Set(0xFFFFFFFF);
    AddSharedDllRef(kName, false);
    EXPECT_EQ(1, Get());
}

TEST_F(SharedDlls, ReleaseTellsWhenTheLastUserWent) {
    Set(3);
    EXPECT_FALSE(ReleaseSharedDllRef(kName));
    EXPECT_EQ(2, Get());
    Set(1);
    EXPECT_TRUE(ReleaseSharedDllRef(kName));
    EXPECT_EQ(-1, Get()) << "deleted";
    EXPECT_TRUE(ReleaseSharedDllRef(kName)) << "nothing to read";
    Set(0);
    EXPECT_TRUE(ReleaseSharedDllRef(kName)) << "a count of 0 holds no user; it must not wrap";
    EXPECT_EQ(-1, Get());
}

}  // namespace

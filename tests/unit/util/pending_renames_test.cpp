// Taking back moves and deletions registered for the next restart.

#include <gtest/gtest.h>

#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "util/pending_renames.h"

namespace {

// The names of the list, as the system keeps them, without the closing empty string.
std::vector<std::u16string> PendingNames() {
    platform::HKey key = nullptr;
    if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                                platform::kKeyQueryValue, &key) != 0) {
        return {};
    }
    std::vector<char16_t> data(1 << 16, 0);
    platform::Dword size = static_cast<platform::Dword>(data.size() * 2 - 4);
    long result = platform::RegQueryValueExW(key, u"PendingFileRenameOperations", nullptr, data.data(), &size);
    platform::RegCloseKey(key);
    std::vector<std::u16string> names;
    if (result != 0) return names;
    for (size_t at = 0; at < size / 2;) {
        size_t end = at;
        while (data[end]) ++end;
        names.emplace_back(data.data() + at, end - at);
        at = end + 1;
    }
    while (!names.empty() && names.back().empty()) names.pop_back();
    return names;
}

bool Names(const std::vector<std::u16string>& names, const std::u16string& path) {
    for (const std::u16string& name : names) {
        if (name.find(path) != std::u16string::npos) return true;
    }
    return false;
}

TEST(PendingRenames, TheMoveOrDeletionAskedForGoesAndTheRestStay) {
    const std::u16string folder = testsupport::NewScratchFolder();
    const std::u16string a = folder + u"\\a.txt", b = folder + u"\\b.txt", gone = folder + u"\\gone.txt";
    for (const std::u16string& path : {a, b, gone}) testsupport::WriteBytes(path, "x");
    const std::vector<std::u16string> before = PendingNames();

    ASSERT_TRUE(platform::MoveFileExW(a.c_str(), b.c_str(),
                                      platform::kMoveFileDelayUntilReboot | platform::kMoveFileReplaceExisting));
    ASSERT_TRUE(platform::MoveFileExW(gone.c_str(), nullptr, platform::kMoveFileDelayUntilReboot));
    ASSERT_TRUE(platform::MoveFileExW(b.c_str(), a.c_str(), platform::kMoveFileDelayUntilReboot));
    EXPECT_EQ(before.size() + 6, PendingNames().size());

    EXPECT_FALSE(CancelQueuedMove(gone, a)) << "only the pair as it was registered";
    EXPECT_TRUE(CancelQueuedMove(gone, u""));
    EXPECT_FALSE(Names(PendingNames(), gone));
    EXPECT_TRUE(CancelQueuedMove(a, b));
    std::vector<std::u16string> left = PendingNames();
    ASSERT_EQ(before.size() + 2, left.size());
    EXPECT_NE(std::u16string::npos, left[left.size() - 2].find(b));
    EXPECT_NE(std::u16string::npos, left[left.size() - 1].find(a));
    EXPECT_TRUE(CancelQueuedMove(b, a));
    EXPECT_EQ(before, PendingNames());
    EXPECT_FALSE(CancelQueuedMove(b, a));
}

}  // namespace

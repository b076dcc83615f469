// Finding a console window by its class and title, and hiding it.

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/windows_ui.h"
#include "tests/support/machine_staging.h"

namespace {

using namespace platform;

TEST(WindowsUi, NoSuchWindow) {
    SetLastError(0);
    EXPECT_EQ(nullptr, FindWindowA(kConsoleWindowClass, "C:\\no such program.exe"));
    EXPECT_FALSE(ShowWindow(nullptr, kSwHide));
    EXPECT_EQ(kErrInvalidWindowHandle, GetLastError());
}

TEST(WindowsUi, FindsTheStagedConsoleWindowAndHidesIt) {
    const char title[] = "C:\\pkg\\Setup.exe";
    if (!testsupport::StageWindow(kConsoleWindowClass, title)) {
        GTEST_SKIP() << "Wine here is headless: there is no console window to find";
    }
    HWnd window = FindWindowA(kConsoleWindowClass, "c:\\PKG\\setup.exe");  // titles ignore case
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, FindWindowA(nullptr, title));
    EXPECT_EQ(nullptr, FindWindowA("OtherClass", title));
    EXPECT_TRUE(ShowWindow(window, kSwHide)) << "it was visible";
    EXPECT_FALSE(ShowWindow(window, kSwHide)) << "it was hidden already";
    EXPECT_FALSE(ShowWindow(window, kSwShow));
    EXPECT_TRUE(ShowWindow(window, kSwHide));
}

}  // namespace

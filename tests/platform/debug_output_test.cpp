// OutputDebugStringA: the simulated machine keeps what programs send to the debugger
// output where a test reads it.

#include <gtest/gtest.h>

#include <string>

#include "platform/debug_output.h"
#include "tests/support/machine_staging.h"

namespace {

TEST(DebugOutput, TextsAreKeptInOrderAsSent) {
    std::string before;
    if (!testsupport::ReadDebugOutput(&before)) {
        // WINEDEBUG=+debugstr shows it there; the launcher's scenarios read it so.
        GTEST_SKIP() << "under Wine the debugger output goes to Wine's debug channel";
    }
    platform::OutputDebugStringA("first line\r\n");
    platform::OutputDebugStringA("caf\xE9 ");
    platform::OutputDebugStringA("");
    platform::OutputDebugStringA(nullptr);
    platform::OutputDebugStringA("end\r\n");
    std::string after;
    ASSERT_TRUE(testsupport::ReadDebugOutput(&after));
    ASSERT_EQ(before, after.substr(0, before.size()));
    // The ANSI texts are kept in UTF-8.
    EXPECT_EQ("first line\r\ncaf\xC3\xA9 end\r\n", after.substr(before.size()));
}

}  // namespace

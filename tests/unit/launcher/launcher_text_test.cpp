// The launcher's text rules: launch entries, the re-quoting of its arguments, the help
// switches and the trace lines.

#include <gtest/gtest.h>

#include "launcher/arguments.h"
#include "launcher/launch_list.h"
#include "launcher/trace.h"

namespace {

TEST(SplitLaunchEntry, Table) {
    struct Case {
        std::string value, command, arguments;
        bool hasArguments;
    } cases[] = {
        {"setup.exe /s /v", "setup.exe", "/s /v", true},
        {"setup.exe", "setup.exe", "", false},
        {"sub\\setup.exe", "sub\\setup.exe", "", false},
        {"\"My Setup\\setup.exe\"", "My Setup\\setup.exe", "", false},
        {"\"My Setup\\setup.exe\" /f1\"a b\"", "My Setup\\setup.exe", "/f1\"a b\"", true},
        {"a\"b c\"d e", "ab cd", "e", true},     // quotes anywhere in the command toggle
        {"setup.exe  /s", "setup.exe", " /s", true},  // only the first blank separates
    };
    for (const Case& c : cases) {
        LaunchEntry entry = SplitLaunchEntry(c.value);
        EXPECT_EQ(c.command, entry.command) << c.value;
        EXPECT_EQ(c.arguments, entry.arguments) << c.value;
        EXPECT_EQ(c.hasArguments, entry.hasArguments) << c.value;
    }
}

TEST(RequoteArgument, Table) {
    struct Case {
        std::string argument, passed;
    } cases[] = {
        {"/f2C:\\My Logs\\x.log", "/f2\"C:\\My Logs\\x.log\""},
        {"/s", "/s"},
        {"My File", "My File"},                   // a blank but no colon: as it is
        {"/f2C:\\Logs\\x.log", "/f2C:\\Logs\\x.log"},  // a colon but no blank
        {"/extract_all:C:\\My Dir", "/extract_al\"l:C:\\My Dir\""},
        {":a b", "\":a b\""},                     // nothing before the colon: all quoted
        {"/f2C:\\My Logs\\", "/f2\"C:\\My Logs\\\\\""},  // the closing quote stays a quote
        {"/dC:\\My Dir\\\\", "/d\"C:\\My Dir\\\\\\\\\""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.passed, RequoteArgument(c.argument)) << c.argument;
}

TEST(IsHelpArgument, Table) {
    for (const char* yes : {"/?", "/Help", "/HELP", "-help", "-Help"}) EXPECT_TRUE(IsHelpArgument(yes)) << yes;
    for (const char* no : {"/h", "/Help2", "--help", "?", "/??", "Help", ""}) EXPECT_FALSE(IsHelpArgument(no)) << no;
}

TEST(CollectArguments, JoinsEachWithABlankAndStopsAtHelp) {
    std::string text;
    EXPECT_EQ(ArgumentsOutcome::Text, CollectArguments({"Setup.exe", "/s", "/f2C:\\My Logs\\x.log", "My File"}, &text));
    EXPECT_EQ("/s /f2\"C:\\My Logs\\x.log\" My File ", text);
    EXPECT_EQ(ArgumentsOutcome::Text, CollectArguments({"Setup.exe"}, &text));
    EXPECT_EQ("", text);
    EXPECT_EQ(ArgumentsOutcome::Usage, CollectArguments({"Setup.exe", "/s", "-HELP", "/v"}, &text));
}

TEST(FormatTrace, Table) {
    struct Case {
        std::string expected, produced;
    } cases[] = {
        {"argv[1]: /s\n", FormatTrace("argv[%d]: %s\n", {1, "/s"})},
        {"C:\\a.exe returned 0x0000007b\n", FormatTrace("%s returned 0x%08x\n", {"C:\\a.exe", 123u})},
        {"Return Code: -1", FormatTrace("Return Code: %d", {0xFFFFFFFFu})},
        {"4294967295 ff 100%", FormatTrace("%u %x 100%%", {0xFFFFFFFFu, 255})},
        {"[  ab]", FormatTrace("[%4s]", {"ab"})},
        {"missing %s and %d", FormatTrace("missing %s and %d", {})},
        {"kind %d", FormatTrace("kind %d", {"text"})},
        {"(null)", FormatTrace("%s", {static_cast<const char*>(nullptr)})},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.produced);
}

TEST(TraceLine, PrefixTrimmedEndCrLfAndCut) {
    EXPECT_EQ("*** LAUNCHER ***: Command: setup.exe\r\n", TraceLine("Command: setup.exe \t\n\r\v\f"));
    EXPECT_EQ("*** LAUNCHER ***: \r\n", TraceLine("\n"));
    EXPECT_EQ("*** LAUNCHER ***:  a b\r\n", TraceLine(" a b\n"));
    // A message is cut to 4092 characters before its end is trimmed.
    std::string line = TraceLine(std::string(4091, 'x') + "  yz");
    EXPECT_EQ("*** LAUNCHER ***: " + std::string(4091, 'x') + "\r\n", line);
}

}  // namespace

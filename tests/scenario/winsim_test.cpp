// winsim as its users call it: bad input gets a clear message and a non-zero exit,
// and never changes the machine.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/scenario_machine.h"
#include "tests/support/scenario_package.h"

namespace {

using scenario::RunResult;

std::string WinsimPath() { return std::string(KAVRIN_HOST_BIN_DIR) + "/winsim"; }

TEST(Winsim, NoMachineIsAClearError) {
    RunResult r = scenario::RunProcess({WinsimPath(), "reg", "query", "HKLM\\SOFTWARE"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("no machine given")) << r.err;
    r = scenario::RunProcess({WinsimPath(), "--prefix", "/nonexistent/machine", "info"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("no machine at")) << r.err;
}

TEST(Winsim, BadInputLeavesTheMachineAsItWas) {
    auto machine = scenario::NewSimMachine();
    RunResult before = scenario::Winsim(*machine, {"reg", "export"});
    ASSERT_EQ(0, before.exitCode);

    struct Case {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    } cases[] = {
        {"unknown root", {"reg", "query", "HKXX\\Software"}, 2, "HKXX"},
        {"missing key", {"reg", "query", "HKLM\\SOFTWARE\\NoSuchVendor"}, 1, "NoSuchVendor"},
        {"bad dword", {"reg", "set", "HKLM\\SOFTWARE\\V", "N", "REG_DWORD", "twelve"}, 2, "twelve"},
        {"unknown type", {"reg", "set", "HKLM\\SOFTWARE\\V", "N", "REG_FANCY", "1"}, 2, "REG_FANCY"},
        {"root deletion", {"reg", "delete", "HKLM"}, 2, "HKLM"},
        {"unreadable import", {"reg", "import", "/nonexistent/file.reg"}, 2, "file.reg"},
        {"unknown command", {"teleport"}, 2, "teleport"},
        {"unknown fault operation", {"fault", "add", "Teleport", "1", "5"}, 2, "Teleport"},
        {"fault at call 0", {"fault", "add", "MoveFileExW", "0", "5"}, 2, "N counts"},
        {"lock of a missing file", {"file", "lock", "C:\\nothing.txt"}, 1, "no such file"},
        {"missing program", {"run", "C:\\nothing.exe"}, 127, "no such program"},
        {"diff without snapshot", {"diff", "never"}, 1, "no snapshot named never"},
    };
    for (const Case& c : cases) {
        RunResult r = scenario::Winsim(*machine, c.args);
        EXPECT_EQ(c.exitCode, r.exitCode) << c.what << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << c.what << ": " << r.err;
    }

    // A .reg file with one bad line changes nothing, not even its good lines.
    std::string file = machine->HostPath("C:\\bad.reg");
    std::ofstream(file) << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Good]\r\n"
                           "\"Fine\"=dword:00000001\r\n\"Broken\"=dword:nothex\r\n";
    RunResult import = scenario::Winsim(*machine, {"reg", "import", file});
    EXPECT_EQ(2, import.exitCode);
    EXPECT_NE(std::string::npos, import.err.find("line 5")) << import.err;
    std::remove(file.c_str());
    EXPECT_EQ(before.out, scenario::Winsim(*machine, {"reg", "export"}).out);
}

TEST(Winsim, SnapshotAndDiffShowEachChangeOnce) {
    auto machine = scenario::NewSimMachine();
    machine->WriteFile("C:\\data\\kept.txt", "same");
    machine->WriteFile("C:\\data\\changed.txt", "old");
    machine->WriteFile("C:\\data\\removed.txt", "gone soon");
    ASSERT_EQ(0, scenario::Winsim(*machine, {"reg", "set", "HKLM\\SOFTWARE\\Vendor", "Count", "REG_DWORD", "1"}).exitCode);
    ASSERT_EQ(0, scenario::Winsim(*machine, {"snapshot", "start"}).exitCode);
    machine->WriteFile("C:\\data\\changed.txt", "new");
    machine->WriteFile("C:\\data\\added.txt", "new file");
    std::remove(machine->HostPath("C:\\data\\removed.txt").c_str());
    ASSERT_EQ(0, scenario::Winsim(*machine, {"reg", "set", "HKLM\\SOFTWARE\\Vendor", "Count", "REG_DWORD", "2"}).exitCode);
    ASSERT_EQ(0, scenario::Winsim(*machine, {"reg", "set", "HKLM\\SOFTWARE\\Vendor\\Sub", "", "REG_SZ", "x"}).exitCode);
    RunResult diff = scenario::Winsim(*machine, {"diff", "start"});
    ASSERT_EQ(0, diff.exitCode) << diff.err;
    EXPECT_EQ(
        "+ C:\\data\\added.txt\n"
        "* C:\\data\\changed.txt\n"
        "- C:\\data\\removed.txt\n"
        "* [HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor] \"Count\"=dword:00000002\n"
        "+ [HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Sub]\n"
        "+ [HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Sub] @=\"x\"\n",
        diff.out);
}

}  // namespace

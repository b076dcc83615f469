// kavrin's start-up, its result reporting and its log, run as a caller runs it: on a
// fresh simulated machine, and the Windows build under Wine.

#include <gtest/gtest.h>

#include <regex>

#include "tests/support/scenario_machine.h"

namespace {

using scenario::Machine;
using scenario::RunResult;

const std::string kVersionLine = "Version,1,5.18.402 (r382716)\r\n";
const char kMessageKey[] = "HKCU\\Software\\QlnSetup";
const std::string kSignature = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";

class WineEnvironment : public testing::Environment {
public:
    void SetUp() override { scenario::StartWine(); }
    void TearDown() override { scenario::StopWine(); }
};
const testing::Environment* const wine = testing::AddGlobalTestEnvironment(new WineEnvironment);

class EntryTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "sim") {
            machine_ = scenario::NewSimMachine();
        } else {
            machine_ = scenario::NewWineMachine();
            if (!machine_) GTEST_SKIP() << "Wine: " << scenario::WineUnavailableReason();
        }
    }
    std::optional<std::u16string> Message() { return machine_->StringValue(kMessageKey, "Message"); }
    std::unique_ptr<Machine> machine_;
};

std::u16string U(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST_P(EntryTest, NoArgumentsIsAnInvalidArgumentsResult) {
    RunResult r = machine_->RunKavrin({});
    EXPECT_EQ(102, r.exitCode);
    EXPECT_EQ(kVersionLine + "Result,102,SetupErrorInvalidArguments,,\r\n", r.out);
    EXPECT_EQ(U("Result,102,SetupErrorInvalidArguments\n"), Message());
    std::string log = machine_->LogText();
    EXPECT_NE(std::string::npos, log.find("Invalid arguments\r\n"));
    EXPECT_EQ(std::string::npos, log.find("Using ini file")) << "no script is opened";
}

TEST_P(EntryTest, AdapterCommandsEndWith202AndLeaveTheMessage) {
    machine_->SetStringValue(kMessageKey, "Message", "earlier");
    for (const char* command : {"restartdriver", "DisableDriver", "enabledriver"}) {
        RunResult r = machine_->RunKavrin({command, "{00000000-0000-0000-0000-000000000000}"});
        EXPECT_EQ(202, r.exitCode) << command;
        EXPECT_EQ(kVersionLine, r.out) << command << ": no Result line";
    }
    EXPECT_EQ(U("earlier"), Message());
    // The disable step fails, so a restart neither waits nor enables.
    std::string log = machine_->LogText();
    EXPECT_EQ(std::string::npos, log.find("Restart driver successfully"));
}

TEST_P(EntryTest, UnrecognisedCommandOpensTheScriptFirst) {
    // Without a script the open fails first: an early end with 100.
    RunResult missing = machine_->RunKavrin({"bogus", "C:\\pkg"});
    EXPECT_EQ(100, missing.exitCode);
    EXPECT_EQ(kVersionLine, missing.out);
    std::optional<std::u16string> message = Message();
    ASSERT_TRUE(message);
    EXPECT_TRUE(std::regex_match(std::string(message->begin(), message->end()),
                                 std::regex("Result,100,SetupErrorNoConfigFile,cmdline/entry\\.cpp,[0-9]+\n")))
        << std::string(message->begin(), message->end());
    EXPECT_NE(std::string::npos, machine_->LogText().find("Using ini file: \"C:\\pkg\\kavrin.ini\"\r\n"));

    // A script without [Install] DriverInf is no script of ours.
    machine_->WriteFile("C:\\pkg\\kavrin.ini", kSignature + "[Install]\r\nCopyFiles=x\r\n");
    EXPECT_EQ(100, machine_->RunKavrin({"bogus", "C:\\pkg"}).exitCode);

    machine_->WriteFile("C:\\pkg\\kavrin.ini", kSignature + "[Install]\r\nDriverInf=x.inf\r\n");
    RunResult rejected = machine_->RunKavrin({"bogus", "C:\\pkg"});
    EXPECT_EQ(102, rejected.exitCode);
    EXPECT_EQ(kVersionLine + "Result,102,SetupErrorInvalidArguments,,\r\n", rejected.out);
}

TEST_P(EntryTest, EmptyScriptFolderMeansTheProgramsOwnFolder) {
    RunResult r = machine_->RunKavrin({"driveronly_install", ""});
    EXPECT_EQ(100, r.exitCode);
    std::string log = machine_->LogText();
    EXPECT_NE(std::string::npos, log.find("Working Dir: 'C:\\pkg'\r\n"));
    EXPECT_NE(std::string::npos, log.find("Using ini file: \"C:\\pkg\\kavrind.ini\"\r\n"));
}

TEST_P(EntryTest, LogHasBannersTimePrefixesAndCrLf) {
    machine_->RunKavrin({});
    machine_->RunKavrin({"enabledriver", "x"});
    std::string log = machine_->LogText();
    // Every physical line ends in CR LF; no bare line feed.
    for (size_t at = log.find('\n'); at != std::string::npos; at = log.find('\n', at + 1)) {
        ASSERT_GT(at, 0u);
        ASSERT_EQ('\r', log[at - 1]) << "bare line feed at byte " << at;
    }
    const std::string time = "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]: ";
    const std::string banner = "--.\"C:\\\\pkg\\\\kavrin64\\.exe\", Version 5\\.18\\.402 \\(r382716\\), PID [0-9]+\r\n";
    std::regex start(time + "Start " + banner);
    std::regex end(time + "End " + banner);
    std::regex setLog(time + "SetupStatusSetLog\\( \".*dravik\\.log\" \\)\r\n");
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at = log.find('\n'); at != std::string::npos; at = log.find('\n', from)) {
        lines.push_back(log.substr(from, at + 1 - from));
        from = at + 1;
    }
    // Two runs: Start, the log's own line, ..., End, twice.
    std::vector<size_t> starts, ends;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (std::regex_match(lines[i], start)) starts.push_back(i);
        if (std::regex_match(lines[i], end)) ends.push_back(i);
        EXPECT_TRUE(std::regex_search(lines[i], std::regex("^" + time))) << lines[i];
    }
    ASSERT_EQ(2u, starts.size()) << log;
    ASSERT_EQ(2u, ends.size()) << log;
    EXPECT_LT(starts[0], ends[0]);
    EXPECT_LT(ends[0], starts[1]);
    EXPECT_LT(starts[1], ends[1]);
    EXPECT_TRUE(std::regex_match(lines[starts[0] + 1], setLog)) << lines[starts[0] + 1];
    EXPECT_NE(std::string::npos, lines[starts[0] + 2].find("Setup command: '"));
}

INSTANTIATE_TEST_SUITE_P(Machines, EntryTest, testing::Values("sim", "wine"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// What only the simulated machine can be: a non-administrator, an older Windows.
struct SimOnlyCase {
    const char* name;
    std::vector<std::string> initArgs;
    int exitCode;
    const char* messagePattern;
    const char* logText;
};

void PrintTo(const SimOnlyCase& c, std::ostream* out) { *out << c.name; }

class SimOnlyEntryTest : public testing::TestWithParam<SimOnlyCase> {};

TEST_P(SimOnlyEntryTest, EndsEarlyWithTheRegistryMessageOnly) {
    const SimOnlyCase& c = GetParam();
    auto machine = scenario::NewSimMachine({c.initArgs});
    RunResult r = machine->RunKavrin({"install", "C:\\pkg"});
    EXPECT_EQ(c.exitCode, r.exitCode);
    EXPECT_EQ(kVersionLine, r.out) << "no Result line after an early end";
    std::optional<std::u16string> message = machine->StringValue(kMessageKey, "Message");
    ASSERT_TRUE(message);
    std::string text(message->begin(), message->end());
    EXPECT_TRUE(std::regex_match(text, std::regex(c.messagePattern))) << text;
    EXPECT_NE(std::string::npos, machine->LogText().find(c.logText));
}

INSTANTIATE_TEST_SUITE_P(
    Checks, SimOnlyEntryTest,
    testing::Values(
        SimOnlyCase{"NotAdministrator", {"--no-admin"}, 101,
                    "Result,101,SetupErrorInsuficientPrivileges,cmdline/entry\\.cpp,[0-9]+\n",
                    "Administrator privileges required.\r\n"},
        SimOnlyCase{"WindowsNT4", {"--os", "4.0"}, 103, "Result,103,,cmdline/entry\\.cpp,[0-9]+\n",
                    "Win2K or higher required.\r\n"},
        SimOnlyCase{"Windows98", {"--9x"}, 103, "Result,103,,cmdline/entry\\.cpp,[0-9]+\n",
                    "Win2K or higher required.\r\n"}),
    [](const testing::TestParamInfo<SimOnlyCase>& info) { return info.param.name; });

}  // namespace

// CreateProcessA with an explicit application path and inherited handles starts the
// program with exactly the command line given, alike on the simulated machine and on
// Windows (Wine); WaitForSingleObject and GetExitCodeProcess follow its end.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/process_launch.h"
#include "tests/platform/test_files.h"
#include "tests/support/machine_staging.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

std::string Ansi(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// What the stand-in program recorded of one start.
struct Record {
    std::string image, cmdline, cwd;
    std::vector<std::string> args;
};

std::vector<Record> ReadRecords(const std::u16string& path) {
    std::vector<Record> records(1);
    std::string text = platformtest::ReadWholeFile(path).value_or("");
    size_t from = 0;
    for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        std::string line = text.substr(from, end - from);
        Record& r = records.back();
        if (line == "end") records.emplace_back();
        else if (line.rfind("image=", 0) == 0) r.image = line.substr(6);
        else if (line.rfind("cmdline=", 0) == 0) r.cmdline = line.substr(8);
        else if (line.rfind("cwd=", 0) == 0) r.cwd = line.substr(4);
        else if (line.rfind("arg=", 0) == 0) r.args.push_back(line.substr(4));
    }
    records.pop_back();
    return records;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

class ProcessLaunchTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = testsupport::NewScratchFolder();
        program_ = folder_ + u"\\setup.exe";
        record_ = folder_ + u"\\record.txt";
        testsupport::PlaceFakeSetup(program_, record_);
    }
    // Starts the program; its handles, closed by the test.
    ProcessInformation Start(const std::string& commandLine, const char* currentDirectory = nullptr) {
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        StartupInfoA startup;
        ProcessInformation info;
        EXPECT_TRUE(CreateProcessA(Ansi(program_).c_str(), line.data(), true, 0, currentDirectory, &startup, &info))
            << GetLastError();
        return info;
    }
    static Dword WaitAndClose(const ProcessInformation& info) {
        EXPECT_EQ(kWaitObject0, WaitForSingleObject(info.process, kInfinite));
        Dword code = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.process, &code));
        EXPECT_TRUE(CloseHandle(info.process));
        EXPECT_TRUE(CloseHandle(info.thread));
        return code;
    }
    std::u16string folder_, program_, record_;
};

TEST_F(ProcessLaunchTest, TheCommandLineIsExactlyTheTextGiven) {
    // As the launcher starts a setup: the line does not repeat the program's name.
    const std::string line = " /v  /f2\"C:\\My Logs\\x.log\" My File /exit=0x40000001 ";
    EXPECT_EQ(0x40000001u, WaitAndClose(Start(line)));
    std::vector<Record> records = ReadRecords(record_);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(line, records[0].cmdline);
    EXPECT_TRUE(EqualsIgnoringCase(Ansi(program_), records[0].image)) << records[0].image;
    std::vector<std::string> args = {"/v", "/f2C:\\My Logs\\x.log", "My", "File", "/exit=0x40000001"};
    EXPECT_EQ(args, records[0].args);
}

TEST_F(ProcessLaunchTest, TheChildStartsInTheGivenOrTheCallersFolder) {
    WaitAndClose(Start(" first", Ansi(folder_).c_str()));
    WaitAndClose(Start(" second"));
    std::vector<Record> records = ReadRecords(record_);
    ASSERT_EQ(2u, records.size());
    EXPECT_TRUE(EqualsIgnoringCase(Ansi(folder_), records[0].cwd)) << records[0].cwd;
    char16_t cwd[kMaxPath];
    GetCurrentDirectoryW(kMaxPath, cwd);
    EXPECT_TRUE(EqualsIgnoringCase(Ansi(cwd), records[1].cwd)) << records[1].cwd;
}

TEST_F(ProcessLaunchTest, WaitsWithATimeOutWhileItRuns) {
    ProcessInformation info = Start(" /sleep=1000 /exit=7");
    EXPECT_EQ(kWaitTimeout, WaitForSingleObject(info.process, 0));
    Dword code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.process, &code));
    EXPECT_EQ(kStillActive, code);
    EXPECT_EQ(7u, WaitAndClose(info));
}

TEST_F(ProcessLaunchTest, AMissingProgramDoesNotStart) {
    char line[] = " /s";
    StartupInfoA startup;
    ProcessInformation info;
    std::string missing = Ansi(folder_) + "\\missing.exe";
    EXPECT_FALSE(CreateProcessA(missing.c_str(), line, true, 0, nullptr, &startup, &info));
    EXPECT_EQ(kErrFileNotFound, GetLastError());
    std::string noFolder = Ansi(folder_) + "\\no\\missing.exe";
    EXPECT_FALSE(CreateProcessA(noFolder.c_str(), line, true, 0, nullptr, &startup, &info));
    EXPECT_EQ(kErrPathNotFound, GetLastError());
}

}  // namespace

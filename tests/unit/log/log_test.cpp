// The log writer: time prefix, the text stream's line ends, UTF-8, the cut, and where
// entries go when the log file opens or cannot.

#include <gtest/gtest.h>

#include <regex>

#include "log/log.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "util/basic_exception.h"

namespace {

class LogTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = testsupport::NewScratchFolder() + u"\\dravik.log";
        ResetLogStream();
    }
    void TearDown() override { ResetLogStream(); }

    // What the log file holds after its own banner and line.
    std::string Entries() {
        std::string all = testsupport::ReadBytes(path_);
        size_t setLog = all.find("SetupStatusSetLog(");
        return setLog == std::string::npos ? all : all.substr(all.find('\n', setLog) + 1);
    }
    std::u16string path_;
};

const std::string kTime = "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]: ";

TEST_F(LogTest, EntriesAreTimePrefixedUtf8WithCrLf) {
    ASSERT_TRUE(SetupStatusSetLog(path_));
    struct Case {
        std::u16string format;
        std::string written;  // after the time prefix
    } cases[] = {
        {u"plain\n", "plain\r\n"},
        {u"first\nsecond\n", "first\r\nsecond\r\n"},  // only the first line has the prefix
        {u"no line feed", "no line feed"},
        {u"caf\u00e9 \U0001F600\n", "caf\xc3\xa9 \xf0\x9f\x98\x80\r\n"},
    };
    for (const Case& c : cases) {
        std::string before = Entries();
        int bytes = LogPrint(2, c.format);
        std::string added = Entries().substr(before.size());
        EXPECT_TRUE(std::regex_match(added, std::regex(kTime + std::regex_replace(c.written, std::regex(R"([\\^$.|?*+()\[\]{}])"), R"(\$&)"))))
            << added;
        // The count is of the converted entry, before its line feeds became CR LF.
        size_t lineFeeds = std::count(c.written.begin(), c.written.end(), '\n');
        EXPECT_EQ(added.size() - lineFeeds, static_cast<size_t>(bytes));
    }
}

TEST_F(LogTest, LevelChangesNothingAndArgumentsFormat) {
    ASSERT_TRUE(SetupStatusSetLog(path_));
    LogPrint(0, u"Error: file \"%S\", line %d, desc \"%s\" last error: %d\n", "util/x.cpp", 42,
             std::u16string(u"C:\\a b"), 5u);
    LogPrint(3, u"Error: file \"%S\", line %d, desc \"%s\" last error: %d\n", "util/x.cpp", 42,
             std::u16string(u"C:\\a b"), 5u);
    std::string text = Entries();
    EXPECT_TRUE(std::regex_match(text, std::regex("(" + kTime + R"(Error: file "util/x\.cpp", line 42, desc "C:\\a b" last error: 5)" + "\r\n){2}"))) << text;
}

TEST_F(LogTest, LongEntriesAreCutAt2048Units) {
    ASSERT_TRUE(SetupStatusSetLog(path_));
    std::u16string longText(3000, u'x');
    int bytes = LogPrint(2, u"%s", longText);
    EXPECT_EQ(10 + 2048, bytes);  // "HH:MM:SS: " and the cut message
}

TEST_F(LogTest, InvalidUtf16ThrowsAndWritesNothing) {
    ASSERT_TRUE(SetupStatusSetLog(path_));
    std::string before = Entries();
    std::u16string broken(1, static_cast<char16_t>(0xDC00));
    EXPECT_THROW(LogPrint(2, u"name %s\n", broken), BasicException);
    EXPECT_EQ(before, Entries());
}

TEST_F(LogTest, OpeningAppendsAStartBannerAndItsOwnLine) {
    ASSERT_TRUE(SetupStatusSetLog(path_));
    LogPrint(2, u"one\n");
    ResetLogStream();
    ASSERT_TRUE(SetupStatusSetLog(path_));
    std::string all = testsupport::ReadBytes(path_);
    std::regex banner(kTime + R"(Start -- ".+", Version 5\.18\.402 \(r382716\), PID [0-9]+)" + "\r\n");
    std::regex own(kTime + "SetupStatusSetLog\\( \".+dravik\\.log\" \\)\r\n");
    auto begin = std::sregex_iterator(all.begin(), all.end(), banner);
    EXPECT_EQ(2, std::distance(begin, std::sregex_iterator())) << all;
    EXPECT_EQ(2, std::distance(std::sregex_iterator(all.begin(), all.end(), own), std::sregex_iterator()));
    EXPECT_NE(std::string::npos, all.find("one\r\n"));
}

TEST_F(LogTest, UnopenableLogDropsEverything) {
    std::u16string missing = testsupport::NewScratchFolder() + u"\\no such folder\\dravik.log";
    EXPECT_FALSE(SetupStatusSetLog(missing));
    EXPECT_EQ(10 + 5, LogPrint(2, u"drop\n")) << "the entry is still formed and counted";
    LogEndOfProcess();  // no End banner, nowhere to go
    EXPECT_EQ("<missing>", testsupport::ReadBytes(missing));
}

TEST_F(LogTest, EmptyPathKeepsStandardError) {
    EXPECT_TRUE(SetupStatusSetLog(u""));
    EXPECT_EQ("<missing>", testsupport::ReadBytes(path_));
}

}  // namespace

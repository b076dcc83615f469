// The record files of a transaction: bytes written, lines read back, the buffer's
// growth and the results at the edges.

#include <gtest/gtest.h>

#include "log/line_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "util/basic_exception.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class LineFileTest : public testing::Test {
protected:
    void SetUp() override { path_ = testsupport::NewScratchFolder() + u"\\records.log"; }

    // Every line that ReadLine delivers from `bytes`, and the code that ended it.
    std::pair<std::vector<std::u16string>, int> ReadAll(const std::string& bytes) {
        WriteBytes(path_, bytes);
        LineFile file;
        EXPECT_EQ(LineFile::kOk, file.Open(path_, false));
        std::vector<std::u16string> lines;
        std::u16string line;
        int result;
        while ((result = file.ReadLine(line)) == LineFile::kOk) lines.push_back(line);
        return {lines, result};
    }

    std::u16string path_;
};

TEST_F(LineFileTest, WritesUtf8WithCrLfLineEnds) {
    struct Case {
        std::u16string text;
        std::string bytes;
    } cases[] = {
        {u"a,b\n", "a,b\r\n"},
        {u"two\nlines\n", "two\r\nlines\r\n"},
        {u"kept\r\n", "kept\r\r\n"},  // a carriage return already there is not special
        {u"no end", "no end"},
        {u"\u00e9\u20ac\n", "\xc3\xa9\xe2\x82\xac\r\n"},
        {u"\U0001F600\n", "\xf0\x9f\x98\x80\r\n"},  // a surrogate pair is one 4-byte sequence
    };
    for (const Case& c : cases) {
        LineFile file;
        ASSERT_EQ(LineFile::kOk, file.Open(path_, true));
        EXPECT_EQ(LineFile::kOk, file.WriteText(c.text));
        file.Close();
        EXPECT_EQ(c.bytes, ReadBytes(path_));
    }
}

TEST_F(LineFileTest, ReadsLinesAndStopsBeforeAnUnfinishedOne) {
    struct Case {
        std::string bytes;
        std::vector<std::u16string> lines;
    } cases[] = {
        {"", {}},
        {"one\r\ntwo\r\n", {u"one", u"two"}},
        {"\r\n", {u""}},
        {"a\rb\r\n", {u"ab"}},             // a lone CR inside a line is dropped
        {"lf only\n", {u"lf only"}},
        {"done\r\nunfinished", {u"done"}},  // the last line without a line feed never comes
        {"\xc3\xa9t\xc3\xa9\r\n", {u"\u00e9t\u00e9"}},
        {"ok\xc0\x80rest\r\nnext\r\n", {u"ok", u"next"}},  // cut before the malformed bytes
    };
    for (const Case& c : cases) {
        auto [lines, result] = ReadAll(c.bytes);
        EXPECT_EQ(c.lines, lines) << c.bytes;
        EXPECT_EQ(LineFile::kEnd, result) << c.bytes;
    }
}

TEST_F(LineFileTest, BufferDoublesForALongLineAndKeepsItsSize) {
    std::string longLine(100, 'x');
    WriteBytes(path_, longLine + "\r\nshort\r\n");
    LineFile file;
    ASSERT_EQ(LineFile::kOk, file.Open(path_, false));
    EXPECT_EQ(32u, file.BufferCapacity());
    std::u16string line;
    ASSERT_EQ(LineFile::kOk, file.ReadLine(line));
    EXPECT_EQ(std::u16string(100, u'x'), line);
    EXPECT_EQ(128u, file.BufferCapacity());
    ASSERT_EQ(LineFile::kOk, file.ReadLine(line));
    EXPECT_EQ(u"short", line);
    EXPECT_EQ(128u, file.BufferCapacity());
}

TEST_F(LineFileTest, RewindDeliversBufferedBytesFirst) {
    WriteBytes(path_, "first\r\nsecond\r\nthird\r\n");
    LineFile file;
    ASSERT_EQ(LineFile::kOk, file.Open(path_, false));
    std::u16string line;
    ASSERT_EQ(LineFile::kOk, file.ReadLine(line));
    EXPECT_EQ(u"first", line);
    file.Rewind();
    // "second\r\n" and part of "third" were buffered by the first read.
    ASSERT_EQ(LineFile::kOk, file.ReadLine(line));
    EXPECT_EQ(u"second", line);
    // A fresh Open reads from the start.
    ASSERT_EQ(LineFile::kOk, file.Open(path_, false));
    ASSERT_EQ(LineFile::kOk, file.ReadLine(line));
    EXPECT_EQ(u"first", line);
}

TEST_F(LineFileTest, ClosedAndFailedOpens) {
    LineFile file;
    std::u16string line;
    EXPECT_EQ(LineFile::kFailed, file.WriteText(u"x\n"));
    EXPECT_EQ(LineFile::kFailed, file.ReadLine(line));
    EXPECT_TRUE(file.Delete()) << "never opened: nothing to delete";

    EXPECT_EQ(LineFile::kFailed, file.Open(path_, false));
    EXPECT_EQ(platform::kErrFileNotFound, platform::GetLastError());
    EXPECT_FALSE(file.IsOpen());

    // Wine keeps read-only as the Unix permission bit, which the root user that runs
    // the tests is not held to: Windows refuses the open.
    if (testsupport::UnderWine()) return;
    WriteBytes(path_, "read only\r\n");
    ASSERT_TRUE(platform::SetFileAttributesW(path_.c_str(), platform::kFileAttributeReadOnly));
    EXPECT_EQ(LineFile::kFailed, file.Open(path_, false));
    EXPECT_EQ(platform::kErrAccessDenied, platform::GetLastError());
    platform::SetFileAttributesW(path_.c_str(), platform::kFileAttributeNormal);
}

TEST_F(LineFileTest, CreateEmptiesAnExistingFileAndDeleteRemovesIt) {
    WriteBytes(path_, "old content\r\n");
    LineFile file;
    ASSERT_EQ(LineFile::kOk, file.Open(path_, true));
    ASSERT_EQ(LineFile::kOk, file.WriteText(u"new\n"));
    EXPECT_EQ("new\r\n", ReadBytes(path_)) << "readable by others while open";
    EXPECT_TRUE(file.Delete());
    EXPECT_EQ(platform::kInvalidFileAttributes, platform::GetFileAttributesW(path_.c_str()));
    EXPECT_EQ(path_, file.Path()) << "the path survives";
}

TEST_F(LineFileTest, OthersMayReadAndDeleteButNotWrite) {
    LineFile file;
    ASSERT_EQ(LineFile::kOk, file.Open(path_, true));
    platform::Handle reader = platform::CreateFileW(
        path_.c_str(), platform::kGenericRead,
        platform::kFileShareRead | platform::kFileShareWrite | platform::kFileShareDelete, platform::kOpenExisting, 0);
    EXPECT_NE(platform::InvalidHandle(), reader);
    platform::CloseHandle(reader);
    platform::Handle writer = platform::CreateFileW(
        path_.c_str(), platform::kGenericWrite,
        platform::kFileShareRead | platform::kFileShareWrite | platform::kFileShareDelete, platform::kOpenExisting, 0);
    EXPECT_EQ(platform::InvalidHandle(), writer);
    EXPECT_EQ(platform::kErrSharingViolation, platform::GetLastError());
}

TEST_F(LineFileTest, InvalidUtf16WritesNothing) {
    LineFile file;
    ASSERT_EQ(LineFile::kOk, file.Open(path_, true));
    std::u16string broken = u"bad ";
    broken += static_cast<char16_t>(0xD800);
    broken += u"\n";
    EXPECT_THROW(file.WriteText(broken), BasicException);
    file.Close();
    EXPECT_EQ("", ReadBytes(path_));
}

}  // namespace

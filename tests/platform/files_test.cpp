// The file calls behave alike on the simulated machine and on Windows (Wine).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"
#include "util/format.h"

namespace {

using namespace platform;
using platformtest::Exists;
using platformtest::FileHandle;
using platformtest::Narrow;
using platformtest::ReadWholeFile;
using platformtest::WriteWholeFile;

constexpr Dword kReadWrite = kGenericRead | kGenericWrite;
constexpr Dword kShareAll = kFileShareRead | kFileShareWrite | kFileShareDelete;
constexpr Dword kErrDirectory = 267;
constexpr Dword kErrBadPathname = 161;
constexpr Dword kErrNegativeSeek = 131;
// Not a code any call here gives: shows that a call left the last error alone.
constexpr Dword kUntouched = 0xDEADBEEF;

// Each test works in a fresh folder of its own.
class FilesTest : public testing::Test {
protected:
    void SetUp() override { dir_ = testsupport::NewScratchFolder(); }
    std::u16string At(std::u16string_view name) const { return dir_ + u"\\" + std::u16string(name); }
    std::u16string dir_;
};

TEST_F(FilesTest, CreateDispositionsOnExistingAndMissingFiles) {
    // The platform promises a last error on success only for the "always" dispositions.
    constexpr Dword kNotChecked = 0xFFFFFFFF;
    struct Case {
        const char* what;
        Dword creation;
        bool exists;
        bool opens;
        Dword error;          // last error after the call
        const char* content;  // of the file afterwards; null: no file
    };
    const Case cases[] = {
        {"CREATE_NEW on an existing file", kCreateNew, true, false, kErrFileExists, "old"},
        {"CREATE_NEW on a missing file", kCreateNew, false, true, kNotChecked, ""},
        // The two "always" dispositions tell which of their two cases happened.
        {"CREATE_ALWAYS on an existing file empties it", kCreateAlways, true, true, kErrAlreadyExists, ""},
        {"CREATE_ALWAYS on a missing file", kCreateAlways, false, true, 0, ""},
        {"OPEN_ALWAYS on an existing file keeps it", kOpenAlways, true, true, kErrAlreadyExists, "old"},
        {"OPEN_ALWAYS on a missing file", kOpenAlways, false, true, 0, ""},
        {"OPEN_EXISTING on an existing file", kOpenExisting, true, true, kNotChecked, "old"},
        {"OPEN_EXISTING on a missing file", kOpenExisting, false, false, kErrFileNotFound, nullptr},
        {"TRUNCATE_EXISTING on an existing file", kTruncateExisting, true, true, kNotChecked, ""},
        {"TRUNCATE_EXISTING on a missing file", kTruncateExisting, false, false, kErrFileNotFound, nullptr},
    };
    unsigned n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string path = At(Format(u"file%u.txt", ++n));
        if (c.exists) {
            ASSERT_TRUE(WriteWholeFile(path, "old"));
        }
        SetLastError(kUntouched);
        FileHandle file(CreateFileW(path.c_str(), kReadWrite, 0, c.creation, kFileAttributeNormal));
        Dword error = GetLastError();
        EXPECT_EQ(c.opens, file.Valid());
        if (c.error != kNotChecked) {
            EXPECT_EQ(c.error, error);
        }
        file.Close();
        if (c.content) {
            EXPECT_EQ(std::optional<std::string>(c.content), ReadWholeFile(path));
        } else {
            EXPECT_FALSE(Exists(path));
        }
    }
}

TEST_F(FilesTest, CreateFailsInMissingFoldersAndOnFolders) {
    ASSERT_TRUE(CreateDirectoryW(At(u"folder").c_str()));
    struct Case {
        const char* what;
        std::u16string path;
        Dword creation;
        Dword error;
    };
    const Case cases[] = {
        {"open in a missing folder", At(u"missing\\a.txt"), kOpenExisting, kErrPathNotFound},
        {"create in a missing folder", At(u"missing\\a.txt"), kCreateNew, kErrPathNotFound},
        {"replace in a missing folder", At(u"missing\\a.txt"), kCreateAlways, kErrPathNotFound},
        // A folder is opened as a file only with backup semantics, which the logic never asks.
        {"open a folder as a file", At(u"folder"), kOpenExisting, kErrAccessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(kUntouched);
        FileHandle file(CreateFileW(c.path.c_str(), kGenericRead, kShareAll, c.creation, kFileAttributeNormal));
        EXPECT_FALSE(file.Valid());
        EXPECT_EQ(c.error, GetLastError());
    }
}

TEST_F(FilesTest, SecondOpenFollowsTheSharingOfBoth) {
    struct Case {
        const char* what;
        Dword firstAccess, firstShare, secondAccess, secondShare;
        bool secondOpens;
    };
    const Case cases[] = {
        {"two readers sharing reading", kGenericRead, kFileShareRead, kGenericRead, kFileShareRead, true},
        {"a writer where the first does not share writing", kGenericRead, kFileShareRead, kGenericWrite,
         kFileShareRead | kFileShareWrite, false},
        {"a reader that does not share writing with a writer", kGenericWrite, kFileShareRead, kGenericRead,
         kFileShareRead, false},
        {"reader and writer sharing both", kGenericWrite, kFileShareRead | kFileShareWrite, kGenericRead,
         kFileShareRead | kFileShareWrite, true},
        {"anything where the first shares nothing", kGenericRead, 0, kGenericRead, kShareAll, false},
    };
    unsigned n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string path = At(Format(u"shared%u.txt", ++n));
        ASSERT_TRUE(WriteWholeFile(path, "data"));
        FileHandle first(CreateFileW(path.c_str(), c.firstAccess, c.firstShare, kOpenExisting, kFileAttributeNormal));
        ASSERT_TRUE(first.Valid());
        SetLastError(kUntouched);
        FileHandle second(CreateFileW(path.c_str(), c.secondAccess, c.secondShare, kOpenExisting, kFileAttributeNormal));
        EXPECT_EQ(c.secondOpens, second.Valid());
        if (!c.secondOpens) {
            EXPECT_EQ(kErrSharingViolation, GetLastError());
        }
    }
}

TEST_F(FilesTest, DeleteAndRenameOfAnOpenFileNeedDeleteSharing) {
    struct Case {
        const char* what;
        Dword share;
        std::function<bool(const std::u16string&)> change;
        bool succeeds;
    };
    std::u16string renamed = At(u"renamed.txt");
    const Case cases[] = {
        {"delete, not shared", kFileShareRead | kFileShareWrite, [](auto& p) { return DeleteFileW(p.c_str()); }, false},
        {"delete, shared", kShareAll, [](auto& p) { return DeleteFileW(p.c_str()); }, true},
        {"rename, not shared", kFileShareRead | kFileShareWrite,
         [&](auto& p) { return MoveFileExW(p.c_str(), renamed.c_str(), 0); }, false},
    };
    unsigned n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string path = At(Format(u"open%u.txt", ++n));
        ASSERT_TRUE(WriteWholeFile(path, "data"));
        FileHandle file(CreateFileW(path.c_str(), kGenericRead, c.share, kOpenExisting, kFileAttributeNormal));
        ASSERT_TRUE(file.Valid());
        SetLastError(kUntouched);
        EXPECT_EQ(c.succeeds, c.change(path));
        if (!c.succeeds) {
            EXPECT_EQ(kErrSharingViolation, GetLastError());
        }
        file.Close();
        // A delete that was let through takes effect at the latest with the last close.
        EXPECT_EQ(!c.succeeds, Exists(path));
    }
}

TEST_F(FilesTest, AppendOnlyAccessWritesAtTheEnd) {
    std::u16string path = At(u"log.txt");
    ASSERT_TRUE(WriteWholeFile(path, "abc"));
    FileHandle file(CreateFileW(path.c_str(), kFileAppendData, kFileShareRead, kOpenExisting, kFileAttributeNormal));
    ASSERT_TRUE(file.Valid());
    // Even from the start of the file, the data goes after what is there.
    ASSERT_TRUE(SetFilePointerEx(file.Get(), 0, nullptr, kFileBegin));
    Dword written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "de", 2, &written));
    ASSERT_TRUE(WriteFile(file.Get(), "f", 1, &written));
    file.Close();
    EXPECT_EQ(std::optional<std::string>("abcdef"), ReadWholeFile(path));
}

TEST_F(FilesTest, ReadWriteSeekAndSize) {
    std::u16string path = At(u"data.bin");
    FileHandle file(CreateFileW(path.c_str(), kReadWrite, 0, kCreateNew, kFileAttributeNormal));
    ASSERT_TRUE(file.Valid());
    Dword n = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "hello world", 11, &n));
    EXPECT_EQ(11u, n);
    EXPECT_TRUE(FlushFileBuffers(file.Get()));
    int64_t size = 0;
    ASSERT_TRUE(GetFileSizeEx(file.Get(), &size));
    EXPECT_EQ(11, size);

    int64_t position = -1;
    ASSERT_TRUE(SetFilePointerEx(file.Get(), -5, &position, kFileEnd));
    EXPECT_EQ(6, position);
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(file.Get(), buffer, sizeof buffer, &n));
    EXPECT_EQ("world", std::string(buffer, n));
    // At the end a read succeeds with nothing.
    ASSERT_TRUE(ReadFile(file.Get(), buffer, sizeof buffer, &n));
    EXPECT_EQ(0u, n);

    ASSERT_TRUE(SetFilePointerEx(file.Get(), 2, &position, kFileBegin));
    ASSERT_TRUE(SetFilePointerEx(file.Get(), 2, &position, kFileCurrent));
    EXPECT_EQ(4, position);
    ASSERT_TRUE(WriteFile(file.Get(), "O", 1, &n));
    // Past the end: the file grows when written there.
    ASSERT_TRUE(SetFilePointerEx(file.Get(), 13, &position, kFileBegin));
    ASSERT_TRUE(WriteFile(file.Get(), "!", 1, &n));
    ASSERT_TRUE(GetFileSizeEx(file.Get(), &size));
    EXPECT_EQ(14, size);

    SetLastError(kUntouched);
    EXPECT_FALSE(SetFilePointerEx(file.Get(), -1, &position, kFileBegin));
    EXPECT_EQ(kErrNegativeSeek, GetLastError());
    file.Close();
    EXPECT_EQ(std::optional<std::string>(std::string("hellO world\0\0!", 14)), ReadWholeFile(path));
}

TEST_F(FilesTest, HandlesDoOnlyWhatTheirAccessAllows) {
    std::u16string path = At(u"data.txt");
    ASSERT_TRUE(WriteWholeFile(path, "data"));
    char buffer[8];
    Dword n = 0;
    {
        FileHandle reader(CreateFileW(path.c_str(), kGenericRead, kShareAll, kOpenExisting, kFileAttributeNormal));
        ASSERT_TRUE(reader.Valid());
        SetLastError(kUntouched);
        EXPECT_FALSE(WriteFile(reader.Get(), "x", 1, &n));
        EXPECT_EQ(kErrAccessDenied, GetLastError());
    }
    FileHandle writer(CreateFileW(path.c_str(), kGenericWrite, kShareAll, kOpenExisting, kFileAttributeNormal));
    ASSERT_TRUE(writer.Valid());
    SetLastError(kUntouched);
    EXPECT_FALSE(ReadFile(writer.Get(), buffer, sizeof buffer, &n));
    EXPECT_EQ(kErrAccessDenied, GetLastError());
}

TEST_F(FilesTest, ReadOnlyFileRefusesChange) {
    std::u16string path = At(u"locked.txt");
    std::u16string source = At(u"source.txt");
    ASSERT_TRUE(WriteWholeFile(path, "kept"));
    ASSERT_TRUE(WriteWholeFile(source, "new"));
    // A new file carries only the archive bit.
    EXPECT_EQ(kFileAttributeArchive, GetFileAttributesW(path.c_str()));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), kFileAttributeReadOnly));
    EXPECT_EQ(kFileAttributeReadOnly, GetFileAttributesW(path.c_str()) & kFileAttributeReadOnly);

    SetLastError(kUntouched);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_EQ(kErrAccessDenied, GetLastError());
    {
        FileHandle reader(CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kFileAttributeNormal));
        EXPECT_TRUE(reader.Valid());
    }
    // Wine keeps the read-only attribute as the file's Unix mode, which does not stop a
    // process of the host's root user, as the Wine test runs are here: there writing
    // and replacing succeed. Windows refuses them.
    if (!testsupport::UnderWine()) {
        for (Dword creation : {kOpenExisting, kCreateAlways, kTruncateExisting}) {
            SCOPED_TRACE(creation);
            SetLastError(kUntouched);
            FileHandle writer(CreateFileW(path.c_str(), kGenericWrite, kShareAll, creation, kFileAttributeNormal));
            EXPECT_FALSE(writer.Valid());
            EXPECT_EQ(kErrAccessDenied, GetLastError());
        }
        SetLastError(kUntouched);
        EXPECT_FALSE(CopyFileW(source.c_str(), path.c_str(), false));
        EXPECT_EQ(kErrAccessDenied, GetLastError());
        SetLastError(kUntouched);
        EXPECT_FALSE(MoveFileExW(source.c_str(), path.c_str(), kMoveFileReplaceExisting));
        EXPECT_EQ(kErrAccessDenied, GetLastError());
        EXPECT_EQ(std::optional<std::string>("kept"), ReadWholeFile(path));
    }

    // NORMAL alone clears every attribute; then the file goes like any other.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), kFileAttributeNormal));
    EXPECT_EQ(0u, GetFileAttributesW(path.c_str()) & kFileAttributeReadOnly);
    // Wine reports every plain file as ARCHIVE; Windows reports NORMAL for a file
    // without attributes.
    if (!testsupport::UnderWine()) {
        EXPECT_EQ(kFileAttributeNormal, GetFileAttributesW(path.c_str()));
    }
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(FilesTest, FolderAndDeleteErrors) {
    ASSERT_TRUE(CreateDirectoryW(At(u"full").c_str()));
    ASSERT_TRUE(WriteWholeFile(At(u"full\\inside.txt"), "x"));
    ASSERT_TRUE(WriteWholeFile(At(u"file.txt"), "x"));
    auto del = [this](const char16_t* name) { return [p = At(name)] { return DeleteFileW(p.c_str()); }; };
    auto mkdir = [this](const char16_t* name) { return [p = At(name)] { return CreateDirectoryW(p.c_str()); }; };
    auto rmdir = [this](const char16_t* name) { return [p = At(name)] { return RemoveDirectoryW(p.c_str()); }; };
    struct Case {
        const char* what;
        std::function<bool()> call;
        Dword error;
    };
    const Case cases[] = {
        {"delete a missing file", del(u"missing.txt"), kErrFileNotFound},
        {"delete in a missing folder", del(u"missing\\a.txt"), kErrPathNotFound},
        {"delete a folder as a file", del(u"full"), kErrAccessDenied},
        {"create an existing folder", mkdir(u"full"), kErrAlreadyExists},
        {"create a folder where a file is", mkdir(u"file.txt"), kErrAlreadyExists},
        {"create in a missing folder", mkdir(u"missing\\new"), kErrPathNotFound},
        {"remove a folder that is not empty", rmdir(u"full"), kErrDirNotEmpty},
        {"remove a missing folder", rmdir(u"missing"), kErrFileNotFound},
        {"remove in a missing folder", rmdir(u"missing\\sub"), kErrPathNotFound},
        {"remove a file as a folder", rmdir(u"file.txt"), kErrDirectory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(kUntouched);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(c.error, GetLastError());
    }
    EXPECT_TRUE(DeleteFileW(At(u"full\\inside.txt").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(At(u"full").c_str()));
    EXPECT_FALSE(Exists(At(u"full")));
}

TEST_F(FilesTest, ShellCreatesNestedFolders) {
    ASSERT_TRUE(WriteWholeFile(At(u"file.txt"), "x"));
    struct Case {
        const char* what;
        std::u16string path;
        int result;
    };
    const Case cases[] = {
        {"a chain of missing folders", At(u"a\\b\\c"), 0},
        {"the same again", At(u"a\\b\\c"), static_cast<int>(kErrAlreadyExists)},
        {"below the new ones, with forward slashes", At(u"a/b/c/d"), 0},
        {"a relative path", u"relative\\folder", static_cast<int>(kErrBadPathname)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.result, SHCreateDirectoryExW(c.path.c_str()));
    }
    EXPECT_EQ(kFileAttributeDirectory, GetFileAttributesW(At(u"a\\b\\c\\d").c_str()) & kFileAttributeDirectory);
}

TEST_F(FilesTest, MoveRenamesReplacesAndMovesFolders) {
    std::u16string a = At(u"a.txt"), b = At(u"b.txt"), c = At(u"c.txt");
    ASSERT_TRUE(WriteWholeFile(a, "A"));
    ASSERT_TRUE(WriteWholeFile(b, "B"));

    EXPECT_TRUE(MoveFileExW(a.c_str(), c.c_str(), 0));
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(std::optional<std::string>("A"), ReadWholeFile(c));

    SetLastError(kUntouched);
    EXPECT_FALSE(MoveFileExW(c.c_str(), b.c_str(), 0));
    EXPECT_EQ(kErrAlreadyExists, GetLastError());
    EXPECT_TRUE(MoveFileExW(c.c_str(), b.c_str(), kMoveFileReplaceExisting | kMoveFileWriteThrough));
    EXPECT_FALSE(Exists(c));
    EXPECT_EQ(std::optional<std::string>("A"), ReadWholeFile(b));

    SetLastError(kUntouched);
    EXPECT_FALSE(MoveFileExW(At(u"missing.txt").c_str(), c.c_str(), 0));
    EXPECT_EQ(kErrFileNotFound, GetLastError());
    SetLastError(kUntouched);
    EXPECT_FALSE(MoveFileExW(b.c_str(), At(u"missing\\b.txt").c_str(), 0));
    EXPECT_EQ(kErrPathNotFound, GetLastError());

    // A folder moves with what is in it; a move may also change only the case of a name.
    ASSERT_TRUE(CreateDirectoryW(At(u"folder").c_str()));
    ASSERT_TRUE(WriteWholeFile(At(u"folder\\inner.txt"), "I"));
    ASSERT_TRUE(SetFileAttributesW(At(u"folder\\inner.txt").c_str(), kFileAttributeHidden));
    EXPECT_TRUE(MoveFileExW(At(u"folder").c_str(), At(u"moved").c_str(), 0));
    EXPECT_FALSE(Exists(At(u"folder")));
    EXPECT_EQ(std::optional<std::string>("I"), ReadWholeFile(At(u"moved\\inner.txt")));
    // The attributes of what the folder holds go with it, and a moved file keeps its own.
    EXPECT_EQ(kFileAttributeHidden, GetFileAttributesW(At(u"moved\\inner.txt").c_str()) & kFileAttributeHidden);
    EXPECT_TRUE(MoveFileExW(At(u"moved\\inner.txt").c_str(), At(u"moved\\renamed.txt").c_str(), 0));
    EXPECT_EQ(kFileAttributeHidden, GetFileAttributesW(At(u"moved\\renamed.txt").c_str()) & kFileAttributeHidden);
    EXPECT_TRUE(MoveFileExW(At(u"moved\\renamed.txt").c_str(), At(u"moved\\inner.txt").c_str(), 0));
    EXPECT_TRUE(MoveFileExW(At(u"moved").c_str(), At(u"MOVED").c_str(), 0));
    // Wine 8 succeeds but keeps the old case of the name; Windows writes the new one.
    if (!testsupport::UnderWine()) {
        FindData found;
        Handle search = FindFirstFileW(At(u"moved").c_str(), &found);
        ASSERT_NE(InvalidHandle(), search);
        EXPECT_EQ("MOVED", Narrow(found.fileName));
        FindClose(search);
    }
}

// The pending renames that a restart carries out, as strings of the REG_MULTI_SZ list.
std::vector<std::u16string> PendingRenames() {
    std::vector<std::u16string> entries;
    HKey key = nullptr;
    if (RegOpenKeyExW(HkeyLocalMachine(), u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      kKeyQueryValue, &key) != 0) {
        return entries;
    }
    Dword type = 0, size = 0;
    if (RegQueryValueExW(key, u"PendingFileRenameOperations", &type, nullptr, &size) == 0 && type == kRegMultiSz) {
        std::u16string list(size / 2, u'\0');
        if (RegQueryValueExW(key, u"PendingFileRenameOperations", nullptr, list.data(), &size) == 0) {
            // Every string ends in a NUL and one more ends the list; empty strings are
            // entries here (a delete has an empty target).
            if (!list.empty() && list.back() == 0) list.pop_back();
            for (size_t start = 0; start < list.size();) {
                size_t end = list.find(u'\0', start);
                if (end == std::u16string::npos) end = list.size();
                entries.push_back(list.substr(start, end - start));
                start = end + 1;
            }
        }
    }
    RegCloseKey(key);
    return entries;
}

// Puts the list back as it was before the test: queued entries take effect at the next
// start of the machine (for Wine, of its server).
class RestorePendingRenames {
public:
    RestorePendingRenames() {
        HKey key = Open();
        Dword size = 0;
        if (key && RegQueryValueExW(key, kValue, &type_, nullptr, &size) == 0) {
            saved_.resize(size);
            existed_ = RegQueryValueExW(key, kValue, nullptr, saved_.data(), &size) == 0;
        }
        if (key) RegCloseKey(key);
    }
    ~RestorePendingRenames() {
        HKey key = Open();
        if (!key) return;
        if (existed_) {
            RegSetValueExW(key, kValue, type_, saved_.data(), static_cast<Dword>(saved_.size()));
        } else {
            RegDeleteValueW(key, kValue);
        }
        RegCloseKey(key);
    }

private:
    static constexpr const char16_t* kValue = u"PendingFileRenameOperations";
    static HKey Open() {
        HKey key = nullptr;
        RegOpenKeyExW(HkeyLocalMachine(), u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      kKeyQueryValue | kKeySetValue, &key);
        return key;
    }
    bool existed_ = false;
    Dword type_ = 0;
    std::string saved_;
};

TEST_F(FilesTest, MoveAtRestartIsQueuedAsPendingRenames) {
    RestorePendingRenames restore;
    std::u16string from = At(u"new.dll"), to = At(u"old.dll"), gone = At(u"gone.txt");
    ASSERT_TRUE(WriteWholeFile(from, "new"));
    ASSERT_TRUE(WriteWholeFile(to, "old"));
    ASSERT_TRUE(WriteWholeFile(gone, "x"));
    const size_t before = PendingRenames().size();

    ASSERT_TRUE(MoveFileExW(from.c_str(), to.c_str(), kMoveFileDelayUntilReboot | kMoveFileReplaceExisting));
    ASSERT_TRUE(MoveFileExW(from.c_str(), to.c_str(), kMoveFileDelayUntilReboot));
    ASSERT_TRUE(MoveFileExW(gone.c_str(), nullptr, kMoveFileDelayUntilReboot));

    std::vector<std::u16string> entries = PendingRenames();
    ASSERT_EQ(before + 6, entries.size());
    std::vector<std::string> queued;
    for (size_t i = before; i < entries.size(); ++i) queued.push_back(Narrow(entries[i]));
    const std::vector<std::string> expected = {
        Narrow(u"\\??\\" + from), Narrow(u"!\\??\\" + to),  // replacing
        Narrow(u"\\??\\" + from), Narrow(u"\\??\\" + to),   // not replacing
        Narrow(u"\\??\\" + gone), "",                       // a delete
    };
    EXPECT_EQ(expected, queued);
    // Nothing moves before the restart.
    EXPECT_EQ(std::optional<std::string>("new"), ReadWholeFile(from));
    EXPECT_EQ(std::optional<std::string>("old"), ReadWholeFile(to));
    EXPECT_TRUE(Exists(gone));

    // A copy cannot wait for a restart. Wine 8 queues the pair anyway.
    if (!testsupport::UnderWine()) {
        SetLastError(kUntouched);
        EXPECT_FALSE(MoveFileExW(from.c_str(), to.c_str(), kMoveFileDelayUntilReboot | kMoveFileCopyAllowed));
        EXPECT_EQ(kErrInvalidParameter, GetLastError());
        EXPECT_EQ(entries.size(), PendingRenames().size());
    }
}

TEST_F(FilesTest, CopyKeepsOrRefusesAnExistingTarget) {
    std::u16string a = At(u"a.txt"), b = At(u"b.txt");
    ASSERT_TRUE(WriteWholeFile(a, "A"));
    EXPECT_TRUE(CopyFileW(a.c_str(), b.c_str(), true));
    EXPECT_EQ(std::optional<std::string>("A"), ReadWholeFile(b));
    ASSERT_TRUE(WriteWholeFile(b, "B"));
    SetLastError(kUntouched);
    EXPECT_FALSE(CopyFileW(a.c_str(), b.c_str(), true));
    EXPECT_EQ(kErrFileExists, GetLastError());
    EXPECT_EQ(std::optional<std::string>("B"), ReadWholeFile(b));
    EXPECT_TRUE(CopyFileW(a.c_str(), b.c_str(), false));
    EXPECT_EQ(std::optional<std::string>("A"), ReadWholeFile(b));
    SetLastError(kUntouched);
    EXPECT_FALSE(CopyFileW(At(u"missing.txt").c_str(), b.c_str(), false));
    EXPECT_EQ(kErrFileNotFound, GetLastError());

    // The copy carries the source's attributes.
    std::u16string c = At(u"c.txt");
    ASSERT_TRUE(SetFileAttributesW(a.c_str(), kFileAttributeReadOnly));
    EXPECT_TRUE(CopyFileW(a.c_str(), c.c_str(), true));
    EXPECT_EQ(kFileAttributeReadOnly, GetFileAttributesW(c.c_str()) & kFileAttributeReadOnly);
    SetFileAttributesW(a.c_str(), kFileAttributeNormal);
    SetFileAttributesW(c.c_str(), kFileAttributeNormal);
}

// Case-insensitive, as the platform's names are.
bool EndsWithFolded(std::u16string_view text, std::u16string_view end) {
    if (text.size() < end.size()) return false;
    auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    for (size_t i = 0; i < end.size(); ++i) {
        if (fold(text[text.size() - end.size() + i]) != fold(end[i])) return false;
    }
    return true;
}

TEST_F(FilesTest, TempFileNames) {
    char16_t name[kMaxPath] = {};
    // Unique 0: the platform picks a free number and creates the file. Windows writes
    // four upper-case hex digits, Wine lower-case ones without padding.
    unsigned number = GetTempFileNameW(dir_.c_str(), u"kavrin", 0, name);
    ASSERT_NE(0u, number);
    std::u16string created(name);
    const std::u16string start = dir_ + u"\\kav";
    ASSERT_GT(created.size(), start.size() + 4);
    EXPECT_EQ(Narrow(start), Narrow(created.substr(0, start.size())));
    EXPECT_TRUE(EndsWithFolded(created, Format(u"%x.tmp", number))) << Narrow(created);
    EXPECT_EQ(std::optional<std::string>(""), ReadWholeFile(created));
    // Another call finds another free number.
    char16_t second[kMaxPath] = {};
    ASSERT_NE(0u, GetTempFileNameW(dir_.c_str(), u"kavrin", 0, second));
    EXPECT_NE(Narrow(created), Narrow(second));

    // A number of the caller's: only the name, no file.
    char16_t given[kMaxPath] = {};
    EXPECT_EQ(0x1A2Bu, GetTempFileNameW(dir_.c_str(), u"k", 0x1A2B, given));
    EXPECT_TRUE(EndsWithFolded(given, u"\\k1a2b.tmp")) << Narrow(given);
    EXPECT_FALSE(Exists(given));
}

TEST_F(FilesTest, TempFileNameInAMissingFolderFails) {
    char16_t name[kMaxPath] = {};
    SetLastError(kUntouched);
    EXPECT_EQ(0u, GetTempFileNameW(At(u"missing").c_str(), u"kav", 0, name));
    EXPECT_EQ(kErrDirectory, GetLastError());
}

TEST_F(FilesTest, TempPathEndsWithASeparator) {
    char16_t path[kMaxPath] = {};
    Dword n = GetTempPathW(kMaxPath, path);
    ASSERT_GT(n, 3u);
    EXPECT_EQ(n, std::u16string(path).size());
    EXPECT_EQ(u'\\', path[n - 1]);
    char16_t small[2];
    EXPECT_EQ(n + 1, GetTempPathW(2, small));
}

TEST_F(FilesTest, FullPathNames) {
    char16_t cwd[kMaxPath] = {};
    ASSERT_NE(0u, GetCurrentDirectoryW(kMaxPath, cwd));
    std::u16string here(cwd);
    // The current folder ends in a separator only at a drive's root.
    std::u16string base = here.back() == u'\\' ? here : here + u'\\';
    std::u16string drive = here.substr(0, 2);
    struct Case {
        std::u16string path;
        std::u16string full;
        std::u16string filePart;  // empty: none
    };
    const Case cases[] = {
        {u"name.txt", base + u"name.txt", u"name.txt"},
        {u"a\\b\\..\\c.txt", base + u"a\\c.txt", u"c.txt"},
        {u".\\a\\.\\b", base + u"a\\b", u"b"},
        {u"\\top\\x", drive + u"\\top\\x", u"x"},
        {u"C:/Program Files/Kavrin//bin", u"C:\\Program Files\\Kavrin\\bin", u"bin"},
        {u"C:\\a\\..\\..\\..\\b", u"C:\\b", u"b"},
        {u"C:\\a\\name. . .", u"C:\\a\\name", u"name"},
        {u"C:\\a\\name .txt ", u"C:\\a\\name .txt", u"name .txt"},
        {u"C:\\a\\folder\\", u"C:\\a\\folder\\", u""},
        {u"C:\\a\\.", u"C:\\a", u"a"},
        {u"C:\\", u"C:\\", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.path));
        char16_t buffer[kMaxPath] = {};
        char16_t* filePart = buffer;
        Dword n = GetFullPathNameW(c.path.c_str(), kMaxPath, buffer, &filePart);
        EXPECT_EQ(Narrow(c.full), Narrow(buffer));
        EXPECT_EQ(c.full.size(), n);
        EXPECT_EQ(c.filePart.empty() ? "(none)" : Narrow(c.filePart), filePart ? Narrow(filePart) : "(none)");
    }
}

TEST_F(FilesTest, FullPathNameInASmallBufferGivesTheSizeNeeded) {
    const std::u16string path = u"C:\\abc\\def";  // 10 characters
    char16_t buffer[16];
    for (Dword room : {0u, 5u, 10u}) {
        SCOPED_TRACE(room);
        EXPECT_EQ(11u, GetFullPathNameW(path.c_str(), room, room ? buffer : nullptr, nullptr));
    }
    EXPECT_EQ(10u, GetFullPathNameW(path.c_str(), 11, buffer, nullptr));
    EXPECT_EQ(Narrow(path), Narrow(buffer));
}

// A folder of known files for the searches.
class FindFileTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        ASSERT_TRUE(WriteWholeFile(At(u"Alpha.txt"), "12345"));
        ASSERT_TRUE(WriteWholeFile(At(u"beta.TXT"), ""));
        ASSERT_TRUE(WriteWholeFile(At(u"abc.dat"), "x"));
        ASSERT_TRUE(WriteWholeFile(At(u"aXc"), "xy"));
        ASSERT_TRUE(WriteWholeFile(At(u"gamma"), "xyz"));
        ASSERT_TRUE(CreateDirectoryW(At(u"Sub").c_str()));
    }

    // The names a search gives, in the order given, with their find data.
    std::vector<FindData> Search(std::u16string_view pattern, Dword* error) {
        std::vector<FindData> found;
        FindData data;
        SetLastError(kUntouched);
        Handle search = FindFirstFileW(At(pattern).c_str(), &data);
        if (search == InvalidHandle()) {
            *error = GetLastError();
            return found;
        }
        do {
            found.push_back(data);
        } while (FindNextFileW(search, &data));
        *error = GetLastError();
        EXPECT_TRUE(FindClose(search));
        return found;
    }

    // Names sorted, as the platform does not promise an order.
    static std::vector<std::string> SortedNames(const std::vector<FindData>& found) {
        std::vector<std::string> names;
        for (const FindData& f : found) names.push_back(Narrow(f.fileName));
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FindFileTest, WildcardPatterns) {
    using Names = std::vector<std::string>;
    struct Case {
        std::u16string pattern;
        Names names;  // sorted
    };
    const Case cases[] = {
        {u"*", {".", "..", "Alpha.txt", "Sub", "aXc", "abc.dat", "beta.TXT", "gamma"}},
        {u"*.txt", {"Alpha.txt", "beta.TXT"}},
        {u"a?c.*", {"aXc", "abc.dat"}},
        // The DOS rules: "*.*" also matches names without a dot.
        {u"*.*", {".", "..", "Alpha.txt", "Sub", "aXc", "abc.dat", "beta.TXT", "gamma"}},
        {u"G*", {"gamma"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.pattern));
        Dword error = 0;
        std::vector<FindData> found = Search(c.pattern, &error);
        EXPECT_EQ(c.names, SortedNames(found));
        EXPECT_EQ(kErrNoMoreFiles, error);
    }
}

TEST_F(FindFileTest, DotOnlyPatternMatchesNamesWithoutExtension) {
    // Wine 8 matches every name with "*."; Windows only those without an extension.
    if (testsupport::UnderWine()) GTEST_SKIP() << "Wine matches everything with *.";
    Dword error = 0;
    EXPECT_EQ((std::vector<std::string>{".", "..", "Sub", "aXc", "gamma"}), SortedNames(Search(u"*.", &error)));
}

TEST_F(FindFileTest, QuestionMarkAtTheEndMayMatchNothing) {
    // Wine 8 matches "?" with exactly one character everywhere; Windows lets it match
    // nothing at the end of a name or before its dot.
    if (testsupport::UnderWine()) GTEST_SKIP() << "Wine matches ? with one character only";
    Dword error = 0;
    EXPECT_EQ((std::vector<std::string>{"Sub", "aXc", "gamma"}), SortedNames(Search(u"?????", &error)));
    EXPECT_EQ((std::vector<std::string>{"Alpha.txt", "beta.TXT"}), SortedNames(Search(u"??????.txt", &error)));
}

TEST_F(FindFileTest, ExactNameFindsTheStoredCaseWithSizeAndAttributes) {
    Dword error = 0;
    std::vector<FindData> found = Search(u"ALPHA.TXT", &error);
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("Alpha.txt", Narrow(found[0].fileName));
    EXPECT_EQ(5u, found[0].fileSizeLow);
    EXPECT_EQ(0u, found[0].fileSizeHigh);
    EXPECT_EQ(0u, found[0].fileAttributes & kFileAttributeDirectory);
    EXPECT_NE(0u, found[0].lastWriteTime);
    EXPECT_EQ(kErrNoMoreFiles, error);

    found = Search(u"sub", &error);
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("Sub", Narrow(found[0].fileName));
    EXPECT_EQ(kFileAttributeDirectory, found[0].fileAttributes & kFileAttributeDirectory);
}

TEST_F(FindFileTest, FailedSearches) {
    struct Case {
        std::u16string pattern;
        Dword error;
    };
    const Case cases[] = {
        {u"*.zzz", kErrFileNotFound},
        {u"nothing.txt", kErrFileNotFound},
        {u"missing\\*", kErrPathNotFound},
        {u"missing\\a.txt", kErrPathNotFound},
        // A pattern must end in a name.
        {u"Sub\\", kErrFileNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.pattern));
        Dword error = 0;
        EXPECT_TRUE(Search(c.pattern, &error).empty());
        EXPECT_EQ(c.error, error);
    }
}

TEST(FindFileRootTest, DriveRootListsNoDotEntries) {
    FindData data;
    Handle search = FindFirstFileW(u"C:\\*", &data);
    ASSERT_NE(InvalidHandle(), search);
    do {
        std::string name = Narrow(data.fileName);
        EXPECT_NE(".", name);
        EXPECT_NE("..", name);
    } while (FindNextFileW(search, &data));
    FindClose(search);
}

}  // namespace

// SetupAPI's file services behave alike on the simulated machine and on Windows
// (Wine): compression of a source file, decompress-or-copy, and the walk of a cabinet.
// Where Wine 8 differs from Windows, the row says so and only the shared part is
// checked under Wine.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cabinet_fixtures.h"
#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/setup_files.h"
#include "tests/platform/test_files.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;
using platformtest::Exists;
using platformtest::Narrow;
using testsupport::ReadBytes;
using testsupport::UnderWine;
using testsupport::WriteBytes;

constexpr Dword kErrBadData = 13;  // ERROR_INVALID_DATA

// The texts inside the fixtures (tests/fixtures/cabinets/make-fixtures.sh).
const std::string kReadme = "Driver readme: plain text.\r\n";
const std::string kDravik = "dravik64 driver payload\r\n";
const std::string kQlnis = "qlnis service payload, second entry\r\n";
const std::string kNotes = "notes\r\n";
// Every fixture entry is dated 2024-03-15 10:20:30 and marked archive.
constexpr uint16_t kFixtureDate = (2024 - 1980) << 9 | 3 << 5 | 15;
constexpr uint16_t kFixtureTime = 10 << 11 | 20 << 5 | 30 / 2;
constexpr uint16_t kArchive = 0x20;

class SetupFilesTest : public testing::Test {
protected:
    void SetUp() override { dir_ = testsupport::NewScratchFolder(); }
    std::u16string At(std::u16string_view name) const { return dir_ + u"\\" + std::u16string(name); }
    std::u16string Put(std::u16string_view name, std::string_view bytes) const {
        WriteBytes(At(name), std::string(bytes));
        return At(name);
    }
    std::u16string dir_;
};

// ---- compression info and decompress-or-copy ----

TEST_F(SetupFilesTest, CompressionInfoOfEachKindOfSource) {
    struct Case {
        const char* what;
        const char16_t* stored;  // the file on the medium
        std::string_view bytes;
        const char16_t* asked;
        Dword error;
        Dword sourceSize;
        Dword targetSize;
        unsigned type;
        const char* wineDiffers;  // why Wine's answer is not checked
    };
    const Case cases[] = {
        {"plain file", u"readme.txt", kReadme, u"readme.txt", 0, 28, 28, kFileCompressionNone, nullptr},
        {"LZ file", u"readme.tx_", fixtures::kReadmeLz, u"readme.tx_", 0, 46, 28, kFileCompressionWinLz, nullptr},
        {"LZ file found by its uncompressed name", u"readme.tx_", fixtures::kReadmeLz, u"readme.txt", 0, 46, 28,
         kFileCompressionWinLz, "Wine looks for no compressed form of a missing name"},
        // Windows names every cabinet MSZIP.
        {"single-entry cabinet", u"dravik64.sy_", fixtures::kSingleCab, u"dravik64.sy_", 0, 110, 25,
         kFileCompressionMsZip, nullptr},
        {"missing file", u"other.txt", kReadme, u"nothere.txt", kErrFileNotFound, 0, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.wineDiffers && UnderWine()) continue;
        std::u16string stored = Put(c.stored, c.bytes);
        char16_t* name = nullptr;
        Dword sourceSize = 0, targetSize = 0;
        unsigned type = 99;
        Dword error = SetupGetFileCompressionInfoW(At(c.asked).c_str(), &name, &sourceSize, &targetSize, &type);
        EXPECT_EQ(c.error, error);
        if (error == 0 && name) {
            EXPECT_EQ(Narrow(stored), Narrow(name));
            EXPECT_EQ(c.sourceSize, sourceSize);
            EXPECT_EQ(c.targetSize, targetSize);
            EXPECT_EQ(c.type, type);
        }
        if (error != 0) {
            EXPECT_EQ(nullptr, name);
        }
        if (name) LocalFree(name);
        DeleteFileW(stored.c_str());
    }
}

TEST_F(SetupFilesTest, DecompressOrCopyEachKindOfSource) {
    constexpr unsigned kDetect = 0xFFFF;  // no type given: the platform finds it out
    struct Case {
        const char* what;
        std::string_view bytes;
        unsigned type;
        Dword error;
        std::string target;  // the target's bytes afterwards
    };
    const Case cases[] = {
        {"plain file", kReadme, kDetect, 0, kReadme},
        {"LZ file", fixtures::kReadmeLz, kDetect, 0, kReadme},
        {"cabinet", fixtures::kSingleCab, kDetect, 0, kDravik},
        {"cabinet of several entries: the first", fixtures::kMultiCab, kDetect, 0, kDravik},
        {"cabinet as a cabinet (NTCAB)", fixtures::kSingleCab, kFileCompressionNtCab, 0, kDravik},
        {"cabinet copied as it is", fixtures::kSingleCab, kFileCompressionNone, 0, std::string(fixtures::kSingleCab)},
        {"plain file said to be LZ is copied", kReadme, kFileCompressionWinLz, 0, kReadme},
        {"unknown compression", kReadme, 5, kErrInvalidParameter, "<missing>"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string source = Put(u"source.bin", c.bytes);
        std::u16string target = At(u"target" + std::u16string(1, static_cast<char16_t>(u'a' + n++)));
        unsigned type = c.type;
        unsigned* given = c.type == kDetect ? nullptr : &type;
        EXPECT_EQ(c.error, SetupDecompressOrCopyFileW(source.c_str(), target.c_str(), given));
        EXPECT_EQ(c.target, ReadBytes(target));
    }
    EXPECT_EQ(kErrFileNotFound, SetupDecompressOrCopyFileW(At(u"nothere.bin").c_str(), At(u"t").c_str(), nullptr));
}

// ---- the walk of a cabinet ----

// What the callback was told, in order, and how it answers.
struct Walk {
    struct Event {
        unsigned notification = 0;
        std::string name;  // entry, cabinet file, or extracted target
        Dword size = 0;
        uint16_t date = 0, time = 0, attributes = 0;
        std::string path;  // cabinet path or source
        std::string disk;
        uint16_t setId = 0, cabinetNumber = 0;
        Dword error = 0;
    };
    // The answer to each FILEINCABINET, by entry name; entries not named are skipped.
    std::vector<std::pair<std::string, unsigned>> answers;
    std::u16string targetFolder;  // where entries answered FILEOP_DOIT go, as out-NAME
    unsigned extractedAnswer = 0;
    unsigned newCabinetAnswer = 0;
    std::vector<Event> events;

    std::vector<std::string> Offered() const {
        std::vector<std::string> names;
        for (const Event& e : events) {
            if (e.notification == kSpFileNotifyFileInCabinet) names.push_back(e.name);
        }
        return names;
    }
    std::vector<unsigned> Notifications() const {
        std::vector<unsigned> all;
        for (const Event& e : events) all.push_back(e.notification);
        return all;
    }

    static unsigned PLATFORM_API Callback(void* context, unsigned notification, uintptr_t param1, uintptr_t param2) {
        auto* walk = static_cast<Walk*>(context);
        Event event;
        event.notification = notification;
        switch (notification) {
            case kSpFileNotifyCabinetInfo:
            case kSpFileNotifyNeedNewCabinet: {
                auto* info = reinterpret_cast<const CabinetInfo*>(param1);
                event.name = Narrow(info->cabinetFile);
                event.path = Narrow(info->cabinetPath);
                event.disk = Narrow(info->diskName);
                event.setId = info->setId;
                event.cabinetNumber = info->cabinetNumber;
                walk->events.push_back(event);
                return notification == kSpFileNotifyNeedNewCabinet ? walk->newCabinetAnswer : 0;
            }
            case kSpFileNotifyFileInCabinet: {
                auto* info = reinterpret_cast<FileInCabinetInfo*>(param1);
                event.name = Narrow(info->nameInCabinet);
                event.size = info->fileSize;
                event.date = info->dosDate;
                event.time = info->dosTime;
                event.attributes = info->dosAttribs;
                event.path = Narrow(reinterpret_cast<const char16_t*>(param2));
                walk->events.push_back(event);
                for (const auto& [name, answer] : walk->answers) {
                    if (name != event.name) continue;
                    // No target folder: the callback names no target.
                    if (answer == kFileOpDoIt && !walk->targetFolder.empty()) {
                        std::u16string target = walk->targetFolder + u"\\out-" + info->nameInCabinet;
                        target.copy(info->fullTargetName, target.size());
                        info->fullTargetName[target.size()] = 0;
                    }
                    return answer;
                }
                return kFileOpSkip;
            }
            case kSpFileNotifyFileExtracted: {
                auto* paths = reinterpret_cast<const FilePaths*>(param1);
                event.name = Narrow(paths->target);
                event.path = Narrow(paths->source);
                event.error = paths->win32Error;
                walk->events.push_back(event);
                return walk->extractedAnswer;
            }
            default:
                walk->events.push_back(event);
                return 0;
        }
    }
};

TEST_F(SetupFilesTest, WalkOffersEveryEntryInOrderAfterTheCabinetInfo) {
    std::u16string cabinet = Put(u"multi.cab", fixtures::kMultiCab);
    Walk walk;
    ASSERT_TRUE(SetupIterateCabinetW(cabinet.c_str(), 0, Walk::Callback, &walk)) << GetLastError();

    ASSERT_EQ(4u, walk.events.size());
    const Walk::Event& info = walk.events[0];
    EXPECT_EQ(kSpFileNotifyCabinetInfo, info.notification);
    EXPECT_EQ(Narrow(dir_ + u"\\"), info.path);
    EXPECT_EQ("", info.name);  // no next cabinet
    EXPECT_EQ("", info.disk);
    EXPECT_EQ(0, info.setId);
    EXPECT_EQ(0, info.cabinetNumber);

    const std::pair<const char*, Dword> entries[] = {{"Dravik64.sys", 25}, {"qlnis.sys", 37}, {"notes.txt", 7}};
    for (size_t i = 0; i < 3; ++i) {
        const Walk::Event& e = walk.events[i + 1];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(kSpFileNotifyFileInCabinet, e.notification);
        EXPECT_EQ(entries[i].first, e.name);
        EXPECT_EQ(entries[i].second, e.size);
        EXPECT_EQ(kFixtureDate, e.date);
        EXPECT_EQ(kFixtureTime, e.time);
        EXPECT_EQ(kArchive, e.attributes);
        EXPECT_EQ(Narrow(cabinet), e.path);  // parameter 2: the cabinet
    }
    EXPECT_FALSE(Exists(At(u"out-Dravik64.sys")));
}

TEST_F(SetupFilesTest, WalkExtractsTheEntriesAnsweredDoIt) {
    std::u16string cabinet = Put(u"multi.cab", fixtures::kMultiCab);
    Walk walk;
    walk.targetFolder = dir_;
    walk.answers = {{"qlnis.sys", kFileOpDoIt}};
    ASSERT_TRUE(SetupIterateCabinetW(cabinet.c_str(), 0, Walk::Callback, &walk)) << GetLastError();

    EXPECT_EQ((std::vector<unsigned>{kSpFileNotifyCabinetInfo, kSpFileNotifyFileInCabinet, kSpFileNotifyFileInCabinet,
                                     kSpFileNotifyFileExtracted, kSpFileNotifyFileInCabinet}),
              walk.Notifications());
    const Walk::Event& extracted = walk.events[3];
    EXPECT_EQ(Narrow(At(u"out-qlnis.sys")), extracted.name);
    EXPECT_EQ(Narrow(cabinet), extracted.path);
    EXPECT_EQ(0u, extracted.error);
    EXPECT_EQ(kQlnis, ReadBytes(At(u"out-qlnis.sys")));
}

TEST_F(SetupFilesTest, AbortAfterAnExtractionEndsTheWalkAsAFailure) {
    std::u16string cabinet = Put(u"multi.cab", fixtures::kMultiCab);
    Walk walk;
    walk.targetFolder = dir_;
    walk.answers = {{"Dravik64.sys", kFileOpDoIt}, {"qlnis.sys", kFileOpAbort}};
    SetLastError(0xDEADBEEF);
    bool result = SetupIterateCabinetW(cabinet.c_str(), 0, Walk::Callback, &walk);
    EXPECT_EQ(kDravik, ReadBytes(At(u"out-Dravik64.sys")));
    if (UnderWine()) {
        // Wine 8 takes FILEOP_ABORT for FILEOP_SKIP: the walk goes on and succeeds.
        EXPECT_TRUE(result);
        return;
    }
    // Windows stops at FILEOP_ABORT and fails, with the error the callback left in
    // the entry's record: none here.
    EXPECT_FALSE(result);
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ((std::vector<std::string>{"Dravik64.sys", "qlnis.sys"}), walk.Offered());
}

TEST_F(SetupFilesTest, CallbackErrorsFailTheWalk) {
    struct Case {
        const char* what;
        unsigned answer;  // to FILEINCABINET for the first entry
        unsigned extractedAnswer;
        bool emptyTarget;
        Dword error;
        const char* wineDiffers;
    };
    const Case cases[] = {
        {"an error code for an entry", kErrAccessDenied, 0, false, kErrAccessDenied,
         "Wine skips the entry and goes on"},
        {"an error code for an extraction", kFileOpDoIt, kErrAccessDenied, false, kErrAccessDenied,
         "Wine sets the error but goes on and succeeds"},
        {"extraction without a target", kFileOpDoIt, 0, true, kErrPathNotFound, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.wineDiffers && UnderWine()) continue;
        std::u16string cabinet = Put(u"multi.cab", fixtures::kMultiCab);
        Walk walk;
        walk.targetFolder = dir_;
        walk.answers = {{"Dravik64.sys", c.answer}};
        if (c.emptyTarget) walk.targetFolder.clear();
        walk.extractedAnswer = c.extractedAnswer;
        EXPECT_FALSE(SetupIterateCabinetW(cabinet.c_str(), 0, Walk::Callback, &walk));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(std::vector<std::string>{"Dravik64.sys"}, walk.Offered());
    }
}

TEST_F(SetupFilesTest, MissingOrDamagedCabinetsFail) {
    const std::string whole(fixtures::kMultiCab);
    struct Case {
        const char* what;
        std::string bytes;  // empty: no file at all
        Dword error;
    };
    const Case cases[] = {
        {"missing cabinet", "", kErrFileNotFound},
        {"no cabinet", kReadme, kErrBadData},
        {"cut inside its directory", whole.substr(0, 100), kErrBadData},
        {"cut inside its data", whole.substr(0, 150), kErrBadData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string cabinet = At(u"damaged.cab");
        DeleteFileW(cabinet.c_str());
        if (!c.bytes.empty()) Put(u"damaged.cab", c.bytes);
        Walk walk;
        walk.targetFolder = dir_;
        walk.answers = {{"Dravik64.sys", kFileOpDoIt}};
        EXPECT_FALSE(SetupIterateCabinetW(cabinet.c_str(), 0, Walk::Callback, &walk));
        // Wine gives no error, or a stale one, for a damaged cabinet.
        if (!UnderWine() || c.error == kErrFileNotFound) {
            EXPECT_EQ(c.error, GetLastError());
        }
    }
}

// set1.cab and set2.cab: span.txt begins in the first and ends in the second.
TEST_F(SetupFilesTest, EntryRunningIntoTheNextCabinetAsksForIt) {
    std::u16string first = Put(u"set1.cab", fixtures::kSet1Cab);
    Put(u"set2.cab", fixtures::kSet2Cab);
    Walk walk;
    walk.targetFolder = dir_;
    walk.answers = {{"first.txt", kFileOpDoIt}, {"span.txt", kFileOpDoIt}, {"last.txt", kFileOpDoIt}};
    ASSERT_TRUE(SetupIterateCabinetW(first.c_str(), 0, Walk::Callback, &walk)) << GetLastError();

    // The walk covers the first cabinet's entries; the second is read for span.txt only.
    EXPECT_EQ((std::vector<unsigned>{kSpFileNotifyCabinetInfo, kSpFileNotifyFileInCabinet, kSpFileNotifyFileExtracted,
                                     kSpFileNotifyFileInCabinet, kSpFileNotifyNeedNewCabinet, kSpFileNotifyCabinetInfo,
                                     kSpFileNotifyFileExtracted}),
              walk.Notifications());
    const Walk::Event& info = walk.events[0];
    EXPECT_EQ("set2.cab", info.name);
    EXPECT_EQ("disk2", info.disk);
    EXPECT_EQ(0x1234, info.setId);
    EXPECT_EQ(0, info.cabinetNumber);
    const Walk::Event& need = walk.events[4];
    EXPECT_EQ(Narrow(dir_ + u"\\"), need.path);
    EXPECT_EQ("set2.cab", need.name);
    EXPECT_EQ("disk2", need.disk);
    const Walk::Event& next = walk.events[5];
    EXPECT_EQ("", next.name);
    EXPECT_EQ(1, next.cabinetNumber);
    EXPECT_EQ("first!\r\n", ReadBytes(At(u"out-first.txt")));
    EXPECT_EQ("spanning-entry-data\n", ReadBytes(At(u"out-span.txt")));

    // A callback that cannot supply the next cabinet fails the walk with its error.
    Walk refusing;
    refusing.targetFolder = dir_;
    refusing.answers = {{"span.txt", kFileOpDoIt}};
    refusing.newCabinetAnswer = kErrFileNotFound;
    EXPECT_FALSE(SetupIterateCabinetW(first.c_str(), 0, Walk::Callback, &refusing));
    // Wine fails with a stale error.
    if (!UnderWine()) {
        EXPECT_EQ(kErrFileNotFound, GetLastError());
    }
}

}  // namespace

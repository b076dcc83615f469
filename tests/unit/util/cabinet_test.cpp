// ExtractFileFromCabinet on the machine's own cabinet walk (the simulated machine, or
// SetupAPI under Wine).

#include <gtest/gtest.h>

#include <string>

#include "cabinet_fixtures.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "util/cabinet.h"

namespace {

TEST(ExtractFileFromCabinet, TakesOneEntryByNameWithoutRegardToCase) {
    struct Case {
        const char* what;
        std::string_view cabinet;
        const char16_t* wanted;
        bool extracted;
        bool extractedUnderWine;
        const char* content;  // of the destination afterwards; null: not checked
    };
    const Case cases[] = {
        {"a name differing in case", fixtures::kMultiCab, u"NOTES.TXT", true, true, "notes\r\n"},
        {"a name the cabinet lacks", fixtures::kMultiCab, u"missing.sys", false, false, ""},
        // The entries after the wanted one are answered FILEOP_ABORT, which ends the
        // walk as a failure on Windows (Wine 8 takes it for a skip); the file was
        // written whole all the same, and that is what counts.
        {"an entry that others follow", fixtures::kMultiCab, u"dravik64.sys", true, true,
         "dravik64 driver payload\r\n"},
        // Entries continued in a further cabinet are not supported.
        {"an entry running into the next cabinet", fixtures::kSet1Cab, u"span.txt", false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string folder = testsupport::NewScratchFolder();
        std::u16string cabinet = folder + u"\\package.cab";
        testsupport::WriteBytes(cabinet, std::string(c.cabinet));
        testsupport::WriteBytes(folder + u"\\set2.cab", std::string(fixtures::kSet2Cab));
        // The caller extracts into a new empty temporary file.
        std::u16string destination = folder + u"\\qln1.tmp";
        testsupport::WriteBytes(destination, "");
        bool expected = testsupport::UnderWine() ? c.extractedUnderWine : c.extracted;
        EXPECT_EQ(expected, ExtractFileFromCabinet(cabinet, c.wanted, destination));
        if (c.content) {
            EXPECT_EQ(c.content, testsupport::ReadBytes(destination));
        }
    }
}

}  // namespace

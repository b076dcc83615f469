// The INF reader over the platform's INF services: the ".amd64" rule, the status
// codes, and the compound reads the script handlers use.

#include <gtest/gtest.h>

#include "driverinf/driver_inf.h"
#include "platform/system.h"
#include "tests/support/file_bytes.h"
#include "tests/support/test_machine.h"
#include "util/basic_exception.h"

namespace {

class DriverInfTest : public testing::Test {
protected:
    // Writes an INF (CR LF added to every line) and opens it.
    void Load(const std::string& text, uint16_t language = kUserDefaultLanguage) {
        std::string bytes = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
        for (char c : text) {
            if (c == '\n') bytes += '\r';
            bytes += c;
        }
        path_ = testsupport::NewScratchFolder() + u"\\test.inf";
        testsupport::WriteBytes(path_, bytes);
        inf_.Open(path_, language);
    }
    std::u16string path_;
    DriverInf inf_;
};

TEST_F(DriverInfTest, DecoratedLookupsPreferTheAmd64Section) {
    Load("[Install]\nKey=plain\n[Install.amd64]\nKey=decorated\n[Other]\nKey=other\n");
    std::u16string text;
    EXPECT_EQ(InfFound, inf_.GetLineText(u"Install", u"Key", text));
    EXPECT_EQ(u"decorated", text);
    EXPECT_EQ(InfFound, inf_.GetLineText(u"Other", u"Key", text));
    EXPECT_EQ(u"other", text);
    EXPECT_TRUE(inf_.SectionExists(u"Install"));
    EXPECT_FALSE(inf_.SectionExists(u"Other.amd64"));
}

TEST_F(DriverInfTest, AnEmptyDecoratedSectionWinsAndCountsZeroLines) {
    Load("[Install]\nKey=plain\n[Install.amd64]\n");
    long count = -1;
    EXPECT_EQ(InfFound, inf_.GetLineCount(u"Install", count));
    EXPECT_EQ(0, count);
    std::u16string text = u"preset";
    EXPECT_EQ(InfNoLine, inf_.GetLineText(u"Install", u"Key", text));
    EXPECT_EQ(u"", text) << "cleared first";
}

TEST_F(DriverInfTest, TheSuffixTwiceWinsOverOnce) {
    Load("[S.amd64]\nK=once\n[S.amd64.amd64]\nK=twice\n");
    std::u16string text;
    EXPECT_EQ(InfFound, inf_.GetLineText(u"S", u"K", text));
    EXPECT_EQ(u"twice", text);
}

TEST_F(DriverInfTest, StatusCodes) {
    Load("[S]\nFour=a,,c,d\nNumber=text\nHex=0x10\n");
    std::u16string text;
    EXPECT_EQ(InfFound, inf_.GetLineField(u"S", 0, 2, text));
    EXPECT_EQ(u"", text);
    EXPECT_EQ(InfNoLine, inf_.GetLineField(u"S", 9, 1, text));
    // The platform looks for a line of a missing section as for any missing line.
    EXPECT_EQ(InfNoLine, inf_.GetLineField(u"Missing", 0, 1, text));
    // Wine fails a field past the end without an error code (Windows: invalid parameter).
    if (!testsupport::UnderWine()) {
        EXPECT_EQ(InfNoField, inf_.GetLineField(u"S", 0, 5, text));
    }
    EXPECT_EQ(InfNoLine, inf_.GetKeyField(u"S", u"Absent", 1, text));
    EXPECT_EQ(InfFound, inf_.GetKeyField(u"S", u"four", 0, text)) << "keys ignore case";
    EXPECT_EQ(u"Four", text);
    int value = 77;
    EXPECT_EQ(InfNoField, inf_.GetLineInt(u"S", 1, 1, value));
    EXPECT_EQ(77, value) << "the preset stays";
    EXPECT_EQ(InfFound, inf_.GetLineInt(u"S", 2, 1, value));
    EXPECT_EQ(16, value);
    long count = 0;
    EXPECT_EQ(InfNoSection, inf_.GetLineCount(u"Missing", count));
}

TEST_F(DriverInfTest, KeyFieldsOfEveryLineWithTheKey) {
    Load("[S]\nCopyFiles=a,b\nOther=x\nCopyFiles=c\ncopyfiles=d,e,f\n");
    std::vector<std::u16string> fields;
    EXPECT_EQ(InfFound, inf_.GetKeyFields(u"S", u"CopyFiles", fields));
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e", u"f"}), fields);
    EXPECT_EQ(InfNoLine, inf_.GetKeyFields(u"S", u"Missing", fields));
    EXPECT_TRUE(fields.empty());
}

TEST_F(DriverInfTest, LineTextAsThePlatformRendersIt) {
    Load("[S]\nQuoted=\"a,b\",c ; comment\nSubst=%Name%\\sub\n[Strings]\nName=\"Quillon Wireless\"\n");
    std::u16string text;
    EXPECT_EQ(InfFound, inf_.GetLineText(u"S", u"Quoted", text));
    EXPECT_EQ(u"a,b,c", text);
    EXPECT_EQ(InfFound, inf_.GetLineText(u"S", u"Subst", text));
    EXPECT_EQ(u"Quillon Wireless\\sub", text);
}

TEST_F(DriverInfTest, ColumnsBinaryAndTargetPaths) {
    Load("[S]\na=1,x\nb=2,y\n[Bytes]\nk=01,ff,10\n[DestinationDirs]\nFiles=12\n[Files]\nf.sys\n");
    std::vector<std::u16string> column;
    EXPECT_EQ(InfFound, inf_.GetColumn(u"S", 2, column));
    EXPECT_EQ((std::vector<std::u16string>{u"x", u"y"}), column);
    // Wine fails a field past the end without an error code.
    if (!testsupport::UnderWine()) {
        EXPECT_EQ(InfNoField, inf_.GetColumn(u"S", 3, column));
    }
    std::vector<uint8_t> bytes;
    EXPECT_EQ(InfFound, inf_.GetLineBinary(u"Bytes", 0, 1, bytes));
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0xff, 0x10}), bytes);
    char16_t system[260];
    platform::Dword n = platform::GetSystemDirectoryW(system, 260);
    std::u16string expected = std::u16string(system, n) + u"\\drivers";
    std::u16string target = inf_.GetTargetPath(u"Files");
    auto lower = [](std::u16string s) {
        for (char16_t& c : s) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
        return s;
    };
    EXPECT_EQ(lower(expected), lower(target));
}

TEST_F(DriverInfTest, PnpIdsOfTheFirstManufacturer) {
    Load("[Manufacturer]\n%V%=Models,NTamd64\nOther=Ignored,NTamd64\n"
         "[Models.NTamd64]\nA=Inst,USB\\VID_1&PID_2\nB=Inst,PCI\\VEN_3&DEV_4,PCI\\COMPAT\n[Strings]\nV=Vendor\n");
    EXPECT_EQ((std::vector<std::u16string>{u"USB\\VID_1&PID_2", u"PCI\\VEN_3&DEV_4"}), inf_.GetPnpIds());
}

TEST_F(DriverInfTest, AManufacturerWithoutDecorationRaises) {
    Load("[Manufacturer]\nVendor=Models\n[Models]\nA=Inst,ID\n");
    EXPECT_THROW(inf_.GetPnpIds(), BasicException) << "looks for a section named \"Models.\"";
}

TEST_F(DriverInfTest, SourceDisksFilesAndLocations) {
    Load("[SourceDisksNames]\n1=Disk,,,\\base\n[SourceDisksFiles]\na.sys=1\nb.dll=1,sub\n");
    EXPECT_EQ((std::vector<std::u16string>{u"a.sys", u"b.dll"}), inf_.GetSourceDisksFiles());
    unsigned id = 0;
    std::u16string relative;
    EXPECT_TRUE(inf_.GetSourceFileLocation(u"a.sys", id, relative));
    EXPECT_EQ(1u, id);
    EXPECT_FALSE(inf_.GetSourceFileLocation(u"missing.sys", id, relative));
}

TEST_F(DriverInfTest, OpenFailuresRaiseWithThePathGiven) {
    std::u16string missing = testsupport::NewScratchFolder() + u"\\missing.inf";
    DriverInf inf;
    try {
        inf.Open(missing, kUserDefaultLanguage);
        FAIL() << "no exception";
    } catch (const BasicException& e) {
        EXPECT_EQ(missing, e.description);
        EXPECT_NE(0u, e.lastError);
    }
    EXPECT_EQ(missing, inf.GetPath()) << "the path is kept";
    EXPECT_THROW(DriverInf().GetPath(), BasicException);
}

TEST_F(DriverInfTest, ScriptsOpenInTheLanguageAskedForAndRestoreTheLocale) {
    platform::Lcid before = platform::GetThreadLocale();
    Load("[S]\nName=%Vendor%\n[Strings]\nVendor=English\n[Strings.0407]\nVendor=Deutsch\n", 0x0407);
    EXPECT_EQ(before, platform::GetThreadLocale());
    std::u16string text;
    EXPECT_EQ(InfFound, inf_.GetLineText(u"S", u"Name", text));
    // Wine reads only the plain [Strings] section.
    if (!testsupport::UnderWine()) {
        EXPECT_EQ(u"Deutsch", text);
    }
}

}  // namespace

// The INF services read files alike on the simulated machine and on Windows (Wine).
// Where Wine's SetupAPI is known to differ from Windows, a case says so and gives
// Wine's own answer, or is skipped under Wine with the reason.

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/inf.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/system.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"
#include "util/format.h"

namespace {

using namespace platform;
using platformtest::Narrow;
using platformtest::WriteWholeFile;

constexpr Dword kUntouched = 0xDEADBEEF;
constexpr char kHeader[] = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";

// Bytes of a literal, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::u16string Wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

std::string SystemDirectory() {
    char16_t buffer[260];
    return Narrow(std::u16string(buffer, GetSystemDirectoryW(buffer, 260)));
}

std::string WindowsDirectory() {
    char16_t buffer[260];
    return Narrow(std::u16string(buffer, GetWindowsDirectoryW(buffer, 260)));
}

// A line as the reading calls give it.
struct LineReading {
    std::optional<std::string> key;
    std::vector<std::string> fields;
    std::string text;
};

std::optional<std::u16string> FieldText(const InfContext& context, Dword index) {
    Dword required = 0;
    if (!SetupGetStringFieldW(&context, index, nullptr, 0, &required)) return std::nullopt;
    std::u16string text(required, u'\0');
    if (!SetupGetStringFieldW(&context, index, text.data(), required, nullptr)) return std::nullopt;
    text.resize(required - 1);
    return text;
}

std::optional<std::string> Field(const InfContext& context, Dword index) {
    std::optional<std::u16string> text = FieldText(context, index);
    if (!text) return std::nullopt;
    return Narrow(*text);
}

LineReading Read(const InfContext& context) {
    LineReading line;
    line.key = Field(context, 0);
    const Dword count = SetupGetFieldCount(&context);
    for (Dword i = 1; i <= count; ++i) line.fields.push_back(Field(context, i).value_or("<missing>"));
    char16_t text[8192];
    Dword required = 0;
    if (SetupGetLineTextW(&context, nullptr, nullptr, nullptr, text, 8192, &required)) {
        line.text = Narrow(std::u16string(text, required - 1));
    }
    return line;
}

std::string Joined(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + fields[i];
    return out;
}

// Each test writes its INF files into a fresh folder of its own.
class InfTest : public testing::Test {
protected:
    void SetUp() override { folder_ = testsupport::NewScratchFolder(); }
    void TearDown() override {
        for (HInf inf : opened_) SetupCloseInfFile(inf);
    }

    std::u16string Write(std::string_view bytes) {
        std::u16string path = Format(u"%s\\t%u.inf", folder_, ++files_);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }

    HInf Open(std::string_view bytes, unsigned* errorLine = nullptr, Dword style = kInfStyleWin4) {
        HInf inf = SetupOpenInfFileW(Write(bytes).c_str(), nullptr, style, errorLine);
        if (inf != InvalidInf()) opened_.push_back(inf);
        return inf;
    }

    // The first line of [Test] in a file made of the header, that section and `tail`.
    std::optional<InfContext> FirstTestLine(const std::string& line, const std::string& tail = "") {
        std::string data = kHeader + std::string("[Test]\n") + line + "\n" + tail;
        // Wine takes a file of even length with a NUL byte in it for UTF-16 (Windows
        // reads it as ANSI): an odd length keeps both reading it as ANSI.
        if (data.find('\0') != std::string::npos && data.size() % 2 == 0) data += ' ';
        HInf inf = Open(data);
        InfContext context;
        if (inf == InvalidInf() || !SetupFindFirstLineW(inf, u"Test", nullptr, &context)) return std::nullopt;
        return context;
    }

    std::u16string folder_;
    unsigned files_ = 0;
    std::vector<HInf> opened_;
};

// --- Lines: keys, fields, quotes, comments, continuations -------------------------

struct LineCase {
    const char* name;
    std::string line;
    std::optional<std::string> key;  // nothing: the line has no key
    std::vector<std::string> fields;
    const char* wine = nullptr;  // why Wine's SetupAPI gives something else
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class InfLineTest : public InfTest, public testing::WithParamInterface<LineCase> {};

TEST_P(InfLineTest, KeyFieldsAndText) {
    const LineCase& c = GetParam();
    if (c.wine && testsupport::UnderWine()) GTEST_SKIP() << c.wine;
    std::optional<InfContext> context = FirstTestLine(c.line);
    ASSERT_TRUE(context);
    LineReading line = Read(*context);
    EXPECT_EQ(c.key, line.key);
    EXPECT_EQ(c.fields, line.fields);
    // The text is the fields joined by commas, with no quotes put back.
    EXPECT_EQ(Joined(c.fields), line.text);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, InfLineTest,
    testing::Values(
        LineCase{"KeyAndTrimmedFields", "k = a , b", "k", {"a", "b"}},
        LineCase{"SingleFieldIsItsOwnKey", "single", "single", {"single"}},
        LineCase{"CommaBeforeEqualsMeansNoKey", "x,y=z", std::nullopt, {"x", "y=z"}},
        LineCase{"EmptyKey", "=v", "", {"v"}},
        LineCase{"EmptyValue", "k=", "k", {""}},
        LineCase{"EmptyFieldsKept", "k=a,,b,", "k", {"a", "", "b", ""}},
        LineCase{"QuotedCommaAndComment", "k=\"a,b\";c", "k", {"a,b"}},
        LineCase{"DoubledQuoteInsideQuotes", "k=x\"q\"\"q\"y", "k", {"xq\"qy"}},
        LineCase{"QuotedBlanksKept", "k = \" sp \"", "k", {" sp "}},
        LineCase{"BackslashInsidePath", "k=c:\\dir\\file", "k", {"c:\\dir\\file"}},
        LineCase{"ContinuationJoinsWithoutBlank", "k=ab \\\n  cd", "k", {"abcd"}},
        LineCase{"ContinuationWithComment", "k=ab \\ ;c\ncd", "k", {"abcd"}},
        LineCase{"BackslashBeforeTextIsLiteral", "k=a\\ b", "k", {"a\\ b"}},
        LineCase{"QuotedBackslashThenContinuation", "k=\"dir\\\"\\\n,f", "k", {"dir\\", "f"}},
        LineCase{"ContinuedKey", "ab  \\  \ncd=ef", "abcd", {"ef"}},
        LineCase{"BackslashesAndBlanksContinue", "ab \\ \\ \ncd=ef", "abcd", {"ef"}},
        LineCase{"LiteralBackslashInKey", "ba \\ dc=xx", "ba \\ dc", {"xx"}},
        LineCase{"ContinuationAtEndOfFile", "ab=cd \\ ", "ab", {"cd"}},
        LineCase{"QuotedKeyWithEqualsAndComma", "ab\"\"\"cd,ef=gh\"", "ab\"cd,ef=gh", {"ab\"cd,ef=gh"}},
        LineCase{"QuoteOpensInKey", "Ab\"Cd\"=Ef", "AbCd", {"Ef"}},
        LineCase{"UnclosedQuoteRunsToLineEnd", "ab=cd\",ef", "ab", {"cd,ef"}},
        LineCase{"SingleQuotesAreText", "HKLM,A,B,'C',D", std::nullopt, {"HKLM", "A", "B", "'C'", "D"}},
        LineCase{"InnerBlanksOfKeyKept", " a b = c , d ", "a b", {"c", "d"}},
        LineCase{"CarriageReturnIsBlank", " a b\r = c\r", "a b", {"c"}},
        LineCase{"EmptyAndBlankQuotedFields", "a=b,\"\",c,\" \",d", "a", {"b", "", "c", " ", "d"}},
        LineCase{"EqualsAfterCommaIsText", ",=,,b", std::nullopt, {"", "=", "", "b"}},
        LineCase{"ControlZEndsTheFile", Bytes("ab=c\x1a" "d\n[Test]\nx=y"), "ab", {"c"}},
        LineCase{"NulInsideValueIsBlank", Bytes("abcd=ef\0gh"), "abcd", {"ef gh"}},
        LineCase{"CommentLineSkipped", "; only a comment\nk=v", "k", {"v"}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST_F(InfTest, NulAtTheEndOfAStringValueIsTrimmed) {
    std::optional<InfContext> line =
        FirstTestLine("foo=%bar%", Bytes("[Strings]\nbar=aaa\0bbb \0\n"));
    ASSERT_TRUE(line);
    EXPECT_EQ(std::optional<std::string>("aaa bbb"), Field(*line, 1));
}

// --- Substitution -------------------------------------------------------------------

std::string Repeat(char c, size_t n) { return std::string(n, c); }

std::string StringsSection() {
    return "[Strings]\nfoo=aaa\nbar=bbb\nloop=%loop2%\nloop2=%loop%\nper%%cent=abcd\nper=1\ncent=2\n22=foo\n"
           "big=" + Repeat('a', 400) + "\nmydrive=\"C:\\\"\n";
}

struct SubstitutionCase {
    const char* name;
    std::string line;
    std::string key;
    std::string field;
    const char* wine = nullptr;  // why Wine's SetupAPI gives something else
};

void PrintTo(const SubstitutionCase& c, std::ostream* out) { *out << c.name; }

class InfSubstitutionTest : public InfTest, public testing::WithParamInterface<SubstitutionCase> {};

TEST_P(InfSubstitutionTest, KeyAndFirstField) {
    const SubstitutionCase& c = GetParam();
    if (c.wine && testsupport::UnderWine()) GTEST_SKIP() << c.wine;
    std::optional<InfContext> line = FirstTestLine(c.line, StringsSection());
    ASSERT_TRUE(line);
    EXPECT_EQ(std::optional<std::string>(c.key), Field(*line, 0));
    EXPECT_EQ(std::optional<std::string>(c.field), Field(*line, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, InfSubstitutionTest,
    testing::Values(
        SubstitutionCase{"KeyAndValue", "%foo%=%bar%", "aaa", "bbb"},
        SubstitutionCase{"Concatenated", "%foo%xx=%bar%yy", "aaaxx", "bbbyy"},
        SubstitutionCase{"DoublePercentIsOnePercent", "%% %foo%=%bar%", "% aaa", "bbb"},
        SubstitutionCase{"QuotesInsideName", "%f\"o\"o%=ccc", "aaa", "ccc"},
        SubstitutionCase{"CommentWinsInsideName", "abc=%bar;bla%", "abc", "%bar"},
        SubstitutionCase{"OnePassOnly", "loop=%loop%", "loop", "%loop2%"},
        SubstitutionCase{"PercentsPairLeftToRight", "%per%%cent%=100", "12", "100"},
        SubstitutionCase{"UnknownNameStaysWithSigns", "a=%nothing%x", "a", "%nothing%x"},
        SubstitutionCase{"UnpairedPercentStays", "a=50% of %foo%", "a", "50% of %foo%"},
        SubstitutionCase{"StringsBeforeDirid", "a=%22%", "a", "foo"},
        SubstitutionCase{"DiridRootAlone", "ab=\"%24%\"", "ab", "C:\\"},
        SubstitutionCase{"DiridDropsOneBackslash", "ab=\"%24%\\fred\"", "ab", "C:\\fred"},
        SubstitutionCase{"StringValueKeepsItsBackslash", "ab=\"%mydrive%\\fred\"", "ab", "C:\\\\fred"},
        SubstitutionCase{"OnlyOneBackslashDropped", "ab=\"%24%\\\\fred\"", "ab", "C:\\\\fred"},
        SubstitutionCase{"LongValuesConcatenate", "a=%big%%big%%big%%big%", "a", Repeat('a', 1600)},
        SubstitutionCase{"ResultCappedAt4096", "a=" + [] {
                             std::string s;
                             for (int i = 0; i < 11; ++i) s += "%big%";
                             return s;
                         }(), "a", Repeat('a', 4096), "Wine keeps 4097 characters (Windows 10 1709 and later 4096)"}),
    [](const testing::TestParamInfo<SubstitutionCase>& info) { return std::string(info.param.name); });

TEST_F(InfTest, DiridsResolveToTheMachinesFolders) {
    std::optional<InfContext> line = FirstTestLine("k=%10%,%11%\\x.dll,%12%,%17%\\a.inf,%01%");
    ASSERT_TRUE(line);
    EXPECT_EQ(std::optional<std::string>(WindowsDirectory()), Field(*line, 1));
    EXPECT_EQ(std::optional<std::string>(SystemDirectory() + "\\x.dll"), Field(*line, 2));
    EXPECT_EQ(std::optional<std::string>(SystemDirectory() + "\\drivers"), Field(*line, 3));
    // Wine names the folder "inf"; Windows and the simulated machine "INF".
    std::optional<std::string> inf = Field(*line, 4);
    ASSERT_TRUE(inf);
    EXPECT_TRUE(EqualsIgnoringAsciiCase(*inf, WindowsDirectory() + "\\INF\\a.inf")) << *inf;
    // DIRID 1 is the folder the INF was opened from; Wine gives it a final backslash.
    EXPECT_EQ(std::optional<std::string>(Narrow(folder_) + (testsupport::UnderWine() ? "\\" : "")), Field(*line, 5));
}

TEST_F(InfTest, KeysAreFoundAsSubstituted) {
    HInf inf = Open(std::string(kHeader) + "[Test]\n%foo%=1\n" + StringsSection());
    ASSERT_NE(InvalidInf(), inf);
    InfContext context;
    EXPECT_TRUE(SetupFindFirstLineW(inf, u"Test", u"AAA", &context));
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupFindFirstLineW(inf, u"Test", u"%foo%", &context));
    EXPECT_EQ(kErrLineNotFound, GetLastError());
}

// --- Sections and lines ---------------------------------------------------------------

TEST_F(InfTest, SectionNamesAsWritten) {
    const struct {
        const char* header;
        const char16_t* lookup;
    } cases[] = {
        {"[TESTSECTION]", u"TestSection"},     {"   [TestSection]   dummy", u"testsection"},
        {"[  Test Section  ] x", u"  Test Section  "}, {"[Test[Section]", u"Test[Section"},
        {"[Test[S]ection]", u"Test[S"},         {"[]", u""},
        {"[Test\"Section]", u"Test\"Section"}, {"[Test;Section]", u"Test;Section"},
        {"[Test\\ Section]", u"Test\\ Section"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        HInf inf = Open(std::string(kHeader) + c.header + "\nk=v\n");
        ASSERT_NE(InvalidInf(), inf);
        SetLastError(kUntouched);
        EXPECT_EQ(1, SetupGetLineCountW(inf, c.lookup));
        EXPECT_EQ(0u, GetLastError());
    }
}

TEST_F(InfTest, EmptyMergedAndMissingSections) {
    HInf inf = Open(std::string(kHeader) + "[Empty]\n[A]\none=1\n[b]\n[a]\ntwo=2\n;[Commented]\n");
    ASSERT_NE(InvalidInf(), inf);
    InfContext context;

    EXPECT_EQ(0, SetupGetLineCountW(inf, u"Empty"));
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupFindFirstLineW(inf, u"Empty", nullptr, &context));
    EXPECT_EQ(kErrLineNotFound, GetLastError());

    // Sections of one name are one section, their lines in file order.
    EXPECT_EQ(2, SetupGetLineCountW(inf, u"a"));
    ASSERT_TRUE(SetupGetLineByIndexW(inf, u"A", 1, &context));
    EXPECT_EQ(std::optional<std::string>("two"), Field(context, 0));
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupGetLineByIndexW(inf, u"A", 2, &context));
    EXPECT_EQ(kErrLineNotFound, GetLastError());

    SetLastError(kUntouched);
    EXPECT_EQ(-1, SetupGetLineCountW(inf, u"Commented"));
    EXPECT_EQ(kErrSectionNotFound, GetLastError());
    const std::function<bool()> missing[] = {
        [&] { return SetupFindFirstLineW(inf, u"Missing", nullptr, &context); },
        [&] { return SetupFindFirstLineW(inf, u"Missing", u"one", &context); },
        [&] { return SetupGetLineByIndexW(inf, u"Missing", 0, &context); },
        [&] { return SetupGetLineTextW(nullptr, inf, u"Missing", u"one", nullptr, 0, nullptr); },
        [&] { return SetupGetLineTextW(nullptr, inf, u"A", u"three", nullptr, 0, nullptr); },
    };
    for (size_t i = 0; i < std::size(missing); ++i) {
        SCOPED_TRACE(i);
        SetLastError(kUntouched);
        EXPECT_FALSE(missing[i]());
        EXPECT_EQ(kErrLineNotFound, GetLastError());
    }
}

TEST_F(InfTest, FindNextMatchLineFollowsTheKeyCaseIgnored) {
    HInf inf = Open(std::string(kHeader) + "[S]\na=0\nb=1\na=2\nc,d\nA=4\n");
    ASSERT_NE(InvalidInf(), inf);
    InfContext context;
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"a", &context));
    std::vector<unsigned> found = {context.line};
    while (SetupFindNextMatchLineW(&context, u"A", &context)) found.push_back(context.line);
    EXPECT_EQ((std::vector<unsigned>{0, 2, 4}), found);
    EXPECT_EQ(kErrLineNotFound, GetLastError());

    // From a line of another key, the next line with the key asked for.
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"b", &context));
    ASSERT_TRUE(SetupFindNextMatchLineW(&context, u"a", &context));
    EXPECT_EQ(2u, context.line);
    // Without a key it is the next line; after the last line there is none.
    ASSERT_TRUE(SetupFindNextMatchLineW(&context, nullptr, &context));
    EXPECT_EQ(3u, context.line);
    ASSERT_TRUE(SetupFindNextLine(&context, &context));
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupFindNextLine(&context, &context));
    EXPECT_EQ(kErrLineNotFound, GetLastError());
    // A keyless line of two fields is not found by its first field.
    EXPECT_FALSE(SetupFindFirstLineW(inf, u"S", u"c", &context));
}

TEST_F(InfTest, FieldZeroOfAKeylessLineFails) {
    std::optional<InfContext> line = FirstTestLine("HKR,,Value,0x10001,1");
    ASSERT_TRUE(line);
    SetLastError(kUntouched);
    Dword required = 0;
    EXPECT_FALSE(SetupGetStringFieldW(&*line, 0, nullptr, 0, &required));
    // Wine clears the last error instead.
    EXPECT_EQ(testsupport::UnderWine() ? 0u : kErrInvalidParameter, GetLastError());
    int value = 0;
    EXPECT_FALSE(SetupGetIntField(&*line, 0, &value));
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupGetStringFieldW(&*line, 6, nullptr, 0, &required));
    EXPECT_EQ(testsupport::UnderWine() ? 0u : kErrInvalidParameter, GetLastError());
}

// --- Integer and binary readings --------------------------------------------------------

TEST_F(InfTest, IntegerReadings) {
    const struct {
        const char* field;
        std::optional<int> value;  // nothing: fails with ERROR_INVALID_DATA
    } cases[] = {
        {"48", 48},         {"0x4", 4},          {"0X1f", 31},      {"-5", -5},
        {"+7", 7},          {"", 0},             {"\" 12\"", 12},   {"-0x10", -16},
        {"Field1", {}},     {"12abc", {}},       {"0x", {}},        {"\"12 \"", {}},
        // A leading 0 reads as octal, and values saturate, as the C runtime's strtol
        // does; Windows was not checked for either.
        {"010", 8},         {"08", {}},          {"4294967295", 2147483647},
        {"0xFFFFFFFF", 2147483647}, {"-2147483649", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        std::optional<InfContext> line = FirstTestLine(std::string("Key=") + c.field);
        ASSERT_TRUE(line);
        int value = -1;
        SetLastError(kUntouched);
        EXPECT_EQ(c.value.has_value(), SetupGetIntField(&*line, 1, &value));
        if (c.value) {
            EXPECT_EQ(*c.value, value);
        } else {
            EXPECT_EQ(kErrInvalidData, GetLastError());
            EXPECT_EQ(-1, value);
        }
    }
    // Field 0 reads the key.
    std::optional<InfContext> line = FirstTestLine("431=x");
    ASSERT_TRUE(line);
    int value = 0;
    EXPECT_TRUE(SetupGetIntField(&*line, 0, &value));
    EXPECT_EQ(431, value);
}

TEST_F(InfTest, BinaryReadings) {
    HInf inf = Open(std::string(kHeader) + "[S]\nkey1=0,11,022,0xaA,0x0Ff\nkey2=123\nkey3=00,zz\nkey4=01,,02\n");
    ASSERT_NE(InvalidInf(), inf);
    InfContext context;
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"key1", &context));
    uint8_t buffer[6] = {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};
    Dword required = 0;
    // Too small: the size is told and nothing is written.
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupGetBinaryField(&context, 2, buffer, 3, &required));
    EXPECT_EQ(kErrInsufficientBuffer, GetLastError());
    EXPECT_EQ(4u, required);
    EXPECT_EQ(0xCC, buffer[0]);
    EXPECT_TRUE(SetupGetBinaryField(&context, 2, buffer, 4, &required));
    EXPECT_EQ(0x11, buffer[0]);
    EXPECT_EQ(0x22, buffer[1]);
    // Wine stops at the x of 0x and reads 0.
    if (!testsupport::UnderWine()) {
        EXPECT_EQ(0xAA, buffer[2]);
        EXPECT_EQ(0xFF, buffer[3]);
    }
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupGetBinaryField(&context, 0, buffer, 6, &required));
    EXPECT_EQ(kErrInvalidParameter, GetLastError());

    // A value above FF fails before any size is told.
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"key2", &context));
    required = kUntouched;
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupGetBinaryField(&context, 1, buffer, 0, &required));
    if (testsupport::UnderWine()) {
        EXPECT_EQ(kErrInsufficientBuffer, GetLastError()) << "Wine checks the size first";
    } else {
        EXPECT_EQ(kErrInvalidData, GetLastError());
        EXPECT_EQ(kUntouched, required);
    }

    // Wine reads a field up to its first non-hex character, and an empty field as 0.
    if (testsupport::UnderWine()) return;
    for (const char16_t* key : {u"key3", u"key4"}) {
        ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", key, &context));
        SetLastError(kUntouched);
        EXPECT_FALSE(SetupGetBinaryField(&context, 1, buffer, 6, &required));
        EXPECT_EQ(kErrInvalidData, GetLastError());
    }
}

// --- Buffer sizes -----------------------------------------------------------------------

TEST_F(InfTest, TextBuffersTellTheSizeWithTheNul) {
    HInf inf = Open(std::string(kHeader) +
                    "[DestinationDirs]\nFiles=11,sub\n[Files]\nhello=a,b\n"
                    "[SourceDisksNames.amd64]\n1=disk,,,\n[SourceDisksFiles.amd64]\nhello=1,dir\n");
    ASSERT_NE(InvalidInf(), inf);
    InfContext line;
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"Files", nullptr, &line));
    using Reader = std::function<bool(char16_t*, Dword, Dword*)>;
    const struct {
        const char* call;
        Reader read;
        std::string text;
    } cases[] = {
        {"SetupGetStringFieldW", [&](char16_t* b, Dword s, Dword* r) { return SetupGetStringFieldW(&line, 0, b, s, r); },
         "hello"},
        {"SetupGetLineTextW",
         [&](char16_t* b, Dword s, Dword* r) { return SetupGetLineTextW(&line, nullptr, nullptr, nullptr, b, s, r); },
         "a,b"},
        {"SetupGetTargetPathW",
         [&](char16_t* b, Dword s, Dword* r) { return SetupGetTargetPathW(inf, nullptr, u"Files", b, s, r); },
         SystemDirectory() + "\\sub"},
        {"SetupGetSourceFileLocationW",
         [&](char16_t* b, Dword s, Dword* r) {
             unsigned id = 0;
             return SetupGetSourceFileLocationW(inf, nullptr, u"hello", &id, b, s, r);
         },
         // Wine answers the SourceDisksNames path instead (empty here).
         testsupport::UnderWine() ? "" : "dir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        const Dword size = static_cast<Dword>(c.text.size() + 1);
        Dword required = 0;
        EXPECT_TRUE(c.read(nullptr, 0, &required));
        EXPECT_EQ(size, required);
        char16_t buffer[300];
        SetLastError(kUntouched);
        required = 0;
        EXPECT_FALSE(c.read(buffer, size - 1, &required));
        EXPECT_EQ(kErrInsufficientBuffer, GetLastError());
        EXPECT_EQ(size, required);
        ASSERT_TRUE(c.read(buffer, size, nullptr));
        EXPECT_EQ(c.text, Narrow(buffer));
    }
}

// --- Target folders and source locations ------------------------------------------------

TEST_F(InfTest, TargetPathsFromDestinationDirs) {
    HInf inf = Open(std::string(kHeader) +
                    "[DestinationDirs]\nDefaultDestDir=12\nA=10,\"sub\\dir\"\nB=-1,D:\\abs\\path\nC=11\n"
                    "D=16422,Vendor\nE=%11%\nF=0x0B,x\nG=10,\"trail\\\"\n[A]\n[B]\n");
    ASSERT_NE(InvalidInf(), inf);
    const struct {
        const char16_t* section;
        std::string path;
        const char* wine = nullptr;
    } cases[] = {
        {u"A", WindowsDirectory() + "\\sub\\dir"},
        {u"B", "D:\\abs\\path"},
        {u"C", SystemDirectory()},
        {u"D", "C:\\Program Files\\Vendor"},
        {u"NotListed", SystemDirectory() + "\\drivers"},
        {nullptr, SystemDirectory() + "\\drivers", "Wine answers the system folder without looking at DefaultDestDir"},
        // A DIRID must be a number there; an entry that is not counts as none.
        {u"E", SystemDirectory()},
        {u"F", SystemDirectory() + "\\x"},
        {u"G", WindowsDirectory() + "\\trail", "Wine keeps the final backslash"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section ? Narrow(c.section) : "(no section)");
        if (c.wine && testsupport::UnderWine()) continue;
        char16_t buffer[300];
        ASSERT_TRUE(SetupGetTargetPathW(inf, nullptr, c.section, buffer, 300, nullptr));
        EXPECT_EQ(c.path, Narrow(buffer));
    }
    // A context names the file-list section of its line.
    if (testsupport::UnderWine()) return;  // Wine reads the first DestinationDirs line instead
    InfContext context;
    HInf other = Open(std::string(kHeader) + "[DestinationDirs]\nA=10,x\n[A]\nfile.sys\n");
    ASSERT_NE(InvalidInf(), other);
    ASSERT_TRUE(SetupFindFirstLineW(other, u"A", nullptr, &context));
    char16_t buffer[300];
    ASSERT_TRUE(SetupGetTargetPathW(other, &context, nullptr, buffer, 300, nullptr));
    EXPECT_EQ(WindowsDirectory() + "\\x", Narrow(buffer));
}

TEST_F(InfTest, SourceLocationsPreferTheAmd64Sections) {
    HInf inf = Open(std::string(kHeader) +
                    "[SourceDisksNames]\n1=\"Disk\",,,\\x86\n[SourceDisksNames.amd64]\n1=\"Disk\",,,\\x64\n2=\"Two\",,,\n"
                    "[SourceDisksFiles]\na.sys=1,sub\nb.sys=1\nc.sys=1,\"\\lead\\\"\n"
                    "[SourceDisksFiles.amd64]\na.sys=2,amd\n[Copy]\nd.sys,b.sys\n");
    ASSERT_NE(InvalidInf(), inf);
    const struct {
        const char16_t* file;
        unsigned id;
        std::string path;
    } cases[] = {{u"a.sys", 2, "amd"}, {u"B.SYS", 1, ""}, {u"c.sys", 1, "lead"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        unsigned id = 0;
        char16_t buffer[300];
        ASSERT_TRUE(SetupGetSourceFileLocationW(inf, nullptr, c.file, &id, buffer, 300, nullptr));
        EXPECT_EQ(c.id, id);
        // Wine answers the path of the disk in SourceDisksNames.
        if (!testsupport::UnderWine()) {
            EXPECT_EQ(c.path, Narrow(buffer));
        }
    }
    unsigned id = 0;
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupGetSourceFileLocationW(inf, nullptr, u"missing.sys", &id, nullptr, 0, nullptr));
    EXPECT_EQ(kErrLineNotFound, GetLastError());

    // A copy-list line names its source in field 2. Wine looks for field 1.
    if (testsupport::UnderWine()) return;
    InfContext context;
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"Copy", nullptr, &context));
    ASSERT_TRUE(SetupGetSourceFileLocationW(inf, &context, nullptr, &id, nullptr, 0, nullptr));
    EXPECT_EQ(1u, id);
}

// --- Opening ----------------------------------------------------------------------------

TEST_F(InfTest, OpenErrorsAndTheirLines) {
    const std::string a255(255, 'a');
    const struct {
        const char* name;
        std::string data;
        Dword error;
        unsigned line;
        const char* wine = nullptr;
    } cases[] = {
        {"EmptyLine", "\r\n", kErrWrongInfStyle, 0},
        {"TextOnly", "abcd\r\n", kErrWrongInfStyle, 0, "Wine: ERROR_EXPECTED_SECTION_NAME at line 1"},
        {"NoSignature", "[Version]\r\n", kErrWrongInfStyle, 0},
        {"EmptySignature", "[Version]\nSignature=", kErrWrongInfStyle, 0},
        {"OtherSignature", "[Version]\nSignature=foo", kErrWrongInfStyle, 0},
        {"SignatureCaseIgnored", "[version]\nsignature=$chicago$", 0, 0},
        {"SignatureWithMoreFields", "[Version]\nSignature=$chicago$,abcd", 0, 0},
        {"VersionMerged", "[Version]\nabc=def\n[Version]\nSignature=$Windows NT$", 0, 0},
        {"EmptySectionName", kHeader + std::string("[]\r\n"), 0, 0},
        {"LoneClosingBracket", kHeader + std::string("]\r\n"), 0, 0},
        {"Name255", kHeader + ("[" + a255 + "]\r\n"), 0, 0},
        {"Name256", kHeader + ("[a" + a255 + "]\r\n"), kErrSectionNameTooLong, 3},
        {"UnclosedName", kHeader + std::string("[ab\r\n"), kErrBadSectionNameLine, 3},
        {"ControlZInName", kHeader + std::string("\n\n[ab\x1a]\n"), kErrBadSectionNameLine, 5},
        {"TextBeforeFirstSection", "abc\r\n" + std::string(kHeader), kErrExpectedSectionName, 1},
        {"TextAfterComments", ";\n;\nab\nab\n" + std::string(kHeader), kErrExpectedSectionName, 3},
        {"CommentsBeforeFirstSection", ";aa\n;bb\n" + std::string(kHeader), 0, 0},
        {"TextForgivenWithStrings", "garbage1\ngarbage2\n[Strings]\n" + std::string(kHeader), 0, 0},
        {"NulInSectionName", Bytes("[Version]\r\nSignature=\"$CHICAGO$\"\r\n [Test\0Section]\n"), 0, 0,
         "Wine takes a file with a NUL byte for UTF-16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.wine && testsupport::UnderWine()) continue;
        unsigned line = kUntouched;
        SetLastError(kUntouched);
        HInf inf = Open(c.data, &line);
        if (c.error == 0) {
            EXPECT_NE(InvalidInf(), inf);
            EXPECT_EQ(0u, GetLastError());
        } else {
            EXPECT_EQ(InvalidInf(), inf);
            EXPECT_EQ(c.error, GetLastError());
            EXPECT_EQ(c.line, line);
        }
    }
}

TEST_F(InfTest, OpenStyleAndMissingFiles) {
    unsigned line = 0;
    EXPECT_NE(InvalidInf(), Open("[Anything]\nk=v\n", &line, kInfStyleOldNt));
    SetLastError(kUntouched);
    EXPECT_EQ(InvalidInf(), SetupOpenInfFileW((folder_ + u"\\none.inf").c_str(), nullptr, kInfStyleWin4, &line));
    EXPECT_EQ(kErrFileNotFound, GetLastError());
    SetLastError(kUntouched);
    EXPECT_EQ(InvalidInf(), SetupOpenInfFileW((folder_ + u"\\no\\none.inf").c_str(), nullptr, kInfStyleWin4, &line));
    EXPECT_EQ(kErrPathNotFound, GetLastError());
}

TEST_F(InfTest, BareNamesAreLookedForInTheInfFolder) {
    const std::u16string name = Format(u"kavrin-test-%u.inf", GetCurrentProcessId());
    const std::u16string path = Wide(WindowsDirectory()) + u"\\INF\\" + name;
    ASSERT_TRUE(WriteWholeFile(path, std::string(kHeader) + "[S]\nk=v\n"));
    HInf inf = SetupOpenInfFileW(name.c_str(), nullptr, kInfStyleWin4, nullptr);
    EXPECT_NE(InvalidInf(), inf);
    SetupCloseInfFile(inf);
    DeleteFileW(path.c_str());
}

TEST_F(InfTest, TheClassAskedForMustMatch) {
    if (testsupport::UnderWine()) GTEST_SKIP() << "Wine does not check the class";
    const std::u16string path = Write(std::string(kHeader) + "Class=Net\n");
    HInf inf = SetupOpenInfFileW(path.c_str(), u"NET", kInfStyleWin4, nullptr);
    EXPECT_NE(InvalidInf(), inf);
    SetupCloseInfFile(inf);
    SetLastError(kUntouched);
    EXPECT_EQ(InvalidInf(), SetupOpenInfFileW(path.c_str(), u"Display", kInfStyleWin4, nullptr));
    EXPECT_EQ(0xE0000201u, GetLastError());
}

// --- Encodings --------------------------------------------------------------------------

std::string Utf16(std::u16string_view text, bool mark) {
    std::string out = mark ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

TEST_F(InfTest, EncodingsOfTheFile) {
    const std::u16string body = u"[Version]\r\nSignature=\"$Windows NT$\"\r\n[S]\r\nk=caf\u00E9 \u20AC\r\n";
    const struct {
        const char* name;
        std::string bytes;
        std::u16string value;
    } cases[] = {
        {"Utf16WithMark", Utf16(body, true), u"caf\u00E9 \u20AC"},
        {"Utf16WithoutMark", Utf16(body, false), u"caf\u00E9 \u20AC"},
        {"Utf8WithMark", "\xEF\xBB\xBF" + Narrow(body), u"caf\u00E9 \u20AC"},
        {"Ansi1252", "[Version]\r\nSignature=\"$Windows NT$\"\r\n[S]\r\nk=caf\xE9 \x80\r\n", u"caf\u00E9 \u20AC"},
        // Read as ANSI, as Wine does; Windows was not checked.
        {"Utf8WithoutMarkIsAnsi", Narrow(body), u"caf\u00C3\u00A9 \u00E2\u201A\u00AC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HInf inf = Open(c.bytes);
        ASSERT_NE(InvalidInf(), inf);
        InfContext context;
        ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"k", &context));
        EXPECT_EQ(std::optional<std::u16string>(c.value), FieldText(context, 1));
    }
}

// --- Bad input: read as the platform reads it, never a crash ---------------------------

TEST_F(InfTest, BadInputIsReadOrRefusedLikeThePlatform) {
    // An unpaired surrogate is kept as it is.
    HInf inf = Open(Utf16(std::u16string(u"[Version]\nSignature=$Chicago$\n[S]\nk=\xD800x\n"), true));
    ASSERT_NE(InvalidInf(), inf);
    InfContext context;
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"k", &context));
    EXPECT_EQ(std::optional<std::u16string>(u"\xD800x"), FieldText(context, 1));

    // A malformed UTF-8 sequence becomes U+FFFD.
    inf = Open("\xEF\xBB\xBF[Version]\nSignature=$Chicago$\n[S]\nk=a\xFF" "b\n");
    ASSERT_NE(InvalidInf(), inf);
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"k", &context));
    EXPECT_EQ(std::optional<std::u16string>(u"a\xFFFD" u"b"), FieldText(context, 1));

    // UTF-16 of an odd length is not Unicode text: its marks and zero bytes are read as
    // ANSI, which puts text before the first section.
    unsigned line = 0;
    SetLastError(kUntouched);
    EXPECT_EQ(InvalidInf(), Open(Utf16(u"[Version]\nSignature=$Chicago$\n", true) + "x", &line));
    EXPECT_EQ(kErrExpectedSectionName, GetLastError());
    EXPECT_EQ(1u, line);

    // An unclosed quote ends with its line.
    inf = Open(std::string(kHeader) + "[S]\nk=\"ab,c\nk2=d\n");
    ASSERT_NE(InvalidInf(), inf);
    ASSERT_TRUE(SetupFindFirstLineW(inf, u"S", u"k2", &context));
    EXPECT_EQ(std::optional<std::string>("d"), Field(context, 1));
}

TEST_F(InfTest, HugeLinesAreCutNotFatal) {
    const std::string huge(2 * 1024 * 1024, 'a');
    std::optional<InfContext> line = FirstTestLine("k=" + huge, "[After]\nx=y\n");
    ASSERT_TRUE(line);
    std::optional<std::u16string> field = FieldText(*line, 1);
    ASSERT_TRUE(field);
    // Vista and later keep 4096 characters of a token; Wine keeps 511.
    EXPECT_EQ(testsupport::UnderWine() ? 511u : 4096u, field->size());

    std::string commas;
    for (int i = 0; i < 100000; ++i) commas += "a,";
    line = FirstTestLine("k=" + commas);
    ASSERT_TRUE(line);
    EXPECT_EQ(100001u, SetupGetFieldCount(&*line));
}

// --- The locale's string table (the simulated machine only) ------------------------------

TEST_F(InfTest, TheThreadLocaleChoosesTheStringsSection) {
    if (testsupport::UnderWine()) GTEST_SKIP() << "Wine reads the plain [Strings] section only";
    const std::string strings =
        "[Strings]\nk=plain\nonly=plain-only\n[Strings.0407]\nk=de-DE\n[Strings.0007]\nk=de\n"
        "[Strings.0807]\nk=de-CH\n[Strings.0c0c]\nk=fr-CA\n[Strings.0a]\nk=es\n";
    const struct {
        Lcid locale;
        const char* value;
        const char* only;
    } cases[] = {
        {0x0407, "de-DE", "%only%"},  // keys missing from the chosen section are not taken from others
        {0x0C07, "de", "%only%"},      // SUBLANG_NEUTRAL before another sublanguage
        {0x040C, "fr-CA", "%only%"},   // any section of the same primary language
        {0x0C0A, "es", "%only%"},      // a short id is a number like any other
        {0x0409, "plain", "plain-only"},
        {0x10407, "de-DE", "%only%"},  // the sort id does not count
    };
    const Lcid before = GetThreadLocale();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        ASSERT_TRUE(SetThreadLocale(c.locale));
        std::optional<InfContext> line = FirstTestLine("a=%k%,%only%", strings);
        // Chosen at the open: a later change of locale does not count.
        SetThreadLocale(0x0409);
        ASSERT_TRUE(line);
        EXPECT_EQ(std::optional<std::string>(c.value), Field(*line, 1));
        EXPECT_EQ(std::optional<std::string>(c.only), Field(*line, 2));
    }
    SetThreadLocale(before);
}

}  // namespace

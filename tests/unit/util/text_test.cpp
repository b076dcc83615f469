#include "util/text.h"

#include <gtest/gtest.h>

#include "util/basic_exception.h"

namespace {

using namespace std::string_view_literals;

// Well-formed texts in both encodings, around every boundary of the sequence lengths.
struct EncodingPair {
    std::u16string_view utf16;
    std::string_view utf8;
};

constexpr EncodingPair kWellFormed[] = {
    {u"", ""},
    {u"abc", "abc"},
    {u"\x007F", "\x7F"},
    {u"\x0080", "\xC2\x80"},
    {u"\x07FF", "\xDF\xBF"},
    {u"\x0800", "\xE0\xA0\x80"},
    {u"\xD7FF", "\xED\x9F\xBF"},
    {u"\xE000", "\xEE\x80\x80"},
    {u"\xFFFF", "\xEF\xBF\xBF"},
    {u"\xD800\xDC00", "\xF0\x90\x80\x80"},  // U+10000
    {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},  // U+1F600
    {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF
    {u"a\x00E9\x20AC\xD83D\xDE00z", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"},
};

TEST(Utf16ToUtf8, ConvertsWellFormedTexts) {
    for (const EncodingPair& pair : kWellFormed) {
        EXPECT_EQ(Utf16ToUtf8(pair.utf16), pair.utf8);
    }
}

TEST(Utf8ToUtf16, ConvertsWellFormedTexts) {
    for (const EncodingPair& pair : kWellFormed) {
        std::u16string out;
        EXPECT_EQ(Utf8ToUtf16(pair.utf8, &out), 0);
        EXPECT_EQ(out, pair.utf16);
    }
}

TEST(Utf16ToUtf8, StopsAtNul) {
    EXPECT_EQ(Utf16ToUtf8(u"ab\0cd"sv), "ab");
    // The NUL ends the text, so the high surrogate before it has no partner.
    EXPECT_THROW(Utf16ToUtf8(u"a\xD800\0\xDC00"sv), BasicException);
}

TEST(Utf16ToUtf8, ThrowsOnUnpairedSurrogate) {
    constexpr std::u16string_view kUnpaired[] = {
        u"abc\xD800",        // ends in a high surrogate
        u"\xD800" u"a",      // high surrogate before a letter
        u"\xD800\xD800\xDC00",  // high surrogate before another high one
        u"\xDC00",           // low surrogate alone
        u"a\xDFFF" u"b",
        u"\xD800\xDC00\xDC00",  // a pair, then a low surrogate without its own high one
    };
    for (std::u16string_view text : kUnpaired) {
        EXPECT_THROW(Utf16ToUtf8(text), BasicException) << testing::PrintToString(text);
    }
}

TEST(Utf8ToUtf16, StopsAtNul) {
    std::u16string out;
    EXPECT_EQ(Utf8ToUtf16("ab\0\xFF"sv, &out), 0);
    EXPECT_EQ(out, u"ab");
}

TEST(Utf8ToUtf16, StopsAtFirstIllFormedSequence) {
    struct Case {
        std::string_view bytes;
        std::u16string_view convertedBefore;
    };
    const Case kIllFormed[] = {
        {"a\xC0\x80" "b", u"a"},           // C0 and C1 never lead
        {"\xC1\xBF", u""},
        {"a\x80", u"a"},                 // continuation byte without a lead
        {"\xBF", u""},
        {"\xF5\x80\x80\x80", u""},       // leads above F4
        {"\xFF", u""},
        {"\xC2" "A", u""},               // second byte not a continuation
        {"\xC2\xC0", u""},
        {"\xE2\x82" "A", u""},           // third byte
        {"\xF0\x9F\x98" "A", u""},       // fourth byte
        {"\xE0\x9F\xBF", u""},           // after E0 at least A0 (overlong)
        {"\xF0\x8F\xBF\xBF", u""},       // after F0 at least 90 (overlong)
        {"\xF4\x90\x80\x80", u""},       // after F4 below 90 (above U+10FFFF)
        {"\xED\xA0\x80", u""},           // U+D800
        {"\xED\xBF\xBF", u""},           // U+DFFF
        {"\xC3\xA9\xFF", u"\x00E9"},     // stops after converting a good sequence
        {"ab\xE2\x82", u"ab"},           // cut short by the end of the text
        {"\xF0\x9F\x98", u""},
        {"\xC3", u""},
        {"a\xE2\x82\0\xAC"sv, u"a"},     // cut short by the NUL
    };
    for (const Case& c : kIllFormed) {
        std::u16string out = u"left over";
        EXPECT_EQ(Utf8ToUtf16(c.bytes, &out), -1) << testing::PrintToString(c.bytes);
        EXPECT_EQ(out, c.convertedBefore) << testing::PrintToString(c.bytes);
    }
}

TEST(SplitCommaList, GivesThePiecesBetweenCommas) {
    struct Case {
        std::u16string_view text;
        std::vector<std::u16string> pieces;
    };
    const Case kCases[] = {
        {u"", {u""}},
        {u",", {u"", u""}},
        {u"a", {u"a"}},
        {u"a,b", {u"a", u"b"}},
        {u"a,,b", {u"a", u"", u"b"}},
        {u"a,", {u"a", u""}},
        {u",a", {u"", u"a"}},
        {u" a , \"b,c\" ", {u" a ", u" \"b", u"c\" "}},  // no trimming, no quoting
    };
    for (const Case& c : kCases) {
        std::vector<std::u16string> pieces = {u"left over"};
        SplitCommaList(c.text, &pieces);
        EXPECT_EQ(pieces, c.pieces) << testing::PrintToString(c.text);
    }
}

}  // namespace

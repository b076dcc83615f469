#include "util/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

using namespace std::string_view_literals;

// Each row is formatted when the table is built; the line number names a failing row.
struct Row {
    int line;
    std::u16string got;
    std::u16string_view expected;
};

void ExpectRows(std::initializer_list<Row> rows) {
    for (const Row& row : rows) {
        EXPECT_EQ(row.got, row.expected) << "row at line " << row.line;
    }
}

enum Sample { SampleSeven = 7 };

TEST(Format, Integers) {
    constexpr int64_t kAbove32Bits = 0x123456789ABCDLL;  // low 32 bits: 0x6789ABCD
    ExpectRows({
        {__LINE__, Format(u"%d|%i", 42, -42), u"42|-42"},
        {__LINE__, Format(u"%d %d", INT32_MIN, INT32_MAX), u"-2147483648 2147483647"},
        {__LINE__, Format(u"%u", 4000000000u), u"4000000000"},
        {__LINE__, Format(u"%x %X %o", 0xBEEF, 0xBEEF, 8), u"beef BEEF 10"},
        // Windows takes a 32-bit value for these, whatever was passed.
        {__LINE__, Format(u"%u %x %X", -1, -1, -2), u"4294967295 ffffffff FFFFFFFE"},
        {__LINE__, Format(u"%d", kAbove32Bits), u"1737075661"},
        {__LINE__, Format(u"%d", int64_t(-1)), u"-1"},
        {__LINE__, Format(u"%d", 0x80000000u), u"-2147483648"},
        {__LINE__, Format(u"%lu %lx", kAbove32Bits, kAbove32Bits), u"1737075661 6789abcd"},
        {__LINE__, Format(u"%ld %lu", -1L, -1L), u"-1 4294967295"},
        {__LINE__, Format(u"%lld", INT64_MIN), u"-9223372036854775808"},
        {__LINE__, Format(u"%llu %llx", UINT64_MAX, UINT64_MAX),
         u"18446744073709551615 ffffffffffffffff"},
        {__LINE__, Format(u"%I64d %I64u", int64_t(-5), int64_t(-5)),
         u"-5 18446744073709551611"},
        {__LINE__, Format(u"%I64x %I64X", kAbove32Bits, kAbove32Bits),
         u"123456789abcd 123456789ABCD"},
        {__LINE__, Format(u"%I32x", kAbove32Bits), u"6789abcd"},
        {__LINE__, Format(u"%hd %hu", 65535, 65537), u"-1 1"},
        {__LINE__, Format(u"%hhd %hhu", 200, 0x1FF), u"-56 255"},
        {__LINE__, Format(u"%d %u", int8_t(-3), uint8_t(200)), u"-3 200"},
        {__LINE__, Format(u"%d %d", true, SampleSeven), u"1 7"},
        {__LINE__, Format(u"%d %x", u'A', u'\xFFFF'), u"65 ffff"},
        {__LINE__, Format(u"%u", std::numeric_limits<size_t>::max()), u"4294967295"},
    });
}

TEST(Format, IntegerFlagsWidthAndPrecision) {
    ExpectRows({
        {__LINE__, Format(u"%08x", 0xBEEF), u"0000beef"},
        {__LINE__, Format(u"%04x", 0x12345), u"12345"},  // a width never cuts
        {__LINE__, Format(u"%08X", -1), u"FFFFFFFF"},
        {__LINE__, Format(u"%016I64x", 0xABCULL), u"0000000000000abc"},
        {__LINE__, Format(u"[%5d]", 42), u"[   42]"},
        {__LINE__, Format(u"[%-5d]", 42), u"[42   ]"},
        {__LINE__, Format(u"[%-05d]", 42), u"[42   ]"},  // '-' beats '0'
        {__LINE__, Format(u"%05d", -42), u"-0042"},      // zeros after the sign
        {__LINE__, Format(u"%+d %+d % d % d", 5, -5, 5, -5), u"+5 -5  5 -5"},
        {__LINE__, Format(u"%+u", 5), u"5"},  // signs only for signed conversions
        {__LINE__, Format(u"%#x %#X %#x", 255, 255, 0), u"0xff 0XFF 0"},
        {__LINE__, Format(u"%#010x", 255), u"0x000000ff"},
        {__LINE__, Format(u"%#o %#o %#.0o", 8, 0, 0), u"010 0 0"},
        {__LINE__, Format(u"%.3d %.3d", 7, -7), u"007 -007"},
        {__LINE__, Format(u"[%.0d] [%.0x]", 0, 0), u"[] []"},
        {__LINE__, Format(u"[%8.3d]", -7), u"[    -007]"},
        {__LINE__, Format(u"[%08.3d]", 7), u"[     007]"},  // a precision disables '0'
        {__LINE__, Format(u"[%*d] [%*d]", 5, 42, -5, 42), u"[   42] [42   ]"},
        {__LINE__, Format(u"%.*d", 4, 7), u"0007"},
        {__LINE__, Format(u"[%.*d]", -1, 0), u"[0]"},  // a negative precision is none
    });
}

TEST(Format, Texts) {
    const std::u16string wide = u"wide";
    const std::string narrow = "narrow";
    ExpectRows({
        {__LINE__, Format(u"%s", u"h\x00E9llo"), u"h\x00E9llo"},
        {__LINE__, Format(u"%s|%s", wide, std::u16string_view(u"view")), u"wide|view"},
        {__LINE__, Format(u"%ls %ws", u"l", u"w"), u"l w"},
        {__LINE__, Format(u"%S|%hs|%S", "abc", narrow, "sv"sv), u"abc|narrow|sv"},
        {__LINE__, Format(u"%S", "h\xC3\xA9" "e"), u"h\x00E9" u"e"},
        {__LINE__, Format(u"%S", "\xF0\x9F\x98\x80"), u"\xD83D\xDE00"},
        // Bytes that are not UTF-8 come through as Latin-1, and what follows them too.
        {__LINE__, Format(u"%S", "a\xE9" "b\xC3\xA9"), u"a\x00E9" u"b\x00E9"},
        {__LINE__, Format(u"%S", "\xE2\x82"), u"\x00E2\x0082"},
        {__LINE__, Format(u"%S", "\xC0\x80"), u"\x00C0\x0080"},
        // Each argument knows its own encoding.
        {__LINE__, Format(u"%S|%s", u"wide", "narrow"), u"wide|narrow"},
        {__LINE__, Format(u"[%s]", u"a\0b"sv), u"[a]"},  // a text ends at its NUL
        {__LINE__, Format(u"[%S]", "a\0b"sv), u"[a]"},
        {__LINE__, Format(u"[%5s] [%-5s]", u"ab", u"ab"), u"[   ab] [ab   ]"},
        {__LINE__, Format(u"[%5S]", "\xC3\xA9"), u"[    \x00E9]"},  // width in units
        {__LINE__, Format(u"%.3s|%.3S|%.9s", u"abcdef", "abcdef", u"abc"), u"abc|abc|abc"},
        {__LINE__, Format(u"[%.*s]", 2, u"abcdef"), u"[ab]"},
        {__LINE__, Format(u"[%.0s]", u"abc"), u"[]"},
        // A precision that would split a surrogate pair drops the pair.
        {__LINE__, Format(u"[%.1s]", u"\xD83D\xDE00"), u"[]"},
        {__LINE__, Format(u"[%.2s]", u"a\xD83D\xDE00"), u"[a]"},
        {__LINE__, Format(u"[%.2s]", u"\xD83D\xDE00"), u"[\xD83D\xDE00]"},
        {__LINE__, Format(u"[%.1S]", "\xF0\x9F\x98\x80"), u"[]"},
        {__LINE__, Format(u"[%.2S]", "\xE2\x82\xAC\xF0\x9F\x98\x80"), u"[\x20AC]"},
    });
}

TEST(Format, NullTexts) {
    const char16_t* wide = nullptr;
    const char* narrow = nullptr;
    ExpectRows({
        {__LINE__, Format(u"%s %S %s", wide, narrow, nullptr), u"(null) (null) (null)"},
        {__LINE__, Format(u"%.3s|%8s", wide, wide), u"(nu|  (null)"},
    });
}

TEST(Format, Characters) {
    ExpectRows({
        {__LINE__, Format(u"%c%c", u'A', u'\x00E9'), u"A\x00E9"},
        {__LINE__, Format(u"%c", 0x263A), u"\x263A"},  // a number is a UTF-16 unit...
        {__LINE__, Format(u"%C%hc", 'A', 0xE9), u"A\x00E9"},  // ...or for %C a byte
        {__LINE__, Format(u"%C", u'\x263A'), u"\x263A"},
        {__LINE__, Format(u"%lc%wc", 0x263A, 0x263B), u"\x263A\x263B"},
        {__LINE__, Format(u"[%3c] [%-3c]", u'x', u'y'), u"[  x] [y  ]"},
    });
}

TEST(Format, Pointer) {
    const std::u16string zeros(sizeof(void*) * 2 - 4, u'0');
    EXPECT_EQ(Format(u"%p", reinterpret_cast<const void*>(0xBEEF)), zeros + u"BEEF");
    EXPECT_EQ(Format(u"%p", nullptr), zeros + u"0000");
}

TEST(Format, PercentAndUnknownConversions) {
    ExpectRows({
        {__LINE__, Format(u"plain text"), u"plain text"},
        {__LINE__, Format(u"100%% %d%%", 5), u"100% 5%"},
        // What is not a conversion is copied and takes no argument.
        {__LINE__, Format(u"Reason: %l\n%d", 5), u"Reason: %l\n5"},
        {__LINE__, Format(u"%q %W %-5y %d", 7), u"%q %W %-5y 7"},
        {__LINE__, Format(u"at the end %"), u"at the end %"},
        {__LINE__, Format(u"at the end %-08.3l"), u"at the end %-08.3l"},
        {__LINE__, Format(u"%99999999999d|%d", 1, 2), u"%99999999999d|1"},
    });
}

TEST(Format, BadArguments) {
    ExpectRows({
        {__LINE__, Format(u"%d", u"text"), u"(bad-arg)"},
        {__LINE__, Format(u"%x", "text"), u"(bad-arg)"},
        {__LINE__, Format(u"%s %S", 5, u'c'), u"(bad-arg) (bad-arg)"},
        {__LINE__, Format(u"%c", u"text"), u"(bad-arg)"},
        {__LINE__, Format(u"%f", 1), u"(bad-arg)"},
        {__LINE__, Format(u"%d %d %s", 1), u"1 (bad-arg) (bad-arg)"},
        // A refused argument is still used up: the next conversion gets its own.
        {__LINE__, Format(u"%d %s", u"x", u"y"), u"(bad-arg) y"},
        {__LINE__, Format(u"%*d|%d", u"w", 1, 2), u"(bad-arg)|2"},
        {__LINE__, Format(u"%s%%", nullptr), u"(null)%"},
    });
}

TEST(Format, CutsAtTheLimit) {
    const char16_t* kPair = u"\xD83D\xDE00";
    ExpectRows({
        {__LINE__, FormatLimited(5, u"abcde"), u"abcde"},
        {__LINE__, FormatLimited(4, u"abcde"), u"abcd"},
        {__LINE__, FormatLimited(5, u"ab%sde", u"c"), u"abcde"},
        {__LINE__, FormatLimited(5, u"%s", u"abcdefgh"), u"abcde"},
        {__LINE__, FormatLimited(5, u"%08x", 0xBEEF), u"0000b"},
        {__LINE__, FormatLimited(0, u"abc"), u""},
        // The cut would leave half a pair: the half goes too.
        {__LINE__, FormatLimited(3, u"ab%s", kPair), u"ab"},
        {__LINE__, FormatLimited(4, u"ab%s", kPair), u"ab\xD83D\xDE00"},
        {__LINE__, FormatLimited(5, u"ab%sc", kPair), u"ab\xD83D\xDE00" u"c"},
        {__LINE__, FormatLimited(3, u"ab%S", "\xF0\x9F\x98\x80"), u"ab"},
        // Only the units within the limit are ever produced.
        {__LINE__, FormatLimited(4, u"%2000000000d", 1), u"    "},
        {__LINE__, FormatLimited(4, u"%02000000000d", 1), u"0000"},
        {__LINE__, FormatLimited(4, u"%.2000000000d", 1), u"0000"},
    });
}

}  // namespace

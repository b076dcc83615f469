// Splitting of the raw command line, as the C runtime does it.

#include <gtest/gtest.h>

#include "util/command_line.h"

namespace {

TEST(SplitCommandLine, Table) {
    struct Case {
        std::u16string line;
        std::vector<std::u16string> args;
    } cases[] = {
        {u"", {u""}},
        {u"prog", {u"prog"}},
        {u"\"C:\\Program Files\\kavrin64.exe\" install C:\\pkg",
         {u"C:\\Program Files\\kavrin64.exe", u"install", u"C:\\pkg"}},
        {u"p  a\t\tb  ", {u"p", u"a", u"b"}},
        {u"p \"a b\" \"\"", {u"p", u"a b", u""}},
        {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},           // 2n backslashes, then a quote
        {u"p a\\\"b", {u"p", u"a\"b"}},                  // 2n+1: a literal quote
        {u"p a\\b\\", {u"p", u"a\\b\\"}},                // backslashes not before a quote
        {u"p \"C:\\dir\\\\\"", {u"p", u"C:\\dir\\"}},
        {u"p \"a\"\"b\"", {u"p", u"a\"b"}},              // a doubled quote inside quotes
        {u"\"prog\\\"x a", {u"prog\\", u"x", u"a"}},     // no escapes in the program name
        {u"p install \"C:\\My Package\" conmgmt", {u"p", u"install", u"C:\\My Package", u"conmgmt"}},
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> args = SplitCommandLine(c.line);
        EXPECT_EQ(c.args, args) << std::string(c.line.begin(), c.line.end());
    }
}

}  // namespace

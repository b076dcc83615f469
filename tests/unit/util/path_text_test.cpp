#include "util/path_text.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    std::u16string_view path;
    std::u16string_view expected;
};

TEST(PathText, DirectoryPart) {
    constexpr PathCase kCases[] = {
        {u"C:\\dir\\file.txt", u"C:\\dir"},
        {u"C:/dir/file.txt", u"C:\\dir"},
        {u"a/b\\c", u"a\\b"},
        {u"C:\\dir\\", u"C:\\dir"},
        {u"C:\\", u"C:"},
        {u"\\file", u""},
        {u"name.txt", u"name.txt"},
        {u"", u""},
    };
    for (const PathCase& c : kCases) {
        std::u16string stripped(c.path);
        StripLastPathPart(stripped);
        EXPECT_EQ(stripped, c.expected) << testing::PrintToString(c.path);
        EXPECT_EQ(GetDirectoryPart(c.path), c.expected) << testing::PrintToString(c.path);
    }
}

TEST(PathText, FileNamePart) {
    constexpr PathCase kCases[] = {
        {u"C:\\dir\\file.txt", u"file.txt"},
        {u"C:/dir/file.txt", u"file.txt"},
        {u"C:\\dir/file.txt", u"file.txt"},
        {u"C:\\dir\\", u""},
        {u"name.txt", u"name.txt"},
        {u"C:name.txt", u"C:name.txt"},
        {u"", u""},
    };
    for (const PathCase& c : kCases) {
        EXPECT_EQ(GetFileNamePart(c.path), c.expected) << testing::PrintToString(c.path);
    }
}

TEST(PathText, AppendAndCombine) {
    struct Case {
        std::u16string_view base;
        std::u16string_view part;
        std::u16string_view expected;
    };
    constexpr Case kCases[] = {
        {u"C:\\Temp\\", u"x.log", u"C:\\Temp\\x.log"},
        {u"C:\\Temp", u"\\x.log", u"C:\\Temp\\x.log"},
        {u"C:\\Temp\\", u"\\x.log", u"C:\\Temp\\x.log"},
        {u"C:\\Temp", u"x.log", u"C:\\Temp\\x.log"},
        {u"C:", u"x", u"C:\\x"},
        {u"C:/Temp/", u"x.log", u"C:\\Temp\\x.log"},
        {u"", u"x.log", u"x.log"},
        {u"", u"\\x.log", u"\\x.log"},
        {u"C:/a/b", u"", u"C:\\a\\b"},     // an empty part only turns the slashes
        {u"", u"", u""},
        {u"C:\\a", u"b/c", u"C:\\a\\b/c"},  // the part is taken as it is
        {u"C:\\a", u"/b", u"C:\\a\\/b"},    // only a backslash counts as its separator
        {u"C:\\a\\", u"\\\\b", u"C:\\a\\\\b"},  // one backslash of the base goes, no more
    };
    for (const Case& c : kCases) {
        std::u16string base(c.base);
        AppendPath(base, c.part);
        EXPECT_EQ(base, c.expected) << testing::PrintToString(c.base) << " + "
                                    << testing::PrintToString(c.part);
        EXPECT_EQ(CombinePath(c.base, c.part), c.expected);
    }
}

TEST(PathText, IsOemInfName) {
    struct Case {
        std::u16string_view path;
        bool expected;
    };
    constexpr Case kCases[] = {
        {u"oem12.inf", true},
        {u"oem12.pnf", true},
        {u"oem12.cat", true},  // nothing after the number is looked at
        {u"oem0", true},
        {u"OEM3.INF", true},
        {u"C:\\Windows\\INF\\oem5.inf", true},
        {u"C:/Windows/INF/Oem5.inf", true},
        {u"oem 7.inf", true},  // the number may follow blanks...
        {u"oem\t7.inf", true},
        {u"oem+7.inf", true},  // ...and one sign
        {u"oem-7.inf", true},
        {u"oem 99999999999999999999.inf", true},  // too big for the number, still read
        {u"oemx.inf", false},
        {u"xoem1.inf", false},
        {u"oem.inf", false},
        {u"oem", false},
        {u"", false},
        {u"oem+.inf", false},
        {u"oem+ 7.inf", false},  // no blank between sign and digits
        {u"oem--7.inf", false},
        {u"o em7.inf", false},
        {u"C:\\oem1\\setup.inf", false},  // only the file-name part counts
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(IsOemInfName(c.path), c.expected) << testing::PrintToString(c.path);
    }
}

}  // namespace

#include "tools/winsim/reg_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"

namespace {

using platform::sim::ToHost;
using winsim::RegEntry;
using winsim::RegKeyBlock;
namespace reg = platform::sim::reg;

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Utf16(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Hex(const std::string& data) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : data) {
        if (!out.empty()) out += ',';
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

// An entry as one line of text, so that a table can spell out what a parse gives.
std::string Describe(const RegEntry& e) {
    std::string line = std::to_string(e.line) + " ";
    switch (e.kind) {
        case RegEntry::Kind::Key: return line + "key " + ToHost(e.key);
        case RegEntry::Kind::DeleteTree: return line + "delete key " + ToHost(e.key);
        case RegEntry::Kind::DeleteValue: return line + "delete value [" + ToHost(e.value.name) + "]";
        case RegEntry::Kind::Value:
            return line + "value [" + ToHost(e.value.name) + "] type " + std::to_string(e.value.type) + " " +
                   Hex(e.value.data);
    }
    return line;
}

std::vector<std::string> Parse(std::u16string_view text) {
    std::vector<RegEntry> entries;
    std::string error;
    EXPECT_TRUE(winsim::ParseRegText(text, &entries, &error)) << error;
    std::vector<std::string> out;
    for (const RegEntry& e : entries) out.push_back(Describe(e));
    return out;
}

struct ParseCase {
    const char* what;
    std::u16string_view text;
    std::vector<std::string> entries;
};

TEST(ParseRegText, ReadsEveryForm) {
    const ParseCase cases[] = {
        {"every value form, CRLF",
         u"Windows Registry Editor Version 5.00\r\n"
         u"\r\n"
         u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
         u"\"Path\"=\"C:\\\\Dir\\\\a \\\"b\\\"\"\r\n"
         u"@=\"default\"\r\n"
         u"\"Lines\"=\"a\\r\\nb\"\r\n"
         u"\"Count\"=dword:0000001F\r\n"
         u"\"Short\"=dword:7\r\n"
         u"\"Bin\"=hex:01,02,ff\r\n"
         u"\"Exp\"=hex(2):25,00,00,00\r\n"
         u"\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
         u"\"None\"=hex(0):\r\n"
         u"\"Big\"=hex(20000):7\r\n"
         u"\"\"=\"empty name is the default\"\r\n"
         u"\"Gone\"=-\r\n"
         u"\r\n"
         u"[-HKLM\\SOFTWARE\\Old]\r\n",
         {"3 key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor",
          "4 value [Path] type 1 " + Hex(Utf16(std::u16string(u"C:\\Dir\\a \"b\"") + u'\0')),
          "5 value [] type 1 " + Hex(Utf16(std::u16string(u"default") + u'\0')),
          "6 value [Lines] type 1 " + Hex(Utf16(std::u16string(u"a\r\nb") + u'\0')),
          "7 value [Count] type 4 1f,00,00,00",
          "8 value [Short] type 4 07,00,00,00",
          "9 value [Bin] type 3 01,02,ff",
          "10 value [Exp] type 2 25,00,00,00",
          "11 value [Q] type 11 01,00,00,00,00,00,00,00",
          "12 value [None] type 0 ",
          "13 value [Big] type 131072 07",
          "14 value [] type 1 " + Hex(Utf16(std::u16string(u"empty name is the default") + u'\0')),
          "15 delete value [Gone]",
          "17 delete key HKLM\\SOFTWARE\\Old"}},
        {"continuation, comments, blanks and LF line ends",
         u"\xFEFFWindows Registry Editor Version 5.00\n"
         u"; a comment\n"
         u"  [HKLM\\A]  \n"
         u"\"Bin\" = hex:01,02,\\\n"
         u"    03,04,\\\n"
         u"\t05 ; the end\n"
         u"\"Name with ]\"=\"x\" ; trailing comment\n"
         u"[HKLM\\Key]With]Brackets]\n"
         u"@=hex:\\\n"
         u"  0a\n",
         {"3 key HKLM\\A", "4 value [Bin] type 3 01,02,03,04,05",
          "7 value [Name with ]] type 1 78,00,00,00", "8 key HKLM\\Key]With]Brackets",
          "9 value [] type 3 0a"}},
        {"REGEDIT4 carries expandable and multi strings as 8-bit text",
         u"REGEDIT4\n"
         u"\n"
         u"[HKEY_CURRENT_USER\\Software\\T]\n"
         u"\"e\"=hex(2):41,e9,00\n"
         u"\"m\"=hex(7):61,00,00\n"
         u"\"b\"=hex:41,e9\n",
         {"3 key HKEY_CURRENT_USER\\Software\\T", "4 value [e] type 2 41,00,e9,00,00,00",
          "5 value [m] type 7 61,00,00,00,00,00", "6 value [b] type 3 41,e9"}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Parse(c.text), c.entries);
    }
}

TEST(ParseRegText, NamesTheLineOfAnError) {
    const struct {
        std::u16string_view text;
        const char* error;
    } cases[] = {
        {u"", "line 1: not a registry file"},
        {u"[HKLM\\A]\n", "line 1: not a registry file"},
        {u"REGEDIT4\n\"a\"=\"b\"\n", "line 2: a value before any [key] line"},
        {u"REGEDIT4\n[HKLM\\A\n", "line 2: a key line must end with ']'"},
        {u"REGEDIT4\n[]\n", "line 2: the key line names no key"},
        {u"REGEDIT4\n[-]\n", "line 2: the key line names no key"},
        {u"REGEDIT4\n[-HKLM\\A]\n\"a\"=\"b\"\n", "line 3: a value under a key that the file deletes"},
        {u"REGEDIT4\n[HKLM\\A]\nname=\"b\"\n", "line 3: neither a [key], a value nor a ; comment"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"\"b\"\n", "line 3: '=' must follow the value name"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=\"C:\\dir\"\n", "line 3: unknown escape \\d"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=\"open\n", "line 3: a quoted text has no closing quote"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=\"b\" c\n", "line 3: unexpected text after the closing quote"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=-x\n", "line 3: unexpected text after '-'"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=str:\"b\"\n", "line 3: unknown value data"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=dword:123456789\n", "line 3: a dword has at most 8 hex digits"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=dword:\n", "line 3: dword: must be followed by 1 to 8 hex digits"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=dword:12g\n", "line 3: dword: must be followed by 1 to 8 hex digits"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex(2:00\n", "line 3: hex( must be followed by a hex type number"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex(100000000):00\n", "line 3: hex( must be followed by a hex type"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01 02\n", "line 3: bytes must be separated by commas"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,\n", "line 3: a byte is missing after the last comma"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,,02\n", "line 3: ',' where a hex byte should be"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,\\\n  02,\\\n  zz\n", "line 5: 'z' where a hex byte should be"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,\\ x\n", "line 3: unexpected text after '\\'"},
        {u"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,\\", "line 3: the data continues past the end of the file"},
    };
    for (const auto& c : cases) {
        std::vector<RegEntry> entries;
        std::string error;
        EXPECT_FALSE(winsim::ParseRegText(c.text, &entries, &error)) << ToHost(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << ToHost(c.text) << "\n  gave: " << error;
    }
}

TEST(DecodeRegFile, ReadsUtf16WithItsMarkAndUtf8) {
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n[HKLM\\\x00E9\xD83D\xDE00]\r\n";
    const std::string utf8 = ToHost(text);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"UTF-16LE after its mark", "\xFF\xFE" + Utf16(text)},
        {"UTF-8 after its mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-8 without a mark", utf8},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(winsim::DecodeRegFile(c.bytes, &error), text) << c.what;
        EXPECT_EQ(error, "") << c.what;
        EXPECT_EQ(Parse(winsim::DecodeRegFile(c.bytes, &error)),
                  std::vector<std::string>{"2 key HKLM\\\xC3\xA9\xF0\x9F\x98\x80"})
            << c.what;
    }
}

TEST(DecodeRegFile, RejectsWhatIsNotText) {
    const struct {
        std::string bytes;
        const char* error;
    } cases[] = {
        {"\xFF\xFE" "R\0E\0" "G", "not valid UTF-16 text: an odd number of bytes"},
        {"\xFE\xFF\0R", "UTF-16 big-endian text is not a registry file"},
        {"REGEDIT4\r\n[HKLM\\caf\xE9]\r\n", "line 2: not UTF-8 text"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(winsim::DecodeRegFile(c.bytes, &error), u"");
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

reg::Value Sz(std::u16string name, std::u16string text, uint32_t type = 1) {
    return {std::move(name), type, Utf16(text + u'\0')};
}

TEST(RegExportText, WritesTheSampleOfRegedit) {
    std::vector<RegKeyBlock> keys = {
        {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor",
         {Sz(u"Path", u"C:\\Dir\\a \"b\""), Sz(u"", u"default"), {u"Count", 4, Bytes({0x1f, 0, 0, 0})},
          {u"Bin", 3, Bytes({1, 2, 0xff})}, Sz(u"Exp", u"%A%", 2),
          {u"List", 7, Utf16(std::u16string(u"a\0b\0\0", 5))}, {u"Q", 11, Bytes({1, 0, 0, 0, 0, 0, 0, 0})}}},
        {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Sub", {}},
    };
    EXPECT_EQ(winsim::RegExportText(keys),
              u"Windows Registry Editor Version 5.00\r\n"
              u"\r\n"
              u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
              u"\"Path\"=\"C:\\\\Dir\\\\a \\\"b\\\"\"\r\n"
              u"@=\"default\"\r\n"
              u"\"Count\"=dword:0000001f\r\n"
              u"\"Bin\"=hex:01,02,ff\r\n"
              u"\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
              u"\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
              u"\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
              u"\r\n"
              u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Sub]\r\n"
              u"\r\n");
}

TEST(RegValueLine, KeepsEveryByteOfDataTheQuotedFormCannotCarry) {
    const struct {
        reg::Value value;
        std::u16string line;
    } cases[] = {
        {Sz(u"a\"b\\c\r\n", u"x\"y\\z\r\n"), u"\"a\\\"b\\\\c\\r\\n\"=\"x\\\"y\\\\z\\r\\n\""},
        {Sz(u"emoji", u"\xD83D\xDE00"), u"\"emoji\"=\"\xD83D\xDE00\""},
        {Sz(u"", u""), u"@=\"\""},
        {{u"noNul", 1, Utf16(u"ab")}, u"\"noNul\"=hex(1):61,00,62,00"},
        {{u"odd", 1, Bytes({0x61, 0, 0})}, u"\"odd\"=hex(1):61,00,00"},
        {{u"inner", 1, Utf16(std::u16string(u"a\0b\0", 4))}, u"\"inner\"=hex(1):61,00,00,00,62,00,00,00"},
        {{u"lone", 1, Utf16(std::u16string(u"\xD800\0", 2))}, u"\"lone\"=hex(1):00,d8,00,00"},
        {{u"empty", 1, ""}, u"\"empty\"=hex(1):"},
        {{u"d0", 4, Bytes({0, 0, 0, 0})}, u"\"d0\"=dword:00000000"},
        {{u"dmax", 4, Bytes({0xff, 0xff, 0xff, 0xff})}, u"\"dmax\"=dword:ffffffff"},
        {{u"d3", 4, Bytes({1, 2, 3})}, u"\"d3\"=hex(4):01,02,03"},
        {{u"none", 0, ""}, u"\"none\"=hex(0):"},
        {{u"big", 0x20000, Bytes({0xAB})}, u"\"big\"=hex(20000):ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(winsim::RegValueLine(c.value), c.line) << ToHost(c.line);
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(RegValueLine, WrapsHexDataAfterTheCommaThatReaches77Columns) {
    EXPECT_EQ(winsim::RegValueLine({u"Bin", 3, std::string(30, '\x11')}),
              u"\"Bin\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\r\n"
              u"  11,11,11,11,11,11,11");
    // Every name length and data size near the edges: each broken line ends with the
    // first comma at or past column 77, so no line passes 80 columns.
    for (size_t nameLength = 0; nameLength < 70; nameLength += 7) {
        for (size_t size = 0; size < 80; ++size) {
            std::string data(size, '\xA5');
            std::vector<std::u16string> lines =
                SplitLines(winsim::RegValueLine({std::u16string(nameLength, u'n'), 7, data}));
            for (size_t i = 0; i < lines.size(); ++i) {
                const std::u16string& line = lines[i];
                SCOPED_TRACE(ToHost(line));
                EXPECT_LE(line.size(), 80u);
                if (i > 0) {
                    EXPECT_EQ(line.substr(0, 2), u"  ");
                }
                if (i + 1 < lines.size()) {
                    ASSERT_GE(line.size(), 2u);
                    EXPECT_EQ(line.substr(line.size() - 2), u",\\");
                    EXPECT_GE(line.size() - 1, 77u);
                    EXPECT_LT(line.size() - 1 - 3, 77u);
                }
            }
        }
    }
}

TEST(RegExportText, ReadsBackEveryValueItWrites) {
    std::mt19937 random(7);
    const uint32_t types[] = {0, 1, 2, 3, 4, 7, 11, 0x1234};
    std::vector<RegKeyBlock> keys(1);
    keys[0].path = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Random";
    for (int i = 0; i < 300; ++i) {
        reg::Value value;
        for (size_t n = random() % 12; n > 0; --n) value.name += static_cast<char16_t>(u' ' + random() % 95);
        value.type = types[random() % std::size(types)];
        size_t size = random() % 90;
        bool text = value.type == 1 && random() % 4 != 0;
        for (size_t n = 0; n < size; ++n) {
            // Text: printable characters and line ends, often cut to an odd length.
            char c = static_cast<char>(random());
            if (text) c = n % 2 ? '\0' : random() % 8 ? static_cast<char>(' ' + random() % 95) : '\n';
            value.data += c;
        }
        if (text && random() % 2) value.data += std::string(2, '\0');
        keys[0].values.push_back(value);
    }
    std::vector<RegEntry> entries;
    std::string error;
    ASSERT_TRUE(winsim::ParseRegText(winsim::RegExportText(keys), &entries, &error)) << error;
    ASSERT_EQ(entries.size(), keys[0].values.size() + 1);
    for (size_t i = 0; i < keys[0].values.size(); ++i) {
        const reg::Value& written = keys[0].values[i];
        const reg::Value& read = entries[i + 1].value;
        EXPECT_EQ(ToHost(read.name), ToHost(written.name));
        EXPECT_EQ(read.type, written.type);
        EXPECT_EQ(Hex(read.data), Hex(written.data));
    }
}

// Two fresh machines in a folder of their own, removed afterwards.
class RegMachineTest : public testing::Test {
protected:
    void SetUp() override {
        std::string base = (std::filesystem::temp_directory_path() / "reg-text-XXXXXX").string();
        ASSERT_NE(::mkdtemp(base.data()), nullptr);
        folder_ = base;
        // Key texts of HKEY_CURRENT_USER need the machine of the process for its user;
        // a test program that has a machine already keeps it (the user is the same).
        if (const char* given = std::getenv("WINSIM_PREFIX"); !given || !*given) {
            ::setenv("WINSIM_PREFIX", (folder_ + "/a").c_str(), 1);
        }
        std::string error;
        for (const char* name : {"a", "b"}) {
            ASSERT_TRUE(platform::sim::CreateMachine(folder_ + "/" + name, platform::sim::MachineSettings{}, &error))
                << error;
        }
        a_ = platform::sim::Machine::Open(folder_ + "/a", &error);
        b_ = platform::sim::Machine::Open(folder_ + "/b", &error);
        ASSERT_TRUE(a_ && b_) << error;
    }
    void TearDown() override {
        a_.reset();
        b_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    static bool Import(sqlite3* db, std::u16string_view text, std::string* error) {
        std::vector<RegEntry> entries;
        return winsim::ParseRegText(text, &entries, error) && winsim::ApplyRegEntries(db, entries, error);
    }
    static std::u16string Export(sqlite3* db, reg::KeyId root, const std::u16string& path) {
        std::vector<RegKeyBlock> keys;
        winsim::CollectKeyTree(db, root, path, &keys);
        return winsim::RegExportText(keys);
    }
    static std::u16string ExportAll(sqlite3* db) {
        std::vector<RegKeyBlock> keys;
        winsim::CollectKeyTree(db, reg::kLocalMachine, u"HKEY_LOCAL_MACHINE", &keys);
        winsim::CollectKeyTree(db, reg::kUsers, u"HKEY_USERS", &keys);
        return winsim::RegExportText(keys);
    }

    std::string folder_;
    std::unique_ptr<platform::sim::Machine> a_, b_;
};

TEST_F(RegMachineTest, ImportThenExportGivesTheTextBack) {
    const std::u16string vendor =
        u"Windows Registry Editor Version 5.00\r\n"
        u"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
        u"\"Path\"=\"C:\\\\Dir\\\\a \\\"b\\\"\"\r\n"
        u"@=\"default\"\r\n"
        u"\"Count\"=dword:0000001f\r\n"
        u"\"Odd\"=hex(1):61,00,62\r\n"
        u"\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        u"  16,17,18,19\r\n"
        u"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\a]\r\n"
        u"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\B]\r\n"
        u"\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        u"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\B\\c]\r\n"
        u"\r\n";
    // The same tree written another way: short root names, subkeys out of order, the
    // current user's key, deletions.
    const std::u16string given =
        u"Windows Registry Editor Version 5.00\r\n"
        u"[HKLM\\SOFTWARE\\Vendor\\B\\c]\r\n"
        u"[HKLM\\SOFTWARE\\Vendor\\Gone\\Deep]\r\n"
        u"\"x\"=\"y\"\r\n"
        u"[-HKLM\\SOFTWARE\\Vendor\\Gone]\r\n"
        u"[hklm\\software\\Vendor]\r\n"
        u"\"Path\"=\"C:\\\\Dir\\\\a \\\"b\\\"\"\r\n"
        u"@=\"default\"\r\n"
        u"\"Count\"=dword:1f\r\n"
        u"\"Odd\"=hex(1):61,00,62\r\n"
        u"\"Dropped\"=\"soon\"\r\n"
        u"\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19\r\n"
        u"\"Dropped\"=-\r\n"
        u"[HKLM\\SOFTWARE\\Vendor\\a]\r\n"
        u"[HKLM\\SOFTWARE\\Vendor\\B]\r\n"
        u"\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        u"[HKCU\\Software\\Vendor]\r\n"
        u"\"User\"=dword:00000001\r\n";
    std::string error;
    ASSERT_TRUE(Import(a_->Db(), given, &error)) << error;
    reg::KeyId vendorKey = reg::WalkPath(a_->Db(), reg::kLocalMachine, u"SOFTWARE\\Vendor", reg::Create::No);
    EXPECT_EQ(ToHost(Export(a_->Db(), vendorKey, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor")), ToHost(vendor));
    const std::u16string user = u"HKEY_USERS\\" + a_->Settings().sid + u"\\Software\\Vendor";
    reg::KeyId userKey = reg::WalkPath(a_->Db(), reg::kUsers, a_->Settings().sid + u"\\Software\\Vendor",
                                       reg::Create::No);
    EXPECT_EQ(ToHost(Export(a_->Db(), userKey, user)),
              ToHost(u"Windows Registry Editor Version 5.00\r\n\r\n[" + user + u"]\r\n\"User\"=dword:00000001\r\n\r\n"));

    // The whole registry, links left out, carries over to another machine unchanged.
    const std::u16string all = ExportAll(a_->Db());
    EXPECT_EQ(all.find(u"CurrentControlSet"), std::u16string::npos);
    ASSERT_TRUE(Import(b_->Db(), all, &error)) << error;
    EXPECT_EQ(ToHost(ExportAll(b_->Db())), ToHost(all));
}

TEST_F(RegMachineTest, AFailingImportChangesNothing) {
    const std::u16string before = ExportAll(a_->Db());
    const struct {
        std::u16string text;
        const char* error;
    } cases[] = {
        {u"REGEDIT4\n[HKLM\\SOFTWARE\\New]\n\"a\"=\"b\"\n[HKXX\\Bad]\n", "line 4: \"HKXX\\Bad\" is not a registry key"},
        {u"REGEDIT4\n[HKLM\\SOFTWARE\\New]\n[-HKEY_USERS]\n", "line 3: a root key cannot be deleted"},
        {u"REGEDIT4\n[HKLM\\SOFTWARE\\New]\n[-HKCU\\]\n", "line 3: a root key cannot be deleted"},
        {u"REGEDIT4\n[HKLM\\SOFTWARE\\" + std::u16string(256, u'k') + u"]\n", "line 2: "},
        // Found only while applying, after the first entries have been written.
        {u"REGEDIT4\n[-HKLM\\SOFTWARE\\Microsoft]\n[HKLM\\SOFTWARE\\New]\n\"a\"=\"b\"\n"
         u"[-HKLM\\SYSTEM\\CurrentControlSet]\n",
         "line 5: \"HKLM\\SYSTEM\\CurrentControlSet\" is a link to another key"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Import(a_->Db(), c.text, &error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(ExportAll(a_->Db()), before) << c.error;
    }
}

}  // namespace

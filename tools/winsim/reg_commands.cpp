// winsim reg: the registry of the machine in the .reg text form.
//
// `reg query KEY` prints, with CR LF line ends:
//   [FULL\KEY\PATH]            the key, with the root's long name and the stored case
//   "Name"=data                each value in .reg syntax, in the stored order
//   [FULL\KEY\PATH\Sub]        each subkey in the platform's order, links included
// so that the header line followed by this output is a .reg text that recreates the
// key, its values and its subkeys. HKEY_CURRENT_USER keys print under HKEY_USERS\<SID>,
// HKEY_CLASSES_ROOT keys under the key the classes view resolves to.
// `reg query KEY VALUE` prints that value's line only.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"
#include "tools/winsim/commands.h"
#include "tools/winsim/reg_text.h"

namespace winsim {

namespace {

using platform::sim::EqualsFolded;
using platform::sim::FromHost;
using platform::sim::ToHost;

const char16_t kCrLf[] = u"\r\n";

// An outcome that is not the input's fault: a key or value that is missing.
int Fail(const std::string& message) {
    std::fprintf(stderr, "winsim: %s\n", message.c_str());
    return 1;
}

void Print(std::u16string_view text) {
    std::string out = ToHost(text);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Whether a word starts with a predefined root's name, so that it is meant as a key.
bool LooksLikeKey(const std::string& word) {
    std::u16string text = FromHost(word);
    reg::KeyPath path;
    return reg::ParseKeyText(text.substr(0, text.find(u'\\')), &path);
}

bool ParseKeyArg(const std::string& word, reg::KeyPath* path) { return reg::ParseKeyText(FromHost(word), path); }

int BadKey(const std::string& word) {
    return Usage(Quoted(word) +
                 " is not a registry key (start it with HKEY_LOCAL_MACHINE or HKLM, HKEY_USERS or HKU, "
                 "HKEY_CURRENT_USER or HKCU, HKEY_CLASSES_ROOT or HKCR, HKEY_CURRENT_CONFIG or HKCC)");
}

// The value name of a command line: "@" and "" both name the default value.
std::u16string ValueName(const std::string& word) { return word == "@" ? std::u16string() : FromHost(word); }

// Walks a path from its real root, spelling each name as stored (link names as the
// link is named). False when a key is missing.
bool WalkStored(sqlite3* db, const reg::KeyPath& path, reg::KeyId* key, std::u16string* text) {
    *key = EqualsFolded(path[0], u"HKEY_LOCAL_MACHINE") ? reg::kLocalMachine : reg::kUsers;
    *text = *key == reg::kLocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_USERS";
    for (size_t i = 1; i < path.size(); ++i) {
        std::u16string stored;
        for (const auto& name : reg::SubKeyNames(db, *key, reg::Links::Include)) {
            if (EqualsFolded(name, path[i])) stored = name;
        }
        if (stored.empty()) return false;
        *key = reg::FindChild(db, *key, stored);
        *text += u'\\' + stored;
    }
    return true;
}

// The key a path names and its full text as an export writes it. The classes view
// resolves as the platform reads it: the user's classes before the machine's.
bool ResolveKey(sqlite3* db, const reg::KeyPath& path, reg::KeyId* key, std::u16string* text) {
    if (!EqualsFolded(path[0], u"HKEY_CLASSES_ROOT")) return WalkStored(db, path, key, text);
    const std::u16string& sid = platform::sim::Machine::Current().Settings().sid;
    for (reg::KeyPath real : {reg::KeyPath{u"HKEY_USERS", sid, u"Software", u"Classes"},
                              reg::KeyPath{u"HKEY_LOCAL_MACHINE", u"SOFTWARE", u"Classes"}}) {
        real.insert(real.end(), path.begin() + 1, path.end());
        if (WalkStored(db, real, key, text)) return true;
    }
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A decimal number, or a hex one after 0x, as the reg tool reads them ("010" is ten).
bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t* out) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t start = hex ? 2 : 0;
    if (start == text.size()) return false;
    const uint64_t base = hex ? 16 : 10;
    uint64_t number = 0;
    for (size_t i = start; i < text.size(); ++i) {
        int digit = HexValue(text[i]);
        if (digit < 0 || static_cast<uint64_t>(digit) >= base) return false;
        if (number > (max - static_cast<uint64_t>(digit)) / base) return false;
        number = number * base + static_cast<uint64_t>(digit);
    }
    *out = number;
    return true;
}

std::string LittleEndian(uint64_t number, int bytes) {
    std::string data;
    for (int i = 0; i < bytes; ++i) data += static_cast<char>(number >> (8 * i));
    return data;
}

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// The type and raw data of `reg set`, with the conventions of the platform's reg
// tool: strings get their NUL, REG_MULTI_SZ items are separated by the text "\0".
bool ValueData(const std::string& typeName, const std::string& data, reg::Value* value, std::string* error) {
    struct TypeName {
        const char* name;
        uint32_t type;
    };
    static const TypeName kTypes[] = {{"REG_NONE", 0},      {"REG_SZ", 1},         {"REG_EXPAND_SZ", 2},
                                      {"REG_BINARY", 3},    {"REG_DWORD", 4},      {"REG_MULTI_SZ", 7},
                                      {"REG_QWORD", 11}};
    const TypeName* found = nullptr;
    for (const TypeName& t : kTypes) {
        if (EqualsFolded(FromHost(typeName), FromHost(t.name))) found = &t;
    }
    if (!found) {
        *error = "unknown type " + Quoted(typeName) +
                 " (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE)";
        return false;
    }
    value->type = found->type;
    uint64_t number = 0;
    switch (found->type) {
        case 4:
        case 11:
            if (!ParseUnsigned(data, found->type == 4 ? 0xFFFFFFFFull : ~0ull, &number)) {
                *error = Quoted(data) + " is not a " + found->name + " (a decimal number, or hex after 0x)";
                return false;
            }
            value->data = LittleEndian(number, found->type == 4 ? 4 : 8);
            return true;
        case 3:
            value->data.clear();
            for (size_t i = 0; i < data.size(); i += 2) {
                int high = HexValue(data[i]);
                int low = i + 1 < data.size() ? HexValue(data[i + 1]) : -1;
                if (high < 0 || low < 0) {
                    *error = Quoted(data) + " is not REG_BINARY data (pairs of hex digits, like 0102ff)";
                    return false;
                }
                value->data += static_cast<char>(high << 4 | low);
            }
            return true;
        case 7: {
            std::u16string text = FromHost(data), items;
            size_t start = 0;
            while (start < text.size()) {
                size_t end = text.find(u"\\0", start);
                if (end == std::u16string::npos) end = text.size();
                if (end == start) {
                    *error = "REG_MULTI_SZ data " + Quoted(data) + " has an empty item";
                    return false;
                }
                items += text.substr(start, end - start) + u'\0';
                start = end + 2;
            }
            // The list ends with an empty item; an empty list is that NUL alone.
            items += u'\0';
            value->data = Utf16Bytes(items);
            return true;
        }
        default:  // the strings, and REG_NONE, which the reg tool stores as a string too
            value->data = Utf16Bytes(FromHost(data) + u'\0');
            return true;
    }
}

int Query(sqlite3* db, const Args& args) {
    if (args.empty() || args.size() > 2) return Usage("usage: reg query KEY [VALUE]");
    reg::KeyPath path;
    if (!ParseKeyArg(args[0], &path)) return BadKey(args[0]);
    reg::KeyId key;
    std::u16string text;
    if (!ResolveKey(db, path, &key, &text)) return Fail("no key " + Quoted(args[0]));
    if (args.size() == 2) {
        reg::Value value;
        if (!reg::GetValue(db, key, ValueName(args[1]), &value)) {
            return Fail(ToHost(text) + " has no value " + Quoted(args[1]));
        }
        Print(RegValueLine(value) + kCrLf);
        return 0;
    }
    std::u16string out = u'[' + text + u']' + kCrLf;
    for (const reg::Value& value : reg::Values(db, key)) out += RegValueLine(value) + kCrLf;
    for (const auto& name : reg::SubKeyNames(db, key, reg::Links::Include)) {
        out += u'[' + text + u'\\' + name + u']' + kCrLf;
    }
    Print(out);
    return 0;
}

int Set(sqlite3* db, const Args& args) {
    if (args.size() != 4) return Usage("usage: reg set KEY VALUE TYPE DATA");
    reg::KeyPath path;
    if (!ParseKeyArg(args[0], &path)) return BadKey(args[0]);
    reg::Value value;
    std::string error;
    if (!ValueData(args[2], args[3], &value, &error)) return Usage(error);
    platform::sim::Transaction transaction(db);
    reg::KeyId key = reg::CreateKey(db, path, nullptr);
    reg::SetValue(db, key, ValueName(args[1]), value.type, value.data);
    transaction.Commit();
    return 0;
}

int Delete(sqlite3* db, const Args& args) {
    if (args.empty() || args.size() > 2) return Usage("usage: reg delete KEY [VALUE]");
    reg::KeyPath path;
    std::u16string keyText = FromHost(args[0]);
    if (!reg::ParseKeyText(keyText, &path)) return BadKey(args[0]);
    if (args.size() == 1) {
        if (NamesRootOnly(keyText)) return Usage("a root key cannot be deleted: " + Quoted(args[0]));
        if (EndsInLink(db, path)) {
            return Usage(Quoted(args[0]) + " is a link to another key; delete that key instead");
        }
    }
    reg::KeyId key;
    std::u16string text;
    if (!ResolveKey(db, path, &key, &text)) return Fail("no key " + Quoted(args[0]));
    platform::sim::Transaction transaction(db);
    if (args.size() == 2) {
        if (!reg::DeleteValue(db, key, ValueName(args[1]))) {
            return Fail(ToHost(text) + " has no value " + Quoted(args[1]));
        }
    } else {
        reg::DeleteTree(db, key);
    }
    transaction.Commit();
    return 0;
}

int Export(sqlite3* db, const Args& args) {
    if (args.size() > 2) return Usage("usage: reg export [KEY] [FILE]");
    // One word is the key when it starts with a root's name, else the file.
    bool keyGiven = !args.empty() && (args.size() == 2 || LooksLikeKey(args[0]));
    std::string file = args.size() == 2 ? args[1] : args.size() == 1 && !keyGiven ? args[0] : "-";
    std::vector<RegKeyBlock> keys;
    if (keyGiven) {
        reg::KeyPath path;
        if (!ParseKeyArg(args[0], &path)) return BadKey(args[0]);
        reg::KeyId key;
        std::u16string text;
        if (!ResolveKey(db, path, &key, &text)) return Fail("no key " + Quoted(args[0]));
        CollectKeyTree(db, key, text, &keys);
    } else {
        CollectKeyTree(db, reg::kLocalMachine, u"HKEY_LOCAL_MACHINE", &keys);
        CollectKeyTree(db, reg::kUsers, u"HKEY_USERS", &keys);
    }
    std::u16string text = RegExportText(keys);
    if (file == "-") {
        Print(text);
        return 0;
    }
    // A file gets what regedit writes: UTF-16LE after its byte-order mark.
    std::string bytes = "\xFF\xFE" + Utf16Bytes(text);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush()) {
        return Fail("cannot write " + file);
    }
    return 0;
}

int Import(sqlite3* db, const Args& args) {
    if (args.size() != 1) return Usage("usage: reg import FILE (or - for standard input)");
    const std::string& file = args[0];
    std::string bytes;
    if (file == "-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) return Usage("cannot read " + file);
        std::ostringstream all;
        all << in.rdbuf();
        bytes = all.str();
    }
    std::string error;
    std::u16string text = DecodeRegFile(bytes, &error);
    std::vector<RegEntry> entries;
    if (!error.empty() || !ParseRegText(text, &entries, &error)) return Usage(file + ": " + error);
    if (!ApplyRegEntries(db, entries, &error)) return Usage(file + ": " + error);
    return 0;
}

}  // namespace

int RegCommand(const Args& args) {
    if (args.empty()) return Usage("reg needs query, set, delete, export or import (see winsim --help)");
    const std::string& verb = args[0];
    Args rest(args.begin() + 1, args.end());
    try {
        sqlite3* db = platform::sim::Machine::Current().Db();
        if (verb == "query") return Query(db, rest);
        if (verb == "set") return Set(db, rest);
        if (verb == "delete") return Delete(db, rest);
        if (verb == "export") return Export(db, rest);
        if (verb == "import") return Import(db, rest);
    } catch (const platform::sim::DbError& e) {
        return Fail("the machine database failed: " + e.message);
    }
    return Usage("unknown reg command " + Quoted(verb) + " (query, set, delete, export or import)");
}

}  // namespace winsim

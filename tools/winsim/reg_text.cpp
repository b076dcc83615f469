#include "tools/winsim/reg_text.h"

#include "platform/sim/host_text.h"
#include "platform/sim/sqlite_db.h"

namespace winsim {

namespace {

using platform::sim::EqualsFolded;
using platform::sim::ToHost;

const char16_t kRegedit4Header[] = u"REGEDIT4";
const char16_t kCrLf[] = u"\r\n";
// The value types the text gives a form of its own.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
// regedit breaks hex data after the comma that brings a line to this many characters,
// so that no line, with its "\", passes 80 columns.
constexpr size_t kHexLineLimit = 77;
constexpr size_t kMaxValueName = 16383;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWithFolded(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && EqualsFolded(s.substr(0, prefix.size()), prefix);
}

// Nothing but blanks or a comment may follow a value's data.
bool OnlyCommentLeft(std::u16string_view rest) {
    rest = TrimLeft(rest);
    return rest.empty() || rest.front() == u';';
}

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Quoted(std::u16string_view text) { return "\"" + ToHost(text) + "\""; }

class RegTextParser {
public:
    RegTextParser(std::u16string_view text, std::vector<RegEntry>* entries) : entries_(entries) {
        if (!text.empty() && text.front() == u'\xFEFF') text.remove_prefix(1);
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find(u'\n', start);
            if (end == std::u16string_view::npos) end = text.size();
            std::u16string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    bool Run(std::string* error) {
        std::u16string_view header = TrimRight(TrimLeft(lines_[0]));
        if (header == kRegFileHeader) {
            unicode_ = true;
        } else if (header == kRegedit4Header) {
            unicode_ = false;
        } else {
            return Fail(error, "not a registry file: the first line must be \"Windows Registry Editor "
                               "Version 5.00\" or \"REGEDIT4\"");
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            std::u16string_view line = TrimLeft(lines_[index_]);
            if (line.empty() || line.front() == u';') continue;
            bool ok = line.front() == u'[' ? KeyLine(line, error)
                      : line.front() == u'"' || line.front() == u'@'
                          ? ValueLine(line, error)
                          : Fail(error, "neither a [key], a value nor a ; comment");
            if (!ok) return false;
        }
        return true;
    }

private:
    int LineNumber() const { return static_cast<int>(index_) + 1; }

    bool Fail(std::string* error, const std::string& message) {
        *error = "line " + std::to_string(LineNumber()) + ": " + message;
        return false;
    }

    bool KeyLine(std::u16string_view line, std::string* error) {
        // A key name may hold "]"; the line's last one closes it.
        line = TrimRight(line);
        if (line.back() != u']') return Fail(error, "a key line must end with ']'");
        std::u16string_view name = line.substr(1, line.size() - 2);
        RegEntry entry;
        entry.line = LineNumber();
        entry.kind = RegEntry::Kind::Key;
        if (!name.empty() && name.front() == u'-') {
            entry.kind = RegEntry::Kind::DeleteTree;
            name.remove_prefix(1);
        }
        if (name.empty()) return Fail(error, "the key line names no key");
        entry.key = name;
        key_ = entry.key;
        keyDeleted_ = entry.kind == RegEntry::Kind::DeleteTree;
        entries_->push_back(std::move(entry));
        return true;
    }

    // Reads a quoted text starting at its opening quote; `line` is left after the
    // closing one.
    bool QuotedText(std::u16string_view& line, std::u16string* out, std::string* error) {
        out->clear();
        for (size_t i = 1; i < line.size(); ++i) {
            char16_t c = line[i];
            if (c == u'"') {
                line.remove_prefix(i + 1);
                return true;
            }
            if (c != u'\\') {
                *out += c;
                continue;
            }
            if (++i == line.size()) break;
            switch (line[i]) {
                case u'\\': *out += u'\\'; break;
                case u'"': *out += u'"'; break;
                case u'n': *out += u'\n'; break;
                case u'r': *out += u'\r'; break;
                default:
                    return Fail(error, "unknown escape \\" + ToHost(line.substr(i, 1)) +
                                           " in a quoted text (write \\\\ for a backslash)");
            }
        }
        return Fail(error, "a quoted text has no closing quote");
    }

    bool ValueLine(std::u16string_view line, std::string* error) {
        RegEntry entry;
        entry.line = LineNumber();
        if (line.front() == u'@') {
            line.remove_prefix(1);
        } else if (!QuotedText(line, &entry.value.name, error)) {
            return false;
        }
        if (entry.value.name.size() > kMaxValueName) return Fail(error, "the value name is too long");
        line = TrimLeft(line);
        if (line.empty() || line.front() != u'=') return Fail(error, "'=' must follow the value name");
        line = TrimLeft(line.substr(1));
        if (key_.empty()) return Fail(error, "a value before any [key] line");
        if (keyDeleted_) return Fail(error, "a value under a key that the file deletes ([-...])");
        entry.key = key_;

        if (!line.empty() && line.front() == u'-') {
            entry.kind = RegEntry::Kind::DeleteValue;
            if (!OnlyCommentLeft(line.substr(1))) return Fail(error, "unexpected text after '-'");
        } else {
            entry.kind = RegEntry::Kind::Value;
            if (!Data(line, &entry.value, error)) return false;
        }
        entries_->push_back(std::move(entry));
        return true;
    }

    bool Data(std::u16string_view line, reg::Value* value, std::string* error) {
        if (!line.empty() && line.front() == u'"') {
            std::u16string text;
            if (!QuotedText(line, &text, error)) return false;
            if (!OnlyCommentLeft(line)) return Fail(error, "unexpected text after the closing quote");
            // A string value holds its terminating NUL, as regedit stores it.
            text += u'\0';
            value->type = kRegSz;
            value->data = Utf16Bytes(text);
            return true;
        }
        if (StartsWithFolded(line, u"dword:")) {
            line.remove_prefix(6);
            uint32_t number = 0;
            size_t digits = 0;
            for (; digits < line.size() && HexDigit(line[digits]) >= 0; ++digits) {
                if (digits == 8) return Fail(error, "a dword has at most 8 hex digits");
                number = number << 4 | static_cast<uint32_t>(HexDigit(line[digits]));
            }
            if (digits == 0 || !OnlyCommentLeft(line.substr(digits))) {
                return Fail(error, "dword: must be followed by 1 to 8 hex digits");
            }
            value->type = kRegDword;
            value->data = {static_cast<char>(number), static_cast<char>(number >> 8),
                           static_cast<char>(number >> 16), static_cast<char>(number >> 24)};
            return true;
        }
        if (StartsWithFolded(line, u"hex:")) {
            value->type = kRegBinary;
            line.remove_prefix(4);
        } else if (StartsWithFolded(line, u"hex(")) {
            line.remove_prefix(4);
            uint64_t type = 0;
            size_t digits = 0;
            for (; digits < line.size() && HexDigit(line[digits]) >= 0 && type <= 0xFFFFFFFFu; ++digits) {
                type = type << 4 | static_cast<uint64_t>(HexDigit(line[digits]));
            }
            if (digits == 0 || type > 0xFFFFFFFFu || line.substr(digits, 2) != u"):") {
                return Fail(error, "hex( must be followed by a hex type number and \"):\"");
            }
            value->type = static_cast<uint32_t>(type);
            line.remove_prefix(digits + 2);
        } else {
            return Fail(error, "unknown value data (expected \"text\", dword:, hex: or hex(N):)");
        }
        if (!HexBytes(line, &value->data, error)) return false;
        if (!unicode_ && (value->type == kRegExpandSz || value->type == kRegMultiSz)) {
            // REGEDIT4 files carry these strings as 8-bit text; the registry keeps UTF-16.
            // The 8-bit text is taken as Latin-1.
            std::u16string wide(value->data.begin(), value->data.end());
            for (char16_t& c : wide) c &= 0xFF;
            value->data = Utf16Bytes(wide);
        }
        return true;
    }

    // Comma-separated bytes, continued on the next line after a "\".
    bool HexBytes(std::u16string_view line, std::string* bytes, std::string* error) {
        bytes->clear();
        bool afterComma = false;
        for (;;) {
            line = TrimLeft(line);
            if (line.empty() || line.front() == u';') {
                if (afterComma) return Fail(error, "a byte is missing after the last comma");
                return true;
            }
            if (line.front() == u'\\') {
                if (!TrimLeft(line.substr(1)).empty()) return Fail(error, "unexpected text after '\\'");
                if (index_ + 1 >= lines_.size()) return Fail(error, "the data continues past the end of the file");
                line = lines_[++index_];
                continue;
            }
            if (!afterComma && !bytes->empty()) {
                if (line.front() != u',') return Fail(error, "bytes must be separated by commas");
                line.remove_prefix(1);
                afterComma = true;
                continue;
            }
            int high = HexDigit(line.front());
            if (high < 0) return Fail(error, "'" + ToHost(line.substr(0, 1)) + "' where a hex byte should be");
            int byte = high;
            line.remove_prefix(1);
            if (!line.empty() && HexDigit(line.front()) >= 0) {
                byte = byte << 4 | HexDigit(line.front());
                line.remove_prefix(1);
            }
            *bytes += static_cast<char>(byte);
            afterComma = false;
        }
    }

    std::vector<RegEntry>* entries_;
    std::vector<std::u16string_view> lines_;
    size_t index_ = 0;
    bool unicode_ = true;
    std::u16string key_;
    bool keyDeleted_ = false;
};

// The text of a REG_SZ that the quoted form carries without loss: UTF-16 ending in
// its one NUL, with no other NUL and no unpaired surrogate (which a UTF-8 export
// could not carry).
bool PlainString(const reg::Value& value, std::u16string* text) {
    const std::string& data = value.data;
    if (value.type != kRegSz || data.size() < 2 || data.size() % 2 != 0) return false;
    text->clear();
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        text->push_back(static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                              static_cast<unsigned char>(data[i + 1]) << 8));
    }
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return false;
    for (size_t i = 0; i < text->size(); ++i) {
        char16_t c = (*text)[i];
        if (c == 0) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text->size() || (*text)[i + 1] < 0xDC00 || (*text)[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

std::u16string Escaped(std::u16string_view text) {
    std::u16string out = u"\"";
    for (char16_t c : text) {
        switch (c) {
            case u'\\': out += u"\\\\"; break;
            case u'"': out += u"\\\""; break;
            case u'\n': out += u"\\n"; break;
            case u'\r': out += u"\\r"; break;
            default: out += c;
        }
    }
    return out + u'"';
}

void AppendHex(std::u16string& out, uint32_t number, int digits) {
    static const char16_t kDigits[] = u"0123456789abcdef";
    for (int i = digits - 1; i >= 0; --i) out += kDigits[(number >> (4 * i)) & 0xF];
}

}  // namespace

const char16_t kRegFileHeader[] = u"Windows Registry Editor Version 5.00";

bool NamesRootOnly(std::u16string_view text) {
    size_t cut = text.find(u'\\');
    if (cut == std::u16string_view::npos) return true;
    std::vector<std::u16string> names;
    return reg::SplitKeyPath(text.substr(cut + 1), &names) && names.empty();
}

bool EndsInLink(sqlite3* db, const reg::KeyPath& path) {
    if (path.size() < 2) return false;
    reg::KeyId parent = reg::FindKey(db, reg::KeyPath(path.begin(), path.end() - 1));
    if (parent == reg::kNoKey) return false;
    bool listed = false;
    for (const auto& name : reg::SubKeyNames(db, parent, reg::Links::Include)) {
        listed = listed || EqualsFolded(name, path.back());
    }
    if (!listed) return false;
    for (const auto& name : reg::SubKeyNames(db, parent, reg::Links::Exclude)) {
        if (EqualsFolded(name, path.back())) return false;
    }
    return true;
}

bool ParseRegText(std::u16string_view text, std::vector<RegEntry>* entries, std::string* error) {
    entries->clear();
    return RegTextParser(text, entries).Run(error);
}

std::u16string DecodeRegFile(const std::string& bytes, std::string* error) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) {
            *error = "not valid UTF-16 text: an odd number of bytes";
            return {};
        }
        std::u16string text;
        text.reserve(bytes.size() / 2 - 1);
        for (size_t i = 2; i < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return text;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        *error = "UTF-16 big-endian text is not a registry file (regedit writes little-endian)";
        return {};
    }
    std::string_view utf8(bytes);
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    // The host's conversion replaces what it cannot read; a text that does not come
    // back unchanged was not UTF-8.
    std::u16string text = platform::sim::FromHost(utf8);
    if (ToHost(text) != utf8) {
        int line = 1;
        size_t start = 0;
        for (;;) {
            size_t end = utf8.find('\n', start);
            std::string_view part = utf8.substr(start, end == std::string_view::npos ? end : end - start);
            if (ToHost(platform::sim::FromHost(part)) != part || end == std::string_view::npos) break;
            start = end + 1;
            ++line;
        }
        *error = "line " + std::to_string(line) + ": not UTF-8 text (save the file as UTF-8 or UTF-16)";
        return {};
    }
    return text;
}

std::u16string RegValueLine(const reg::Value& value) {
    std::u16string line = value.name.empty() ? u"@" : Escaped(value.name);
    line += u'=';
    std::u16string text;
    if (PlainString(value, &text)) return line + Escaped(text);
    if (value.type == kRegDword && value.data.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
        line += u"dword:";
        AppendHex(line, number, 8);
        return line;
    }
    if (value.type == kRegBinary) {
        line += u"hex:";
    } else {
        line += u"hex(";
        int digits = 1;
        while (digits < 8 && (value.type >> (4 * digits)) != 0) ++digits;
        AppendHex(line, value.type, digits);
        line += u"):";
    }
    // Columns are counted from the start of the current output line.
    size_t column = line.size();
    for (size_t i = 0; i < value.data.size(); ++i) {
        AppendHex(line, static_cast<unsigned char>(value.data[i]), 2);
        if (i + 1 == value.data.size()) break;
        line += u',';
        column += 3;
        if (column >= kHexLineLimit) {
            line += u"\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

std::u16string RegExportText(const std::vector<RegKeyBlock>& keys) {
    std::u16string text = kRegFileHeader;
    text += kCrLf;
    for (const RegKeyBlock& key : keys) {
        text += kCrLf;
        text += u'[' + key.path + u']' + kCrLf;
        for (const reg::Value& value : key.values) text += RegValueLine(value) + kCrLf;
    }
    return text + kCrLf;
}

void CollectKeyTree(sqlite3* db, reg::KeyId key, const std::u16string& path, std::vector<RegKeyBlock>* keys) {
    keys->push_back({path, reg::Values(db, key)});
    for (const std::u16string& name : reg::SubKeyNames(db, key, reg::Links::Exclude)) {
        CollectKeyTree(db, reg::FindChild(db, key, name), path + u'\\' + name, keys);
    }
}

bool ApplyRegEntries(sqlite3* db, const std::vector<RegEntry>& entries, std::string* error) {
    // Every entry is checked before the first one changes anything.
    std::vector<reg::KeyPath> paths(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const RegEntry& entry = entries[i];
        if (entry.kind != RegEntry::Kind::Key && entry.kind != RegEntry::Kind::DeleteTree) continue;
        std::string where = "line " + std::to_string(entry.line) + ": ";
        if (!reg::ParseKeyText(entry.key, &paths[i])) {
            *error = where + Quoted(entry.key) +
                     " is not a registry key (it must start with HKEY_LOCAL_MACHINE, HKEY_USERS, "
                     "HKEY_CURRENT_USER, HKEY_CLASSES_ROOT or HKEY_CURRENT_CONFIG, and no name may pass "
                     "255 characters)";
            return false;
        }
        if (entry.kind == RegEntry::Kind::DeleteTree && NamesRootOnly(entry.key)) {
            *error = where + "a root key cannot be deleted: " + Quoted(entry.key);
            return false;
        }
    }
    platform::sim::Transaction transaction(db);
    reg::KeyId current = reg::kNoKey;
    for (size_t i = 0; i < entries.size(); ++i) {
        const RegEntry& entry = entries[i];
        switch (entry.kind) {
            case RegEntry::Kind::Key:
                current = reg::CreateKey(db, paths[i], nullptr);
                break;
            case RegEntry::Kind::DeleteTree: {
                if (EndsInLink(db, paths[i])) {
                    *error = "line " + std::to_string(entry.line) + ": " + Quoted(entry.key) +
                             " is a link to another key; delete that key instead";
                    return false;
                }
                reg::KeyId key = reg::FindKey(db, paths[i]);
                if (key != reg::kNoKey) reg::DeleteTree(db, key);
                current = reg::kNoKey;
                break;
            }
            case RegEntry::Kind::Value:
                reg::SetValue(db, current, entry.value.name, entry.value.type, entry.value.data);
                break;
            case RegEntry::Kind::DeleteValue:
                reg::DeleteValue(db, current, entry.value.name);
                break;
        }
    }
    transaction.Commit();
    return true;
}

}  // namespace winsim

// infdump: everything the platform's INF services tell about INF files, as a
// deterministic UTF-8 text, so that the simulated machine's INF reader can be compared
// with SetupAPI line by line.
//
//   infdump [--locale LCID] PATH...      PATH is a Windows path; @FILE names a UTF-8
//                                        file listing one path a line
//
// For each file: the open's result; for each section, its line count and target
// folder; for each line, its field count and text, every field (0..n) as a string and
// as an integer, the binary reading from field 1, and where the line's key is found;
// then the source location of every SourceDisksFiles key. Each output line starts
// with what it is about, so two dumps can be compared line by line.
//
// The services cannot list a file's sections, so infdump finds their names itself in
// the file's text: a line whose first non-blank character is `[` names the section
// up to the next `]`. This scanner is deliberately simple: it knows the encodings by
// their marks and the UTF-16 zero bytes, reads other 8-bit text as Latin-1, and does
// not follow continuations. A name it gets wrong is asked of both platforms alike and
// shows as a missing section in both dumps.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/inf.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/system.h"
#include "util/command_line.h"
#include "util/text.h"

namespace {

using namespace platform;

// --- Output -------------------------------------------------------------------

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Hex(uint32_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out(digits, '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) out[i] = kDigits[value & 0xF];
    return out;
}

// A text in double quotes: quotes and backslashes escaped, controls and unpaired
// surrogates as \uXXXX, everything else as UTF-8.
std::string Quoted(std::u16string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || (c >= 0xD800 && c <= 0xDFFF)) {
            out += "\\u" + Hex(c, 4);
        } else {
            AppendUtf8(c, out);
        }
    }
    return out + "\"";
}

std::string Error() { return "error 0x" + Hex(GetLastError(), 8); }

class Output {
public:
    void Line(const std::string& text) { buffer_ += text + "\r\n"; }
    void Flush() {
        Handle out = GetStdHandle(kStdOutputHandle);
        size_t done = 0;
        while (done < buffer_.size()) {
            Dword written = 0;
            const Dword chunk = static_cast<Dword>(std::min<size_t>(buffer_.size() - done, 1 << 20));
            if (!WriteFile(out, buffer_.data() + done, chunk, &written) || written == 0) break;
            done += written;
        }
        buffer_.clear();
    }

private:
    std::string buffer_;
};

// --- Reading the file's own text -----------------------------------------------

bool ReadBytes(const std::u16string& path, std::string* bytes) {
    Handle file = CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kFileAttributeNormal);
    if (file == InvalidHandle()) return false;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        Dword n = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &n)) {
            ok = false;
            break;
        }
        if (n == 0) break;
        bytes->append(chunk, n);
    }
    CloseHandle(file);
    return ok;
}

std::u16string DecodeForScan(const std::string& bytes) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    size_t zeros = 0, pairs = 0;
    for (size_t i = 1; i < bytes.size() && i < 512; i += 2, ++pairs) zeros += byte(i) == 0;
    std::u16string text;
    if ((bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) || (pairs > 0 && zeros * 2 > pairs)) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(byte(i) | (byte(i + 1) << 8));
        return text;
    }
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF &&
        Utf8ToUtf16(std::string_view(bytes).substr(3), &text) == 0) {
        return text;
    }
    text.clear();
    for (char c : bytes) text += static_cast<char16_t>(static_cast<uint8_t>(c));
    return text;
}

// Section names in the order they first appear, each once (ASCII case ignored).
std::vector<std::u16string> ScanSectionNames(const std::string& bytes) {
    std::u16string text = DecodeForScan(bytes);
    text = text.substr(0, text.find(u'\x1A'));
    std::vector<std::u16string> names;
    std::set<std::u16string> seen;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string::npos) end = text.size();
        std::u16string_view line = std::u16string_view(text).substr(pos, end - pos);
        pos = end + 1;
        size_t start = line.find_first_not_of(u" \t\r\xFEFF");
        if (start == std::u16string_view::npos || line[start] != u'[') continue;
        size_t close = line.find(u']', start + 1);
        if (close == std::u16string_view::npos) continue;
        std::u16string name(line.substr(start + 1, close - start - 1));
        for (char16_t& c : name) {
            if (c == 0) c = u' ';
        }
        std::u16string folded = name;
        for (char16_t& c : folded) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        }
        if (seen.insert(folded).second) names.push_back(name);
    }
    return names;
}

// --- The dump ------------------------------------------------------------------

std::string StringField(const InfContext& context, Dword field) {
    Dword required = 0;
    if (!SetupGetStringFieldW(&context, field, nullptr, 0, &required)) return Error();
    std::u16string text(required, u'\0');
    if (!SetupGetStringFieldW(&context, field, text.data(), required, &required)) return Error();
    text.resize(required > 0 ? required - 1 : 0);
    return Quoted(text);
}

std::string IntField(const InfContext& context, Dword field) {
    int value = 0;
    if (!SetupGetIntField(&context, field, &value)) return Error();
    return std::to_string(value);
}

std::string BinaryField(const InfContext& context) {
    Dword required = 0;
    if (!SetupGetBinaryField(&context, 1, nullptr, 0, &required)) return Error();
    std::vector<uint8_t> bytes(required);
    if (!SetupGetBinaryField(&context, 1, bytes.data(), required, &required)) return Error();
    std::string out;
    for (uint8_t b : bytes) out += (out.empty() ? "" : " ") + Hex(b, 2);
    return out;
}

std::string LineText(const InfContext& context) {
    Dword required = 0;
    if (!SetupGetLineTextW(&context, nullptr, nullptr, nullptr, nullptr, 0, &required)) return Error();
    std::u16string text(required, u'\0');
    if (!SetupGetLineTextW(&context, nullptr, nullptr, nullptr, text.data(), required, &required)) return Error();
    text.resize(required > 0 ? required - 1 : 0);
    return Quoted(text);
}

std::string TargetPath(HInf inf, const std::u16string& section) {
    Dword required = 0;
    if (!SetupGetTargetPathW(inf, nullptr, section.c_str(), nullptr, 0, &required)) return Error();
    std::u16string text(required, u'\0');
    if (!SetupGetTargetPathW(inf, nullptr, section.c_str(), text.data(), required, &required)) return Error();
    text.resize(required > 0 ? required - 1 : 0);
    return Quoted(text);
}

std::string SourceLocation(HInf inf, const std::u16string& file) {
    unsigned id = 0;
    Dword required = 0;
    if (!SetupGetSourceFileLocationW(inf, nullptr, file.c_str(), &id, nullptr, 0, &required)) return Error();
    std::u16string text(required, u'\0');
    if (!SetupGetSourceFileLocationW(inf, nullptr, file.c_str(), &id, text.data(), required, &required)) {
        return Error();
    }
    text.resize(required > 0 ? required - 1 : 0);
    return "id " + std::to_string(id) + " path " + Quoted(text);
}

// The key as field 0 reads it; empty when the line has none.
bool LineKey(const InfContext& context, std::u16string* key) {
    Dword required = 0;
    if (!SetupGetStringFieldW(&context, 0, nullptr, 0, &required)) return false;
    key->assign(required, u'\0');
    if (!SetupGetStringFieldW(&context, 0, key->data(), required, &required)) return false;
    key->resize(required > 0 ? required - 1 : 0);
    return true;
}

bool IsSourceDisksFiles(const std::u16string& name) {
    std::string lower;
    for (char16_t c : name) lower += static_cast<char>(c < 0x80 ? (c >= u'A' && c <= u'Z' ? c + 32 : c) : '?');
    return lower == "sourcedisksfiles" || lower.rfind("sourcedisksfiles.", 0) == 0;
}

void DumpSection(HInf inf, const std::u16string& section, Output& out, std::vector<std::u16string>* sourceKeys) {
    const std::string tag = "[" + Quoted(section) + "]";
    const long count = SetupGetLineCountW(inf, section.c_str());
    out.Line(tag + " count " + (count < 0 ? Error() : std::to_string(count)));
    out.Line(tag + " target " + TargetPath(inf, section));
    for (long i = 0; i < count; ++i) {
        InfContext context;
        const std::string at = tag + " " + std::to_string(i);
        if (!SetupGetLineByIndexW(inf, section.c_str(), static_cast<Dword>(i), &context)) {
            out.Line(at + " " + Error());
            continue;
        }
        const Dword fields = SetupGetFieldCount(&context);
        out.Line(at + " fields " + std::to_string(fields) + " text " + LineText(context));
        for (Dword f = 0; f <= fields; ++f) {
            out.Line(at + "." + std::to_string(f) + " " + StringField(context, f) + " int " + IntField(context, f));
        }
        out.Line(at + " binary " + BinaryField(context));
        std::u16string key;
        if (!LineKey(context, &key)) continue;
        InfContext first, next;
        std::string where = SetupFindFirstLineW(inf, section.c_str(), key.c_str(), &first)
                                ? std::to_string(first.line) : Error();
        where += " next ";
        where += SetupFindNextMatchLineW(&context, key.c_str(), &next) ? std::to_string(next.line) : Error();
        out.Line(at + " find " + where);
        if (IsSourceDisksFiles(section)) sourceKeys->push_back(key);
    }
}

void DumpFile(const std::u16string& path, Output& out) {
    out.Line("file " + Quoted(path));
    unsigned errorLine = 0;
    HInf inf = SetupOpenInfFileW(path.c_str(), nullptr, kInfStyleWin4, &errorLine);
    if (inf == InvalidInf()) {
        out.Line("open " + Error() + " line " + std::to_string(errorLine));
        return;
    }
    std::string bytes;
    ReadBytes(path, &bytes);
    std::vector<std::u16string> sourceKeys;
    for (const std::u16string& section : ScanSectionNames(bytes)) DumpSection(inf, section, out, &sourceKeys);
    for (const std::u16string& file : sourceKeys) out.Line("source " + Quoted(file) + " " + SourceLocation(inf, file));
    SetupCloseInfFile(inf);
}

// The lines of a UTF-8 list file, blank lines skipped.
bool ReadList(const std::u16string& path, std::vector<std::u16string>* paths) {
    std::string bytes;
    if (!ReadBytes(path, &bytes)) return false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        std::u16string wide;
        if (Utf8ToUtf16(line, &wide) != 0) return false;
        paths->push_back(wide);
    }
    return true;
}

// A decimal or 0x hex number.
bool ParseNumber(const std::u16string& text, int* value) {
    const bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
    uint32_t v = 0;
    for (size_t i = hex ? 2 : 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        int d = c >= u'0' && c <= u'9' ? c - u'0' : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
              : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
        if (d < 0 || v > 0x0FFFFFFF) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    *value = static_cast<int>(v);
    return !text.empty();
}

void Usage(Output& out) {
    out.Line("usage: infdump [--locale LCID] PATH... (a PATH @FILE lists paths, one a line)");
    out.Flush();
    ExitProcess(2);
}

}  // namespace

int main() {
    Output out;
    std::vector<std::u16string> args = SplitCommandLine(GetCommandLineW());
    std::vector<std::u16string> paths;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--locale" && i + 1 < args.size()) {
            int locale = 0;
            if (!ParseNumber(args[++i], &locale) || !SetThreadLocale(static_cast<Lcid>(locale))) Usage(out);
        } else if (!args[i].empty() && args[i][0] == u'@') {
            if (!ReadList(args[i].substr(1), &paths)) Usage(out);
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.empty()) Usage(out);
    for (const std::u16string& path : paths) {
        DumpFile(path, out);
        out.Flush();
    }
    ExitProcess(0);
}

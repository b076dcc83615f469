// inf_bench: how fast the platform's INF services read INF files. The same source is
// built for both backends, so the host build times the simulated machine's INF reader
// and the Windows build, run under Wine, times SetupAPI doing the same work.
//
//   inf_bench [PATH...]     PATH: an INF file of the machine (a Windows path) to time
//                           besides the generated ones
//
// It times, inside the program with a monotonic clock (a program's start is not
// counted), the best of several repetitions of:
//   - open and walk: SetupOpenInfFileW, then every line of every section and every
//     field of it read with SetupGetStringFieldW, then SetupCloseInfFile; for the
//     given files and for generated INFs of 4,000 and 50,000 lines;
//   - keyed lookups: for each entry of a generated SourceDisksFiles section of 1,000,
//     8,000 and 32,000 entries, SetupFindFirstLineW by its key, then
//     SetupGetSourceFileLocationW of the file (the INF opened beforehand).
//
// Output, one result a line, fields separated by tabs:
//   walk  NAME  BYTES  LINES  SECONDS     (one open and walk)
//   find  NAME  ENTRIES  SECONDS          (all the lookups of one section)
//   error NAME  TEXT
// bench/run-inf-bench.sh runs both builds and puts their figures side by side.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/inf.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "util/command_line.h"
#include "util/text.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

// Where the generated files are written, on the machine's drive C.
constexpr char16_t kWorkFolder[] = u"C:\\kavrin-inf-bench";

std::string Narrow(std::u16string_view text) { return Utf16ToUtf8(text); }
std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Seconds(double s) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9f", s);
    return buffer;
}

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

bool WriteBytes(const std::u16string& path, const std::string& bytes) {
    Handle file = CreateFileW(path.c_str(), kGenericWrite, 0, kCreateAlways, kFileAttributeNormal);
    if (file == InvalidHandle()) return false;
    Dword written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<Dword>(bytes.size()), &written) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

// --- The section names of a file ---------------------------------------------
// The services cannot list sections, so the names are found in the text, outside the
// timed work: a line whose first non-blank character is `[` names the section up to
// the next `]`. Encodings are told by their marks and by UTF-16's zero bytes; other
// 8-bit text is read as Latin-1. Both builds ask for the same names.

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

std::vector<std::u16string> SectionNames(const std::string& bytes) {
    const std::u16string text = DecodeForScan(bytes);
    std::vector<std::u16string> names;
    std::set<std::u16string> seen;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string_view line = std::u16string_view(text).substr(pos, end - pos);
        pos = end + 1;
        const size_t start = line.find_first_not_of(u" \t\r\xFEFF");
        if (start == std::u16string_view::npos || line[start] != u'[') continue;
        const size_t close = line.find(u']', start + 1);
        if (close == std::u16string_view::npos) continue;
        std::u16string name(line.substr(start + 1, close - start - 1));
        std::u16string folded = name;
        for (char16_t& c : folded) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        }
        if (seen.insert(folded).second) names.push_back(name);
    }
    return names;
}

size_t CountLines(const std::string& bytes) {
    const std::u16string text = DecodeForScan(bytes);
    return static_cast<size_t>(std::count(text.begin(), text.end(), u'\n')) + (!text.empty() && text.back() != u'\n');
}

// --- Generated files -----------------------------------------------------------

std::string Number(size_t n) { return std::to_string(n); }

// A driver package's INF of about `lines` lines: install sections with registry and
// file lists, DestinationDirs, source disks, and a Strings section that the other
// sections refer to, with the quotes, comments and continuations of real files.
std::string GeneratedInf(size_t lines) {
    std::string out =
        "; Generated for the INF benchmark.\r\n"
        "[Version]\r\n"
        "Signature=\"$Windows NT$\"\r\n"
        "Class=Net\r\n"
        "ClassGuid={4d36e972-e325-11ce-bfc1-08002be10318}\r\n"
        "Provider=%Mfg%\r\n"
        "DriverVer=06/21/2021,1.2.3.4\r\n"
        "\r\n"
        "[Manufacturer]\r\n"
        "%Mfg%=Models,NTamd64\r\n"
        "\r\n"
        "[SourceDisksNames]\r\n"
        "1=%Disk%,,,\\drivers\r\n";
    // 13 lines so far and 4 of the Strings section; each block has 14 lines and adds
    // one to the Strings section.
    size_t written = 13 + 4;
    const size_t blocks = lines > written + 15 ? (lines - written) / 15 : 1;
    std::string strings = "\r\n[Strings]\r\nMfg=\"Example Maker\"\r\nDisk=\"Driver disk\"\r\n";
    for (size_t i = 0; i < blocks; ++i) {
        const std::string n = Number(i);
        out += "\r\n[Install." + n + "]\r\n"
               "AddReg=Reg." + n + "\r\n"
               "CopyFiles=Files." + n + " ; files of the block\r\n"
               "[Reg." + n + "]\r\n"
               "HKR,Ndi\\params\\Key" + n + ",ParamDesc,0,%Desc." + n + "%\r\n"
               "HKR,Ndi\\params\\Key" + n + ",default,0,\"1,2\"\r\n"
               "HKR,,Value" + n + ",0x00010001,0x" + n + "\r\n"
               "HKR,,Binary" + n + ",1,00,11,22,33,44,55,66, \\\r\n"
               "    77,88,99\r\n"
               "[Files." + n + "]\r\n"
               "file" + n + ".sys,,,0x4000\r\n"
               "[DestinationDirs]\r\n"
               "Files." + n + "=12,sub\\" + n + "\r\n";
        strings += "Desc." + n + "=\"Description of parameter " + n + "\"\r\n";
        written += 15;
    }
    out += strings;
    while (written < lines) {
        out += "; padding\r\n";
        ++written;
    }
    return out;
}

std::string SourceDisksInf(size_t entries) {
    std::string out =
        "[Version]\r\n"
        "Signature=\"$Windows NT$\"\r\n"
        "[SourceDisksNames]\r\n"
        "1=\"Disk 1\",,,\\drivers\r\n"
        "2=\"Disk 2\",,,\\extra\r\n"
        "[SourceDisksFiles]\r\n";
    for (size_t i = 0; i < entries; ++i) {
        out += "file" + Number(i) + ".sys=" + (i % 2 ? "1" : "2") + ",sub" + Number(i % 7) + ",1024\r\n";
    }
    return out;
}

// --- Timing --------------------------------------------------------------------

// The best of several runs: at least `least` of them, more while they take less than
// half a second in all, at most 50; but one run that alone takes a second or more
// (SetupAPI under Wine is that slow on large sections) is the figure.
template <class Work>
double Best(Work work, int least = 3) {
    double best = 1e300, total = 0;
    for (int run = 1; run <= 50; ++run) {
        const Clock::time_point start = Clock::now();
        work();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, s);
        total += s;
        if (s >= 1.0 || (run >= least && total >= 0.5)) break;
    }
    return best;
}

// Every section's lines and every field of them, as texts.
size_t Walk(HInf inf, const std::vector<std::u16string>& sections) {
    static char16_t buffer[4097];
    size_t read = 0;
    for (const std::u16string& section : sections) {
        InfContext context;
        for (bool more = SetupFindFirstLineW(inf, section.c_str(), nullptr, &context); more;
             more = SetupFindNextLine(&context, &context)) {
            const Dword fields = SetupGetFieldCount(&context);
            for (Dword f = 0; f <= fields; ++f) {
                Dword required = 0;
                if (SetupGetStringFieldW(&context, f, buffer, 4097, &required)) read += required;
            }
        }
    }
    return read;
}

HInf Open(const std::u16string& path, Dword style) {
    unsigned errorLine = 0;
    return SetupOpenInfFileW(path.c_str(), nullptr, style, &errorLine);
}

void TimeWalk(const std::string& name, const std::u16string& path) {
    std::string bytes;
    if (!ReadBytes(path, &bytes)) {
        Print("error\t" + name + "\tcannot read the file, error " + Number(GetLastError()));
        return;
    }
    const std::vector<std::u16string> sections = SectionNames(bytes);
    // A file without a valid signature is opened in the old style, by both builds.
    Dword style = kInfStyleWin4;
    HInf probe = Open(path, style);
    if (probe == InvalidInf()) {
        style = kInfStyleOldNt;
        probe = Open(path, style);
    }
    if (probe == InvalidInf()) {
        Print("error\t" + name + "\tthe open fails, error " + Number(GetLastError()));
        return;
    }
    SetupCloseInfFile(probe);
    size_t sink = 0;
    const double s = Best([&] {
        HInf inf = Open(path, style);
        sink += Walk(inf, sections);
        SetupCloseInfFile(inf);
    });
    if (sink == 0) Print("error\t" + name + "\tno field was read");
    Print("walk\t" + name + "\t" + Number(bytes.size()) + "\t" + Number(CountLines(bytes)) + "\t" + Seconds(s));
}

void TimeLookups(size_t entries) {
    const std::string name = "sourcedisksfiles-" + Number(entries);
    const std::u16string path = std::u16string(kWorkFolder) + u"\\" + Widen(name) + u".inf";
    if (!WriteBytes(path, SourceDisksInf(entries))) {
        Print("error\t" + name + "\tcannot write the file, error " + Number(GetLastError()));
        return;
    }
    std::vector<std::u16string> keys;
    for (size_t i = 0; i < entries; ++i) keys.push_back(u"file" + Widen(Number(i)) + u".sys");
    HInf inf = Open(path, kInfStyleWin4);
    if (inf == InvalidInf()) {
        Print("error\t" + name + "\tthe open fails, error " + Number(GetLastError()));
        return;
    }
    size_t found = 0;
    char16_t buffer[260];
    const double s = Best([&] {
        found = 0;
        for (const std::u16string& key : keys) {
            InfContext context;
            unsigned id = 0;
            Dword required = 0;
            if (SetupFindFirstLineW(inf, u"SourceDisksFiles", key.c_str(), &context) &&
                SetupGetSourceFileLocationW(inf, nullptr, key.c_str(), &id, buffer, 260, &required)) {
                found += id != 0;
            }
        }
    }, 2);
    SetupCloseInfFile(inf);
    if (found != entries) Print("error\t" + name + "\tonly " + Number(found) + " entries found");
    Print("find\t" + name + "\t" + Number(entries) + "\t" + Seconds(s));
}

}  // namespace

int main() {
    const std::vector<std::u16string> args = SplitCommandLine(GetCommandLineW());
    CreateDirectoryW(kWorkFolder);
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string& path = args[i];
        const size_t slash = path.find_last_of(u"\\/");
        TimeWalk(Narrow(slash == std::u16string::npos ? path : path.substr(slash + 1)), path);
    }
    for (size_t lines : {4000, 50000}) {
        const std::string name = "generated-" + Number(lines);
        const std::u16string path = std::u16string(kWorkFolder) + u"\\" + Widen(name) + u".inf";
        if (!WriteBytes(path, GeneratedInf(lines))) {
            Print("error\t" + name + "\tcannot write the file, error " + Number(GetLastError()));
            continue;
        }
        TimeWalk(name, path);
    }
    for (size_t entries : {1000, 8000, 32000}) TimeLookups(entries);
    ExitProcess(0);
}

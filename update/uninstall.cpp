// Uninstall: the uninstall log of the previous installation replayed newest line
// first into queued removals, then committed; UninstallCPL removes the control-panel
// applet alone.

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "log/log.h"
#include "platform/files.h"
#include "update/update.h"
#include "util/basic_exception.h"
#include "util/os_info.h"
#include "util/text.h"

namespace {

struct LogLine {
    int number;  // 1-based, in the file's order
    std::u16string text;
    std::vector<std::u16string> fields;
};

bool IsBlankLine(const std::u16string& line) {
    return line.empty() || line == u"\r" || line == u"\n" || line == u"\t";
}

// An uninstall log that cannot be trusted stops the uninstall before anything is
// queued: a replay of a damaged record could remove the wrong file.
[[noreturn]] void Damaged(const std::u16string& path, int number, const std::u16string& text, const char16_t* why) {
    LogPrint(0, u"Uninstall(): the uninstall log \"%s\" is damaged at line %d (%s): \"%s\"\n", path, number, why, text);
    THROW_BASIC_DESC(path, 13 /* ERROR_INVALID_DATA */);
}

// The log's records, newest first, as the reading rules give them.
std::vector<LogLine> ReadRecords(LineFile& log) {
    log.Rewind();
    std::vector<LogLine> records;
    std::u16string line;
    int number = 0;
    while (log.ReadLine(line) == LineFile::kOk) {
        ++number;
        if (log.LastLineMalformed()) Damaged(log.Path(), number, line, u"not UTF-8");
        if (IsBlankLine(line)) continue;
        LogLine record{number, line, {}};
        SplitCommaList(line, &record.fields);
        records.push_back(std::move(record));
    }
    if (log.HasUnfinishedLine()) Damaged(log.Path(), number + 1, u"", u"the last line is cut off");
    std::reverse(records.begin(), records.end());
    return records;
}

// The flags of a CopyFile or MoveFile record: hexadecimal after "0x", octal after "0",
// else decimal; 0 when the record has no flags field.
bool ParseFlags(const LogLine& record, uint32_t* flags) {
    *flags = 0;
    if (record.fields.size() < 4) return true;
    const std::u16string& text = record.fields[3];
    std::string narrow(text.begin(), text.end());
    if (narrow.empty() || narrow.find_first_not_of("0123456789abcdefABCDEFxX") != std::string::npos) return false;
    char* end = nullptr;
    unsigned long value = std::strtoul(narrow.c_str(), &end, 0);
    if (*end != '\0' || value > 0xFFFFFFFFul) return false;
    *flags = static_cast<uint32_t>(value);
    return true;
}

// Every record is checked before the first is acted on.
void CheckRecords(const LineFile& log, const std::vector<LogLine>& records) {
    for (const LogLine& record : records) {
        const std::u16string& keyword = record.fields[0];
        if (keyword != u"CopyFile" && keyword != u"MoveFile" && keyword != u"CopyInf") continue;  // raised later
        if (record.fields.size() < 3 || record.fields[1].empty() || record.fields[2].empty()) {
            Damaged(log.Path(), record.number, record.text, u"fields are missing");
        }
        uint32_t flags;
        if (keyword != u"CopyInf" && !ParseFlags(record, &flags)) {
            Damaged(log.Path(), record.number, record.text, u"the flags are not a number");
        }
    }
}

}  // namespace

void Update::Uninstall(bool upgrade) {
    LogPrint(2, u"Uninstall()\n");
    rollbackLogging = false;
    std::vector<LogLine> records = ReadRecords(uninstallLog);
    CheckRecords(uninstallLog, records);
    for (const LogLine& record : records) {
        const std::vector<std::u16string>& f = record.fields;
        if (f[0] == u"CopyFile" || f[0] == u"MoveFile") {
            uint32_t flags = 0;
            ParseFlags(record, &flags);
            LogPrint(2, u"Uninstall(): FileRemove( \"%s\", 0x%x )\n", f[2], flags);
            FileRemove(f[2], flags);
        } else if (f[0] == u"CopyInf") {
            LogPrint(2, u"Uninstall(): RemoveInf( \"%s\", \"%s\")\n", f[1], f[2]);
            if (upgrade) {
                // FIXME: orphaned INF removal comes with the driver operations.
                LogPrint(0, u"Uninstall(): RemoveOrphanInf is not available in this build.\n");
                THROW_BASIC_DESC(f[2], 0);
            }
            if (SetupGetRunningWinVer() == OsVistaOrLater) {
                dpinstPath = f[1];
                driverFolder = f[2];
            }
            DriverUninstall(f[2]);
            InfRemove(f[1], f[2]);
        } else {
            THROW_BASIC_DESC(f[0], 0);
        }
    }
    uninstallLog.Close();
    Commit();
}

void Update::UninstallCPL() {
    LogPrint(2, u"UninstallCPL()\n");
    std::vector<LogLine> records = ReadRecords(uninstallLog);
    for (const LogLine& record : records) {
        if (record.fields[0] != u"CopyFile" || record.fields.size() < 3) continue;
        uint32_t flags = 0;
        ParseFlags(record, &flags);
        std::u16string destination = record.fields[2];
        std::u16string lower = destination;
        for (char16_t& c : lower) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        }
        if (lower.find(u"dravikcpl.cpl") == std::u16string::npos) continue;
        LogPrint(2, u"UninstallCPL(): DeleteFile( \"%s\", 0x%x )\n", destination, flags);
        platform::DeleteFileW(destination.c_str());
    }
    uninstallLog.Close();
    Commit();
}

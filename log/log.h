#pragma once
// The log (a time-stamped trace of every operation, in dravik.log of the temporary
// folder) and the protocol lines that a calling program reads on standard output.

#include <string>
#include <string_view>

#include "util/format.h"

// The program's version, in the banners and the version line.
inline constexpr char16_t kProgramVersion[] = u"5.18.402 (r382716)";

// Formats, time-prefixes and writes one log entry; returns its length in bytes.
int LogPrintArgs(int level, std::u16string_view format, const FormatArg* args, size_t count);

template <class... A>
int LogPrint(int level, std::u16string_view format, const A&... args) {
    const std::array<FormatArg, sizeof...(A)> packed{FormatArg(args)...};
    return LogPrintArgs(level, format, packed.data(), packed.size());
}

// Formats and writes one protocol line to standard output; returns its length in bytes.
int PrintStatusLineArgs(std::u16string_view format, const FormatArg* args, size_t count);

template <class... A>
int PrintStatusLine(std::u16string_view format, const A&... args) {
    const std::array<FormatArg, sizeof...(A)> packed{FormatArg(args)...};
    return PrintStatusLineArgs(format, packed.data(), packed.size());
}

// Opens the log file for appending and makes it the log stream. An empty path
// leaves the log on standard error. False when the file cannot be opened; the log
// then goes nowhere.
bool SetupStatusSetLog(const std::u16string& path);

// Process start and exit: the log stream is standard error until a log file opens;
// each run's block in the log starts and ends with a banner.
void LogStartOfProcess();
void LogEndOfProcess();
// Closes a log file and makes standard error the log stream again, without a banner
// (tests that open several logs in one process).
void ResetLogStream();

#include "log/log.h"

#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "util/file_services.h"
#include "util/text.h"

namespace {

// Entries and protocol lines are cut to this many UTF-16 units.
constexpr size_t kMaxLineUnits = 2048;

enum class LogStream { StandardError, File, None };

struct LogState {
    LogStream stream = LogStream::StandardError;
    platform::Handle file = nullptr;
};

LogState& State() {
    static LogState state;
    return state;
}

// A text stream: every line feed goes out as carriage return plus line feed.
std::string ToTextStream(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Write errors are not reported to the caller: a log that cannot be written must not
// change the run's outcome.
void WriteAll(platform::Handle handle, const std::string& bytes) {
    if (!handle || handle == platform::InvalidHandle() || bytes.empty()) return;
    platform::Dword written = 0;
    platform::WriteFile(handle, bytes.data(), static_cast<platform::Dword>(bytes.size()), &written);
}

std::u16string TimePrefix() {
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    if (now.hour > 23 || now.minute > 59 || now.second > 60) return {};
    return Format(u"%02u:%02u:%02u: ", now.hour, now.minute, now.second);
}

void WriteBanner(const char16_t* word) {
    std::u16string path;
    try {
        GetModulePath(nullptr, path);
    } catch (const BasicException&) {
        // The banner still marks the run when the program's own path is unknown.
    }
    LogPrint(2, u"%s -- \"%s\", Version %s, PID %lu\n", word, path, kProgramVersion,
             platform::GetCurrentProcessId());
}

}  // namespace

int LogPrintArgs(int /*level*/, std::u16string_view format, const FormatArg* args, size_t count) {
    std::u16string entry = TimePrefix();
    entry += FormatText(kMaxLineUnits, format, args, count);
    std::string bytes = Utf16ToUtf8(entry);
    LogState& state = State();
    if (state.stream == LogStream::File) {
        WriteAll(state.file, ToTextStream(bytes));
    } else if (state.stream == LogStream::StandardError) {
        WriteAll(platform::GetStdHandle(platform::kStdErrorHandle), ToTextStream(bytes));
    }
    return static_cast<int>(bytes.size());
}

int PrintStatusLineArgs(std::u16string_view format, const FormatArg* args, size_t count) {
    std::string bytes = Utf16ToUtf8(FormatText(kMaxLineUnits, format, args, count));
    WriteAll(platform::GetStdHandle(platform::kStdOutputHandle), ToTextStream(bytes));
    return static_cast<int>(bytes.size());
}

bool SetupStatusSetLog(const std::u16string& path) {
    LogState& state = State();
    if (!path.empty()) {
        // Appending, created when missing; other processes may read and write it too.
        platform::Handle file = platform::CreateFileW(
            path.c_str(), platform::kGenericRead | platform::kFileAppendData,
            platform::kFileShareRead | platform::kFileShareWrite, platform::kOpenAlways,
            platform::kFileAttributeNormal);
        if (file == platform::InvalidHandle()) {
            state.stream = LogStream::None;
            return false;
        }
        state.file = file;
        state.stream = LogStream::File;
        WriteBanner(u"Start");
    }
    LogPrint(2, u"SetupStatusSetLog( \"%s\" )\n", path);
    return true;
}

void LogStartOfProcess() {
    State().stream = LogStream::StandardError;
    WriteBanner(u"Start");
}

void LogEndOfProcess() {
    LogState& state = State();
    if (state.stream == LogStream::None) return;
    WriteBanner(u"End");
    if (state.stream == LogStream::File) {
        platform::CloseHandle(state.file);
        state.file = nullptr;
    }
}

void ResetLogStream() {
    LogState& state = State();
    if (state.stream == LogStream::File) platform::CloseHandle(state.file);
    state.file = nullptr;
    state.stream = LogStream::StandardError;
}

#pragma once
// LauncherTrace: the launcher's only trace, sent to the debugger output. It writes no
// log file and nothing of it reaches the console.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// One argument of a trace format: a text for %s, a number for %d, %u and %x.
class TraceArg {
public:
    TraceArg(const char* text) : text_(text ? text : "(null)"), isText_(true) {}
    TraceArg(const std::string& text) : text_(text), isText_(true) {}
    TraceArg(int number) : number_(number) {}
    TraceArg(unsigned number) : number_(number) {}
    TraceArg(long number) : number_(number) {}
    TraceArg(unsigned long number) : number_(static_cast<int64_t>(number)) {}
    TraceArg(long long number) : number_(number) {}
    TraceArg(unsigned long long number) : number_(static_cast<int64_t>(number)) {}

    bool IsText() const { return isText_; }
    std::string_view Text() const { return text_; }
    // As the 32-bit integer the platform's printf reads for %d, %u and %x.
    uint32_t Bits() const { return static_cast<uint32_t>(number_); }

private:
    std::string_view text_;
    int64_t number_ = 0;
    bool isText_ = false;
};

// printf-style formatting of %s, %d, %u, %x with an optional zero flag and width
// (%08x), and %%. A conversion without its argument, or with one of the wrong kind,
// leaves the directive in the text as written.
std::string FormatTrace(std::string_view format, std::initializer_list<TraceArg> args);

// The message as it goes out: cut to 4092 characters, trailing white space removed, CR
// LF added, behind the launcher's prefix.
std::string TraceLine(std::string_view message);

void SendTrace(std::string_view message);

template <class... Args>
void LauncherTrace(std::string_view format, const Args&... args) {
    SendTrace(FormatTrace(format, {TraceArg(args)...}));
}

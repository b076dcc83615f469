#include "launcher/arguments.h"

#include "launcher/trace.h"
#include "platform/files.h"

const char kUsageText[] =
    "\nUSAGE:\n      Setup.exe /Option <Required Parameter> [Optional Parameter] \t\t\t\t\t\n\n\t\t/s "
    "[/f1\"<Path to the response file>\"] [/f2\"<Path to the log file>\"] \t\t\t\t\t\n\t\t/extract_all:\"<Path>\"\t "
    "NOTE: <Path> must exist.\n\n";

namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

}  // namespace

bool IsHelpArgument(const std::string& argument) {
    return EqualsIgnoringCase(argument, "/Help") || EqualsIgnoringCase(argument, "-Help") ||
           EqualsIgnoringCase(argument, "/?");
}

std::string RequoteArgument(const std::string& argument) {
    size_t colon = argument.find(':');
    if (colon == std::string::npos || argument.find(' ') == std::string::npos) return argument;
    // A colon that is the first character has nothing before it: the whole argument
    // is quoted then.
    size_t open = colon == 0 ? 0 : colon - 1;
    std::string quoted = argument.substr(0, open) + '"' + argument.substr(open);
    size_t trailing = quoted.size() - (quoted.find_last_not_of('\\') + 1);
    quoted.append(trailing, '\\');
    quoted += '"';
    return quoted;
}

ArgumentsOutcome CollectArguments(const std::vector<std::string>& args, std::string* text) {
    text->clear();
    for (size_t i = 1; i < args.size(); ++i) {
        if (IsHelpArgument(args[i])) return ArgumentsOutcome::Usage;
        int index = static_cast<int>(i);
        LauncherTrace("argv[%d]: %s\n", index, args[i]);
        std::string passed = RequoteArgument(args[i]);
        if (passed != args[i]) {
            LauncherTrace("argv[%d] contains blank space.", index);
            LauncherTrace("Commandline argument after adding quotes: %s", passed);
        }
        *text += passed + ' ';
    }
    return ArgumentsOutcome::Text;
}

void PrintUsage() {
    std::string text;
    for (const char* c = kUsageText; *c; ++c) {
        if (*c == '\n') text += '\r';
        text += *c;
    }
    platform::Dword written = 0;
    platform::WriteFile(platform::GetStdHandle(platform::kStdOutputHandle), text.data(),
                        static_cast<platform::Dword>(text.size()), &written);
}

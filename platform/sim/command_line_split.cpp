#include "platform/sim/command_line_split.h"

namespace platform::sim {

namespace {
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
}  // namespace

std::vector<std::u16string> SplitWindowsCommandLine(std::u16string_view line) {
    std::vector<std::u16string> args;
    size_t i = 0;
    // The program name knows no escapes: a quote starts or ends it.
    std::u16string program;
    if (i < line.size() && line[i] == u'"') {
        ++i;
        while (i < line.size() && line[i] != u'"') program += line[i++];
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && !IsBlank(line[i])) program += line[i++];
    }
    args.push_back(program);
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::u16string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == u'"') {
                // 2n backslashes before a quote are n and the quote counts; 2n+1 make
                // the quote a character.
                arg.append(backslashes / 2, u'\\');
                if (backslashes % 2 == 1) {
                    arg += u'"';
                    ++i;
                } else if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    arg += u'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.append(backslashes, u'\\');
                if (i < line.size() && (quoted || !IsBlank(line[i]))) arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace platform::sim

#include "platform/sim/process_state.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"

namespace platform::sim {

namespace {

std::string TakeEnv(const char* name) {
    const char* value = std::getenv(name);
    std::string out = value ? value : "";
    ::unsetenv(name);
    return out;
}

// Taken before main, so that nothing the program starts can inherit them.
struct StartEnvironment {
    std::string exitCodeFile = TakeEnv("WINSIM_EXIT_CODE_FILE");
    std::string image = TakeEnv("WINSIM_IMAGE");
    std::string commandLine = TakeEnv("WINSIM_CMDLINE");
    std::string cwd = TakeEnv("WINSIM_CWD");
};
const StartEnvironment& Start() {
    static StartEnvironment start;
    return start;
}
[[maybe_unused]] const StartEnvironment& startAtLoad = Start();

std::vector<std::string> OwnArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

std::u16string WindowsPathOrUnix(const std::string& host) {
    std::u16string path = WindowsPathOfHost(host);
    if (!path.empty()) return path;
    // Outside the machine's drives the program sees the host path as Wine shows it.
    std::u16string out = u"Z:";
    for (char16_t c : FromHost(host)) out += c == u'/' ? u'\\' : c;
    return out;
}

void Load(ProcessState& state) {
    state.exitCodeFile = Start().exitCodeFile;
    const std::string& image = Start().image;
    const std::string& commandLine = Start().commandLine;
    const std::string& cwd = Start().cwd;
    if (!cwd.empty()) {
        state.currentDirectory = FromHost(cwd);
    } else if (char* here = ::getcwd(nullptr, 0)) {
        state.currentDirectory = WindowsPathOfHost(here);
        std::free(here);
    }
    if (state.currentDirectory.empty()) state.currentDirectory = u"C:\\";
    if (!image.empty()) {
        state.imagePath = FromHost(image);
    } else {
        char buffer[4096];
        ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        state.imagePath = WindowsPathOrUnix(n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "");
    }
    if (!commandLine.empty()) {
        state.commandLine = FromHost(commandLine);
    } else {
        std::vector<std::string> args = OwnArguments();
        state.commandLine = QuoteArgument(state.imagePath);
        for (size_t i = 1; i < args.size(); ++i) {
            state.commandLine += u' ';
            state.commandLine += QuoteArgument(FromHost(args[i]));
        }
    }
}

}  // namespace

ProcessState& ProcessState::Get() {
    static ProcessState state;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        Machine::Current();
        Load(state);
    }
    return state;
}

std::u16string QuoteArgument(const std::u16string& argument) {
    bool needsQuotes = argument.empty() || argument.find_first_of(u" \t\"") != std::u16string::npos;
    if (!needsQuotes) return argument;
    std::u16string out = u"\"";
    size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            out.append(backslashes * 2 + 1, u'\\');
        } else {
            out.append(backslashes, u'\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, u'\\');
    out += u'"';
    return out;
}

}  // namespace platform::sim

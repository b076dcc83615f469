// winsim init: a fresh machine.

#include <cstdlib>
#include <string>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "tools/winsim/commands.h"

namespace winsim {

namespace {

// The build each version reports, as the real systems do.
uint32_t BuildOf(uint32_t major, uint32_t minor, bool nine) {
    if (nine) return minor >= 90 ? 3000 : minor >= 10 ? 2222 : 950;
    switch (major * 100 + minor) {
        case 400: return 1381;
        case 500: return 2195;
        case 501: return 2600;
        case 502: return 3790;
        case 600: return 6002;
        case 601: return 7601;
        case 602: return 9200;
        case 603: return 9600;
        default: return 19045;
    }
}

bool ParseNumber(const std::string& text, unsigned long max, unsigned long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    *out = std::strtoul(text.c_str(), &end, 0);
    return *end == '\0' && *out <= max && text[0] != '-';
}

}  // namespace

int InitCommand(const std::string& prefix, const Args& args) {
    platform::sim::MachineSettings settings;
    bool nine = false;
    bool versionGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&](const char* what) -> const std::string* {
            if (i + 1 >= args.size()) return nullptr;
            (void)what;
            return &args[++i];
        };
        if (a == "--os") {
            const std::string* v = next("--os");
            size_t dot = v ? v->find('.') : std::string::npos;
            unsigned long major = 0, minor = 0;
            if (!v || dot == std::string::npos || !ParseNumber(v->substr(0, dot), 99, &major) ||
                !ParseNumber(v->substr(dot + 1), 99, &minor)) {
                return Usage("--os needs MAJOR.MINOR, for example 6.1");
            }
            settings.osMajor = static_cast<uint32_t>(major);
            settings.osMinor = static_cast<uint32_t>(minor);
            versionGiven = true;
        } else if (a == "--9x") {
            nine = true;
        } else if (a == "--no-admin") {
            settings.admin = false;
        } else if (a == "--lang") {
            const std::string* v = next("--lang");
            unsigned long lang = 0;
            if (!v || !ParseNumber(*v, 0xFFFF, &lang)) return Usage("--lang needs a language id such as 0x0407");
            settings.uiLanguage = settings.langId = static_cast<uint16_t>(lang);
        } else if (a == "--user") {
            const std::string* v = next("--user");
            if (!v || v->empty() || v->find_first_of("\\/:*?\"<>|") != std::string::npos) {
                return Usage("--user needs a user name");
            }
            settings.user = platform::sim::FromHost(*v);
        } else if (a == "--time-scale") {
            const std::string* v = next("--time-scale");
            char* end = nullptr;
            double scale = v ? std::strtod(v->c_str(), &end) : -1;
            if (!v || *end != '\0' || !(scale >= 0)) return Usage("--time-scale needs a number of 0 or more");
            settings.timeScale = scale;
        } else {
            return Usage("init: unknown option '" + a + "'");
        }
    }
    if (nine) {
        settings.osPlatform = 1;
        if (!versionGiven) {
            settings.osMajor = 4;
            settings.osMinor = 10;
        }
    }
    settings.osBuild = BuildOf(settings.osMajor, settings.osMinor, nine);
    std::string error;
    if (!platform::sim::CreateMachine(prefix, settings, &error)) return Usage("init: " + error);
    return 0;
}

}  // namespace winsim

// winsim info: the machine's settings (its Windows version, user, folders...), one
// "name=value" line each, or the value of one setting.

#include <cstdio>

#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"
#include "tools/winsim/commands.h"

namespace winsim {

int InfoCommand(const Args& args) {
    if (args.size() > 1) return Usage("info takes at most one setting name");
    sqlite3* db = platform::sim::Machine::Current().Db();
    platform::sim::Statement s(db, "SELECT name, value FROM settings ORDER BY name");
    bool found = false;
    while (s.Step()) {
        if (args.empty()) {
            std::printf("%s=%s\n", s.Text(0).c_str(), s.Text(1).c_str());
        } else if (s.Text(0) == args[0]) {
            std::printf("%s\n", s.Text(1).c_str());
            found = true;
        }
    }
    if (!args.empty() && !found) {
        std::fprintf(stderr, "winsim: the machine has no setting '%s'\n", args[0].c_str());
        return 1;
    }
    return 0;
}

}  // namespace winsim

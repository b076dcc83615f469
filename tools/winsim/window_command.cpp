// winsim window: the top-level windows that a test stages on the machine (the
// machine has none of its own), such as the console window a console program looks
// for, and whether a program hid them.

#include <cstdio>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/windows_table.h"
#include "tools/winsim/commands.h"

namespace winsim {

int WindowCommand(const Args& args) {
    using namespace platform::sim;
    sqlite3* db = Machine::Current().Db();
    if (args.size() == 3 && args[0] == "add") {
        std::printf("%u\n", AddWindow(db, FromHost(args[1]), FromHost(args[2])));
        return 0;
    }
    if (args.size() == 1 && args[0] == "list") {
        for (const StagedWindow& w : ListWindows(db)) {
            std::printf("%u\t%s\t%s\t%s\n", w.handle, w.visible ? "visible" : "hidden",
                        ToHost(w.className).c_str(), ToHost(w.title).c_str());
        }
        return 0;
    }
    return Usage("window add CLASS TITLE | window list");
}

}  // namespace winsim

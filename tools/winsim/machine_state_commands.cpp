// winsim file / fault / reboot: files held in use, the fault plan, and a restart.

#include <cstdio>
#include <cstdlib>

#include "platform/sim/faults.h"
#include "platform/sim/file_locks.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/sim/reboot.h"
#include "platform/sim/sqlite_db.h"
#include "tools/winsim/commands.h"

namespace winsim {

namespace {

bool ParseCode(const std::string& text, unsigned long* code) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    *code = std::strtoul(text.c_str(), &end, 0);
    return *end == '\0' && *code <= 0xFFFFFFFFul;
}

}  // namespace

int FileCommand(const Args& args) {
    using namespace platform::sim;
    if (args.size() >= 2 && args[0] == "lock") {
        unsigned long error = 5;  // ERROR_ACCESS_DENIED
        if (args.size() == 4 && args[2] == "--error") {
            if (!ParseCode(args[3], &error) || error == 0) return Usage("file lock: --error needs a nonzero error code");
        } else if (args.size() != 2) {
            return Usage("file lock WINPATH [--error N]");
        }
        std::u16string path = FullWindowsPath(FromHost(args[1]));
        HostPath host;
        if (MapPath(path, &host) != 0 || !host.exists) {
            std::fprintf(stderr, "winsim: %s: no such file on the machine\n", args[1].c_str());
            return 1;
        }
        LockFile(path, static_cast<platform::Dword>(error));
        return 0;
    }
    if (args.size() == 2 && args[0] == "unlock") {
        if (!UnlockFile(FullWindowsPath(FromHost(args[1])))) {
            std::fprintf(stderr, "winsim: %s is not held\n", args[1].c_str());
            return 1;
        }
        return 0;
    }
    return Usage("file lock WINPATH [--error N] | file unlock WINPATH");
}

int FaultCommand(const Args& args) {
    using namespace platform::sim;
    sqlite3* db = Machine::Current().Db();
    if (args.size() == 4 && args[0] == "add") {
        bool known = false;
        for (const std::string& op : FaultOperations()) known = known || op == args[1];
        if (!known) return Usage("fault add: unknown operation '" + args[1] + "' (see winsim fault list)");
        unsigned long nth = 0, error = 0;
        if (!ParseCode(args[2], &nth) || nth == 0) return Usage("fault add: N counts calls from 1");
        if (!ParseCode(args[3], &error) || error == 0) return Usage("fault add: ERROR must be a nonzero error code");
        Statement s(db, "INSERT INTO faults(operation, nth, error) VALUES(?, ?, ?)");
        s.Bind(1, args[1]).Bind(2, static_cast<int64_t>(nth)).Bind(3, static_cast<int64_t>(error)).Run();
        return 0;
    }
    if (args.size() == 1 && args[0] == "list") {
        std::printf("operations:");
        for (const std::string& op : FaultOperations()) std::printf(" %s", op.c_str());
        std::printf("\n");
        Statement s(db, "SELECT operation, nth, error FROM faults ORDER BY id");
        while (s.Step()) {
            std::printf("fault %s call %lld error %lld\n", s.Text(0).c_str(), static_cast<long long>(s.Int(1)),
                        static_cast<long long>(s.Int(2)));
        }
        // The most calls any one program made of each operation while the plan was set.
        Statement calls(db, "SELECT operation, MAX(calls) FROM fault_calls GROUP BY operation ORDER BY operation");
        while (calls.Step()) {
            std::printf("calls %s %lld\n", calls.Text(0).c_str(), static_cast<long long>(calls.Int(1)));
        }
        return 0;
    }
    if (args.size() == 1 && args[0] == "clear") {
        Exec(db, "DELETE FROM faults; DELETE FROM fault_calls");
        return 0;
    }
    return Usage("fault add OP N ERROR | fault list | fault clear");
}

int RebootCommand(const Args& args) {
    if (!args.empty()) return Usage("reboot takes no arguments");
    for (const std::string& line : platform::sim::Reboot()) std::printf("%s\n", line.c_str());
    return 0;
}

}  // namespace winsim

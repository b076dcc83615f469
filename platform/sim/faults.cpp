#include "platform/sim/faults.h"

#include <algorithm>
#include <map>

#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

namespace {

struct PlannedFault {
    std::string operation;
    int64_t nth;
    Dword error;
};

struct FaultState {
    bool loaded = false;
    bool disabled = false;
    std::vector<PlannedFault> plan;
    std::map<std::string, int64_t> calls;

    // While a plan is set, each program leaves how often it made each call, so that a
    // test can aim a fault at every call in turn.
    ~FaultState() {
        if (plan.empty() || calls.empty()) return;
        try {
            sqlite3* db = Machine::Current().Db();
            Transaction t(db);
            for (const auto& [operation, count] : calls) {
                Statement s(db, "INSERT INTO fault_calls(operation, calls) VALUES(?, ?)");
                s.Bind(1, operation).Bind(2, count).Run();
            }
            t.Commit();
        } catch (const DbError&) {
        }
    }
};

FaultState& State() {
    static FaultState state;
    return state;
}

}  // namespace

void CreateFaultSchema(sqlite3* db) {
    Exec(db, "CREATE TABLE IF NOT EXISTS faults(id INTEGER PRIMARY KEY, operation TEXT NOT NULL, "
             "nth INTEGER NOT NULL, error INTEGER NOT NULL)");
    Exec(db, "CREATE TABLE IF NOT EXISTS fault_calls(id INTEGER PRIMARY KEY, operation TEXT NOT NULL, "
             "calls INTEGER NOT NULL)");
}

const std::vector<std::string>& FaultOperations() {
    static const std::vector<std::string> operations = {
        "CopyFileW",        "CreateDirectoryW", "CreateFileW",      "DeleteFileW",
        "FindFirstFileW",   "FlushFileBuffers", "GetTempFileNameW", "MoveFileExW",
        "ReadFile",         "RegCreateKeyExW",  "RegDeleteKeyExW",  "RegDeleteValueW",
        "RegOpenKeyExW",    "RegQueryValueExW", "RegSetValueExW",   "RemoveDirectoryW",
        "SHCreateDirectoryExW", "SHFileOperationW", "SetFileAttributesW", "SetFilePointerEx",
        "SetupDecompressOrCopyFileW", "SetupGetFileCompressionInfoW", "SetupIterateCabinetW", "WriteFile",
    };
    return operations;
}

void DisableFaults() { State().disabled = true; }

Dword InjectFault(const char* operation) {
    FaultState& state = State();
    if (state.disabled) return 0;
    if (!state.loaded) {
        // Read once per program: the plan is set before the program starts.
        state.loaded = true;
        try {
            Statement s(Machine::Current().Db(), "SELECT operation, nth, error FROM faults");
            while (s.Step()) state.plan.push_back({s.Text(0), s.Int(1), static_cast<Dword>(s.Int(2))});
        } catch (const DbError&) {
        }
    }
    if (state.plan.empty()) return 0;
    int64_t call = ++state.calls[operation];
    for (const PlannedFault& fault : state.plan) {
        if (fault.nth == call && fault.operation == operation) return fault.error;
    }
    return 0;
}

}  // namespace platform::sim

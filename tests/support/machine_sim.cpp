// Test programs of the host build run on a fresh simulated machine of their own,
// unless WINSIM_PREFIX names one already.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"
#include "tests/support/test_machine.h"

namespace testsupport {

namespace {
std::string ownMachine;
}

void SetUpMachine() {
    if (const char* given = std::getenv("WINSIM_PREFIX"); given && *given) return;
    std::string base = std::filesystem::temp_directory_path() / "kavrin-test-XXXXXX";
    if (!::mkdtemp(base.data())) std::abort();
    ownMachine = base;
    std::string error;
    if (!platform::sim::CreateMachine(ownMachine + "/machine", platform::sim::MachineSettings{}, &error)) {
        std::fprintf(stderr, "cannot create a test machine: %s\n", error.c_str());
        std::abort();
    }
    ::setenv("WINSIM_PREFIX", (ownMachine + "/machine").c_str(), 1);
}

void TearDownMachine() {
    if (ownMachine.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(ownMachine, ignored);
}

bool CanChangeMachine() { return true; }
bool UnderWine() { return false; }

void SetMachineSetting(const std::string& name, const std::string& value) {
    platform::sim::Machine::Current().SetSetting(name, value);
}

ScopedMachineSetting::ScopedMachineSetting(const std::string& name, const std::string& value)
    : name_(name) {
    platform::sim::Machine& machine = platform::sim::Machine::Current();
    platform::sim::Statement s(machine.Db(), "SELECT value FROM settings WHERE name = ?");
    s.Bind(1, name);
    if (s.Step()) previous_ = s.Text(0);
    machine.SetSetting(name, value);
}

ScopedMachineSetting::~ScopedMachineSetting() {
    platform::sim::Machine& machine = platform::sim::Machine::Current();
    if (previous_) {
        machine.SetSetting(name_, *previous_);
        return;
    }
    platform::sim::Statement s(machine.Db(), "DELETE FROM settings WHERE name = ?");
    s.Bind(1, name_).Run();
    machine.ReloadSettings();
}

}  // namespace testsupport

// Test programs of the Windows build run in the test run's Wine prefix as it is.

#include <windows.h>

#include <cstdlib>

#include "tests/support/test_machine.h"

namespace testsupport {

void SetUpMachine() {}
void TearDownMachine() {}
bool CanChangeMachine() { return false; }

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
void SetMachineSetting(const std::string&, const std::string&) { std::abort(); }

ScopedMachineSetting::ScopedMachineSetting(const std::string&, const std::string&) { std::abort(); }
ScopedMachineSetting::~ScopedMachineSetting() = default;

}  // namespace testsupport

#pragma once
// The machine a test program runs on: a fresh simulated machine on the host, the
// test run's Wine prefix on Windows. Settings that only the simulated machine can
// change (administrator or not, the Windows version) are offered here; under Wine the
// tests that need them are skipped.

#include <optional>
#include <string>

namespace testsupport {

// Prepares the machine before the tests run, and removes it after.
void SetUpMachine();
void TearDownMachine();

// Whether the Windows build runs under Wine: where Wine differs from Windows, a
// test skips the check and says why.
bool UnderWine();

// Whether machine settings can be changed (the simulated machine only).
bool CanChangeMachine();
void SetMachineSetting(const std::string& name, const std::string& value);

// Changes a machine setting for the life of the object and then puts back the value it
// had, also when the test stops early at a failed assertion.
class ScopedMachineSetting {
public:
    ScopedMachineSetting(const std::string& name, const std::string& value);
    ~ScopedMachineSetting();
    ScopedMachineSetting(const ScopedMachineSetting&) = delete;
    ScopedMachineSetting& operator=(const ScopedMachineSetting&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// A new empty folder on drive C: for one test, as a Windows path without a final
// backslash.
std::u16string NewScratchFolder();

}  // namespace testsupport

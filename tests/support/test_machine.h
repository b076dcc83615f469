#pragma once
// The machine a test program runs on: a fresh simulated machine on the host, the
// test run's Wine prefix on Windows. Settings that only the simulated machine can
// change (administrator or not, the Windows version) are offered here; under Wine the
// tests that need them are skipped.

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

// A new empty folder on drive C: for one test, as a Windows path without a final
// backslash.
std::u16string NewScratchFolder();

}  // namespace testsupport

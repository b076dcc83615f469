#pragma once
// What the conformance tests of the launcher's platform services stage on the machine
// or read from it, the same way on both backends where the machine allows.

#include <string>

namespace testsupport {

// Places the stand-in setup program (tests/wine/fake_setup.c; a shell script on the
// simulated machine) at `path`, recording into the file `recordPath` (both Windows
// paths; the record's folder must exist).
void PlaceFakeSetup(const std::u16string& path, const std::u16string& recordPath);

// Stages a top-level window for FindWindowA; false where windows cannot be staged
// (Wine here is headless).
bool StageWindow(const std::string& className, const std::string& title);

// The machine's debugger output so far; false where the test cannot read it (under
// Wine it goes to Wine's debug channel).
bool ReadDebugOutput(std::string* text);

}  // namespace testsupport

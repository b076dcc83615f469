#pragma once
// The stand-in setup program of the simulated machine: a shell script that does what
// tests/wine/fake_setup.c does for the Windows build, with the same record format.

#include <string>

namespace testsupport {

// The script's text. It appends its record to the host file `recordHostPath`; with a
// `winsimPath` it can set the setup error code (/errorcode=N) through winsim.
std::string FakeSetupScript(const std::string& recordHostPath, const std::string& winsimPath);

}  // namespace testsupport

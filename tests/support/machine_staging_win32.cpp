#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/support/machine_staging.h"

namespace testsupport {

void PlaceFakeSetup(const std::u16string& path, const std::u16string& recordPath) {
    // fake_setup.exe is built beside the test programs.
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, n);
    folder.resize(folder.find_last_of(L'\\'));
    if (!CopyFileW((folder + L"\\fake_setup.exe").c_str(), reinterpret_cast<const wchar_t*>(path.c_str()), FALSE)) {
        std::abort();
    }
    SetEnvironmentVariableW(L"FAKE_SETUP_RECORD", reinterpret_cast<const wchar_t*>(recordPath.c_str()));
}

bool StageWindow(const std::string&, const std::string&) { return false; }

bool ReadDebugOutput(std::string*) { return false; }

}  // namespace testsupport

#include "launcher/setup_error_code.h"

#include "launcher/trace.h"
#include "platform/ansi.h"
#include "platform/registry.h"

platform::Dword ReadSetupErrorCode() {
    using namespace platform;
    // The registry calls answer their error; they leave the thread's last error as it
    // was, so the answer is the reason traced.
    HKey key = nullptr;
    LStatus status = RegOpenKeyExA(HkeyCurrentUser(), "SOFTWARE\\QlnSetup\\Status", 0, kKeyRead, &key);
    if (status != 0) {
        LauncherTrace("Error!!! Failed to open registry to get setup error code. Reason: %d", status);
        return 0;
    }
    Dword code = 0;
    Dword size = sizeof code;
    status = RegQueryValueExA(key, "ErrorCode", nullptr, &code, &size);
    if (status != 0) {
        LauncherTrace("Error!!! Failed to get setup error code. Reason: %d", status);
        // A value too large for the field leaves it undefined.
        code = 0;
    }
    RegCloseKey(key);
    return code;
}

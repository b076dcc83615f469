#include "cmdline/entry.h"
#include "log/log.h"
#include "platform/process.h"
#include "util/basic_exception.h"

int main() {
    int code = 202;
    try {
        LogStartOfProcess();
        code = RunSetupCommand();
    } catch (const BasicException&) {
        // Only a log entry that cannot be converted to UTF-8 gets here.
    }
    try {
        LogEndOfProcess();
    } catch (const BasicException&) {
    }
    platform::ExitProcess(static_cast<platform::Dword>(code));
}

#include "platform/files.h"
#include "platform/process.h"
#include "tests/support/test_machine.h"
#include "util/format.h"

namespace testsupport {

std::u16string NewScratchFolder() {
    static unsigned counter = 0;
    platform::CreateDirectoryW(u"C:\\ktest");
    for (;;) {
        std::u16string folder = Format(u"C:\\ktest\\%u-%u", platform::GetCurrentProcessId(), ++counter);
        if (platform::CreateDirectoryW(folder.c_str())) return folder;
    }
}

}  // namespace testsupport

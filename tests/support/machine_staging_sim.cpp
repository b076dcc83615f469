#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/sim/windows_table.h"
#include "tests/support/fake_setup_script.h"
#include "tests/support/machine_staging.h"

namespace testsupport {

void PlaceFakeSetup(const std::u16string& path, const std::u16string& recordPath) {
    platform::sim::HostPath program, record;
    platform::sim::MapPath(path, &program);
    platform::sim::MapPath(recordPath, &record);
    std::ofstream(program.host, std::ios::binary) << FakeSetupScript(record.host, "");
    ::chmod(program.host.c_str(), 0755);
}

bool StageWindow(const std::string& className, const std::string& title) {
    platform::sim::AddWindow(platform::sim::Machine::Current().Db(), platform::sim::FromHost(className),
                             platform::sim::FromHost(title));
    return true;
}

bool ReadDebugOutput(std::string* text) {
    std::ifstream in(platform::sim::Machine::Current().Prefix() + "/debug-output.log", std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace testsupport

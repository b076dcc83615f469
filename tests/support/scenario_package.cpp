#include "tests/support/scenario_package.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace scenario {

namespace fs = std::filesystem;

std::string FixturePath(const std::string& name) { return std::string(KAVRIN_SOURCE_DIR) + "/tests/fixtures/" + name; }

void CopyFolder(Machine& machine, const std::string& hostFolder, const std::string& windowsFolder) {
    for (const auto& entry : fs::recursive_directory_iterator(hostFolder)) {
        if (!entry.is_regular_file()) continue;
        std::string relative = fs::relative(entry.path(), hostFolder).string();
        for (char& c : relative) {
            if (c == '/') c = '\\';
        }
        std::ifstream in(entry.path(), std::ios::binary);
        machine.WriteFile(windowsFolder + "\\" + relative,
                          std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    }
}

std::map<std::string, std::string> TreeOf(const Machine& machine, const std::string& windowsFolder) {
    std::map<std::string, std::string> tree;
    std::string host = machine.HostPath(windowsFolder);
    if (!fs::exists(host)) return tree;
    for (const auto& entry : fs::recursive_directory_iterator(host)) {
        std::string relative = fs::relative(entry.path(), host).string();
        if (entry.is_directory()) {
            tree[relative] = "<dir>";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            tree[relative] = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
    }
    return tree;
}

std::unique_ptr<Machine> MachineFor(const std::string& kind, const SimOptions& options) {
    if (kind == "sim") return NewSimMachine(options);
    std::unique_ptr<Machine> machine = NewWineMachine();
    if (machine) fs::remove_all(machine->HostPath("C:\\Program Files\\Quillon"));
    return machine;
}

RunResult Winsim(const Machine& machine, const std::vector<std::string>& args) {
    std::string driveC = machine.HostPath("C:\\");
    std::string prefix = fs::path(driveC).parent_path().parent_path().string();
    std::vector<std::string> argv = {std::string(KAVRIN_HOST_BIN_DIR) + "/winsim", "--prefix", prefix};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

}  // namespace scenario

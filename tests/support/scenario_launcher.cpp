#include "tests/support/scenario_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/fake_setup_script.h"

extern char** environ;

namespace scenario {

namespace fs = std::filesystem;

namespace {

const char kRecord[] = "C:\\record\\calls.txt";

std::string HostBin() { return KAVRIN_HOST_BIN_DIR; }
std::string Win64Bin() {
    const char* dir = std::getenv("KAVRIN_WIN64_DIR");
    return dir && *dir ? std::string(dir) + "/bin" : "";
}

// The texts of Wine's OutputDebugStringA lines: `....:warn:debugstr:OutputDebugStringA "..."`,
// escaped as C strings.
std::string WineDebugTexts(const std::string& stderrText) {
    static const std::string kMark = ":OutputDebugStringA \"";
    std::string out;
    size_t from = 0;
    for (size_t end; (end = stderrText.find('\n', from)) != std::string::npos; from = end + 1) {
        std::string line = stderrText.substr(from, end - from);
        size_t at = line.find(kMark);
        if (at == std::string::npos) continue;
        std::string quoted = line.substr(at + kMark.size());
        // A long text is cut by Wine and ends in `"...`: it is kept cut.
        size_t close = quoted.rfind('"');
        quoted = quoted.substr(0, close == std::string::npos ? quoted.size() : close);
        for (size_t i = 0; i < quoted.size(); ++i) {
            char c = quoted[i];
            if (c != '\\' || i + 1 >= quoted.size()) {
                out += c;
                continue;
            }
            char e = quoted[++i];
            if (e == 'n') out += '\n';
            else if (e == 'r') out += '\r';
            else if (e == 't') out += '\t';
            else if (e == 'x' && i + 2 < quoted.size()) {
                out += static_cast<char>(std::stoi(quoted.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else out += e;
        }
    }
    return out;
}

// hold_file.exe under Wine, started in the background.
class WineHeldFile : public HeldFile {
public:
    WineHeldFile(const std::string& winePrefix, const std::string& windowsPath) {
        std::string folder = (fs::temp_directory_path() / "kavrin-hold-XXXXXX").string();
        folder_ = ::mkdtemp(folder.data()) ? folder : std::string();
        flag_ = folder_ + "/flag";
        std::ofstream(flag_) << "held";
        std::vector<std::string> env = {"WINEPREFIX=" + winePrefix, "WINEDEBUG=-all"};
        for (char** e = environ; *e; ++e) {
            if (std::strncmp(*e, "WINEPREFIX=", 11) != 0 && std::strncmp(*e, "WINEDEBUG=", 10) != 0) env.push_back(*e);
        }
        std::vector<std::string> args = {"wine", Win64Bin() + "/hold_file.exe", windowsPath, "Z:" + flag_};
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawnp(&pid_, "wine", nullptr, nullptr, argv.data(), envp.data());
        // Ready once the file is open.
        for (int i = 0; i < 600 && !fs::exists(flag_ + ".ready"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~WineHeldFile() override {
        std::error_code ignored;
        fs::remove(flag_, ignored);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        fs::remove_all(folder_, ignored);
    }

private:
    std::string folder_, flag_;
    pid_t pid_ = -1;
};

}  // namespace

std::string LauncherPackage::UnavailableReason(const Machine& machine) {
    if (machine.Name() != "wine") return "";
    for (const char* program : {"launcher64.exe", "fake_setup.exe", "hold_file.exe"}) {
        if (!fs::exists(Win64Bin() + "/" + program)) return std::string("no ") + program + " in " + Win64Bin();
    }
    return "";
}

LauncherPackage::LauncherPackage(Machine& machine) : machine_(machine), sim_(machine.Name() == "sim") {
    std::error_code ignored;
    fs::remove_all(machine_.HostPath(StagingFolder()), ignored);
    fs::remove_all(machine_.HostPath("C:\\record"), ignored);
    fs::remove_all(machine_.HostPath("C:\\setup"), ignored);
    fs::create_directories(machine_.HostPath("C:\\record"));
    fs::create_directories(machine_.HostPath("C:\\setup"));
    if (sim_) {
        fs::create_symlink(HostBin() + "/launcher", machine_.HostPath(kLauncher));
    } else {
        fs::copy_file(Win64Bin() + "/launcher64.exe", machine_.HostPath(kLauncher));
    }
}

std::string LauncherPackage::Prefix() const {
    std::string driveC = machine_.HostPath("C:\\");
    return fs::path(driveC).parent_path().parent_path().string();
}

void LauncherPackage::PlaceSetup(const std::string& windowsPath) {
    std::string host = machine_.HostPath(windowsPath);
    fs::create_directories(fs::path(host).parent_path());
    if (sim_) {
        std::ofstream(host, std::ios::binary) << testsupport::FakeSetupScript(machine_.HostPath(kRecord),
                                                                             HostBin() + "/winsim");
        ::chmod(host.c_str(), 0755);
    } else {
        fs::copy_file(Win64Bin() + "/fake_setup.exe", host, fs::copy_options::overwrite_existing);
    }
}

RunResult LauncherPackage::Run(const std::vector<std::string>& args) {
    std::map<std::string, std::string> env = {{"FAKE_SETUP_RECORD", kRecord}};
    if (!sim_) env["WINEDEBUG"] = "-all,+debugstr";
    RunResult r = machine_.RunProgram(kLauncher, args, env);
    if (!sim_) wineTrace_ += WineDebugTexts(r.err);
    return r;
}

std::string LauncherPackage::Trace() const {
    if (!sim_) return wineTrace_;
    std::ifstream in(Prefix() + "/debug-output.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<SetupRecord> LauncherPackage::Records() const {
    std::vector<SetupRecord> records(1);
    std::string text = machine_.ReadFile(kRecord);
    size_t from = 0;
    for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        std::string line = text.substr(from, end - from);
        SetupRecord& r = records.back();
        if (line == "end") records.emplace_back();
        else if (line.rfind("image=", 0) == 0) r.image = line.substr(6);
        else if (line.rfind("cmdline=", 0) == 0) r.cmdline = line.substr(8);
        else if (line.rfind("cwd=", 0) == 0) r.cwd = line.substr(4);
        else if (line.rfind("arg=", 0) == 0) r.args.push_back(line.substr(4));
    }
    records.pop_back();
    return records;
}

bool LauncherPackage::Exists(const std::string& windowsPath) const {
    // Wine keeps a name's case, the simulated machine maps names without regard to it:
    // the scenarios use the case the programs write.
    return fs::exists(machine_.HostPath(windowsPath));
}

bool LauncherPackage::StageConsoleWindow() {
    if (!sim_) return false;
    RunProcess({HostBin() + "/winsim", "--prefix", Prefix(), "window", "add", "ConsoleWindowClass", kLauncher});
    return true;
}

std::string LauncherPackage::Windows() const {
    return RunProcess({HostBin() + "/winsim", "--prefix", Prefix(), "window", "list"}).out;
}

std::unique_ptr<HeldFile> LauncherPackage::Hold(const std::string& windowsPath) {
    if (sim_) return nullptr;
    return std::make_unique<WineHeldFile>(Prefix(), windowsPath);
}

}  // namespace scenario

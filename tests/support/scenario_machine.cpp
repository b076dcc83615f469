#include "tests/support/scenario_machine.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/sim/host_text.h"
#include "platform/sim/registry_store.h"
#include "tools/winsim/reg_text.h"

extern char** environ;

namespace scenario {

namespace fs = std::filesystem;

namespace {

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string NewTempFolder(const char* stem) {
    std::string base = (fs::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
    if (!::mkdtemp(base.data())) throw std::runtime_error("cannot make a temporary folder");
    return base;
}

// "C:\a\b" → "<drive>/a/b", names as given (the test creates or reads them so).
std::string DrivePath(const std::string& driveC, const std::string& windowsPath) {
    std::string rest = windowsPath.size() > 2 ? windowsPath.substr(2) : "";
    for (char& c : rest) {
        if (c == '\\') c = '/';
    }
    return driveC + rest;
}

// The value of `value` in the first key of an exported .reg text.
std::optional<std::u16string> StringFromExport(const std::string& bytes, const std::string& value) {
    std::string error;
    std::u16string text = winsim::DecodeRegFile(bytes, &error);
    std::vector<winsim::RegEntry> entries;
    if (!winsim::ParseRegText(text, &entries, &error)) return std::nullopt;
    std::u16string name = platform::sim::FromHost(value);
    for (const auto& e : entries) {
        if (e.kind == winsim::RegEntry::Kind::Value && platform::sim::EqualsFolded(e.value.name, name)) {
            std::u16string data(reinterpret_cast<const char16_t*>(e.value.data.data()), e.value.data.size() / 2);
            while (!data.empty() && data.back() == 0) data.pop_back();
            return data;
        }
    }
    return std::nullopt;
}

const char* SourceDir() { return KAVRIN_SOURCE_DIR; }
std::string HostBin() { return KAVRIN_HOST_BIN_DIR; }

class SimMachine : public Machine {
public:
    explicit SimMachine(const SimOptions& options) {
        folder_ = NewTempFolder("kavrin-scenario");
        prefix_ = folder_ + "/machine";
        std::vector<std::string> init = {Winsim(), "--prefix", prefix_, "init"};
        init.insert(init.end(), options.initArgs.begin(), options.initArgs.end());
        RunResult r = RunProcess(init);
        if (r.exitCode != 0) throw std::runtime_error("winsim init failed: " + r.err);
        fs::create_directories(HostPath("C:\\pkg"));
        fs::create_symlink(HostBin() + "/kavrin", HostPath("C:\\pkg\\kavrin64.exe"));
        RunResult temp = RunProcess({Winsim(), "--prefix", prefix_, "info", "temp_dir"});
        temp_ = temp.out.substr(0, temp.out.find('\n'));
    }
    ~SimMachine() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string Name() const override { return "sim"; }
    RunResult RunKavrin(const std::vector<std::string>& args) override {
        return RunProgram("C:\\pkg\\kavrin64.exe", args, {});
    }
    RunResult RunProgram(const std::string& windowsPath, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env) override {
        std::vector<std::string> argv = {Winsim(), "--prefix", prefix_, "run", windowsPath};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, env);
    }
    std::string HostPath(const std::string& windowsPath) const override {
        return DrivePath(prefix_ + "/drive_c", windowsPath);
    }
    std::string TempFolder() const override { return temp_; }
    std::optional<std::u16string> StringValue(const std::string& key, const std::string& value) override {
        RunResult r = RunProcess({Winsim(), "--prefix", prefix_, "reg", "export", key});
        if (r.exitCode != 0) return std::nullopt;
        return StringFromExport(r.out, value);
    }
    void SetStringValue(const std::string& key, const std::string& value, const std::string& data) override {
        SetValue(key, value, "REG_SZ", data);
    }
    void SetValue(const std::string& key, const std::string& value, const std::string& type,
                  const std::string& data) override {
        RunProcess({Winsim(), "--prefix", prefix_, "reg", "set", key, value, type, data});
    }
    const std::string& Prefix() const { return prefix_; }

private:
    static std::string Winsim() { return HostBin() + "/winsim"; }
    std::string folder_;
    std::string prefix_;
    std::string temp_;
};

std::string WineDir() { return HostBin() + "/../wine-scenario"; }
std::string Win64Dir() {
    const char* dir = std::getenv("KAVRIN_WIN64_DIR");
    return dir ? dir : "";
}

std::map<std::string, std::string> WineEnv() {
    return {{"WINEPREFIX", WineDir() + "/prefix"}, {"WINEDEBUG", "-all"}};
}

class WineMachine : public Machine {
public:
    WineMachine() {
        driveC_ = WineDir() + "/prefix/drive_c";
        // The run's one prefix is shared: remove what an earlier scenario left.
        std::error_code ignored;
        fs::remove_all(HostPath("C:\\pkg"), ignored);
        fs::create_directories(HostPath("C:\\pkg"));
        fs::copy_file(Win64Dir() + "/bin/kavrin64.exe", HostPath("C:\\pkg\\kavrin64.exe"));
        RunResult temp = RunProcess({"wine", "cmd", "/c", "echo %TEMP%"}, WineEnv());
        temp_ = temp.out.substr(0, temp.out.find_first_of("\r\n"));
        fs::remove(HostPath(temp_ + "\\dravik.log"), ignored);
        RunProcess({"wine", "reg", "delete", "HKCU\\Software\\QlnSetup", "/f"}, WineEnv());
    }
    std::string Name() const override { return "wine"; }
    RunResult RunKavrin(const std::vector<std::string>& args) override {
        return RunProgram("C:\\pkg\\kavrin64.exe", args, {});
    }
    RunResult RunProgram(const std::string& windowsPath, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env) override {
        std::vector<std::string> argv = {"wine", windowsPath};
        argv.insert(argv.end(), args.begin(), args.end());
        std::map<std::string, std::string> all = WineEnv();
        for (const auto& [name, text] : env) all[name] = text;
        return RunProcess(argv, all);
    }
    std::string HostPath(const std::string& windowsPath) const override {
        // Wine keeps the case of the names it was given; the scenarios use Wine's own.
        return DrivePath(driveC_, windowsPath);
    }
    std::string TempFolder() const override { return temp_; }
    std::optional<std::u16string> StringValue(const std::string& key, const std::string& value) override {
        std::string file = WineDir() + "/export.reg";
        fs::remove(file);
        RunResult r = RunProcess({"wine", "reg", "export", key, "Z:" + file, "/y"}, WineEnv());
        if (r.exitCode != 0) return std::nullopt;
        return StringFromExport(ReadHostFile(file), value);
    }
    void SetStringValue(const std::string& key, const std::string& value, const std::string& data) override {
        SetValue(key, value, "REG_SZ", data);
    }
    void SetValue(const std::string& key, const std::string& value, const std::string& type,
                  const std::string& data) override {
        RunProcess({"wine", "reg", "add", key, "/v", value, "/t", type, "/d", data, "/f"}, WineEnv());
    }

private:
    std::string driveC_;
    std::string temp_;
};

}  // namespace

RunResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env) {
    std::string outFile = NewTempFolder("kavrin-run");
    std::string out = outFile + "/out";
    std::string err = outFile + "/err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        if (!env.count(name) && name != "WINSIM_PREFIX") envStore.push_back(entry);
    }
    for (const auto& [name, value] : env) envStore.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> cargs;
    for (auto& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    pid_t pid = 0;
    RunResult result;
    if (posix_spawnp(&pid, cargs[0], &actions, nullptr, cargs.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = ReadHostFile(out);
    result.err = ReadHostFile(err);
    std::error_code ignored;
    fs::remove_all(outFile, ignored);
    return result;
}

std::string Machine::ReadFile(const std::string& windowsPath) const { return ReadHostFile(HostPath(windowsPath)); }

void Machine::WriteFile(const std::string& windowsPath, const std::string& bytes) const {
    std::string host = HostPath(windowsPath);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
}

std::unique_ptr<Machine> NewSimMachine(const SimOptions& options) { return std::make_unique<SimMachine>(options); }

std::string WineUnavailableReason() {
    if (Win64Dir().empty()) return "no Windows build given (KAVRIN_WIN64_DIR is empty)";
    if (!fs::exists(Win64Dir() + "/bin/kavrin64.exe")) return "no kavrin64.exe in " + Win64Dir() + "/bin";
    if (!fs::exists(WineDir() + "/prefix/system.reg")) return "the Wine prefix could not be made";
    return "";
}

std::unique_ptr<Machine> NewWineMachine() {
    if (!WineUnavailableReason().empty()) return nullptr;
    return std::make_unique<WineMachine>();
}

void StartWine() {
    if (Win64Dir().empty() || !fs::exists(Win64Dir() + "/bin/wine_keepalive.exe")) return;
    RunProcess({std::string(SourceDir()) + "/tests/wine/wine-env", "start", WineDir(),
                Win64Dir() + "/bin/wine_keepalive.exe"});
}

void StopWine() {
    if (Win64Dir().empty()) return;
    RunProcess({std::string(SourceDir()) + "/tests/wine/wine-env", "stop", WineDir()});
}

}  // namespace scenario

#include "platform/sim/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/errors.h"
#include "platform/sim/host_errors.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"

extern char** environ;

namespace platform::sim {

namespace {

// Exit codes a Windows program has when the host ended it by a signal.
Dword ExitCodeOfSignal(int signal) {
    switch (signal) {
        case SIGSEGV:
        case SIGBUS: return 0xC0000005;  // access violation
        case SIGFPE: return 0xC0000094;  // integer divide by zero
        case SIGILL: return 0xC000001D;  // illegal instruction
        case SIGABRT: return 3;          // the C runtime's abort
        default: return 0xC000013A;      // ended by the user
    }
}

// A host executable or a script with an interpreter line.
bool LooksLikeProgram(const std::string& host) {
    char magic[4] = {};
    std::ifstream in(host, std::ios::binary);
    in.read(magic, sizeof magic);
    return (in.gcount() == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0) ||
           (in.gcount() >= 2 && magic[0] == '#' && magic[1] == '!');
}

std::string NewExitCodeFile() {
    std::string folder = Machine::Current().Prefix() + "/run";
    ::mkdir(folder.c_str(), 0755);
    std::string path = folder + "/exit-XXXXXX";
    int fd = ::mkstemp(path.data());
    if (fd < 0) return {};
    ::close(fd);
    return path;
}

}  // namespace

Dword StartProgram(const std::u16string& imagePath, const std::u16string& commandLine,
                   const std::u16string& currentDirectory, const std::vector<std::string>& hostArgs,
                   StartedProgram* started) {
    HostPath image;
    if (Dword error = MapPath(imagePath, &image)) return error;
    struct stat st;
    if (!image.exists) return image.parentExists ? kErrFileNotFound : kErrPathNotFound;
    if (::stat(image.host.c_str(), &st) != 0) return kErrFileNotFound;
    if (!S_ISREG(st.st_mode)) return kErrAccessDenied;
    if (::access(image.host.c_str(), X_OK) != 0) {
        // A copy of a program made on the machine (CopyFile) is still a program, though
        // the host copy lost its permission to run.
        if (!LooksLikeProgram(image.host) || ::chmod(image.host.c_str(), st.st_mode | 0111) != 0) {
            return kErrAccessDenied;
        }
    }
    std::u16string cwd = FullWindowsPath(currentDirectory);
    if (cwd.size() > 3 && cwd.back() == u'\\') cwd.pop_back();
    HostPath cwdHost;
    if (MapPath(cwd, &cwdHost) != 0 || !cwdHost.exists) return 267;  // ERROR_DIRECTORY

    started->exitCodeFile = NewExitCodeFile();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "WINSIM_", 7) != 0) env.emplace_back(*e);
    }
    env.push_back("WINSIM_PREFIX=" + Machine::Current().Prefix());
    env.push_back("WINSIM_IMAGE=" + ToHost(FullWindowsPath(imagePath)));
    env.push_back("WINSIM_CMDLINE=" + ToHost(commandLine));
    env.push_back("WINSIM_CWD=" + ToHost(cwd));
    env.push_back("WINSIM_EXIT_CODE_FILE=" + started->exitCodeFile);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore;
    argStore.push_back(image.host);
    argStore.insert(argStore.end(), hostArgs.begin(), hostArgs.end());

    pid_t pid = ::fork();
    if (pid < 0) return ErrorFromErrno(errno);
    if (pid == 0) {
        if (::chdir(cwdHost.host.c_str()) != 0) ::_exit(127);
        std::vector<char*> argv;
        for (auto& a : argStore) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execve(argv[0], argv.data(), envp.data());
        if (errno == ENOEXEC) {
            // A script without an interpreter line runs under the shell, as execvp does.
            std::vector<char*> shell = {const_cast<char*>("/bin/sh")};
            shell.insert(shell.end(), argv.begin(), argv.end());
            ::execve("/bin/sh", shell.data(), envp.data());
        }
        ::_exit(127);
    }
    started->pid = pid;
    return 0;
}

namespace {

Dword ExitCodeOf(int status, const StartedProgram& started) {
    Dword code;
    if (WIFEXITED(status)) {
        code = static_cast<Dword>(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        code = ExitCodeOfSignal(WTERMSIG(status));
    } else {
        code = 1;
    }
    if (!started.exitCodeFile.empty()) {
        // A program of the machine hands back its full 32-bit code this way.
        std::ifstream in(started.exitCodeFile);
        unsigned long full = 0;
        if (WIFEXITED(status) && (in >> full)) code = static_cast<Dword>(full);
        in.close();
        std::remove(started.exitCodeFile.c_str());
    }
    return code;
}

}  // namespace

Dword WaitForProgram(const StartedProgram& started) {
    int status = 0;
    while (::waitpid(started.pid, &status, 0) < 0 && errno == EINTR) {
    }
    return ExitCodeOf(status, started);
}

bool ProgramEnded(const StartedProgram& started, Dword* exitCode) {
    int status = 0;
    pid_t ended;
    while ((ended = ::waitpid(started.pid, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (ended != started.pid) return false;
    *exitCode = ExitCodeOf(status, started);
    return true;
}

}  // namespace platform::sim

// Starting a program of the simulated machine from a program of it, and waiting for
// its end. The child gets exactly the command line given, its host arguments split
// from it by the platform's rules, and the standard streams of its starter, as a
// console program inheriting its starter's handles has; the machine keeps no other
// kernel object across programs, so nothing more is inherited.

#include <time.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/process_launch.h"
#include "platform/sim/ansi_text.h"
#include "platform/sim/command_line_split.h"
#include "platform/sim/fail.h"
#include "platform/sim/handles.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/sim/process_start.h"
#include "platform/sim/process_state.h"
#include "platform/sim/sqlite_db.h"

namespace platform {

namespace sim {

struct ChildProcess {
    StartedProgram started;
    bool ended = false;
    Dword exitCode = 0;
};

namespace {

// Without an application name the program is the command line's first name, with
// ".exe" when it has no extension.
std::u16string ProgramOfCommandLine(const std::u16string& commandLine) {
    std::u16string program = SplitWindowsCommandLine(commandLine)[0];
    size_t cut = program.find_last_of(u"\\/");
    std::u16string name = cut == std::u16string::npos ? program : program.substr(cut + 1);
    if (!name.empty() && name.find(u'.') == std::u16string::npos) program += u".exe";
    return program;
}

bool Ended(ChildProcess& child) {
    if (!child.ended) child.ended = ProgramEnded(child.started, &child.exitCode);
    return child.ended;
}

void RecordWait(Dword milliseconds) {
    try {
        Statement s(Machine::Current().Db(), "INSERT INTO waits(program, milliseconds) VALUES(?, ?)");
        s.Bind(1, ToHost(ProcessState::Get().imagePath)).Bind(2, milliseconds).Run();
    } catch (const DbError&) {
    }
}

void PauseBriefly() {
    struct timespec pause = {0, 2 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
}

}  // namespace
}  // namespace sim

bool CreateProcessA(const char* applicationName, char* commandLine, bool /*inheritHandles*/,
                    Dword /*creationFlags*/, const char* currentDirectory,
                    const StartupInfoA* /*startupInfo*/, ProcessInformation* info) {
    *info = {};
    if (!applicationName && !commandLine) return sim::Fail(kErrInvalidParameter);
    std::u16string line = sim::AnsiToWide(commandLine ? commandLine : applicationName);
    std::u16string image = applicationName ? sim::AnsiToWide(applicationName) : sim::ProgramOfCommandLine(line);
    if (image.empty()) return sim::Fail(kErrFileNotFound);
    std::u16string cwd = currentDirectory ? sim::AnsiToWide(currentDirectory) : sim::CurrentDirectory();

    std::vector<std::u16string> args = sim::SplitWindowsCommandLine(line);
    std::vector<std::string> hostArgs;
    for (size_t i = 1; i < args.size(); ++i) hostArgs.push_back(sim::ToHost(args[i]));

    auto child = std::make_shared<sim::ChildProcess>();
    if (Dword error = sim::StartProgram(sim::FullWindowsPath(image), line, cwd, hostArgs, &child->started)) {
        return sim::Fail(error);
    }
    info->process = sim::AddHandle(sim::ProcessObject{child, false});
    info->thread = sim::AddHandle(sim::ProcessObject{child, true});
    info->processId = static_cast<Dword>(child->started.pid);
    info->threadId = static_cast<Dword>(child->started.pid);
    SetLastError(0);
    return true;
}

Dword WaitForSingleObject(Handle object, Dword milliseconds) {
    sim::ProcessObject* process = sim::GetHandle<sim::ProcessObject>(object);
    if (!process) return sim::Fail(kErrInvalidHandle, kWaitFailed);
    sim::ChildProcess& child = *process->child;
    if (milliseconds == kInfinite) {
        if (!child.ended) {
            child.exitCode = sim::WaitForProgram(child.started);
            child.ended = true;
        }
        return kWaitObject0;
    }
    if (milliseconds > 0) sim::RecordWait(milliseconds);
    // A time-out lasts the machine's time scale times its nominal length.
    double scaled = milliseconds * sim::Machine::Current().Settings().timeScale;
    struct timespec start, now;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (sim::Ended(child)) return kWaitObject0;
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        double elapsed = (now.tv_sec - start.tv_sec) * 1e3 + (now.tv_nsec - start.tv_nsec) / 1e6;
        if (elapsed >= scaled) return kWaitTimeout;
        sim::PauseBriefly();
    }
}

bool GetExitCodeProcess(Handle process, Dword* exitCode) {
    sim::ProcessObject* object = sim::GetHandle<sim::ProcessObject>(process);
    if (!object || object->isThread) return sim::Fail(kErrInvalidHandle);
    *exitCode = sim::Ended(*object->child) ? object->child->exitCode : kStillActive;
    return true;
}

}  // namespace platform

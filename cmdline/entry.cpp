#include "cmdline/entry.h"

#include <new>
#include <string>
#include <vector>

#include "cmdline/globals.h"
#include "cmdline/reg_message.h"
#include "cmdline/setup_result.h"
#include "devmgr/adapter_state.h"
#include "log/log.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/system.h"
#include "util/admin.h"
#include "util/basic_exception.h"
#include "util/command_line.h"
#include "util/file_services.h"
#include "util/os_info.h"
#include "util/path_text.h"

namespace {

// The exception record of a run starts out naming the entry itself.
constexpr int kEntryLine = 0;

struct EntryRun {
    int32_t code = SetupErrorUnknown;
    BasicException error{__FILE__, kEntryLine};
    std::u16string message;
    std::u16string logPath;
    std::u16string commandLine;
    std::vector<std::u16string> args;
    bool uninstalling = false;
};

// Commands and their arguments are compared without regard to case.
bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? static_cast<char16_t>(a[i] + 32) : a[i];
        char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? static_cast<char16_t>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

// Option tokens count wherever they stand in the raw command line, case-sensitively.
bool HasToken(const EntryRun& run, std::u16string_view token) {
    return run.commandLine.find(token) != std::u16string::npos;
}

// Code 103 has no name; its field stays empty so that a caller splitting the line on
// commas still finds every field in its place.
const char16_t* ResultNameText(int32_t code) {
    const char16_t* name = SetupResultName(code);
    return name ? name : u"";
}

// The outcome is already decided (and, after phase B, on standard output); a message
// that cannot be stored does not change it and must not end the program abnormally.
void StoreMessage(const EntryRun& run) {
    try {
        RegWriteMessage(run.message);
    } catch (const BasicException& e) {
        LogPrint(0, u"Error: file \"%S\", line %d, desc \"%s\" last error: %d\n", e.file, e.line,
                 e.description.value_or(u""), e.lastError);
    }
}

// An end at a start-up check: the registry message names the check's place; no
// Result line goes to standard output.
int EarlyEnd(EntryRun& run, int32_t code, int line) {
    run.message = Format(u"Result,%d,%s,%S,%d\n", code, ResultNameText(code), __FILE__, line);
    StoreMessage(run);
    return code;
}

int RunAdapterCommand(const EntryRun& run, const std::u16string& command) {
    const std::u16string& adapterId = run.args[2];
    if (SameText(command, u"restartdriver")) {
        if (ChangeAdapterState(adapterId, AdapterState::Disable)) {
            platform::Sleep(3000);
            if (ChangeAdapterState(adapterId, AdapterState::Enable)) {
                LogPrint(2, u"Restart driver successfully.\n");
            }
        }
    } else if (SameText(command, u"disabledriver")) {
        if (ChangeAdapterState(adapterId, AdapterState::Disable)) LogPrint(2, u"Disable driver successfully.\n");
    } else if (ChangeAdapterState(adapterId, AdapterState::Enable)) {
        LogPrint(2, u"Enable driver successfully.\n");
    }
    // Not 0: the caller of an adapter command reads no result.
    return SetupErrorUnknown;
}

bool IsAdapterCommand(const std::u16string& command) {
    return SameText(command, u"restartdriver") || SameText(command, u"disabledriver") ||
           SameText(command, u"enabledriver");
}

// FIXME: the script is read for its [Install] DriverInf and companion INFs once the
// INF reader exists; until then only its presence is checked, so that a missing
// script ends the run as it will then.
void OpenSetupScript(const std::u16string& scriptPath) {
    platform::Handle file = platform::CreateFileW(scriptPath.c_str(), platform::kGenericRead,
                                                  platform::kFileShareRead, platform::kOpenExisting,
                                                  platform::kFileAttributeNormal);
    if (file == platform::InvalidHandle()) {
        platform::Dword error = platform::GetLastError();
        LogPrint(0, u"Failed to open \"%s\"\n", scriptPath);
        THROW_BASIC_DESC(scriptPath, error);
    }
    platform::CloseHandle(file);
}

// FIXME: the section walk and the commit of these commands are not built yet; the
// command fails as an internal error naming itself rather than pass as done.
[[noreturn]] void CommandNotAvailable(const std::u16string& command) {
    LogPrint(0, u"Command '%s' is not available in this build.\n", command);
    THROW_BASIC_DESC(command, 0);
}

void RunCommand(EntryRun& run, const std::u16string& command) {
    if (SameText(command, u"install") || SameText(command, u"apponly_install") ||
        SameText(command, u"driveronly_install")) {
        if (SameText(command, u"install")) {
            LogPrint(2, u"kavrin start installing.\n");
        } else if (SameText(command, u"apponly_install")) {
            LogPrint(2, u"kavrin start installing app only.\n");
            AppOnly = true;
        } else {
            LogPrint(2, u"kavrin start installing driver only.\n");
        }
        CommandNotAvailable(command);
    }
    if (SameText(command, u"upgrade")) {
        LogPrint(2, u"kavrin start upgrading.\n");
        CommandNotAvailable(command);
    }
    if (SameText(command, u"uninstall")) {
        LogPrint(2, u"kavrin start uninstalling.\n");
        CommandNotAvailable(command);
    }
    LogPrint(0, u"Invalid arguments\n");
    run.code = SetupErrorInvalidArguments;
}

int FinalReport(EntryRun& run) {
    const char16_t* name = ResultNameText(run.code);
    if (run.code == SetupErrorInternal) {
        PrintStatusLine(u"Result,%d,%s,%S,%d\n", run.code, name, run.error.file, run.error.line);
        run.message = Format(u"Result,%d,%s,%S,%d\n", run.code, name, run.error.file, run.error.line);
    } else {
        PrintStatusLine(u"Result,%d,%s,,\n", run.code, name);
        run.message = Format(u"Result,%d,%s\n", run.code, name);
    }
    StoreMessage(run);
    return run.code;
}

}  // namespace

int RunSetupCommand() {
    EntryRun run;

    // Start-up checks.
    run.logPath = CombinePath(GetTempFolder(), u"dravik.log");
    if (!SetupStatusSetLog(run.logPath)) return EarlyEnd(run, SetupErrorUnknown, __LINE__);
    run.commandLine = platform::GetCommandLineW();
    LogPrint(2, u"Setup command: '%s'\n", run.commandLine);
    if (IsWow64()) return EarlyEnd(run, SetupErrorPlatform, __LINE__);
    PrintStatusLine(u"Version,1,%s\n", kProgramVersion);
    const int osIndex = SetupGetRunningWinVer();
    if (!IsNtPlatform() || osIndex < OsWin2000) {
        LogPrint(0, u"Win2K or higher required.\n");
        return EarlyEnd(run, SetupErrorPlatform, __LINE__);
    }
    if (!IsAdministrator()) {
        LogPrint(0, u"Administrator privileges required.\n");
        return EarlyEnd(run, SetupErrorInsuficientPrivileges, __LINE__);
    }

    // Phase A: the command and its script. Anything raised here ends the run early.
    std::u16string command;
    bool argumentsValid = false;
    try {
        run.args = SplitCommandLine(run.commandLine);
        if (run.args.size() < 3) {
            LogPrint(0, u"Invalid arguments\n");
            run.code = SetupErrorInvalidArguments;
        } else {
            argumentsValid = true;
            command = run.args[1];
            if (IsAdapterCommand(command)) return RunAdapterCommand(run, command);
            GetModuleDirectory(nullptr, WorkingDir);
            LogPrint(2, u"Working Dir: '%s'\n", WorkingDir);
            ScriptFolder = run.args[2];
            const std::u16string& folder = ScriptFolder.empty() ? WorkingDir : ScriptFolder;
            std::u16string scriptPath =
                CombinePath(folder, SameText(command, u"driveronly_install") ? u"kavrind.ini" : u"kavrin.ini");
            LogPrint(0, u"Using ini file: \"%s\"\n", scriptPath);
            OpenSetupScript(scriptPath);
        }
    } catch (...) {
        return EarlyEnd(run, SetupErrorNoConfigFile, __LINE__);
    }

    // Phase B: the command itself.
    if (argumentsValid) {
        try {
            RunCommand(run, command);
        } catch (const BasicException& e) {
            LogPrint(0, u"Error: file \"%S\", line %d, desc \"%s\" last error: %d\n", e.file, e.line,
                     e.description.value_or(u""), e.lastError);
            run.error = e;
            run.code = SetupErrorInternal;
        } catch (const std::bad_alloc&) {
            LogPrint(0, u"Memory allocation error\n");
            run.code = SetupErrorNoMemory;
        } catch (...) {
            LogPrint(0, u"Unknown error\n");
            run.code = SetupErrorUnknown;
        }
    }
    (void)osIndex;
    return FinalReport(run);
}

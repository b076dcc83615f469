#include "cmdline/entry.h"

#include <new>
#include <string>
#include <vector>

#include "cmdline/entry_run.h"
#include "cmdline/globals.h"
#include "cmdline/reg_message.h"
#include "cmdline/setup_result.h"
#include "devmgr/adapter_state.h"
#include "driverinf/driver_inf.h"
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
#include "util/shared_dlls.h"

namespace {

// The exception record of a run starts out naming the entry itself.
constexpr int kEntryLine = 0;

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

// After a failed command: every transaction rolled back, and the setup's own
// reference restored when an uninstall had already given it up.
void RecoverFromFailure(EntryRun& run) {
    try {
        run.root.RollbackAll();
        if (run.uninstalling) AddSharedDllRef(u"QlnSetup", false, SharedDllNote::Resetting);
    } catch (const BasicException& e) {
        LogPrint(0, u"Error: file \"%S\", line %d, desc \"%s\" last error: %d\n", e.file, e.line,
                 e.description.value_or(u""), e.lastError);
    } catch (const std::bad_alloc&) {
        LogPrint(0, u"Memory allocation error\n");
    }
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
    EntryRun run(BasicException(__FILE__, kEntryLine));

    // Start-up checks.
    run.logPath = CombinePath(GetTempFolder(), u"dravik.log");
    if (!SetupStatusSetLog(run.logPath)) return EarlyEnd(run, SetupErrorUnknown, __LINE__);
    run.commandLine = platform::GetCommandLineW();
    LogPrint(2, u"Setup command: '%s'\n", run.commandLine);
    if (IsWow64()) return EarlyEnd(run, SetupErrorPlatform, __LINE__);
    PrintStatusLine(u"Version,1,%s\n", kProgramVersion);
    const int osIndex = SetupGetRunningWinVer();
    run.osIndex = osIndex;
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
            run.script.Open(scriptPath, GetUiLanguage());
            std::u16string driverInf;
            if (run.script.GetLineText(u"Install", u"DriverInf", driverInf) != InfFound) {
                return EarlyEnd(run, SetupErrorNoConfigFile, __LINE__);
            }
            run.root.driverInfName = GetFileNamePart(driverInf);
            // The companion packages lie beside the driver package's folder.
            std::u16string base = GetDirectoryPart(CombinePath(WorkingDir, GetDirectoryPart(driverInf)));
            run.virtualAdapterInf = CombinePath(base, u"VWL\\qlnvwl.inf");
            run.filterDriverInf = CombinePath(base, u"QLNIS\\qlnis.inf");
            if (osIndex == OsVistaOrLater) {
                for (const std::u16string* inf : {&run.virtualAdapterInf, &run.filterDriverInf}) {
                    if (FileExists(*inf)) run.check.Open(*inf, GetUiLanguage());
                }
            }
        }
    } catch (const BasicException& e) {
        // The log names what could not be read (the script's path, mostly).
        LogPrint(0, u"Error: file \"%S\", line %d, desc \"%s\" last error: %d\n", e.file, e.line,
                 e.description.value_or(u""), e.lastError);
        return EarlyEnd(run, SetupErrorNoConfigFile, __LINE__);
    } catch (...) {
        return EarlyEnd(run, SetupErrorNoConfigFile, __LINE__);
    }

    // Phase B: the command itself. A failure rolls back what was done.
    if (argumentsValid) {
        bool failed = true;
        try {
            RunCommand(run, command);
            RunFirewallStep(run, command);
            failed = false;
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
        if (failed) RecoverFromFailure(run);
    }
    return FinalReport(run);
}

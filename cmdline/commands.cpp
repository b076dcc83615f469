// The commands of the entry's phase B: install, upgrade and uninstall, each walking
// its sections into the root transaction, committing it and cleaning up.

#include <vector>

#include "cmdline/entry_run.h"
#include "cmdline/globals.h"
#include "cmdline/section_walk.h"
#include "log/log.h"
#include "util/os_info.h"
#include "util/path_text.h"
#include "util/shared_dlls.h"

namespace {

// FIXME: the virtual adapter, the filter driver, the firewall rules, the per-user
// residue and the tray icon come with their own work; a run that asks for one of
// them fails naming it rather than pass as done.
[[noreturn]] void StepNotAvailable(const char16_t* step) {
    LogPrint(0, u"%s is not available in this build.\n", step);
    THROW_BASIC_DESC(std::u16string(step), 0);
}

void ResultFromFlags(EntryRun& run) {
    run.code = run.root.NeedReboot() ? SetupSuccessNeedReboot
               : run.root.NeedRestartDriver() ? SetupSuccessNeedRestartDriver
                                              : SetupSuccess;
}

// The optional driver steps that follow a successful install-type commit or upgrade.
void RunOptionalDriverSteps(EntryRun& run) {
    if (run.osIndex == OsVistaOrLater && HasToken(run, u"peernet")) StepNotAvailable(u"InstallVirtualDriver");
    if (HasToken(run, u"-qlnis")) StepNotAvailable(u"InstallFilterDriver");
}

void OpenPreviousUninstallLog(EntryRun& run) {
    std::u16string log = ResolveUninstallLog(run.script);
    run.root.OpenUninstallLog(log, false);
}

void RunInstall(EntryRun& run, const std::u16string& command) {
    if (SameText(command, u"install")) {
        LogPrint(2, u"kavrin start installing.\n");
    } else if (SameText(command, u"apponly_install")) {
        LogPrint(2, u"kavrin start installing app only.\n");
        AppOnly = true;
    } else {
        LogPrint(2, u"kavrin start installing driver only.\n");
    }
    run.sectionList = {u"Install"};
    run.sectionList.insert(run.sectionList.end(), run.args.begin() + 3, run.args.end());
    InstallSections(run.root, run.script, run.sectionList);
    run.root.Commit();
    RunOptionalDriverSteps(run);
    run.root.CleanupAll();
    ResultFromFlags(run);
}

void RunUpgrade(EntryRun& run) {
    LogPrint(2, u"kavrin start upgrading.\n");
    OpenPreviousUninstallLog(run);
    ProcessSection(run.root, run.script, u"Upgrade", run.sectionList);
    run.root.Uninstall(true);
    RunOptionalDriverSteps(run);
    run.root.CleanupAll();
    ResultFromFlags(run);
}

void RunUninstall(EntryRun& run) {
    LogPrint(2, u"kavrin start uninstalling.\n");
    run.uninstalling = true;
    bool last = ReleaseSharedDllRef(u"QlnSetup");
    if (last) {
        OpenPreviousUninstallLog(run);
        ProcessSection(run.root, run.script, u"Uninstall", run.sectionList);
        // FIXME: the virtual adapter's device is looked for (and removed) and the
        // filter component uninstalled with the device and network operations; no
        // build so far can have put them on the machine.
        LogPrint(2, u"Virtual driver will not be Uninstalled because it does not exist.\n");
        run.root.Uninstall(false);
        run.root.CleanupAll();
        // FIXME: the per-user residue (DeleteUserSettings) goes with the adapter work.
        ResultFromFlags(run);
        return;
    }
    if (SameText(run.args[2], u"sm")) {
        LogPrint(0, u"Uninstalling sm...\n");
        run.code = SetupSuccess;
        return;
    }
    LogPrint(0, u"Uninstalling Partially...\n");
    OpenPreviousUninstallLog(run);
    ProcessSection(run.root, run.script, u"UninstPart", run.sectionList);
    run.root.UninstallCPL();
    run.root.CleanupAll();
    if (run.osIndex < OsVistaOrLater) StepNotAvailable(u"HideTrayIcon");
    ResultFromFlags(run);
}

}  // namespace

bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? static_cast<char16_t>(a[i] + 32) : a[i];
        char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? static_cast<char16_t>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

bool HasToken(const EntryRun& run, std::u16string_view token) {
    return run.commandLine.find(token) != std::u16string::npos;
}

void RunCommand(EntryRun& run, const std::u16string& command) {
    if (SameText(command, u"install") || SameText(command, u"apponly_install") ||
        SameText(command, u"driveronly_install")) {
        RunInstall(run, command);
    } else if (SameText(command, u"upgrade")) {
        RunUpgrade(run);
    } else if (SameText(command, u"uninstall")) {
        RunUninstall(run);
    } else {
        LogPrint(0, u"Invalid arguments\n");
        run.code = SetupErrorInvalidArguments;
    }
}

void RunFirewallStep(EntryRun& run, const std::u16string& command) {
    bool adds = SameText(command, u"install") || SameText(command, u"apponly_install") || SameText(command, u"upgrade");
    if (adds && run.osIndex == OsVistaOrLater && HasToken(run, u"conmgmt")) {
        GetDefaultInstallPath(run.script);
        LogPrint(2, u"Configure windows firewall settings for Sorbel.\n");
        StepNotAvailable(u"ConfigureFirewallSettings");
    }
    if (SameText(command, u"uninstall")) {
        LogPrint(2, u"Remove windows firewall settings from Sorbel.\n");
        // FIXME: the rules are removed with the firewall work. No build so far can
        // have added them, so there is nothing of ours to remove.
    }
}

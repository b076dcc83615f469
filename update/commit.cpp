// Commit: the queued operations of the root and its sub-transactions, in eight fixed
// phases, each applied to every transaction before the next phase starts, with the
// progress lines a caller moves its progress bar by.

#include <string>

#include "log/log.h"
#include "update/commit_progress.h"
#include "update/update.h"
#include "util/basic_exception.h"
#include "util/file_services.h"
#include "util/os_info.h"
#include "util/path_text.h"
#include "util/shared_dlls.h"

namespace {

// The rollback and uninstall logs separate their fields by commas without quoting: a
// path with a comma in it would be read back as other paths, and a replay would move
// or delete the wrong file. Such a path is refused before anything changes.
void RefuseUnloggablePath(const std::u16string& path) {
    if (path.find(u',') == std::u16string::npos) return;
    LogPrint(0, u"Commit(): the path \"%s\" holds a comma, which the setup logs cannot record.\n", path);
    THROW_BASIC_DESC(path, 123 /* ERROR_INVALID_NAME */);
}

void CheckPaths(const Update& update) {
    for (const FileOp& op : update.fileInstalls) {
        RefuseUnloggablePath(op.source);
        RefuseUnloggablePath(op.destination);
    }
    for (const FileOp& op : update.fileMoves) {
        RefuseUnloggablePath(op.source);
        RefuseUnloggablePath(op.destination);
    }
    for (const FileOp& op : update.fileRemoves) RefuseUnloggablePath(op.source);
}

// FIXME: program runs, registry writes and deletions, shortcuts and driver packages
// are not built yet. Their directives refuse to queue anything, so these lists stay
// empty; should a record get here, the commit fails naming what is missing rather
// than pass it over.
void NotBuilt(const char16_t* operation, size_t count) {
    if (count == 0) return;
    LogPrint(0, u"Commit(): %s is not available in this build.\n", operation);
    THROW_BASIC_DESC(operation, 0);
}

// Uninstall-log lines: a failed write does not stop the commit.
template <class... A>
void WriteUninstallLine(Update& update, std::u16string_view format, const A&... args) {
    try {
        update.uninstallLog.WriteText(Format(format, args...));
    } catch (const BasicException&) {
    }
}

void PhasePrograms(Update& u, CommitProgress& progress) {
    NotBuilt(u"CommitRunApp", u.preRuns.size());
    (void)progress;
}

void PhaseRegistryDeletes(Update& u, CommitProgress& progress) {
    NotBuilt(u"DeleteRegistryEntry", u.registryDeletes.size());
    progress.Step(1);
}

void PhaseDriverRemoval(Update& u, CommitProgress& progress) {
    if (SetupGetRunningWinVer() == OsVistaOrLater) {
        if (!u.driverUninstalls.empty()) NotBuilt(u"UninstallDriverPackage", u.packageUninstalls.size());
        return;
    }
    NotBuilt(u"UninstallDriverMatchingInf", u.driverUninstalls.size());
    NotBuilt(u"RemoveInf", u.infRemoves.size());
    (void)progress;
}

void PhaseFileRemovals(Update& u, CommitProgress& progress) {
    for (const FileOp& op : u.fileRemoves) {
        u.CommitFileRemove(op.source, op.flags);
        progress.Step(3);
    }
}

void PhaseFileInstalls(Update& u, CommitProgress& progress) {
    for (const FileOp& op : u.fileInstalls) {
        bool presentOnSystem = FileExists(op.destination);
        u.CommitFileInstall(op.source, op.destination, op.flags, op.cabinet);
        // Logged even for a file the install skipped: the uninstall removes what the
        // package names, whoever put it there.
        if (!(op.flags & kFileNotLogged)) {
            WriteUninstallLine(u, u"CopyFile,%s,%s,0x%08x\n", op.source, op.destination, op.flags);
        }
        if (op.flags & kFileShared) AddSharedDllRef(op.destination, presentOnSystem);
        progress.Step(3);
    }
    for (const FileOp& op : u.fileMoves) {
        // A destination that exists (the uninstall log of an earlier installation) is
        // moved aside first, as an installed file's is: a plain replacement would
        // lose it for good if this commit failed later and rolled back.
        if (FileExists(op.destination)) {
            std::u16string backup;
            CreateTempFileName(GetDirectoryPart(op.destination), backup);
            u.cleanupFiles.push_back(backup);
            if (u.MoveFileLogged(op.destination, backup, true) == 2) THROW_BASIC();
        }
        if (u.MoveFileLogged(op.source, op.destination, true) == 2) THROW_BASIC();
        if (!(op.flags & kFileNotLogged)) WriteUninstallLine(u, u"MoveFile,%s,%s\n", op.source, op.destination);
        progress.Step(3);
    }
}

void PhaseDrivers(Update& u, CommitProgress& progress) {
    if (SetupGetRunningWinVer() == OsVistaOrLater) {
        std::u16string_view commandLine = progress.CommandLine();
        if (commandLine.find(u"uninstall") == std::u16string_view::npos && !u.dpinstPath.empty()) {
            NotBuilt(u"InstallDriverPackage", 1);
        }
        return;
    }
    NotBuilt(u"CommitInfInstall", u.infInstalls.size());
    NotBuilt(u"CommitDriverUpdate", u.driverUpdates.size());
}

void PhaseRegistryAddsAndLinks(Update& u, CommitProgress& progress) {
    NotBuilt(u"WriteRegistryEntry", u.registryAdds.size());
    progress.Step(1);
    NotBuilt(u"CreateLink", u.links.size());
}

void PhasePostPrograms(Update& u, CommitProgress& progress) {
    NotBuilt(u"CommitRunApp", u.postRuns.size());
    (void)progress;
}

}  // namespace

void Update::Commit() {
    int32_t total = 0;
    for (Update* u : updates) total += u->Cost();
    LogPrint(2, u"Commit(), Total cost %d\n", total);
    for (Update* u : updates) CheckPaths(*u);
    CommitProgress progress(total);
    using Phase = void (*)(Update&, CommitProgress&);
    const Phase phases[] = {PhasePrograms,     PhaseRegistryDeletes, PhaseDriverRemoval,        PhaseFileRemovals,
                            PhaseFileInstalls, PhaseDrivers,         PhaseRegistryAddsAndLinks, PhasePostPrograms};
    for (Phase phase : phases) {
        for (Update* u : updates) phase(*u, progress);
    }
}

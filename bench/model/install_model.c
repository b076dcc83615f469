/* The least an install of the benchmark package must do to be as safe as kavrin's:
 * per file, the durable steps of its file installation and nothing else, with no
 * simulated machine, no script and no checks.
 *
 *   install_model PACKAGE LAYOUT TARGET LOGS
 *
 * For each "Folder/name" line of LAYOUT, in order: an empty temporary file is made in
 * TARGET/Folder (the unique name a temporary-name request reserves), the rollback
 * record of the copy is written and flushed to disk, PACKAGE/name is copied into the
 * temporary file, the rollback record of the move is written and flushed, the file is
 * renamed into place with its folder synced (a write-through move), and the uninstall
 * record is written and flushed. A folder is made, after its own flushed rollback
 * record, when its first file comes. The rollback log (deleted at the end, as after a
 * successful commit) and the uninstall log go to LOGS. */

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char kProgram[] = "install_model";
#include "durable_steps.h"

/* One log record, on disk before the step it describes: as a line file's write
 * followed by its flush. */
static void Record(int log, const char *logPath, const char *line) {
    size_t n = strlen(line);
    if (write(log, line, n) != (ssize_t)n) Die("cannot write", logPath);
    if (fdatasync(log) != 0) Die("cannot flush", logPath);
}

static void Copy(const char *from, const char *to) {
    static char buffer[65536];
    int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) Die("cannot open", from);
    int out = open(to, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) Die("cannot open", to);
    for (;;) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0) Die("cannot read", from);
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buffer + done, (size_t)(n - done));
            if (w < 0) Die("cannot write", to);
            done += w;
        }
    }
    close(in);
    if (close(out) != 0) Die("cannot write", to);
}

int main(int argc, char **argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: install_model PACKAGE LAYOUT TARGET LOGS\n");
        return 2;
    }
    const char *package = argv[1], *target = argv[3], *logs = argv[4];
    FILE *layout = fopen(argv[2], "r");
    if (!layout) Die("cannot open", argv[2]);
    char rollbackPath[4096], uninstallPath[4096];
    snprintf(rollbackPath, sizeof rollbackPath, "%s/rollback.log", logs);
    snprintf(uninstallPath, sizeof uninstallPath, "%s/uninstall.log", logs);
    int rollback = open(rollbackPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (rollback < 0) Die("cannot create", rollbackPath);
    int uninstall = open(uninstallPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (uninstall < 0) Die("cannot create", uninstallPath);
    if (mkdir(target, 0755) != 0 && errno != EEXIST) Die("cannot create", target);

    char entry[1024], folder[4096] = "", source[4096], destination[4096], temp[4096];
    char line[3 * 4096 + 64];
    while (fgets(entry, sizeof entry, layout)) {
        entry[strcspn(entry, "\r\n")] = 0;
        const char *slash = strchr(entry, '/');
        if (!slash) continue;
        char wanted[4096];
        snprintf(wanted, sizeof wanted, "%s/%.*s", target, (int)(slash - entry), entry);
        if (strcmp(wanted, folder) != 0) {
            strcpy(folder, wanted);
            struct stat st;
            if (stat(folder, &st) != 0) {
                snprintf(line, sizeof line, "CreateDir,%s\r\n", folder);
                Record(rollback, rollbackPath, line);
                if (mkdir(folder, 0755) != 0) Die("cannot create", folder);
            }
        }
        snprintf(source, sizeof source, "%s/%s", package, slash + 1);
        snprintf(destination, sizeof destination, "%s/%s", target, entry);
        MakeTemp(folder, temp, sizeof temp);
        snprintf(line, sizeof line, "CopyFile,%s,%s\r\n", source, temp);
        Record(rollback, rollbackPath, line);
        Copy(source, temp);
        snprintf(line, sizeof line, "MoveFile,%s,%s\r\n", temp, destination);
        Record(rollback, rollbackPath, line);
        if (rename(temp, destination) != 0) Die("cannot rename", temp);
        SyncFolder(folder);
        snprintf(line, sizeof line, "CopyFile,%s,%s,0x00000006\r\n", source, destination);
        Record(uninstall, uninstallPath, line);
    }
    fclose(layout);
    close(uninstall);
    close(rollback);
    if (unlink(rollbackPath) != 0) Die("cannot delete", rollbackPath);
    return 0;
}

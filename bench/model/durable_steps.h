/* The steps both model programs share: ending on a failed call, a folder's sync (what
 * a write-through move costs), and the reserved temporary name. Each program defines
 * kProgram, its name for messages, before including this. */
#ifndef DURABLE_STEPS_H
#define DURABLE_STEPS_H

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void Die(const char *what, const char *path) {
    fprintf(stderr, "%s: %s %s: %s\n", kProgram, what, path, strerror(errno));
    exit(1);
}

static void SyncFolder(const char *folder) {
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) Die("cannot sync", folder);
    close(fd);
}

/* An unused name qlnXXXX.tmp in the folder, made as an empty file. */
static void MakeTemp(const char *folder, char *out, size_t size) {
    static unsigned number = 0x1000;
    for (;;) {
        int n = snprintf(out, size, "%s/qln%04X.tmp", folder, number++ & 0xFFFF);
        if (n < 0 || (size_t)n >= size) {
            errno = ENAMETOOLONG;
            Die("cannot name a file in", folder);
        }
        int fd = open(out, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return;
        }
        if (errno != EEXIST) Die("cannot create", out);
    }
}

#endif

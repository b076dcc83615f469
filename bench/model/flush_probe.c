/* How long this file system takes to put one log record on disk: the mean of COUNT
 * one-line appends each followed by fdatasync, in a scratch file in FOLDER.
 *
 *   flush_probe FOLDER [COUNT]
 *
 * Prints the milliseconds. The benchmark's figures are dominated by such flushes,
 * whose cost on a shared disk changes from minute to minute. */

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: flush_probe FOLDER [COUNT]\n");
        return 2;
    }
    int count = argc > 2 ? atoi(argv[2]) : 200;
    if (count < 1) count = 1;
    char path[4096];
    snprintf(path, sizeof path, "%s/flush-probe.log", argv[1]);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        perror(path);
        return 1;
    }
    static const char line[] = "CopyFile,C:\\pkg\\f00000.bin,C:\\Program Files\\Bench\\Bin\\qln1234.tmp\r\n";
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int i = 0; i < count; ++i) {
        if (write(fd, line, sizeof line - 1) != (ssize_t)(sizeof line - 1) || fdatasync(fd) != 0) {
            perror(path);
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    close(fd);
    unlink(path);
    double ms = ((double)(end.tv_sec - start.tv_sec) * 1e3 + (double)(end.tv_nsec - start.tv_nsec) / 1e6) / count;
    printf("%.3f\n", ms);
    return 0;
}

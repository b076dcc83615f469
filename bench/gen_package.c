/* Writes a benchmark package: COUNT files of random content whose sizes are spread
 * log-uniformly from 1 KB to 1 MB, and a kavrin.ini that installs them into four
 * folders under Program Files and removes them again on uninstall.
 *
 *   gen_package FOLDER COUNT [SEED [LAYOUT]]
 *
 * The files lie in FOLDER itself: the script names no SourceDisksFiles, so every
 * source is taken from the program's folder. The script names a driver package, as
 * every run's script must; apponly_install leaves it aside, so it need not exist.
 * LAYOUT, when given, is written with one line per file, "Folder/name", in the order
 * the install copies them: what the model programs of the benchmark replay. The same COUNT and SEED give the same
 * names, sizes and bytes on every machine (the generator is its own: xorshift64*).
 * Prints the number of files and their total size in bytes. */

#include <errno.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

enum { kFolders = 4 };
static const char *const kFolderNames[kFolders] = {"Bin", "Data", "Docs", "Media"};

static uint64_t state;

static uint64_t Next(void) {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Dull;
}

/* Uniform in [0, 1). */
static double Uniform(void) { return (double)(Next() >> 11) / 9007199254740992.0; }

static void Die(const char *what, const char *path) {
    fprintf(stderr, "gen_package: %s %s: %s\n", what, path, strerror(errno));
    exit(1);
}

static void WriteRandomFile(const char *path, size_t size) {
    static unsigned char buffer[1 << 16];
    FILE *f = fopen(path, "wb");
    if (!f) Die("cannot create", path);
    while (size > 0) {
        size_t n = size < sizeof buffer ? size : sizeof buffer;
        for (size_t i = 0; i < n; i += 8) {
            uint64_t r = Next();
            memcpy(buffer + i, &r, n - i < 8 ? n - i : 8);
        }
        if (fwrite(buffer, 1, n, f) != n) Die("cannot write", path);
        size -= n;
    }
    if (fclose(f) != 0) Die("cannot write", path);
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: gen_package FOLDER COUNT [SEED]\n");
        return 2;
    }
    const char *folder = argv[1];
    long count = strtol(argv[2], NULL, 10);
    state = argc > 3 ? strtoull(argv[3], NULL, 0) : 20240601;
    const char *layoutPath = argc > 4 ? argv[4] : NULL;
    if (count <= 0 || count > 99999 || state == 0) {
        fprintf(stderr, "gen_package: COUNT must be 1 to 99999 and SEED not 0\n");
        return 2;
    }
    if (mkdir(folder, 0755) != 0 && errno != EEXIST) Die("cannot create", folder);

    char path[4096];
    snprintf(path, sizeof path, "%s/kavrin.ini", folder);
    FILE *ini = fopen(path, "w");
    if (!ini) Die("cannot create", path);
    fprintf(ini,
            "; A generated benchmark package of %ld files.\r\n"
            "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n"
            "[Setup]\r\nDefaultInstallPath=%%16422%%\\Bench\r\n"
            "DriverStore=%%16422%%\\Bench\\Driver\r\n"
            "UninstallLog=%%16422%%\\Bench\\Uninstall\\kavrin.log\r\n\r\n"
            "[Install]\r\nDriverInf=Driver\\bench.inf\r\nCopyFiles=",
            count);
    for (int d = 0; d < kFolders; ++d) fprintf(ini, "%sBench.%s", d ? "," : "", kFolderNames[d]);
    fprintf(ini, "\r\nUninstallLog=1\r\n\r\n[Uninstall]\r\nDelDirs=Bench.Dirs\r\n\r\n[Bench.Dirs]\r\n");
    fprintf(ini, "%%16422%%\\Bench\\Uninstall,1\r\n");
    for (int d = 0; d < kFolders; ++d) fprintf(ini, "%%16422%%\\Bench\\%s,0\r\n", kFolderNames[d]);
    fprintf(ini, "%%16422%%\\Bench,0\r\n\r\n[DestinationDirs]\r\n");
    for (int d = 0; d < kFolders; ++d) {
        fprintf(ini, "Bench.%s=16422,Bench\\%s\r\n", kFolderNames[d], kFolderNames[d]);
    }
    FILE *layout = NULL;
    if (layoutPath && !(layout = fopen(layoutPath, "w"))) Die("cannot create", layoutPath);
    /* File i goes to folder i % kFolders: each section lists its files in order. */
    for (int d = 0; d < kFolders; ++d) {
        fprintf(ini, "\r\n[Bench.%s]\r\n", kFolderNames[d]);
        for (long i = d; i < count; i += kFolders) {
            fprintf(ini, "f%05ld.bin,,,6\r\n", i);
            if (layout) fprintf(layout, "%s/f%05ld.bin\n", kFolderNames[d], i);
        }
    }
    if (fclose(ini) != 0) Die("cannot write", path);
    if (layout && fclose(layout) != 0) Die("cannot write", layoutPath);

    const double low = log(1024.0), high = log(1048576.0);
    unsigned long long total = 0;
    for (long i = 0; i < count; ++i) {
        size_t size = (size_t)exp(low + (high - low) * Uniform());
        snprintf(path, sizeof path, "%s/f%05ld.bin", folder, i);
        WriteRandomFile(path, size);
        total += size;
    }
    printf("%ld %llu\n", count, total);
    return 0;
}

/* The least an uninstall of the benchmark package must do to be as safe as kavrin's:
 * per file, the durable steps of its file removal and nothing else.
 *
 *   uninstall_model LAYOUT TARGET
 *
 * For each "Folder/name" line of LAYOUT, newest first (the order an uninstall log is
 * replayed in): an empty temporary file is made beside TARGET/Folder/name and the
 * file is moved over it with its folder synced (a write-through move aside, which a
 * failure could still undo). When every file is aside, the temporary files are
 * deleted, then the emptied folders and TARGET itself are removed. */

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char kProgram[] = "uninstall_model";
#include "durable_steps.h"

struct List {
    char **items;
    size_t count, room;
};

static void Add(struct List *list, const char *text) {
    if (list->count == list->room) {
        list->room = list->room ? list->room * 2 : 1024;
        list->items = realloc(list->items, list->room * sizeof *list->items);
        if (!list->items) Die("out of memory", "");
    }
    list->items[list->count++] = strdup(text);
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: uninstall_model LAYOUT TARGET\n");
        return 2;
    }
    const char *target = argv[2];
    FILE *layout = fopen(argv[1], "r");
    if (!layout) Die("cannot open", argv[1]);
    struct List entries = {0}, temps = {0}, folders = {0};
    char entry[1024];
    while (fgets(entry, sizeof entry, layout)) {
        entry[strcspn(entry, "\r\n")] = 0;
        if (strchr(entry, '/')) Add(&entries, entry);
    }
    fclose(layout);

    char path[4096], folder[4096], temp[4096];
    for (size_t i = entries.count; i-- > 0;) {
        const char *slash = strchr(entries.items[i], '/');
        snprintf(folder, sizeof folder, "%s/%.*s", target, (int)(slash - entries.items[i]), entries.items[i]);
        if (folders.count == 0 || strcmp(folders.items[folders.count - 1], folder) != 0) Add(&folders, folder);
        snprintf(path, sizeof path, "%s/%s", target, entries.items[i]);
        MakeTemp(folder, temp, sizeof temp);
        if (rename(path, temp) != 0) Die("cannot rename", path);
        SyncFolder(folder);
        Add(&temps, temp);
    }
    for (size_t i = 0; i < temps.count; ++i) {
        if (unlink(temps.items[i]) != 0) Die("cannot delete", temps.items[i]);
    }
    for (size_t i = 0; i < folders.count; ++i) {
        if (rmdir(folders.items[i]) != 0) Die("cannot remove", folders.items[i]);
    }
    if (rmdir(target) != 0) Die("cannot remove", target);
    return 0;
}

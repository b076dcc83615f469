/* Holds a file open without sharing, as a program using it would, for the tests of the
   Windows build:  hold_file FILE FLAG
   Once the file is open it creates FLAG.ready; it lets the file go when FLAG goes, or
   after ten minutes at the latest. */
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    char ready[MAX_PATH + 8];
    snprintf(ready, sizeof ready, "%s.ready", argv[2]);
    HANDLE marker = CreateFileA(ready, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    for (int i = 0; i < 10 * 60 * 20; ++i) {
        if (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    CloseHandle(file);
    return 0;
}

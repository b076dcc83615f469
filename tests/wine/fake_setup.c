/* A stand-in setup program for the tests of the Windows build. It appends how it was
   started to the file named by FAKE_SETUP_RECORD (its image path, raw command line,
   arguments and current folder, one "name=value" line each, then "end"), and then does
   what its arguments ask:
     /errorcode=N  sets HKCU\Software\QlnSetup\Status ErrorCode (REG_DWORD) to N
     /stdout=TEXT  writes TEXT and a line end to standard output
     /sleep=MS     waits MS milliseconds
     /exit=N       ends with exit code N (decimal or 0x hex; 0 without it) */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* After(const char* arg, const char* prefix) {
    size_t n = strlen(prefix);
    return strncmp(arg, prefix, n) == 0 ? arg + n : NULL;
}

static void Record(int argc, char** argv) {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("FAKE_SETUP_RECORD", path, sizeof path)) return;
    FILE* f = fopen(path, "ab");
    if (!f) return;
    char text[MAX_PATH];
    GetModuleFileNameA(NULL, text, sizeof text);
    fprintf(f, "image=%s\n", text);
    fprintf(f, "cmdline=%s\n", GetCommandLineA());
    for (int i = 1; i < argc; ++i) fprintf(f, "arg=%s\n", argv[i]);
    GetCurrentDirectoryA(sizeof text, text);
    fprintf(f, "cwd=%s\n", text);
    fprintf(f, "end\n");
    fclose(f);
}

int main(int argc, char** argv) {
    Record(argc, argv);
    DWORD code = 0;
    for (int i = 1; i < argc; ++i) {
        const char* value;
        if ((value = After(argv[i], "/errorcode="))) {
            DWORD number = strtoul(value, NULL, 0);
            HKEY key;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QlnSetup\\Status", 0, NULL, 0, KEY_SET_VALUE, NULL,
                                &key, NULL) == ERROR_SUCCESS) {
                RegSetValueExA(key, "ErrorCode", 0, REG_DWORD, (const BYTE*)&number, sizeof number);
                RegCloseKey(key);
            }
        } else if ((value = After(argv[i], "/stdout="))) {
            printf("%s\n", value);
            fflush(stdout);
        } else if ((value = After(argv[i], "/sleep="))) {
            Sleep(strtoul(value, NULL, 0));
        } else if ((value = After(argv[i], "/exit="))) {
            code = strtoul(value, NULL, 0);
        }
    }
    ExitProcess(code);
}

/* Keeps one Wine process alive while a test run goes on, so that each test program
   starts in a warm Wine. It ends when the flag file named by its argument goes, or
   after two hours at the latest. */
#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    for (int i = 0; i < 2 * 60 * 60 * 2; ++i) {
        if (GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES) return 0;
        Sleep(500);
    }
    return 0;
}

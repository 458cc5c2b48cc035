/* Holds a file open without sharing, as another program may, so that nobody else can open it.
 *
 *   holdfile PATH   opens PATH (creating it if missing), prints "held", and keeps it open
 *                   until its standard input ends or gives a line; then closes it.
 *
 * Exit code 0 after holding, 1 when the file could not be opened (the error code is printed). */
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv) {
    HANDLE file;
    char line[16];
    if (argc != 2) {
        fprintf(stderr, "usage: holdfile PATH\n");
        return 2;
    }
    file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        printf("error %lu\n", (unsigned long)GetLastError());
        fflush(stdout);
        return 1;
    }
    printf("held\n");
    fflush(stdout);
    fgets(line, sizeof line, stdin);
    CloseHandle(file);
    return 0;
}

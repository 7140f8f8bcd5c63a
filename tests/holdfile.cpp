// Holds a file as another Windows program would, for the tests that run the
// Windows program under wine, until its standard input ends:
//   holdfile lock NAME   an exclusive lock on the whole file, as a request
//                        locks histout.lck
//   holdfile open NAME   the file open for reading, shared for reading and
//                        deleting only, as a backup or a virus scanner may
// It writes "held" once it holds the file.
#include <windows.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc != 3 || (strcmp(argv[1], "lock") != 0 && strcmp(argv[1], "open") != 0)) {
        fprintf(stderr, "usage: holdfile lock|open NAME\n");
        return 2;
    }
    const bool lock = strcmp(argv[1], "lock") == 0;
    HANDLE h = lock ? CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                    : CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "holdfile: %s: error %lu\n", argv[2], GetLastError());
        return 1;
    }
    OVERLAPPED at;
    memset(&at, 0, sizeof at);
    if (lock && !LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at)) {
        fprintf(stderr, "holdfile: %s: lock error %lu\n", argv[2], GetLastError());
        return 1;
    }
    printf("held\n");
    fflush(stdout);
    char buf[64];
    DWORD got;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) && got > 0) {
    }
    CloseHandle(h);
    return 0;
}

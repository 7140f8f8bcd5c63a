// The calls that Windows makes its own way; posix.cpp has the same
// functions in the same order. Files are opened by their byte names through
// the ANSI calls, and read and written as bytes: the text rules are the
// reader's own.
#include "platform.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

const char hostsep = '\\';

// The error of a file refused for what it is rather than for a failed call,
// an application's own code (bit 29)
static const DWORD NOTDISKFILE = 0x20000001;

// A path that does not fit is no path here.
static int gethostpath(const char *path, char *host, size_t hostsize)
{
    if (hostpath(path, host, hostsize))
        return 1;
    SetLastError(*path ? ERROR_FILENAME_EXCED_RANGE : ERROR_FILE_NOT_FOUND);
    return 0;
}

// Every share mode: the device appends to its log while we read it, and
// another request may replace the chart we are about to replace too.
static const DWORD shareall = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Only a file on a disk: a device name (NUL, CON, COM1...) opens a device,
// and a pipe or a console is not a file either.
static HANDLE openpath(const char *path, DWORD access, DWORD disposition)
{
    char host[PATHSIZE];
    if (!gethostpath(path, host, sizeof host))
        return INVALID_HANDLE_VALUE;
    HANDLE h = CreateFileA(host, access, shareall, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        SetLastError(NOTDISKFILE);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

static sysfile fromhandle(HANDLE h)
{
    return h == INVALID_HANDLE_VALUE ? NOFILE : (sysfile)h;
}

static HANDLE tohandle(sysfile f)
{
    return (HANDLE)f;
}

sysfile fileread(const char *path)
{
    return fromhandle(openpath(path, GENERIC_READ, OPEN_EXISTING));
}

long fileget(sysfile f, char *buf, size_t size)
{
    DWORD got = 0;
    DWORD want = size > 0x40000000 ? 0x40000000 : (DWORD)size;
    if (!ReadFile(tohandle(f), buf, want, &got, nullptr))
        return -1;
    return (long)got;
}

sysfile filewrite(const char *path, int *inplace)
{
    HANDLE h = openpath(path, GENERIC_WRITE, OPEN_EXISTING);
    *inplace = h != INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE) {
        // none there yet, or a file we may not write: a new one
        fileremove(path);
        h = openpath(path, GENERIC_WRITE, CREATE_ALWAYS);
    }
    return fromhandle(h);
}

int fileput(sysfile f, const char *data, size_t size)
{
    while (size > 0) {
        DWORD put = 0;
        DWORD want = size > 0x40000000 ? 0x40000000 : (DWORD)size;
        if (!WriteFile(tohandle(f), data, want, &put, nullptr) || put == 0)
            return 0;
        data += put;
        size -= put;
    }
    return 1;
}

int filecut(sysfile f, uint64_t size)
{
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)size;
    return SetFilePointerEx(tohandle(f), at, nullptr, FILE_BEGIN) && SetEndOfFile(tohandle(f));
}

int fileclose(sysfile f)
{
    return CloseHandle(tohandle(f)) != 0;
}

int fileexists(const char *path)
{
    char host[PATHSIZE];
    return gethostpath(path, host, sizeof host) &&
           GetFileAttributesA(host) != INVALID_FILE_ATTRIBUTES;
}

const char *fileerror(void)
{
    static char text[WHYSIZE];
    DWORD err = GetLastError();
    if (err == NOTDISKFILE)
        return "not a file on a disk";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             err, 0, text, sizeof text, nullptr);
    if (n == 0)
        snprintf(text, sizeof text, "error %lu", (unsigned long)err);
    // one line, as the server's log wants it: no line end, no full stop
    size_t len = strlen(text);
    while (len > 0 && strchr("\r\n .", text[len - 1]))
        text[--len] = '\0';
    return text;
}

void fileremove(const char *path)
{
    char host[PATHSIZE];
    if (hostpath(path, host, sizeof host))
        DeleteFileA(host);
}

sysfile filetemp(const char *path, char *tmp, size_t tmpsize)
{
    static unsigned serial;
    for (int tries = 0; tries < 100; tries++) {
        unsigned tag = (GetCurrentProcessId() * 7919u + GetTickCount() + serial++) % 1000000u;
        int n = snprintf(tmp, tmpsize, "%s.tmp%06u", path, tag);
        if (n < 0 || (size_t)n >= tmpsize) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return NOFILE;
        }
        HANDLE h = openpath(tmp, GENERIC_WRITE, CREATE_NEW);
        if (h != INVALID_HANDLE_VALUE)
            return fromhandle(h);
        if (GetLastError() != ERROR_FILE_EXISTS)
            return NOFILE;
    }
    return NOFILE;
}

// A chart that the web server is sending cannot be replaced until it is
// sent: try again for about a second, then give up and keep the old one.
enum { MOVETRIES = 20, MOVEWAITMS = 50 };

int filemove(const char *from, const char *to)
{
    char hostfrom[PATHSIZE], hostto[PATHSIZE];
    if (!gethostpath(from, hostfrom, sizeof hostfrom) || !gethostpath(to, hostto, sizeof hostto))
        return 0;
    for (int tries = 0;; tries++) {
        if (MoveFileExA(hostfrom, hostto, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 1;
        DWORD err = GetLastError();
        if (tries + 1 >= MOVETRIES ||
            (err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION &&
             err != ERROR_LOCK_VIOLATION))
            return 0;
        Sleep(MOVEWAITMS);
    }
}

static HANDLE lockfile = INVALID_HANDLE_VALUE;

int requestlock(const char *path)
{
    lockfile = openpath(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (lockfile == INVALID_HANDLE_VALUE) {
        // one the server may not write is locked as well; none at all
        // tells the first reason, why it could not be made
        DWORD err = GetLastError();
        lockfile = openpath(path, GENERIC_READ, OPEN_EXISTING);
        if (lockfile == INVALID_HANDLE_VALUE)
            SetLastError(err);
    }
    if (lockfile == INVALID_HANDLE_VALUE)
        return 0;
    OVERLAPPED at;
    memset(&at, 0, sizeof at);
    return LockFileEx(lockfile, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at) != 0;
}

void requestunlock(void)
{
    if (lockfile != INVALID_HANDLE_VALUE)
        CloseHandle(lockfile);
    lockfile = INVALID_HANDLE_VALUE;
}

// The page goes out byte for byte, its header ended by two line feeds, the
// lines for the server's log end as on any system, and no error box ever
// waits for a click on a server.
void platforminit(void)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void utctime(uint32_t t, struct tm *out)
{
    __time64_t tt = (__time64_t)t;
    _gmtime64_s(out, &tt);
}

void localclock(uint32_t t, struct tm *out)
{
    __time64_t tt = (__time64_t)t;
    _tzset();
    _localtime64_s(out, &tt);
}

// The calls that Windows makes its own way; posix.cpp has the same
// functions in the same order. Names are byte strings as the site wrote
// them, turned into Windows' own UTF-16 names (see towide); files are read
// and written as bytes: the text rules are the reader's own.
#include "platform.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

const char hostsep = '\\';

// The errors of a file refused for what it is rather than for a failed
// call, an application's own codes (bit 29)
static const DWORD NOTDISKFILE = 0x20000001;
static const DWORD ISFOLDER = 0x20000002;

// A chart that the web server is sending, or a log range that the device
// holds locked while it writes, is free again a moment later: such a call
// is tried again for about a second.
enum { WAITTRIES = 20, WAITMS = 50 };

// The longest reason the system gives, in UTF-16 units, before it is cut
// to the WHYSIZE bytes a complaint holds.
enum { REASONCHARS = 512 };

// Text in Windows' UTF-16. Notepad saves UTF-8, older editors the ANSI code
// page: text that is valid UTF-8 is read as UTF-8 (plain ASCII reads the
// same either way), anything else in the ANSI code page, as the ANSI calls
// would read it.
static int towide(const char *text, wchar_t *wide, size_t widesize)
{
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, (int)widesize);
    if (n == 0 && GetLastError() == ERROR_NO_UNICODE_TRANSLATION)
        n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, (int)widesize);
    return n != 0;
}

// A site's path as Windows names it; one that does not fit is no path here.
template <size_t N> static int gethostpath(const char *path, wchar_t (&host)[N])
{
    char bytes[PATHSIZE];
    if (hostpath(path, bytes, sizeof bytes) && towide(bytes, host, N))
        return 1;
    SetLastError(*path ? ERROR_FILENAME_EXCED_RANGE : ERROR_FILE_NOT_FOUND);
    return 0;
}

// Windows refuses a folder opened as a file as it refuses a file it may
// not open: say which it was.
static DWORD whyrefused(const wchar_t *host, DWORD err)
{
    if (err != ERROR_ACCESS_DENIED)
        return err;
    DWORD attrs = GetFileAttributesW(host);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
        return ISFOLDER;
    return err;
}

// Every share mode: the device appends to its log while we read it, and
// another request may replace the chart we are about to replace too.
static const DWORD shareall = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Only a file on a disk: a device name (NUL, CON, COM1...) opens a device,
// and a pipe or a console is not a file either.
static HANDLE openpath(const char *path, DWORD access, DWORD disposition)
{
    wchar_t host[PATHSIZE];
    if (!gethostpath(path, host))
        return INVALID_HANDLE_VALUE;
    HANDLE h = CreateFileW(host, access, shareall, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        SetLastError(whyrefused(host, GetLastError()));
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

// A range that another program has locked cannot be read until it lets go
// (documented for LockFileEx; wine does not enforce it on reads).
long fileget(sysfile f, char *buf, size_t size)
{
    DWORD got = 0;
    DWORD want = size > 0x40000000 ? 0x40000000 : (DWORD)size;
    for (int tries = 1; !ReadFile(tohandle(f), buf, want, &got, nullptr); tries++) {
        if (GetLastError() != ERROR_LOCK_VIOLATION || tries >= WAITTRIES)
            return -1;
        Sleep(WAITMS);
    }
    return (long)got;
}

sysfile filewrite(const char *path, int *inplace)
{
    HANDLE h = openpath(path, GENERIC_WRITE, OPEN_EXISTING);
    *inplace = h != INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
        h = openpath(path, GENERIC_WRITE, CREATE_NEW);
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

int filesize(sysfile f, uint64_t *size)
{
    LARGE_INTEGER n;
    if (!GetFileSizeEx(tohandle(f), &n))
        return 0;
    *size = (uint64_t)n.QuadPart;
    return 1;
}

int fileseek(sysfile f, uint64_t offset)
{
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)offset;
    return SetFilePointerEx(tohandle(f), at, nullptr, FILE_BEGIN) != 0;
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
    wchar_t host[PATHSIZE];
    return gethostpath(path, host) &&
           GetFileAttributesW(host) != INVALID_FILE_ATTRIBUTES;
}

// The system's reason in its own language as UTF-8, as the names beside
// it in a complaint line are: one line, one encoding, whatever the code
// page. A reason that does not fit is cut at a character's start.
const char *fileerror(void)
{
    static char text[WHYSIZE];
    DWORD err = GetLastError();
    if (err == NOTDISKFILE)
        return "not a file on a disk";
    if (err == ISFOLDER)
        return "Is a folder";
    wchar_t wide[REASONCHARS];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             err, 0, wide, sizeof wide / sizeof wide[0], nullptr);
    // one line, as the server's log wants it: no line end, no full stop
    while (n > 0 && wcschr(L"\r\n .", wide[n - 1]))
        wide[--n] = L'\0';
    char utf8[REASONCHARS * 3];   // a UTF-16 unit is at most three bytes of UTF-8
    if (n == 0 ||
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) == 0) {
        snprintf(text, sizeof text, "error %lu", (unsigned long)err);
        return text;
    }
    size_t len = strlen(utf8);
    if (len >= sizeof text)
        for (len = sizeof text - 1; len > 0 && (utf8[len] & 0xC0) == 0x80; len--) {
        }
    memcpy(text, utf8, len);
    text[len] = '\0';
    return text;
}

enum fileproblem fileproblem(void)
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: return FILEMISSING;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: return FILEDENIED;
    case ISFOLDER: return FILEFOLDER;
    case NOTDISKFILE: return FILENOTFILE;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: case ERROR_FILE_TOO_LARGE: return FILEFULL;
    default: return FILEOTHER;
    }
}

void fileremove(const char *path)
{
    wchar_t host[PATHSIZE];
    if (gethostpath(path, host))
        DeleteFileW(host);
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

// Names come in UTF-8, the form the site's own names are read in first.
int folderfiles(const char *folder, void (*found)(const char *name, void *arg), void *arg)
{
    char pattern[PATHSIZE], name[PATHSIZE];
    wchar_t host[PATHSIZE];
    const size_t n = strlen(folder);
    const int sep = n > 0 && (folder[n - 1] == '\\' || folder[n - 1] == '/');
    int len = snprintf(pattern, sizeof pattern, "%s%s*", folder, sep ? "" : "\\");
    if (len < 0 || (size_t)len >= sizeof pattern || !gethostpath(pattern, host))
        return 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(host, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;   // an empty folder
    do {
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
            continue;
        if (WideCharToMultiByte(CP_UTF8, 0, fd.cFileName, -1, name, sizeof name, nullptr, nullptr))
            found(name, arg);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return 1;
}

// Windows 10 1607 and Server 2016, on NTFS, rename over a file that others
// hold open if they let it be deleted, as IIS's file cache and virus
// scanners do: they go on reading the old chart, the next reader opens the
// new one. mingw-w64 declares the class only for a Windows version that no
// _WIN32_WINNT reaches (0x0A000002 against 0x0A00): Windows' own value.
static const FILE_INFO_BY_HANDLE_CLASS RENAMEINFOEX = (FILE_INFO_BY_HANDLE_CLASS)22;

// Renames from over to, with POSIX semantics; 0 with the reason set. The
// new name goes in full, the form every account of the call agrees on.
// Wine has no such rename (ERROR_INVALID_PARAMETER): this rests on
// Microsoft's documentation alone.
static int posixrename(const wchar_t *from, const wchar_t *to)
{
    alignas(FILE_RENAME_INFO) char buf[offsetof(FILE_RENAME_INFO, FileName) +
                                       sizeof(wchar_t) * PATHSIZE];
    wchar_t *name = (wchar_t *)(buf + offsetof(FILE_RENAME_INFO, FileName));
    DWORD len = GetFullPathNameW(to, PATHSIZE, name, nullptr);
    if (len == 0 || len >= PATHSIZE) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    FILE_RENAME_INFO *info = (FILE_RENAME_INFO *)buf;
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->RootDirectory = nullptr;
    info->FileNameLength = len * sizeof(wchar_t);
    HANDLE h = CreateFileW(from, DELETE | SYNCHRONIZE, shareall, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    BOOL ok = SetFileInformationByHandle(h, RENAMEINFOEX, info, (DWORD)(offsetof(FILE_RENAME_INFO,
                                         FileName) + (len + 1) * sizeof(wchar_t)));
    DWORD err = GetLastError();
    CloseHandle(h);
    SetLastError(err);
    return ok != 0;
}

// Refusals that another program holding the file (or our new one) explains.
static int heldrefusal(DWORD err)
{
    return err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION ||
           err == ERROR_LOCK_VIOLATION;
}

// Windows says "access denied" both for a chart that another program holds
// open, which waiting mends whatever it shares, and for a folder or a
// read-only file there, which it does not: only those two are given up at
// once. A folder is told as one.
static int worthwaiting(const wchar_t *host, DWORD *err)
{
    if (!heldrefusal(*err))
        return 0;
    DWORD attrs = GetFileAttributesW(host);
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return 1;
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        *err = ISFOLDER;
    return !(attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

// The POSIX rename first; where the system or the disk refuses it for
// anything but a holder (wine, an older Windows, FAT, some shares),
// MoveFileExW, which fails while any handle is open. A chart that is held
// either way is tried again for about a second, then the old one stays.
int filemove(const char *from, const char *to)
{
    wchar_t hostfrom[PATHSIZE], hostto[PATHSIZE];
    if (!gethostpath(from, hostfrom) || !gethostpath(to, hostto))
        return 0;
    int posix = 1;
    for (int tries = 1;; tries++) {
        if (posix && posixrename(hostfrom, hostto))
            return 1;
        posix = posix && heldrefusal(GetLastError());
        if (!posix &&
            MoveFileExW(hostfrom, hostto, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 1;
        DWORD err = GetLastError();
        int wait = worthwaiting(hostto, &err);
        SetLastError(err);
        if (!wait || tries >= WAITTRIES)
            return 0;
        Sleep(WAITMS);
    }
}

// The volume and the file's index on it (documented for NTFS and ReFS as
// unique while the file is open; wine gives the inode's).
int fileid(sysfile f, uint64_t *id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(tohandle(f), &info))
        return 0;
    *id = ((uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow) ^
          (uint64_t)info.dwVolumeSerialNumber << 40;
    return 1;
}

int filewritten(const char *path, int64_t *t)
{
    wchar_t host[PATHSIZE];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!gethostpath(path, host) || !GetFileAttributesExW(host, GetFileExInfoStandard, &data))
        return 0;
    // 100 ns ticks since 1601
    const uint64_t ticks = (uint64_t)data.ftLastWriteTime.dwHighDateTime << 32 |
                           data.ftLastWriteTime.dwLowDateTime;
    *t = (int64_t)(ticks / 10000000) - 11644473600LL;
    return 1;
}

void pausems(int ms)
{
    Sleep((DWORD)ms);
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

// Unlocked before it is closed, as LockFileEx's documentation asks: a
// lock left to the close goes when the system gets round to it.
void requestunlock(void)
{
    if (lockfile != INVALID_HANDLE_VALUE) {
        OVERLAPPED at;
        memset(&at, 0, sizeof at);
        UnlockFileEx(lockfile, 0, MAXDWORD, MAXDWORD, &at);
        CloseHandle(lockfile);
    }
    lockfile = INVALID_HANDLE_VALUE;
}

// In UTF-8, whatever the code page: the line it goes into is read as UTF-8.
int workdir(char *out, size_t outsize)
{
    wchar_t wide[PATHSIZE];
    DWORD n = GetCurrentDirectoryW(PATHSIZE, wide);
    if (n == 0 || n >= PATHSIZE)
        return 0;
    return WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, (int)outsize, nullptr, nullptr) != 0;
}

// IIS joins a CGI program's standard error to its standard output: a line
// there would land in the header, or in the page that every visitor gets,
// or break the header into a "502.2 Bad Gateway" (IIS's documentation and
// reports of it; there is no IIS here to show it). Under IIS the line goes
// to the Application event log instead, as a warning of the source
// "quorlink", where a Windows operator looks. Apache for Windows keeps
// standard error in its error.log.
static int underiis(void)
{
    static const char iis[] = "Microsoft-IIS/";
    const char *server = getenv("SERVER_SOFTWARE");
    return server && strncmp(server, iis, sizeof iis - 1) == 0;
}

// Every event ID of a source made by PowerShell's New-EventLog shows its
// text as it is.
enum { EVENTID = 1 };

int errorisfile(void)
{
    return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_DISK;
}

void serverlog(const char *line)
{
    if (!underiis()) {
        errorline(line);
        return;
    }
    wchar_t text[LOGLINESIZE];
    if (!towide(line, text, sizeof text / sizeof text[0]))
        return;
    // a pool that may not write the event log still leaves the line where
    // a debugger or DebugView sees it (documented; wine's event log never
    // refuses)
    HANDLE source = RegisterEventSourceW(nullptr, L"quorlink");
    const wchar_t *strings[] = {text};
    if (source == nullptr ||
        !ReportEventW(source, EVENTLOG_WARNING_TYPE, 0, EVENTID, nullptr, 1, 0, strings, nullptr))
        OutputDebugStringW(text);
    if (source != nullptr)
        DeregisterEventSource(source);
}

// The page goes out through the C runtime's text mode, its lines ended in
// CR LF as every Windows program writes them and every Windows web server
// takes them; the lines for the server's log end in a line feed as on any
// system; no error box ever waits for a click on a server.
void platforminit(void)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _setmode(_fileno(stdout), _O_TEXT);
    _setmode(_fileno(stderr), _O_BINARY);
}

// The header went out in CR LF; a data answer's body keeps its own line
// ends (CSV's CR LF, the metrics' LF).
void rawout(void)
{
    fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
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

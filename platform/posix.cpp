// The calls that a POSIX system makes its own way; windows.cpp has the same
// functions in the same order.
#include "platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

const char hostsep = '/';

// errno of a file refused for what it is rather than for a failed call
enum { NOTREGULAR = -1 };

// A path that does not fit is no path here.
static int gethostpath(const char *path, char *host, size_t hostsize)
{
    if (hostpath(path, host, hostsize))
        return 1;
    errno = *path ? ENAMETOOLONG : ENOENT;
    return 0;
}

// Never waits for a writer: a pipe standing where a file should be opens at
// once, and is then refused for what it is.
static int openpath(const char *path, int flags, mode_t mode)
{
    char host[PATHSIZE];
    if (!gethostpath(path, host, sizeof host))
        return -1;
    int fd;
    do
        fd = open(host, flags | O_CLOEXEC | O_NONBLOCK, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

static int isregular(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return 0;
    if (!S_ISREG(st.st_mode))
        errno = S_ISDIR(st.st_mode) ? EISDIR : NOTREGULAR;
    return S_ISREG(st.st_mode);
}

// A regular file, or NOFILE; O_NONBLOCK means nothing to a regular file.
static sysfile keepregular(int fd)
{
    if (fd < 0)
        return NOFILE;
    if (!isregular(fd)) {
        int err = errno;
        close(fd);
        errno = err;
        return NOFILE;
    }
    return fd;
}

sysfile fileread(const char *path)
{
    return keepregular(openpath(path, O_RDONLY, 0));
}

long fileget(sysfile f, char *buf, size_t size)
{
    ssize_t got;
    do
        got = read((int)f, buf, size);
    while (got < 0 && errno == EINTR);
    return (long)got;
}

sysfile filewrite(const char *path, int *inplace)
{
    int fd = (int)keepregular(openpath(path, O_WRONLY | O_NOFOLLOW, 0));
    *inplace = fd >= 0;
    if (fd < 0 && errno == ENOENT)
        fd = openpath(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    else if (fd < 0 && (errno == ELOOP || errno == ENXIO))
        errno = NOTREGULAR;   // a link, or a pipe that nobody reads
    return fd < 0 ? NOFILE : fd;
}

int fileput(sysfile f, const char *data, size_t size)
{
    while (size > 0) {
        ssize_t put = write((int)f, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return 0;
        data += put;
        size -= (size_t)put;
    }
    return 1;
}

int filesize(sysfile f, uint64_t *size)
{
    struct stat st;
    if (fstat((int)f, &st) != 0)
        return 0;
    *size = (uint64_t)st.st_size;
    return 1;
}

int fileseek(sysfile f, uint64_t offset)
{
    return lseek((int)f, (off_t)offset, SEEK_SET) >= 0;
}

int filecut(sysfile f, uint64_t size)
{
    return ftruncate((int)f, (off_t)size) == 0;
}

int fileclose(sysfile f)
{
    return close((int)f) == 0;
}

int fileexists(const char *path)
{
    char host[PATHSIZE];
    struct stat st;
    return gethostpath(path, host, sizeof host) && stat(host, &st) == 0;
}

const char *fileerror(void)
{
    return errno == NOTREGULAR ? "not a regular file" : strerror(errno);
}

enum fileproblem fileproblem(void)
{
    switch (errno) {
    case ENOENT: case ENOTDIR: return FILEMISSING;
    case EACCES: case EPERM: case EROFS: return FILEDENIED;
    case EISDIR: return FILEFOLDER;
    case NOTREGULAR: return FILENOTFILE;
    case ENOSPC: case EFBIG: case EDQUOT: return FILEFULL;
    default: return FILEOTHER;
    }
}

void fileremove(const char *path)
{
    char host[PATHSIZE];
    if (hostpath(path, host, sizeof host))
        unlink(host);
}

sysfile filetemp(const char *path, char *tmp, size_t tmpsize)
{
    char host[PATHSIZE];
    if (!gethostpath(path, host, sizeof host))
        return NOFILE;
    int n = snprintf(tmp, tmpsize, "%s.tmpXXXXXX", host);
    if (n < 0 || (size_t)n >= tmpsize) {
        errno = ENAMETOOLONG;
        return NOFILE;
    }
    int fd = mkstemp(tmp);
    if (fd < 0)
        return NOFILE;
    // mkstemp makes the file private; the web server must be able to serve it
    if (fchmod(fd, 0644) != 0) {
        int err = errno;
        close(fd);
        unlink(tmp);
        errno = err;
        return NOFILE;
    }
    return fd;
}

int folderfiles(const char *folder, void (*found)(const char *name, void *arg), void *arg)
{
    char host[PATHSIZE];
    if (!gethostpath(folder, host, sizeof host))
        return 0;
    DIR *d = opendir(host);
    if (!d)
        return 0;
    // a link to a file is that file, as a log named in the settings is
    struct stat st;
    while (struct dirent *e = readdir(d))
        if (e->d_type == DT_REG ||
            ((e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) &&
             fstatat(dirfd(d), e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)))
            found(e->d_name, arg);
    closedir(d);
    return 1;
}

int filemove(const char *from, const char *to)
{
    char hostfrom[PATHSIZE], hostto[PATHSIZE];
    return gethostpath(from, hostfrom, sizeof hostfrom) &&
           gethostpath(to, hostto, sizeof hostto) && rename(hostfrom, hostto) == 0;
}

int fileid(sysfile f, uint64_t *id)
{
    struct stat st;
    if (fstat((int)f, &st) != 0)
        return 0;
    *id = (uint64_t)st.st_dev << 40 ^ (uint64_t)st.st_ino;
    return 1;
}

int filewritten(const char *path, int64_t *t)
{
    char host[PATHSIZE];
    struct stat st;
    if (!gethostpath(path, host, sizeof host) || stat(host, &st) != 0)
        return 0;
    *t = (int64_t)st.st_mtime;
    return 1;
}

void pausems(int ms)
{
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

static int lockfd = -1;

int requestlock(const char *path)
{
    int fd = openpath(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0) {
        // one the server may not write is locked as well; none at all
        // tells the first reason, why it could not be made
        int err = errno;
        fd = openpath(path, O_RDONLY, 0);
        if (fd < 0)
            errno = err;
    }
    lockfd = (int)keepregular(fd);
    if (lockfd < 0)
        return 0;
    int rc;
    do
        rc = flock(lockfd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void requestunlock(void)
{
    if (lockfd >= 0)
        close(lockfd);
    lockfd = -1;
}

int workdir(char *out, size_t outsize)
{
    return getcwd(out, outsize) != nullptr;
}

int errorisfile(void)
{
    struct stat st;
    return fstat(2, &st) == 0 && S_ISREG(st.st_mode);
}

void serverlog(const char *line)
{
    errorline(line);
}

void platforminit(void)
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

void rawout(void)
{
}

void utctime(uint32_t t, struct tm *out)
{
    time_t tt = (time_t)t;
    gmtime_r(&tt, out);
}

void localclock(uint32_t t, struct tm *out)
{
    time_t tt = (time_t)t;
    tzset();
    localtime_r(&tt, out);
}

#include "platform.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

enum { PATHSIZE = 1024 };

// Paths come from the site with backslashes as separators; the file system
// here wants slashes. A path that does not fit is refused, never cut.
static int hostpath(const char *path, char *out, size_t outsize)
{
    size_t n = strlen(path);
    if (n == 0 || n >= outsize)
        return 0;
    for (size_t i = 0; i <= n; i++)
        out[i] = path[i] == '\\' ? '/' : path[i];
    return 1;
}

static int openpath(const char *path, int flags, mode_t mode)
{
    char host[PATHSIZE];
    if (!hostpath(path, host, sizeof host))
        return -1;
    int fd;
    do
        fd = open(host, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Drops carriage returns from the bytes just read and stops at a 0x1A.
static void cleanchunk(struct textin *in, size_t from)
{
    char *eof = (char *)memchr(in->buf + from, 0x1A, in->len - from);
    if (eof) {
        in->len = (size_t)(eof - in->buf);
        in->ended = 1;
    }
    char *cr = (char *)memchr(in->buf + from, '\r', in->len - from);
    if (!cr)
        return;
    char *w = cr;
    for (char *r = cr; r < in->buf + in->len; r++)
        if (*r != '\r')
            *w++ = *r;
    in->len = (size_t)(w - in->buf);
}

// Moves the unread bytes to the front and reads more behind them.
static int fillbuf(struct textin *in)
{
    if (in->ended)
        return 0;
    if (in->pos > 0) {
        memmove(in->buf, in->buf + in->pos, in->len - in->pos);
        in->len -= in->pos;
        in->pos = 0;
    }
    while (in->len < sizeof in->buf) {
        ssize_t got = read(in->fd, in->buf + in->len, sizeof in->buf - in->len);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            in->ended = 1;
            return 0;
        }
        size_t from = in->len;
        in->len += (size_t)got;
        cleanchunk(in, from);
        if (in->len > from || in->ended)
            return in->len > from;
    }
    return 0;
}

int textopen(struct textin *in, const char *path)
{
    in->fd = openpath(path, O_RDONLY, 0);
    struct stat st;
    // a folder or a device named as a log is not a text file to read
    if (in->fd >= 0 && (fstat(in->fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(in->fd);
        in->fd = -1;
    }
    in->ended = 0;
    in->pos = in->len = 0;
    return in->fd >= 0;
}

int textline(struct textin *in, char *line, size_t linesize)
{
    size_t kept = 0;
    int any = 0;
    for (;;) {
        if (in->pos == in->len && !fillbuf(in))
            break;
        any = 1;
        char *start = in->buf + in->pos;
        size_t avail = in->len - in->pos;
        char *nl = (char *)memchr(start, '\n', avail);
        size_t take = nl ? (size_t)(nl - start) : avail;
        if (kept + 1 < linesize) {
            size_t room = linesize - 1 - kept;
            size_t n = take < room ? take : room;
            memcpy(line + kept, start, n);
            kept += n;
        }
        in->pos += take;
        if (nl) {
            in->pos++;
            break;
        }
    }
    // at the end the caller's buffer keeps what it held
    if (any && linesize > 0)
        line[kept] = '\0';
    return any;
}

int textrewind(struct textin *in)
{
    in->pos = in->len = 0;
    in->ended = 0;
    return lseek(in->fd, 0, SEEK_SET) == 0;
}

void textclose(struct textin *in)
{
    if (in->fd >= 0)
        close(in->fd);
    in->fd = -1;
}

static int writeall(int fd, const char *data, size_t size)
{
    while (size > 0) {
        ssize_t put = write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return 0;
        data += put;
        size -= (size_t)put;
    }
    return 1;
}

int textcreate(struct textout *out, const char *path)
{
    out->fd = openpath(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    out->failed = out->fd < 0;
    out->len = 0;
    return !out->failed;
}

static void flushout(struct textout *out)
{
    if (!out->failed && out->len > 0 && !writeall(out->fd, out->buf, out->len))
        out->failed = 1;
    out->len = 0;
}

void textput(struct textout *out, const char *text, size_t size)
{
    if (out->len + size > sizeof out->buf)
        flushout(out);
    if (size > sizeof out->buf) {
        if (!out->failed && !writeall(out->fd, text, size))
            out->failed = 1;
        return;
    }
    memcpy(out->buf + out->len, text, size);
    out->len += size;
}

int textfinish(struct textout *out)
{
    flushout(out);
    if (out->fd >= 0 && close(out->fd) != 0)
        out->failed = 1;
    out->fd = -1;
    return !out->failed;
}

int fileexists(const char *path)
{
    char host[PATHSIZE];
    struct stat st;
    return hostpath(path, host, sizeof host) && stat(host, &st) == 0;
}

void fileremove(const char *path)
{
    char host[PATHSIZE];
    if (hostpath(path, host, sizeof host))
        unlink(host);
}

int filereplace(const char *path, const void *data, size_t size)
{
    char host[PATHSIZE], tmp[PATHSIZE];
    if (!hostpath(path, host, sizeof host))
        return 0;
    int n = snprintf(tmp, sizeof tmp, "%s.tmpXXXXXX", host);
    if (n < 0 || (size_t)n >= sizeof tmp)
        return 0;
    int fd = mkstemp(tmp);
    if (fd < 0)
        return 0;
    // mkstemp makes the file private; the web server must be able to serve it
    int ok = fchmod(fd, 0644) == 0 && writeall(fd, (const char *)data, size);
    if (close(fd) != 0)
        ok = 0;
    if (ok && rename(tmp, host) != 0)
        ok = 0;
    if (!ok)
        unlink(tmp);
    return ok;
}

static int lockfd = -1;

int requestlock(const char *path)
{
    lockfd = openpath(path, O_RDWR | O_CREAT, 0644);
    if (lockfd < 0)
        lockfd = openpath(path, O_RDONLY, 0);
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

void platforminit(void)
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

uint32_t clocknow(void)
{
    return (uint32_t)time(nullptr);
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

#include "platform.h"

// The text reader and writer, and the replacement of a file, over the
// calls of each system's own file.
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <stdio.h>
#include <string.h>

// Paths come from the site with backslashes or slashes as separators; each
// system gets its own. A path that does not fit is refused, never cut.
int hostpath(const char *path, char *out, size_t outsize)
{
    size_t n = strlen(path);
    if (n == 0 || n >= outsize)
        return 0;
    for (size_t i = 0; i <= n; i++)
        out[i] = path[i] == '\\' || path[i] == '/' ? hostsep : path[i];
    return 1;
}

const char *pathbase(const char *path)
{
    const char *slash = strrchr(path, '/'), *back = strrchr(path, '\\');
    const char *sep = slash > back ? slash : back;
    return sep ? sep + 1 : path;
}

void pathfolder(const char *path, char *folder, size_t size)
{
    snprintf(folder, size, "%.*s", (int)(pathbase(path) - path), path);
}

void errorline(const char *line)
{
    char stamp[32] = "";
    if (errorisfile()) {
        struct tm tm;
        utctime(clocknow(), &tm);
        strftime(stamp, sizeof stamp, "[%Y-%m-%d %H:%M:%S UTC] ", &tm);
    }
    // one write: lines of requests at the same time do not mix
    fprintf(stderr, "%s%s\n", stamp, line);
    fflush(stderr);
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

// The first failure is the one to tell: keep its reason.
static void failinas(struct textin *in, const char *why, int problem)
{
    if (!in->failed) {
        snprintf(in->why, sizeof in->why, "%s", why);
        in->problem = problem;
    }
    in->failed = 1;
}

// The system's failure: its kind taken first, before its words are looked
// up (a call that may set the error again).
static void failsys(struct textin *in)
{
    const int problem = fileproblem();
    failinas(in, fileerror(), problem);
}

// Inflates a gzip file's text into to; bytes made, 0 at its end, -1 when it
// is corrupt or cut short. Members follow one another as one text; zeros
// after a member are the padding some tools leave, anything else must be
// another member.
static long zipget(struct textin *in, char *to, size_t size)
{
    // the first record is all that the merge of archives reads at first
    // of every log: inflate a page of a member before whole buffers
    enum { FIRSTINFLATE = 4096 };
    z_stream *z = &in->zip;
    if (in->failed)
        return -1;
    if (z->total_out == 0 && size > FIRSTINFLATE)
        size = FIRSTINFLATE;
    z->next_out = (Bytef *)to;
    z->avail_out = (uInt)size;
    while (z->avail_out > 0) {
        if (z->avail_in == 0 && !in->zipdone) {
            long got = fileget(in->fd, (char *)in->zipin, sizeof in->zipin);
            if (got < 0) {
                failsys(in);
                return -1;
            }
            in->zipdone = got == 0;
            z->next_in = in->zipin;
            z->avail_in = (uInt)got;
        }
        if (in->zipgap) {
            while (z->avail_in > 0 && *z->next_in == 0) {
                z->next_in++;
                z->avail_in--;
            }
            if (z->avail_in == 0 && in->zipdone)
                break;
            if (z->avail_in == 0)
                continue;
            inflateReset(z);
            in->zipgap = 0;
        }
        int rc = inflate(z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END)
            in->zipgap = 1;
        else if (rc == Z_BUF_ERROR && z->avail_in == 0 && in->zipdone)
            failinas(in, "compressed data cut short", FILEDAMAGED);
        else if (rc == Z_MEM_ERROR)
            failinas(in, "out of memory for compressed data", FILEOTHER);
        else if (rc != Z_OK && rc != Z_BUF_ERROR)
            failinas(in, "corrupt compressed data", FILEDAMAGED);
        // what was inflated before the damage is text like any other: the
        // failure is met on the next read
        if (in->failed)
            return size > z->avail_out ? (long)(size - z->avail_out) : -1;
    }
    return (long)(size - z->avail_out);
}

// Bytes of text read into to: 0 at the end, -1 on a failure, its reason kept.
static long getbytes(struct textin *in, char *to, size_t size)
{
    if (in->zipped)
        return zipget(in, to, size);
    long got = fileget(in->fd, to, size);
    if (got < 0)
        failsys(in);
    return got;
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
    while (in->len < TEXTBUFSIZE) {
        if (in->limit && in->got >= in->limit) {
            in->ended = in->limited = 1;
            return 0;
        }
        long got = getbytes(in, in->buf + in->len, TEXTBUFSIZE - in->len);
        if (got <= 0) {
            in->ended = 1;
            return 0;
        }
        in->got += (uint64_t)got;
        size_t from = in->len;
        in->len += (size_t)got;
        cleanchunk(in, from);
        if (in->len > from || in->ended)
            return in->len > from;
    }
    return 0;
}

// One bit for each line feed among the first n bytes at p (n <= NLBLOCK);
// the NLBLOCK bytes at p are readable.
static uint64_t newlines(const char *p, size_t n)
{
    uint64_t mask = 0;
#ifdef __SSE2__
    static_assert(NLBLOCK == 64, "four 16-byte loads make a block");
    const __m128i nl = _mm_set1_epi8('\n');
    const __m128i *q = (const __m128i *)p;
    uint64_t m0 = (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(q), nl));
    uint64_t m1 = (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(q + 1), nl));
    uint64_t m2 = (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(q + 2), nl));
    uint64_t m3 = (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(q + 3), nl));
    mask = m0 | m1 << 16 | m2 << 32 | m3 << 48;
#else
    for (int i = 0; i < NLBLOCK; i++)
        mask |= (uint64_t)(p[i] == '\n') << i;
#endif
    return n < NLBLOCK ? mask & ((UINT64_C(1) << n) - 1) : mask;
}

// Starts the line feed blocks at pos, after the unread bytes moved.
static void marklines(struct textin *in)
{
    in->nlbase = in->pos;
    in->nlmask = in->pos < in->len ? newlines(in->buf + in->pos, in->len - in->pos) : 0;
}

static int refill(struct textin *in)
{
    int got = fillbuf(in);
    marklines(in);
    return got;
}

// Compressed forms that are known by their first bytes and not read.
static const struct {
    const char *magic;
    size_t size;
    const char *name;
} packforms[] = {
    {"BZh", 3, "bzip2"},
    {"\xFD" "7zXZ\0", 6, "xz"},
    {"\x28\xB5\x2F\xFD", 4, "zstd"},
    {"\x04\x22\x4D\x18", 4, "lz4"},
    {"\x1F\x9D", 2, "compress"},
};
enum { MAGICSIZE = 6 };   // the longest of them
static const char gzipmagic[] = "\x1F\x8B";

static int startswith(const struct textin *in, const char *magic, size_t size)
{
    return in->len >= size && memcmp(in->buf, magic, size) == 0;
}

// Hands the first bytes, read into buf, to the inflater instead.
static void startzip(struct textin *in)
{
    memset(&in->zip, 0, sizeof in->zip);
    // 16: a gzip wrapper, whose check and length inflate verifies
    int rc = inflateInit2(&in->zip, MAX_WBITS + 16);
    if (rc != Z_OK) {
        failinas(in, rc == Z_MEM_ERROR ? "out of memory for compressed data" : "zlib could not start", FILEOTHER);
        in->ended = 1;
        in->len = 0;
        return;
    }
    in->zipped = 1;
    memcpy(in->zipin, in->buf, in->len);
    in->zip.next_in = in->zipin;
    in->zip.avail_in = (uInt)in->len;
    in->zipdone = in->ended;
    in->zipgap = 0;
    in->ended = 0;
    in->len = 0;
}

// Reads the file's first bytes and tells its form from them: plain text
// stays in the buffer, a gzip file's bytes go to the inflater, and other
// compressed forms are refused.
static void sniff(struct textin *in)
{
    static_assert(ZIPINSIZE <= TEXTBUFSIZE, "the first bytes fit the inflater's input");
    while (in->len < MAGICSIZE && !in->ended) {
        long got = getbytes(in, in->buf + in->len, ZIPINSIZE - in->len);
        if (got <= 0)
            in->ended = 1;
        else
            in->len += (size_t)got;
    }
    if (in->failed) {
        in->len = 0;
        return;
    }
    for (const auto &form : packforms)
        if (startswith(in, form.magic, form.size)) {
            snprintf(in->why, sizeof in->why, "compressed with %s, which is not read", form.name);
            in->failed = in->compressed = in->ended = 1;
            in->problem = FILEPACKED;
            in->len = 0;
            return;
        }
    if (startswith(in, gzipmagic, sizeof gzipmagic - 1))
        startzip(in);
    else
        cleanchunk(in, 0);
}

int textopen(struct textin *in, const char *path)
{
    in->fd = fileread(path);
    in->ended = in->cut = in->failed = in->compressed = in->zipped = in->unended = 0;
    in->limit = in->got = 0;
    in->limited = 0;
    in->problem = FILEOTHER;
    in->why[0] = '\0';
    in->pos = in->len = 0;
    if (in->fd == NOFILE) {
        failsys(in);
        in->ended = 1;
    } else
        sniff(in);
    if (in->compressed)
        textclose(in);
    marklines(in);
    return in->fd != NOFILE;
}

int textopentail(struct textin *in, const char *path, uint64_t tailbytes)
{
    if (!textopen(in, path))
        return 0;
    uint64_t size;
    if (in->zipped || !filesize(in->fd, &size) || size <= tailbytes)
        return 1;
    if (!fileseek(in->fd, size - tailbytes)) {
        failsys(in);
        in->ended = 1;
        in->pos = in->len = 0;
        marklines(in);
        return 1;
    }
    // the line that the tail starts in is no whole line
    in->pos = in->len = 0;
    in->ended = 0;
    in->cut = 1;
    marklines(in);
    return 1;
}

const char *textnextslow(struct textin *in, size_t *size)
{
    for (;;) {
        // the next block of bytes already read
        while (in->nlmask == 0 && in->nlbase + NLBLOCK < in->len) {
            in->nlbase += NLBLOCK;
            in->nlmask = newlines(in->buf + in->nlbase, in->len - in->nlbase);
        }
        if (in->nlmask != 0) {
            if (!in->cut)
                return textnext(in, size);
            // the tail of a line that did not fit is no line of its own
            in->pos = in->nlbase + (size_t)__builtin_ctzll(in->nlmask) + 1;
            in->nlmask &= in->nlmask - 1;
            in->cut = 0;
            continue;
        }
        // no line feed among the unread bytes
        if (in->cut) {
            in->pos = in->len;
            if (!refill(in))
                return nullptr;
            continue;
        }
        if (in->pos == 0 && in->len == TEXTBUFSIZE) {
            *size = in->len;
            in->pos = in->len;
            in->cut = 1;
            marklines(in);
            return in->buf;
        }
        if (!refill(in)) {
            // a last line without a line feed is a line too
            if (in->pos == in->len)
                return nullptr;
            const char *start = in->buf + in->pos;
            *size = in->len - in->pos;
            in->pos = in->len;
            in->unended = 1;
            marklines(in);
            return start;
        }
    }
}

static void copyline(const char *text, size_t size, char *line, size_t linesize)
{
    if (linesize == 0)
        return;
    if (size > linesize - 1)
        size = linesize - 1;
    memcpy(line, text, size);
    line[size] = '\0';
}

int textlast(struct textin *in, int count, char *line, size_t linesize)
{
    const char *last = nullptr;
    size_t lastsize = 0;
    int got = 0;
    // the lines go by their line feeds alone while those are among the
    // bytes read, the careful way on from there
    if (!in->cut) {
        size_t pos = in->pos, nlbase = in->nlbase;
        uint64_t nlmask = in->nlmask;
        size_t start = pos;
        while (got < count) {
            if (nlmask == 0) {
                if (nlbase + NLBLOCK >= in->len)
                    break;
                nlbase += NLBLOCK;
                nlmask = newlines(in->buf + nlbase, in->len - nlbase);
                continue;
            }
            // the lines of this block, only their ends kept
            do {
                start = pos;
                pos = nlbase + (size_t)__builtin_ctzll(nlmask) + 1;
                nlmask &= nlmask - 1;
                got++;
            } while (nlmask != 0 && got < count);
        }
        if (got > 0) {
            last = in->buf + start;
            lastsize = pos - 1 - start;
        }
        in->pos = pos;
        in->nlbase = nlbase;
        in->nlmask = nlmask;
    }
    while (got < count) {
        // a read past the known line feeds may move or refill the buffer:
        // the line in hand is kept first
        if (in->nlmask == 0 && last) {
            copyline(last, lastsize, line, linesize);
            last = nullptr;
        }
        size_t size;
        const char *text = textnext(in, &size);
        if (!text)
            break;
        last = text;
        lastsize = size;
        got++;
    }
    if (last)
        copyline(last, lastsize, line, linesize);
    return got;
}

int textspan(struct textin *in, int count, uint32_t picks, const char **lines, size_t *sizes)
{
    if (in->cut)
        return 0;
    size_t pos = in->pos, nlbase = in->nlbase;
    uint64_t nlmask = in->nlmask;
    for (int k = 0, n = 0; k < count; k++) {
        while (nlmask == 0) {
            if (nlbase + NLBLOCK >= in->len)
                return 0;
            nlbase += NLBLOCK;
            nlmask = newlines(in->buf + nlbase, in->len - nlbase);
        }
        const size_t nl = nlbase + (size_t)__builtin_ctzll(nlmask);
        nlmask &= nlmask - 1;
        if (picks >> k & 1) {
            lines[n] = in->buf + pos;
            sizes[n++] = nl - pos;
        }
        pos = nl + 1;
    }
    in->pos = pos;
    in->nlbase = nlbase;
    in->nlmask = nlmask;
    return 1;
}

int textline(struct textin *in, char *line, size_t linesize)
{
    size_t size;
    const char *text = textnext(in, &size);
    if (!text)
        return 0;
    copyline(text, size, line, linesize);
    return 1;
}

void textclose(struct textin *in)
{
    if (in->fd != NOFILE)
        fileclose(in->fd);
    in->fd = NOFILE;
    if (in->zipped)
        inflateEnd(&in->zip);
    in->zipped = 0;
}

static void startout(struct textout *out)
{
    out->newpath[0] = '\0';
    out->why[0] = '\0';
    out->len = 0;
    out->total = 0;
    out->cuttail = 0;
    out->failed = 0;
    out->problem = FILEOTHER;
}

// The first failure is the one to tell: keep its reason.
static void failout(struct textout *out)
{
    if (!out->failed) {
        out->problem = fileproblem();
        snprintf(out->why, sizeof out->why, "%s", fileerror());
    }
    out->failed = 1;
}

int textcreate(struct textout *out, const char *path)
{
    startout(out);
    out->fd = filewrite(path, &out->cuttail);
    if (out->fd == NOFILE)
        failout(out);
    return !out->failed;
}

static void flushout(struct textout *out)
{
    if (!out->failed && out->len > 0 && !fileput(out->fd, out->buf, out->len))
        failout(out);
    out->len = 0;
}

void textput(struct textout *out, const char *text, size_t size)
{
    out->total += size;
    if (out->len + size > sizeof out->buf)
        flushout(out);
    if (size > sizeof out->buf) {
        if (!out->failed && !fileput(out->fd, text, size))
            failout(out);
        return;
    }
    memcpy(out->buf + out->len, text, size);
    out->len += size;
}

int textfinish(struct textout *out)
{
    flushout(out);
    if (!out->failed && out->cuttail && !filecut(out->fd, out->total))
        failout(out);
    if (out->fd != NOFILE && !fileclose(out->fd))
        failout(out);
    out->fd = NOFILE;
    return !out->failed;
}

int replacestart(struct textout *out, const char *path)
{
    startout(out);
    out->fd = NOFILE;
    if (hostpath(path, out->path, sizeof out->path))
        out->fd = filetemp(out->path, out->newpath, sizeof out->newpath);
    if (out->fd == NOFILE) {
        failout(out);
        out->newpath[0] = '\0';
    }
    return !out->failed;
}

int replacefinish(struct textout *out)
{
    int ok = textfinish(out);
    if (out->newpath[0] == '\0')
        return 0;
    if (ok && !filemove(out->newpath, out->path)) {
        failout(out);
        ok = 0;
    }
    if (!ok)
        fileremove(out->newpath);
    out->newpath[0] = '\0';
    return ok;
}

// filetemp's names for a path: it, ".tmp" and six letters or digits
// (mkstemp's on POSIX, digits on Windows).
struct tempnames {
    const char *folder, *base;
    size_t baselen;
};

static void removetemp(const char *name, void *arg)
{
    static const char tagchars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    enum { TEMPTAG = 6 };
    const struct tempnames *t = (const struct tempnames *)arg;
    const char *tag = name + t->baselen + 4;
    if (strncmp(name, t->base, t->baselen) != 0 || strncmp(name + t->baselen, ".tmp", 4) != 0 ||
        strlen(tag) != TEMPTAG || strspn(tag, tagchars) != TEMPTAG)
        return;
    char path[PATHSIZE];
    int n = snprintf(path, sizeof path, "%s%s", t->folder, name);
    if (n > 0 && (size_t)n < sizeof path)
        fileremove(path);
}

void tempsweep(const char *path)
{
    const char *slash = strrchr(path, '/'), *back = strrchr(path, '\\');
    const char *sep = slash > back ? slash : back;
    char folder[PATHSIZE];
    const size_t n = sep ? (size_t)(sep + 1 - path) : 0;
    if (n >= sizeof folder)
        return;
    memcpy(folder, path, n);
    folder[n] = '\0';
    struct tempnames t = {folder, sep ? sep + 1 : path, 0};
    t.baselen = strlen(t.base);
    folderfiles(n ? folder : ".", removetemp, &t);
}

uint32_t clocknow(void)
{
    return (uint32_t)time(nullptr);
}

#include "logs.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../support/complain.h"
#include "../support/settings.h"
#include "doubts.h"

// Data lines after a "time=" line: the 4th holds Rx, the 10th Tx.
enum { RXLINES = 4, TXLINES = 6, DATALINES = RXLINES + TXLINES };

// A line kept as textlast keeps it: cut to the text's room, ended by a zero.
static void keepline(struct dataline *d, const char *line, size_t size)
{
    if (size > sizeof d->text - 1)
        size = sizeof d->text - 1;
    memcpy(d->text, line, size);
    d->text[size] = '\0';
    d->from = 0;
}

// Reads up to count lines and keeps the last; a line that gets nothing
// keeps what it held. Whether all count lines were there.
static int readinto(struct textin *in, struct dataline *d, int count)
{
    const int got = textlast(in, count, d->text, sizeof d->text);
    if (got > 0)
        d->from = 0;
    return got == count;
}

// Whether the kept text reads as the device labels it ("Rx bytes:"), past
// blanks: then its first ":" ends the label.
static const char *labelled(const struct dataline *d, const char *label, size_t size)
{
    const char *text = d->text;
    while (*text == ' ' || *text == '\t')
        text++;
    // the text ends in a zero byte, which no label holds: the bytes
    // compared past it, inside the line, cannot match
    const size_t room = sizeof d->text - (size_t)(text - d->text);
    return room >= size && memcmp(text, label, size) == 0 ? text + size - 1 : nullptr;
}

// The first ":" of the kept text, or null: where the label ends, when the
// text is a new line that has it.
static const char *colonof(const struct dataline *d, const char *labelcolon)
{
    return labelcolon && d->from == 0 ? labelcolon : strchr(d->text + d->from, ':');
}

// The number after the first ":"; the text then starts past that ":". The
// number ends at the text's zero byte at the latest.
static uint32_t datavalue(struct dataline *d, const char *colon)
{
    d->from = (size_t)(colon + 1 - d->text);
    return textlvalue(colon + 1, sizeof d->text - d->from);
}

// The part of a line that a work line holds as a string: cut to the work
// line and ended by a zero byte.
static size_t worksize(const char *line, size_t size)
{
    if (size > WORKLINESIZE - 1)
        size = WORKLINESIZE - 1;
    const char *zero = (const char *)memchr(line, '\0', size);
    return zero ? (size_t)(zero - line) : size;
}

// Whether a work line holds "time=": the key of a record's first line.
static const char timekey[] = "time=";
enum { TIMEKEYSIZE = sizeof timekey - 1 };

static int hastimekey(const char *line, size_t size)
{
    const char *key = timekey;
    const size_t keysize = TIMEKEYSIZE;
    const char *end = line + size;
    for (const char *p = line; end - p >= (ptrdiff_t)keysize; p++) {
        p = (const char *)memchr(p, 't', (size_t)(end - p) - keysize + 1);
        if (!p)
            return 0;
        if (memcmp(p, key, keysize) == 0)
            return 1;
    }
    return 0;
}

// The log the device writes, of the reading in hand; empty for none.
static char currentlog[PATHSIZE];

static void startsource(struct logsource *src, const char *path)
{
    src->rxline.text[0] = src->txline.text[0] = '\0';
    src->rxline.from = src->txline.from = 0;
    src->live = src->primed = src->hasnext = src->ordered = src->skipped = src->reading = 0;
    src->atend = src->current = 0;
    memset(&src->facts, 0, sizeof src->facts);
    snprintf(src->path, sizeof src->path, "%s", path);
}

int sourceopen(struct logsource *src, const char *path)
{
    startsource(src, path);
    src->current = currentlog[0] && strcmp(path, currentlog) == 0;
    return textopen(&src->in, path);
}

int sourceopentail(struct logsource *src, const char *path, uint64_t tailbytes)
{
    startsource(src, path);
    src->current = currentlog[0] && strcmp(path, currentlog) == 0;
    return textopentail(&src->in, path, tailbytes);
}

// A data line that does not read as the device labels it: the first is
// kept to be shown.
static void labeloff(const struct dataline *d, uint32_t *off, char *seen)
{
    if ((*off)++ == 0)
        snprintf(seen, SEENSIZE, "%s", d->text + strspn(d->text, " \t"));
}

int sourcenext(struct logsource *src, struct logrecord *rec)
{
    static const char rxlabel[] = "Rx bytes:", txlabel[] = "Tx bytes:";
    struct textin *in = &src->in;
    struct sourcefacts *f = &src->facts;
    const char *line;
    size_t size;
    while ((line = textnext(in, &size))) {
        // the device starts each record's line with its key
        const int keyfirst = size >= TIMEKEYSIZE && memcmp(line, timekey, TIMEKEYSIZE) == 0;
        if (!keyfirst)
            size = worksize(line, size);
        if (!keyfirst && !hastimekey(line, size)) {
            f->strays++;
            continue;
        }
        // a record without its ":" counts once another record follows it:
        // the last one may be one the device is still writing
        f->nocolon += (uint32_t)src->skipped;
        src->skipped = 0;
        // the time after the line's first "=", as far as its field holds it
        const char *value = keyfirst ? line + TIMEKEYSIZE : (const char *)memchr(line, '=', size) + 1;
        size_t valuesize = size - (size_t)(value - line);
        const uint32_t t = textlvalue(value, valuesize < DATALINESIZE - 1 ? valuesize : DATALINESIZE - 1);
        // the whole record among the bytes read, its lines found at once;
        // else line by line, as far as the log goes
        const char *data[2];
        size_t sizes[2];
        const uint32_t picks = 1u << (RXLINES - 1) | 1u << (DATALINES - 1);
        int whole = textspan(in, DATALINES, picks, data, sizes);
        if (whole) {
            keepline(&src->rxline, data[0], sizes[0]);
            keepline(&src->txline, data[1], sizes[1]);
        } else {
            whole = readinto(in, &src->rxline, RXLINES);
            whole = readinto(in, &src->txline, TXLINES) && whole;
        }
        // the device may be writing the last record of its log: one cut
        // short by the end, or whose last line has no line feed yet, is
        // the next request's (an archive's is taken as it stands)
        if (src->current && (!whole || in->unended)) {
            src->atend = 1;
            return 0;
        }
        const char *rxlabelcolon = labelled(&src->rxline, rxlabel, sizeof rxlabel - 1);
        const char *txlabelcolon = labelled(&src->txline, txlabel, sizeof txlabel - 1);
        const char *rxcolon = colonof(&src->rxline, rxlabelcolon);
        const char *txcolon = colonof(&src->txline, txlabelcolon);
        if (!rxcolon || !txcolon) {
            src->skipped = 1;
            continue;
        }
        // a record the log's end cuts short has its lines elsewhere: only a
        // whole one says what the device writes
        if (whole && !rxlabelcolon)
            labeloff(&src->rxline, &f->rxoff, f->rxseen);
        if (whole && !txlabelcolon)
            labeloff(&src->txline, &f->txoff, f->txseen);
        f->records++;
        rec->t = t;
        rec->rx = datavalue(&src->rxline, rxcolon);
        rec->tx = datavalue(&src->txline, txcolon);
        return 1;
    }
    src->atend = 1;
    return 0;
}

int sourcetake(struct logsource *src, struct logrecord *rec, int *late)
{
    if (!src->primed) {
        src->primed = 1;
        src->hasnext = sourcenext(src, &src->next);
    }
    if (!src->hasnext)
        return 0;
    *rec = src->next;
    src->hasnext = sourcenext(src, &src->next);
    const int back = src->ordered && rec->t <= src->lastin;
    const int ahead = !back && src->hasnext && src->next.t < rec->t &&
                      (!src->ordered || src->next.t > src->lastin);
    *late = back || ahead;
    struct sourcefacts *f = &src->facts;
    if (*late && f->late++ == 0) {
        f->latet = rec->t;
        f->lateafter = src->ordered ? src->lastin : src->next.t;
    }
    if (!*late) {
        src->ordered = 1;
        src->lastin = rec->t;
    }
    return 1;
}

// The next record in time order, the late ones passed over.
static int takeinorder(struct logsource *src, struct logrecord *rec)
{
    int late;
    while (sourcetake(src, rec, &late))
        if (!late)
            return 1;
    return 0;
}

void sourceclose(struct logsource *src)
{
    textclose(&src->in);
}

// The logs of a reading: their names in one pool, each with the time of its
// first record, in the order of those times.
struct logfile {
    uint32_t first;
    uint32_t name;   // offset in the pool
    uint64_t id;     // the file its probe found under that name
    int hasid;
};

enum {
    MAXLOGS = 4096,                  // eleven years of daily archives
    NAMEPOOL = MAXLOGS * PATHSIZE,   // as many names, each of any length
    MAXTIMES = 65536,                // archives weighed when there are more than MAXLOGS
    OPENLOGS = 8,                    // logs read at once where their records overlap
    MAXNOTREAD = 32,                 // archives named as not read, or not read whole
    TAILBYTES = 65536,               // the end of a log that holds its newest records
    // A record is eleven short lines: a log whose first record is not in
    // its first 64 KiB of text, hundreds of records, is no log of the
    // device's, whatever it inflates to.
    PROBEBYTES = 65536,
    NOTWHYSIZE = WHYSIZE + 80,       // the system's reason, and how far it was read
    WAITS = 10, WAITMS = 100,        // a current log being replaced: a second at most
};

static struct {
    int merged;
    struct logsource *one;
    struct logfile files[MAXLOGS];
    int nfiles, nextfile;
    int found;                        // archives beside the log, read or not
    char pool[NAMEPOOL];
    size_t poolused;
    int64_t to;                       // no record at or past it is handed out
    struct logsource *open[OPENLOGS];
    int nopen;
    int handed;                       // a record was handed out: last holds its time
    uint32_t last;
    char failedpath[PATHSIZE], why[WHYSIZE];
    int failed, problem;
    int changed;                      // a log was renamed or replaced while it was read
    int again;                        // the merge went on after such a rename
    uint64_t currentsize;             // the current log's size when the folder was listed
    int currentseen;                  // and whether it was there then
    struct logreading reading;        // what the reading reads, for the logs listed again
    int currentgone;                  // the current log is not there, its archives are
    int every;                        // the one log hands out its late records too
    uint32_t late;                    // records out of time order in the logs read
    char notread[MAXNOTREAD][DATALINESIZE], notwhy[MAXNOTREAD][NOTWHYSIZE];
    int nnotread, morenotread;
} logs;

// The sources that can be open at once; the first serves a single log.
static struct logsource sources[OPENLOGS];

// The archives' times, when there are more than a reading takes.
static int64_t writtentimes[MAXTIMES];

static void failwith(const char *path, const char *why, int problem)
{
    if (logs.failed)
        return;
    logs.failed = 1;
    logs.problem = problem;
    snprintf(logs.failedpath, sizeof logs.failedpath, "%s", path);
    snprintf(logs.why, sizeof logs.why, "%s", why);
}

int logscount(void)
{
    return logs.merged ? logs.nfiles : logs.one != nullptr;
}

int logsproblem(void)
{
    return logs.problem;
}

int logschanged(void)
{
    return logs.changed;
}

uint32_t logslate(void)
{
    return logs.late;
}

const char *logsfailed(const char **why)
{
    *why = logs.why;
    return logs.failed ? logs.failedpath : nullptr;
}

const char *logsskipped(int n, const char **why)
{
    static char more[64];
    if (n >= 0 && n < logs.nnotread) {
        *why = logs.notwhy[n];
        return logs.notread[n];
    }
    if (n != logs.nnotread || logs.morenotread == 0)
        return nullptr;
    snprintf(more, sizeof more, "%d more archive%s", logs.morenotread, logs.morenotread == 1 ? "" : "s");
    *why = "not read either";
    return more;
}

void logsforget(void)
{
    logs.nnotread = logs.morenotread = 0;
}

// An archive left out of the reading, or read only in part: it costs the
// answer its own records, never the rest, and it is named, once for all
// the readings of the request (a CSV reads its logs twice).
static void leftout(const char *path, const char *why)
{
    const char *name = pathbase(path);
    complain(path, why);
    for (int i = 0; i < logs.nnotread; i++)
        if (strcmp(logs.notread[i], name) == 0)
            return;
    if (logs.nnotread == MAXNOTREAD) {
        logs.morenotread++;
        return;
    }
    snprintf(logs.notread[logs.nnotread], DATALINESIZE, "%s", name);
    snprintf(logs.notwhy[logs.nnotread], NOTWHYSIZE, "%s", why);
    logs.nnotread++;
}

// A gzip file cut short beside the file it is made from: compressed while
// it is read, its records all in the other.
static int beingzipped(const char *path, const struct textin *in)
{
    const size_t n = strlen(path);
    char plain[PATHSIZE];
    if (!in->zipped || n < 4 || strcmp(path + n - 3, ".gz") != 0 || n - 3 >= sizeof plain)
        return 0;
    snprintf(plain, sizeof plain, "%.*s", (int)(n - 3), path);
    return fileexists(plain);
}

// What a log read for the answer held that the device would not have
// written, said once the reading is done with it.
static void sourcedoubts(const struct logsource *src)
{
    const struct sourcefacts *f = &src->facts;
    const char *name = pathbase(src->path);
    // a read that failed is told as such; one cut short by its reader
    // knows nothing of what the rest holds
    if (src->in.failed)
        return;
    if (f->records == 0 && src->atend) {
        if (f->strays == 0 && f->nocolon == 0 && !src->skipped)
            doubt(NORECORDS, name, "The log is empty.");
        else
            doubt(NORECORDS, name, "The log holds no record in the device's format.");
        return;
    }
    if (f->records == 0)
        return;
    if (f->rxoff)
        doubt(LOGDOUBT, name,
              "the 4th line after time= reads '%s', not 'Rx bytes: N': is this the device's log? "
              "(%u of %u records)",
              f->rxseen, f->rxoff, f->records);
    if (f->txoff)
        doubt(LOGDOUBT, name,
              "the 10th line after time= reads '%s', not 'Tx bytes: N': is this the device's log? "
              "(%u of %u records)",
              f->txseen, f->txoff, f->records);
    if (f->nocolon)
        doubt(LOGDOUBT, name, "%u record%s passed over: the 4th or 10th line after time= holds no \":\".",
              f->nocolon, f->nocolon == 1 ? " is" : "s are");
    // a record is eleven lines: most lines are none of them
    if ((uint64_t)f->strays > 11 * (uint64_t)f->records)
        doubt(LOGDOUBT, name, "%u of its lines belong to no record, against %u records: is this the "
              "device's log?", f->strays, f->records);
    if (f->late) {
        const char *first = daytime(f->latet), *near = daytime(f->lateafter);
        doubt(LOGDOUBT, name,
              "%u record%s out of time order (the first dated %s, beside records of %s): %s.",
              f->late, f->late == 1 ? " is" : "s are", first, near,
              logs.every && logs.one ? "taken where they stand, as the log has them" : "passed over");
    }
}

// A source that ended. A read that failed is no end of the log: for the
// current log, or a log read alone, the answer fails with it; an archive
// of a period is named, what was read of it kept.
static void finishsource(struct logsource *src)
{
    if (src->in.failed && logs.merged && !src->current) {
        char why[NOTWHYSIZE];
        if (!beingzipped(src->path, &src->in)) {
            if (src->facts.records)
                snprintf(why, sizeof why, "%s; read up to its record of %s", src->in.why,
                         daytime(src->lastin));
            else
                snprintf(why, sizeof why, "%s", src->in.why);
            leftout(src->path, why);
        }
    } else if (src->in.failed)
        failwith(src->path, src->in.why, src->in.problem);
    if (src->reading) {
        logs.late += src->facts.late;
        sourcedoubts(src);
    }
    src->reading = 0;
    sourceclose(src);
}

// A listing of the log's folder: the log's archives are counted, added,
// or weighed by the time they were last written.
enum listwhat { COUNTING, ADDING, WEIGHING, ADDINGWINDOW };
struct listing {
    const char *folder, *base;
    size_t baselen;
    enum listwhat what;
    int64_t lo, hi;   // ADDINGWINDOW: the times of the archives taken
    int ntimes;       // WEIGHING: the times kept; COUNTING: the archives found
};

static void addlog(const char *path)
{
    const size_t len = strlen(path) + 1;
    if (logs.nfiles >= MAXLOGS || logs.poolused + len > sizeof logs.pool)
        return;
    memcpy(logs.pool + logs.poolused, path, len);
    logs.files[logs.nfiles].name = (uint32_t)logs.poolused;
    logs.files[logs.nfiles].first = 0;
    logs.files[logs.nfiles].hasid = 0;
    logs.nfiles++;
    logs.poolused += len;
}

// An archive of the log: its name followed by "." or "-" and more.
static void foundname(const char *name, void *arg)
{
    struct listing *l = (struct listing *)arg;
    if (strncmp(name, l->base, l->baselen) != 0 || (name[l->baselen] != '.' && name[l->baselen] != '-') ||
        name[l->baselen + 1] == '\0')
        return;
    char path[PATHSIZE];
    int n = snprintf(path, sizeof path, "%s%s", l->folder, name);
    if (n <= 0 || (size_t)n >= sizeof path)
        return;
    int64_t t;
    switch (l->what) {
    case COUNTING: l->ntimes++; break;
    case ADDING: logs.found++; addlog(path); break;
    case WEIGHING:
        if (l->ntimes < MAXTIMES && filewritten(path, &t))
            writtentimes[l->ntimes++] = t;
        break;
    case ADDINGWINDOW:
        if (filewritten(path, &t) && t >= l->lo && t <= l->hi)
            addlog(path);
        break;
    }
}

static const char *filepath(const struct logfile *f)
{
    return logs.pool + f->name;
}

static int byfirst(const void *a, const void *b)
{
    const struct logfile *x = (const struct logfile *)a, *y = (const struct logfile *)b;
    if (x->first != y->first)
        return x->first < y->first ? -1 : 1;
    return x->name < y->name ? -1 : x->name > y->name;   // the current log first
}

static int bytime(const void *a, const void *b)
{
    const int64_t x = *(const int64_t *)a, y = *(const int64_t *)b;
    return x < y ? -1 : x > y;
}

static int firstfrom(int n, int64_t t)
{
    int k = 0;
    while (k < n && writtentimes[k] < t)
        k++;
    return k;
}

// A listing of the folder of the log at path, for what.
static void startlisting(struct listing *l, const char *path, char *folder, size_t size,
                         enum listwhat what)
{
    pathfolder(path, folder, size);
    l->folder = folder;
    l->base = pathbase(path);
    l->baselen = strlen(l->base);
    l->what = what;
}

static int listfolder(struct listing *l)
{
    return folderfiles(*l->folder ? l->folder : ".", foundname, l);
}

// More archives than a reading takes: those the period needs are taken,
// as their names and the times they were last written tell (an archive is
// last written with its newest record): from the one before the period's
// start on; up to its end; or for the last hours and no period, the newest.
static void choosearchives(struct listing *l, const struct period *p)
{
    const int keep = MAXLOGS - 1;   // beside the current log
    l->what = WEIGHING;
    l->ntimes = 0;
    listfolder(l);
    const int n = l->ntimes;
    if (n == 0)
        return;
    qsort(writtentimes, (size_t)n, sizeof writtentimes[0], bytime);
    int start = n > keep ? n - keep : 0;
    if (p->hasfrom && p->hours == 0) {
        const int k = firstfrom(n, p->from);
        start = k > 0 ? k - 1 : 0;
    } else if (p->hasto && p->hours == 0) {
        const int end = firstfrom(n, p->to) + 1;
        start = (end < n ? end : n) > keep ? (end < n ? end : n) - keep : 0;
    }
    const int end = start + keep < n ? start + keep : n;
    logs.nfiles = 1;   // the current log stays
    logs.poolused = strlen(filepath(&logs.files[0])) + 1;
    l->what = ADDINGWINDOW;
    l->lo = writtentimes[start];
    l->hi = writtentimes[end - 1];
    listfolder(l);
}

// Lists the log and, if asked, its archives.
static void listlogs(const char *path, int archives, const struct period *p)
{
    logs.nfiles = 0;
    logs.poolused = 0;
    logs.found = 0;
    addlog(path);
    if (!archives)
        return;
    char folder[PATHSIZE];
    struct listing l;
    startlisting(&l, path, folder, sizeof folder, ADDING);
    if (!listfolder(&l)) {
        failwith(*folder ? folder : ".", fileerror(), fileproblem());
        return;
    }
    if (logs.found > MAXLOGS - 1)
        choosearchives(&l, p);
}

int logsarchived(const char *path)
{
    char folder[PATHSIZE];
    struct listing l;
    startlisting(&l, path, folder, sizeof folder, COUNTING);
    l.ntimes = 0;
    listfolder(&l);
    return l.ntimes > 0;
}

int logswait(const char *path)
{
    for (int i = 0; i < WAITS && !fileexists(path); i++)
        pausems(WAITMS);
    return fileexists(path);
}

// Whether the current log is shorter now than when the folder was listed,
// or than what was read of it: copytruncate copied it into an archive that
// the listing may not hold, then emptied it.
static int shrunk(const struct logsource *src)
{
    uint64_t size;
    return src->current && !src->in.zipped && filesize(src->in.fd, &size) &&
           (size < logs.currentsize || size < src->in.got);
}

// Each log's first record, within the text a first record must lie in;
// a log without one has nothing to merge. One that cannot be read, or
// holds no record there, is left out and named; a log that is gone since
// the listing means the folder changed: 0 then.
static int probelogs(void)
{
    int kept = 0, changed = 0;
    for (int i = 0; i < logs.nfiles; i++) {
        struct logsource *src = &sources[0];
        struct logrecord rec;
        const char *path = filepath(&logs.files[i]);
        const int current = currentlog[0] && strcmp(path, currentlog) == 0;
        if (!sourceopen(src, path)) {
            // a current log there at the listing and gone since was
            // renamed by a rotation, like an archive that went
            if (src->in.problem == FILEMISSING && current && !logs.currentseen)
                logs.currentgone = 1;
            else if (src->in.problem == FILEMISSING)
                changed = 1;
            else
                leftout(path, src->in.why);
            continue;
        }
        struct logfile f = logs.files[i];
        f.hasid = fileid(src->in.fd, &f.id);
        src->in.limit = PROBEBYTES;
        const int got = sourcenext(src, &rec);
        if (!got && src->in.failed && !beingzipped(path, &src->in))
            leftout(path, src->in.why);
        else if (!got && src->in.limited)
            leftout(path, "no record in its first 64 KiB of text");
        changed |= shrunk(src);
        sourceclose(src);
        if (got) {
            f.first = rec.t;
            logs.files[kept++] = f;
        }
    }
    logs.nfiles = kept;
    qsort(logs.files, (size_t)logs.nfiles, sizeof logs.files[0], byfirst);
    return !changed;
}

static void resetlogs(void)
{
    logs.merged = logs.nopen = logs.handed = logs.failed = logs.problem = 0;
    logs.changed = logs.currentgone = logs.again = 0;
    logs.late = 0;
    currentlog[0] = '\0';
    logs.one = nullptr;
    logs.nextfile = 0;
    logs.to = INT64_MAX;
}

// The newest record of the logs: in the log that starts last, at its end.
static int newest(uint32_t *t)
{
    struct logsource *src = &sources[0];
    const struct logfile *last = &logs.files[logs.nfiles - 1];
    *t = last->first;
    if (!sourceopentail(src, filepath(last), TAILBYTES)) {
        logs.changed = src->in.problem == FILEMISSING;
        failwith(filepath(last), src->in.why, src->in.problem);
        return 0;
    }
    // the newest that the next record or the log's end confirms: a time
    // ahead of the records after it is none
    struct logrecord rec;
    while (takeinorder(src, &rec))
        if (rec.t > *t)
            *t = rec.t;
    finishsource(src);
    return !logs.failed;
}

// The current log is not there, but its archives are: it is being
// replaced, or the device has not written it since it was.
static void currentgone(enum doubtkind kind, const char *path, const char *then)
{
    doubt(kind, pathbase(path),
          "The log is not there, but its archives are: it is being rotated, or the device has not "
          "written it again since%s.",
          then);
}

static int openone(const struct logreading *r)
{
    logs.one = &sources[0];
    if (sourceopen(logs.one, r->path)) {
        logs.one->reading = 1;
        return 1;
    }
    if (r->current && logs.one->in.problem == FILEMISSING && logsarchived(r->path)) {
        currentgone(NORECORDS, r->path, "");
        logs.one = nullptr;
        return 1;
    }
    failwith(r->path, logs.one->in.why, logs.one->in.problem);
    logs.one = nullptr;
    return 0;
}

// Whether the folder is as the probes found it: the current log the same
// file, and as many archives as the listing found. A rotation renames the
// current log last, and one that went on while the logs were probed adds an
// archive whose name the listing lacks, though every name it holds is
// still there.
static int unchanged(const struct logreading *r)
{
    for (int i = 0; i < logs.nfiles; i++)
        if (logs.files[i].name == 0 && logs.files[i].hasid && r->current) {
            // the current log, listed first
            const sysfile f = fileread(r->path);
            uint64_t id;
            const int same = f != NOFILE && fileid(f, &id) && id == logs.files[i].id;
            if (f != NOFILE)
                fileclose(f);
            if (!same)
                return 0;
        }
    if (!r->archives)
        return 1;
    char folder[PATHSIZE];
    struct listing l;
    startlisting(&l, r->path, folder, sizeof folder, COUNTING);
    l.ntimes = 0;
    return listfolder(&l) && l.ntimes == logs.found;
}

// The logs listed and probed. A folder that changes between its listing
// and the end of the probes is listed again: a rotation renames every
// archive.
static int findlogs(const struct logreading *r)
{
    for (int tries = 1;; tries++) {
        logs.currentgone = 0;
        logs.currentsize = 0;
        sysfile f = r->current ? fileread(r->path) : NOFILE;
        logs.currentseen = f != NOFILE;
        if (f != NOFILE) {
            if (!filesize(f, &logs.currentsize))
                logs.currentsize = 0;
            fileclose(f);
        }
        listlogs(r->path, r->archives, r->period);
        if (logs.failed)
            return 0;
        if ((probelogs() && unchanged(r)) || tries == LOGRETRIES)
            return 1;
    }
}

// Logs whose follower starts before t need not be read: archives are
// taken to follow one another, so they hold nothing from t on.
static void skipbefore(int64_t t)
{
    while (logs.nextfile + 1 < logs.nfiles && logs.files[logs.nextfile + 1].first < t)
        logs.nextfile++;
}

int logsopen(const struct logreading *r)
{
    struct period *p = r->period;
    resetlogs();
    logs.every = r->every;
    logs.reading = *r;
    snprintf(currentlog, sizeof currentlog, "%s", r->current ? r->path : "");
    // the one log, every record of it: the road of most requests
    if (!r->archives && !p->asked)
        return openone(r);
    logs.merged = 1;
    if (!findlogs(r))
        return 0;
    if (logs.found > MAXLOGS - 1)
        doubt(LOGDOUBT, pathbase(r->path),
              "%d of its %d archives are left out: a reading takes %d logs, those last written "
              "nearest the period.",
              logs.found - (MAXLOGS - 1), logs.found, MAXLOGS);
    if (logs.currentgone)
        currentgone(LOGDOUBT, r->path, ": the answer is read from its archives");
    // the last hours: after the newest record less that many hours, up to it
    uint32_t t;
    if (p->hours > 0 && logs.nfiles > 0) {
        if (!newest(&t))
            return 0;
        p->hasfrom = p->hasto = 1;
        p->from = (int64_t)t - (int64_t)p->hours * 3600 + 1;
        p->to = (int64_t)t + 1;
    }
    if (p->hasto)
        logs.to = p->to;
    // logs whose follower starts before the period need not be read: the
    // last such log still is, for the record the period's first interval
    // counts from; a follower that starts at the period's start holds no
    // record before it
    if (p->hasfrom)
        skipbefore(p->from);
    return 1;
}

// A source that no open log holds.
static struct logsource *freesource(void)
{
    for (auto &s : sources) {
        int busy = 0;
        for (int i = 0; i < logs.nopen; i++)
            busy |= logs.open[i] == &s;
        if (!busy)
            return &s;
    }
    return nullptr;
}

// Whether the merge has reached the next log's first record: no record
// read ahead comes before it.
static int nextlogdue(void)
{
    if (logs.nextfile >= logs.nfiles || logs.nopen >= OPENLOGS)
        return 0;
    const uint32_t first = logs.files[logs.nextfile].first;
    if (first >= logs.to)
        return 0;
    for (int i = 0; i < logs.nopen; i++)
        if (logs.open[i]->ahead.t < first)
            return 0;
    return 1;
}

// A log that is gone, or is another file than the one probed, was renamed
// while the logs were read: a rotation, which renames them all, or
// compresses one into a new file. The answer may be half written, so the
// merge goes on where it stands: the logs are listed and probed again, and
// read from the one that holds what comes after the last record handed out
// (the records up to it are passed over as handed out already). The logs
// that were open are read again, their doubts said then. 0 when the folder
// keeps changing: the reading fails, and one that can start again should.
static int readagain(const char *path, const char *why, int problem)
{
    for (int i = 0; i < logs.nopen; i++) {
        logs.open[i]->reading = 0;
        sourceclose(logs.open[i]);
    }
    logs.nopen = 0;
    if (logs.again++ == LOGRETRIES) {
        logs.changed = 1;
        failwith(path, why, problem);
        return 0;
    }
    if (!findlogs(&logs.reading))
        return 0;
    if (logs.currentgone)
        currentgone(LOGDOUBT, logs.reading.path, ": the answer is read from its archives");
    logs.nextfile = 0;
    if (logs.handed)
        skipbefore((int64_t)logs.last + 1);
    else if (logs.reading.period->hasfrom)
        skipbefore(logs.reading.period->from);
    return 1;
}

// Opens the next log in the order of first records and reads its first
// record ahead; 0 when a log could not be read.
static int openlog(void)
{
    struct logsource *src = freesource();
    const struct logfile *f = &logs.files[logs.nextfile++];
    const char *path = filepath(f);
    uint64_t id;
    if (!sourceopen(src, path)) {
        if (src->in.problem == FILEMISSING)
            return readagain(path, "renamed while the logs were read", FILEMISSING);
        if (!src->current) {
            leftout(path, src->in.why);
            return 1;
        }
        failwith(path, src->in.why, src->in.problem);
        return 0;
    }
    if (f->hasid && fileid(src->in.fd, &id) && id != f->id) {
        sourceclose(src);
        return readagain(path, "replaced by another file while the logs were read", FILEOTHER);
    }
    src->reading = 1;
    src->live = takeinorder(src, &src->ahead);
    if (src->live)
        logs.open[logs.nopen++] = src;
    else if (shrunk(src)) {
        src->reading = 0;
        sourceclose(src);
        return readagain(path, "emptied while the logs were read", FILEOTHER);
    } else
        finishsource(src);
    return !logs.failed;
}

static int mergednext(struct logrecord *rec)
{
    for (;;) {
        while (nextlogdue())
            if (!openlog())
                return 0;
        if (logs.nopen == 0)
            return 0;
        int k = 0;
        for (int i = 1; i < logs.nopen; i++)
            if (logs.open[i]->ahead.t < logs.open[k]->ahead.t)
                k = i;
        struct logsource *src = logs.open[k];
        *rec = src->ahead;
        src->live = takeinorder(src, &src->ahead);
        if (!src->live && shrunk(src)) {
            if (!readagain(src->path, "emptied while the logs were read", FILEOTHER))
                return 0;
        } else if (!src->live) {
            finishsource(src);
            logs.open[k] = logs.open[--logs.nopen];
            if (logs.failed)
                return 0;
        }
        if (rec->t >= logs.to)
            return 0;
        // a time that another log handed out already
        if (logs.handed && rec->t <= logs.last)
            continue;
        logs.handed = 1;
        logs.last = rec->t;
        return 1;
    }
}

int lognext(struct logrecord *rec)
{
    if (logs.one) {
        int late;
        while (sourcetake(logs.one, rec, &late))
            if (!late || logs.every)
                return 1;
        return 0;
    }
    return logs.merged ? mergednext(rec) : 0;
}

void logsclose(void)
{
    if (logs.one)
        finishsource(logs.one);
    for (int i = 0; i < logs.nopen; i++)
        finishsource(logs.open[i]);
    for (auto &s : sources)
        s.live = 0;
    logs.one = nullptr;
    logs.nopen = 0;
}

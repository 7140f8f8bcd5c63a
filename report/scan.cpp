#include "scan.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/numbers.h"
#include "../support/settings.h"
#include "doubts.h"
#include "logs.h"
#include "request.h"

const char histname[] = "histout.dat";
const char lockname[] = "histout.lck";

uint32_t ultime1, ulrxbytes, ultxbytes;
uint32_t totalcount;

int64_t channelbytes(int64_t seconds)
{
    const int64_t persecond = req.bandwidth / 8;
    if (persecond <= 0)
        return -1;
    return seconds > 0 ? persecond * seconds : 0;
}

int isgap(int64_t seconds)
{
    return req.qtime > 0 && 2 * seconds > 3 * (int64_t)req.qtime;
}

// A 32-bit counter that fell either passed its end and started again from
// 0 (a wrap) or was set back to 0 when the device restarted. A wrap counted
// the difference modulo 2^32, which the channel must have been able to
// carry in the time between the two records; a restart counted its new
// value since 0. Without a bandwidth to judge by every fall is a restart:
// that never invents traffic, and a wrap, which leaves the counter near
// 2^32, loses only what it counted before it wrapped.
uint32_t fallenbytes(uint32_t prev, uint32_t cur, int64_t capacity, int *how)
{
    const uint32_t modulo = cur - prev;
    if (capacity >= 0 && (uint64_t)modulo <= (uint64_t)capacity) {
        *how = WRAPPED;
        return modulo;
    }
    *how = RESTARTED;
    // a new value the channel could not have carried since the restart was
    // set, not counted: nothing is known of that interval
    return capacity >= 0 && (uint64_t)cur > (uint64_t)capacity ? 0 : cur;
}

static struct textout hist;

static void putline(const uint32_t *fields, int count)
{
    char line[5 * 11 + 1];   // the last number has 10 characters of room
    char *p = line;
    for (int i = 0; i < count; i++) {
        p = putdec(p, fields[i]);
        *p++ = i + 1 < count ? ' ' : '\n';
    }
    textput(&hist, line, (size_t)(p - line));
}

static void logdatetext(uint32_t t, char *buf, size_t size)
{
    char tt[TIMETEXTSIZE], szgmtdate[WORDSIZE], szgmtmonth[WORDSIZE], szgmtyear[WORDSIZE];
    gmttimetext(t, tt, sizeof tt);
    getsvalue(tt, szgmtdate, sizeof szgmtdate, 3);
    getsvalue(tt, szgmtmonth, sizeof szgmtmonth, 2);
    getsvalue(tt, szgmtyear, sizeof szgmtyear, 5);
    snprintf(buf, size, "%s %s %s", szgmtdate, szgmtmonth, szgmtyear);
}

void countfrom(struct counting *c, int ordered)
{
    c->seeded = 0;
    c->ordered = ordered;
}

int nextinterval(struct counting *c, struct interval *iv)
{
    struct logrecord rec;
    while (lognext(&rec)) {
        if (!c->seeded) {
            c->seeded = 1;
            c->prev = rec;
            continue;
        }
        // a record no later than the one before it has no length to count over
        if (c->ordered && rec.t <= c->prev.t)
            continue;
        countinterval(&c->prev, &rec, iv);
        c->prev = rec;
        return 1;
    }
    return 0;
}

// The intervals that counted more than the channel carries, and the first.
static struct {
    uint32_t count, t;
    double share;   // of what the channel carries in it, in percent
} over;

void overcapacitydoubt(const char *path)
{
    if (over.count)
        doubt(LOGDOUBT, pathbase(path),
              "%u interval%s counted more than the channel can carry (the first to %s, %.0f%% of "
              "it): the bandwidth setting may be too low, or the counter was set.",
              over.count, over.count == 1 ? "" : "s", daytime(over.t), over.share);
    over.count = 0;
}

// A counter that rose by more than the channel can carry in the time
// between two records counts all the same: the setting may be too low, or
// the counter was set; either way it is said.
static void overcapacity(struct interval *iv, int64_t seconds, int tally)
{
    const int64_t capacity = channelbytes(seconds);
    const uint32_t most = iv->rxbytes > iv->txbytes ? iv->rxbytes : iv->txbytes;
    iv->over = seconds > 0 && capacity > 0 && (uint64_t)most > (uint64_t)capacity;
    if (tally && iv->over && over.count++ == 0) {
        over.t = iv->t;
        over.share = (double)most * 100 / (double)capacity;
    }
}

static void measure(const struct logrecord *prev, const struct logrecord *rec, struct interval *iv,
                    int tally)
{
    const int64_t seconds = (int64_t)rec->t - prev->t;
    int how;
    iv->t = rec->t;
    iv->seconds = seconds > 0 ? (uint32_t)seconds : 0;
    iv->rx = rec->rx;
    iv->tx = rec->tx;
    iv->rxbytes = countbytes(prev->rx, rec->rx, seconds, &how);
    iv->rxhow = (uint8_t)how;
    iv->txbytes = countbytes(prev->tx, rec->tx, seconds, &how);
    iv->txhow = (uint8_t)how;
    iv->gap = (uint8_t)isgap(seconds);
    overcapacity(iv, seconds, tally);
}

void countinterval(const struct logrecord *prev, const struct logrecord *rec, struct interval *iv)
{
    measure(prev, rec, iv, 1);
}

// Whether an interval ending at t lies in the period.
int inperiod(const struct period *p, uint32_t t)
{
    return (!p->hasfrom || t >= p->from) && (!p->hasto || t < p->to);
}

// The period counts for the load chart alone: the lookup and the summary
// read the one log whole, as ever.
static struct period noperiod;

struct period *askedperiod(void)
{
    return periodapplies() ? &req.period : &noperiod;
}

// A period takes the current log's archives too; a log asked for by name
// is read alone.
static int openlogs(struct period *p, int every)
{
    over.count = 0;
    const struct logreading r = {req.logname, p->asked && !req.lognamed, !req.lognamed, every, p};
    return logsopen(&r);
}

// A read that failed is no end of the log: what was read would pass for
// the whole of it.
int closerequestlogs(void)
{
    logsclose();
    const char *why, *failed = logsfailed(&why);
    if (failed) {
        complain(failed, why);
        const int current = strcmp(failed, req.logname) == 0;
        filefailure(logsproblem(), current ? (summaryasked() ? "daily log" : "log") : "archive",
                    pathbase(failed), failed, "the log folder", 0);
    }
    overcapacitydoubt(req.logname);
    return failed == nullptr;
}

int openrequestlogs(struct counting *c, int ordered)
{
    countfrom(c, ordered);
    return openlogs(askedperiod(), 0);
}

int nextrequestinterval(struct counting *c, struct interval *iv)
{
    const struct period *p = askedperiod();
    while (nextinterval(c, iv))
        if (inperiod(p, iv->t))
            return 1;
    return 0;
}

int readwhole(const struct logreading *r, struct counting *c,
              void (*each)(const struct interval *iv, void *arg), void *arg)
{
    struct interval iv;
    countfrom(c, 1);
    if (logsopen(r))
        while (nextinterval(c, &iv))
            each(&iv, arg);
    logsclose();
    overcapacitydoubt(r->path);
    const char *why;
    return logsfailed(&why) == nullptr;
}

int eachinterval(void (*start)(void *arg), void (*each)(const struct interval *iv, void *arg), void *arg)
{
    for (int tries = 1;; tries++) {
        struct counting c;
        struct interval iv;
        start(arg);
        if (openrequestlogs(&c, 1))
            while (nextrequestinterval(&c, &iv))
                each(&iv, arg);
        const int ok = closerequestlogs();
        if (ok || !logschanged() || tries == LOGRETRIES)
            return ok;
    }
}

int summarystarts(uint32_t t)
{
    char szgmtdate1[FIELDSIZE];
    if (ison(req.dates))
        return 1;
    logdatetext(t, szgmtdate1, sizeof szgmtdate1);
    return strcmp(szgmtdate1, req.date) == 0;
}

// The load chart draws the newest CHARTLINES intervals of its log: its
// interval file holds those alone, from the records kept as they come, the
// oldest of them the one the first line counts from, and the chart draws
// them from there too. A five-year log leaves 3 MB of lines behind, not 60.
// The records have memory of their own, given back once the chart has
// taken its columns from them, before its image is made: beside the image
// they would make the year's chart the largest of all requests.
enum { CHARTRING = CHARTLINES + 1 };
static struct logrecord *chartrecords;
static uint32_t chartkept;

static int chartring(void)
{
    if (!chartrecords)
        chartrecords = (struct logrecord *)malloc(CHARTRING * sizeof *chartrecords);
    chartkept = 0;
    return chartrecords != nullptr;
}

void chartdone(void)
{
    free(chartrecords);
    chartrecords = nullptr;
    chartkept = 0;
}

uint32_t eachchartinterval(void (*each)(const struct interval *iv, uint32_t before, void *arg), void *arg)
{
    const struct period *p = askedperiod();
    const uint32_t n = chartkept < (uint32_t)CHARTRING ? chartkept : (uint32_t)CHARTRING;
    uint32_t at = chartkept < (uint32_t)CHARTRING ? 0 : chartkept % CHARTRING, lines = 0;
    uint32_t before = 0;
    for (uint32_t i = 1; i < n; i++) {
        const struct logrecord *prev = &chartrecords[at];
        at = at + 1 == CHARTRING ? 0 : at + 1;
        const struct logrecord *rec = &chartrecords[at];
        if (!inperiod(p, rec->t))
            continue;
        struct interval iv;
        measure(prev, rec, &iv, 0);
        each(&iv, lines++ == 0 ? prev->t : before, arg);
        before = iv.t;
    }
    return lines;
}

static void chartline(const struct interval *iv, uint32_t, void *)
{
    const uint32_t fields[] = {iv->t, iv->rx, iv->rxbytes, iv->tx, iv->txbytes};
    putline(fields, 5);
}

// Whether the scan is the load chart's, which keeps its newest records.
static int chartscan(void)
{
    return !summaryasked() && strcmp(req.action, "totalload") != 0;
}

static void scanrecords(const struct period *p)
{
    const int summary = summaryasked();
    const int chart = chartscan();
    int sumtotalload = 0, seeded = 0;
    uint32_t lines = 0;
    struct logrecord rec, prev = {0, 0, 0};

    while (lognext(&rec)) {
        ultime1 = rec.t;
        ulrxbytes = rec.rx;
        ultxbytes = rec.tx;
        if (summary && !sumtotalload)
            sumtotalload = summarystarts(ultime1);
        if (summary && sumtotalload) {
            if (totalcount >= (uint32_t)req.days)
                break;
            // the day's raw counters, as read
            const uint32_t fields[] = {ultime1, ulrxbytes, ultxbytes};
            putline(fields, 3);
            totalcount++;
            continue;
        }
        if (summary)
            continue;
        if (chart) {
            chartrecords[chartkept % CHARTRING] = rec;
            chartkept++;
        }
        if (seeded && inperiod(p, rec.t)) {
            // a counter that fell wrapped or restarted; either way the next
            // interval counts from its new value
            struct interval iv;
            countinterval(&prev, &rec, &iv);
            if (!chart) {
                const uint32_t fields[] = {iv.t, iv.rx, iv.rxbytes, iv.tx, iv.txbytes};
                putline(fields, 5);
            }
            lines++;
        }
        seeded = 1;
        prev = rec;
    }
    if (chart)
        eachchartinterval(chartline, nullptr);
    // the records that made the interval lines, the first only seeding
    if (!summary && seeded)
        totalcount = lines + 1;
}

static int scanonce(void)
{
    totalcount = 0;
    if (chartscan() && !chartring()) {
        complain(histname, "no memory for the chart's records");
        failure("The chart is too large for the memory the server gives it.");
        return 0;
    }
    struct period *p = askedperiod();
    int ok = openlogs(p, 1);
    if (ok) {
        ok = textcreate(&hist, histname);
        if (ok)
            scanrecords(p);
        ok = textfinish(&hist) && ok;
        if (!ok) {
            complain(histname, hist.why);
            filefailure(hist.problem, "working file", histname, histname, nullptr, 1);
        }
    }
    return closerequestlogs() && ok;
}

// Logs renamed while they were read (a rotation) are read again.
int scanlog(void)
{
    for (int tries = 1;; tries++) {
        const int ok = scanonce();
        if (ok || !logschanged() || tries == LOGRETRIES)
            return ok;
    }
}

#include "scan.h"

#include <stdio.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/settings.h"
#include "request.h"

const char histname[] = "histout.dat";
const char lockname[] = "histout.lck";

uint32_t ultime1, ulrxbytes, ultxbytes;
uint32_t totalcount, logrecords;
uint32_t ulseedtime;

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

// Data lines after a "time=" line: the 4th holds Rx, the 10th Tx.
enum { RXLINES = 4, TXLINES = 6 };

static struct textin logf;
static struct textout hist;

// The digits are made from the right in pairs, then moved in one fixed-size
// copy: p must have room for 10 characters whatever the number.
char *putdec(char *p, uint32_t v)
{
    static const char pairs[] = "00010203040506070809101112131415161718192021222324"
                                "25262728293031323334353637383940414243444546474849"
                                "50515253545556575859606162636465666768697071727374"
                                "75767778798081828384858687888990919293949596979899";
    char digits[20];
    char *d = digits + 10;
    while (v >= 100) {
        const uint32_t q = v / 100;
        const char *pair = pairs + 2 * (v - q * 100);
        v = q;
        d -= 2;
        d[0] = pair[0];
        d[1] = pair[1];
    }
    if (v >= 10) {
        d -= 2;
        d[0] = pairs[2 * v];
        d[1] = pairs[2 * v + 1];
    } else
        *--d = (char)('0' + v);
    memcpy(p, d, 10);
    return p + (digits + 10 - d);
}

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

// A data line as kept between records: the text, and where the part that
// is still to be read starts (past the first ":" once it was read).
struct dataline {
    char text[FIELDSIZE];   // longer lines are cut
    size_t from;
};

// Reads up to count lines and keeps the last; a line that gets nothing
// keeps what it held.
static void readinto(struct dataline *d, int count)
{
    if (textlast(&logf, count, d->text, sizeof d->text) > 0)
        d->from = 0;
}

// The first ":" of the kept text, or null.
static const char *colonof(const struct dataline *d)
{
    return strchr(d->text + d->from, ':');
}

// The number after the first ":"; the text then starts past that ":".
static uint32_t datavalue(struct dataline *d, const char *colon)
{
    d->from = (size_t)(colon + 1 - d->text);
    return getlvalue(colon + 1, 1);
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

static void logdatetext(uint32_t t, char *buf, size_t size)
{
    char tt[TIMETEXTSIZE], szgmtdate[WORDSIZE], szgmtmonth[WORDSIZE], szgmtyear[WORDSIZE];
    gmttimetext(t, tt, sizeof tt);
    getsvalue(tt, szgmtdate, sizeof szgmtdate, 3);
    getsvalue(tt, szgmtmonth, sizeof szgmtmonth, 2);
    getsvalue(tt, szgmtyear, sizeof szgmtyear, 5);
    snprintf(buf, size, "%s %s %s", szgmtdate, szgmtmonth, szgmtyear);
}

// Whether a work line holds "time=": the key of a record's first line.
static int hastimekey(const char *line, size_t size)
{
    static const char key[] = "time=";
    const size_t keysize = sizeof key - 1;
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

static void scanrecords(void)
{
    // data lines and time fields longer than these are cut
    static struct dataline rxbytes, txbytes;
    char szgmtdate1[FIELDSIZE];
    const int summary = strcmp(req.action, "sumtotalload") == 0;
    int sumtotalload = 0;
    uint32_t ulrxprev = 0, ultxprev = 0, ultimeprev = 0;

    const char *line;
    size_t size;
    while ((line = textnext(&logf, &size))) {
        size = worksize(line, size);
        if (!hastimekey(line, size))
            continue;
        // the time after the line's first "=", as far as its field holds it
        const char *value = (const char *)memchr(line, '=', size) + 1;
        size_t valuesize = size - (size_t)(value - line);
        const uint32_t t = textlvalue(value, valuesize < FIELDSIZE - 1 ? valuesize : FIELDSIZE - 1);
        readinto(&rxbytes, RXLINES);
        readinto(&txbytes, TXLINES);
        const char *rxcolon = colonof(&rxbytes), *txcolon = colonof(&txbytes);
        if (!rxcolon || !txcolon)
            continue;
        logrecords++;
        ulrxbytes = datavalue(&rxbytes, rxcolon);
        ultxbytes = datavalue(&txbytes, txcolon);
        ultime1 = t;
        if (summary && !sumtotalload) {
            logdatetext(ultime1, szgmtdate1, sizeof szgmtdate1);
            sumtotalload = strcmp(szgmtdate1, req.date) == 0 || ison(req.dates);
        }
        if (summary && sumtotalload) {
            if (totalcount >= (uint32_t)req.days)
                break;
            // the day's raw counters, as read
            const uint32_t fields[] = {ultime1, ulrxbytes, ultxbytes};
            putline(fields, 3);
            totalcount++;
            continue;
        }
        if (totalcount != 0) {
            // a counter that fell wrapped or restarted; either way the next
            // interval counts from its new value
            const int64_t seconds = (int64_t)ultime1 - ultimeprev;
            int how;
            const uint32_t fields[] = {ultime1, ulrxbytes,
                                       countbytes(ulrxprev, ulrxbytes, seconds, &how), ultxbytes,
                                       countbytes(ultxprev, ultxbytes, seconds, &how)};
            putline(fields, 5);
        } else
            ulseedtime = ultime1;
        if (!summary)
            totalcount++;
        ulrxprev = ulrxbytes;
        ultxprev = ultxbytes;
        ultimeprev = ultime1;
    }
}

int scanlog(void)
{
    logrecords = 0;
    if (!textopen(&logf, req.logname)) {
        complain(req.logname, logf.why);
        return 0;
    }
    int ok = textcreate(&hist, histname);
    if (ok)
        scanrecords();
    ok = textfinish(&hist) && ok;
    if (!ok)
        complain(histname, hist.why);
    // a read that failed is no end of the log: what was read would pass
    // for the whole of it
    if (ok && logf.failed) {
        complain(req.logname, logf.why);
        ok = 0;
    }
    textclose(&logf);
    return ok;
}

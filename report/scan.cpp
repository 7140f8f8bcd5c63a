#include "scan.h"

#include <stdio.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/datetime.h"
#include "../support/settings.h"
#include "request.h"

const char histname[] = "histout.dat";
const char lockname[] = "histout.lck";

uint32_t ultime1, ulrxbytes, ultxbytes;
uint32_t totalcount;

// Data lines after a "time=" line: the 4th holds Rx, the 10th Tx.
enum { RXLINES = 4, TXLINES = 6 };

static struct textin logf;
static struct textout hist;

char *putdec(char *p, uint32_t v)
{
    char digits[10];
    int n = 0;
    do
        digits[n++] = (char)('0' + v % 10);
    while (v /= 10);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

static void putline(const uint32_t *fields, int count)
{
    char line[5 * 11 + 1];
    char *p = line;
    for (int i = 0; i < count; i++) {
        p = putdec(p, fields[i]);
        *p++ = i + 1 < count ? ' ' : '\n';
    }
    textput(&hist, line, (size_t)(p - line));
}

// Reads up to count lines into buf, each replacing the last; a buffer
// that gets nothing keeps what it held.
static void readinto(char *buf, size_t size, int count)
{
    for (int i = 0; i < count && textline(&logf, buf, size); i++) {
    }
}

// The value text after a data line's first ":", moved to the buffer's start.
static int aftercolon(char *buf)
{
    char *colon = strchr(buf, ':');
    if (!colon)
        return 0;
    memmove(buf, colon + 1, strlen(colon + 1) + 1);
    return 1;
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

static void scanrecords(void)
{
    static char temp[WORKLINESIZE];
    // data lines and time fields longer than these are cut
    static char rxbytes[FIELDSIZE], txbytes[FIELDSIZE], szgmttime[FIELDSIZE];
    char szgmtdate1[FIELDSIZE];
    const int summary = strcmp(req.action, "sumtotalload") == 0;
    int sumtotalload = 0;
    uint32_t ulrxprev = 0, ultxprev = 0;

    while (textline(&logf, temp, sizeof temp)) {
        if (!strstr(temp, "time="))
            continue;
        setfield(szgmttime, strchr(temp, '=') + 1);
        readinto(rxbytes, sizeof rxbytes, RXLINES);
        readinto(txbytes, sizeof txbytes, TXLINES);
        if (!strchr(rxbytes, ':') || !strchr(txbytes, ':'))
            continue;
        aftercolon(rxbytes);
        aftercolon(txbytes);
        ulrxbytes = getlvalue(rxbytes, 1);
        ultxbytes = getlvalue(txbytes, 1);
        ultime1 = getlvalue(szgmttime, 1);

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
        // a falling counter means the device restarted: hold the last value
        if (ulrxbytes < ulrxprev)
            ulrxbytes = ulrxprev;
        if (ultxbytes < ultxprev)
            ultxbytes = ultxprev;
        if (totalcount != 0) {
            const uint32_t fields[] = {ultime1, ulrxbytes, ulrxbytes - ulrxprev, ultxbytes,
                                       ultxbytes - ultxprev};
            putline(fields, 5);
        }
        if (!summary)
            totalcount++;
        ulrxprev = ulrxbytes;
        ultxprev = ultxbytes;
    }
}

int scanlog(void)
{
    if (!textopen(&logf, req.logname))
        return 0;
    fileremove(histname);
    int ok = textcreate(&hist, histname);
    if (ok)
        scanrecords();
    ok = textfinish(&hist) && ok;
    textclose(&logf);
    return ok;
}

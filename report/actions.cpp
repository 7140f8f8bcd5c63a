#include "actions.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/escape.h"
#include "../support/settings.h"
#include "chart.h"
#include "logs.h"
#include "request.h"
#include "scan.h"
#include "usage.h"

const char deniedmsg[] = "<p>Access denided !</p>";
const char notfoundmsg[] = "<p>The entered date is not found !</p>";
const char noperiodmsg[] = "<p>The logs hold no record in that period.</p>";

// Seconds of the day of an hh:mm text; no ":" means no minutes.
static uint32_t daysecs(const char *hhmm)
{
    const char *colon = strchr(hhmm, ':');
    int32_t minutes = colon ? decval(colon + 1) : 0;
    return (uint32_t)((int64_t)decval(hhmm) * 3600 + (int64_t)minutes * 60);
}

uint32_t lookuptarget(void)
{
    setfield(req.time, makegmttime(req.time));
    return daysecs(req.time);
}

int neartarget(uint32_t t, uint32_t target)
{
    // the interval's time of day in whole minutes, as its time text shows it
    const uint32_t timesec2 = t % 86400 / 60 * 60;
    return llabs((int64_t)target - (int64_t)timesec2) <= req.timeseccorrect;
}

// The first interval whose time of day lies within the tolerance of the
// asked time, whatever its date; midnight does not wrap.
static void timelookup(void)
{
    static struct textin in;
    static char temp[WORKLINESIZE];
    char szgmttime[FIELDSIZE];

    const uint32_t timesec1 = lookuptarget();
    textopen(&in, histname);
    while (textline(&in, temp, sizeof temp)) {
        ultime1 = getlvalue(temp, 1);
        if (!neartarget(ultime1, timesec1))
            continue;
        ulrxbytes = getlvalue(temp, 2);
        ultxbytes = getlvalue(temp, 4);
        gmttimetext(ultime1, szgmttime, sizeof szgmttime);
        printf("<p>Porvata VORN-NX Summary Statistics:<br><br>");
        printf("Time: %s<br>", szgmttime);
        printf("Rx Bytes: %u<br>", ulrxbytes);
        printf("Tx Bytes: %u</p>", ultxbytes);
        break;
    }
    if (in.failed) {
        complain(histname, in.why);
        printf("%s", deniedmsg);
    }
    textclose(&in);
}

void skippednotes(void)
{
    const char *why, *name;
    for (int n = 0; (name = logsskipped(n, &why)); n++) {
        printf("<p>Not read: %s", htmlesc(name));
        printf(" (%s).</p>", htmlesc(why));
    }
}

static void answer(void)
{
    const int summary = summaryasked();
    if (periodapplies()) {
        skippednotes();
        // the period's own sentence, whatever the logs hold outside it
        if (totalcount <= 1) {
            printf("%s", noperiodmsg);
            return;
        }
    }
    if (totalcount == 0) {
        // a day the log does not hold is the visitor's; no record at all, the site's
        if (logrecords == 0)
            complain(req.logname, "no records in the log");
        printf("%s", notfoundmsg);
        return;
    }
    // the first record only seeds the counters: one line fewer than records
    if (!summary)
        totalcount--;
    if (strcmp(req.action, "totalload") == 0)
        timelookup();
    else if (summary) {
        if (totalcount > 1)
            drawsumchart(totalcount);
    } else
        drawloadchart(totalcount);
}

void report(void)
{
    // the figures read the logs and write nothing: no lock to wait for
    if (strcmp(req.action, "usage") == 0) {
        usagepage();
        return;
    }
    int locked = requestlock(lockname);
    if (!locked)
        complain(lockname, fileerror());
    // what requests killed while they wrote a chart left beside it
    if (locked)
        tempsweep(req.outpath);
    if (locked && scanlog())
        answer();
    else
        printf("%s", deniedmsg);
    // the answer is out and the chart in place before the next request runs
    fflush(stdout);
    requestunlock();
}

#include "actions.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/settings.h"
#include "chart.h"
#include "request.h"
#include "scan.h"

const char deniedmsg[] = "<p>Access denided !</p>";
const char notfoundmsg[] = "<p>The entered date is not found !</p>";

// Seconds of the day of an hh:mm text; no ":" means no minutes.
static uint32_t daysecs(const char *hhmm)
{
    const char *colon = strchr(hhmm, ':');
    int32_t minutes = colon ? decval(colon + 1) : 0;
    return (uint32_t)((int64_t)decval(hhmm) * 3600 + (int64_t)minutes * 60);
}

// The first interval whose time of day lies within the tolerance of the
// asked time, whatever its date; midnight does not wrap.
static void timelookup(void)
{
    static struct textin in;
    static char temp[WORKLINESIZE];
    char szgmttime[FIELDSIZE];

    setfield(req.time, makegmttime(req.time));
    uint32_t timesec1 = daysecs(req.time);
    textopen(&in, histname);
    while (textline(&in, temp, sizeof temp)) {
        ultime1 = getlvalue(temp, 1);
        // the interval's time of day in whole minutes, as its time text shows it
        uint32_t timesec2 = ultime1 % 86400 / 60 * 60;
        if (llabs((int64_t)timesec1 - (int64_t)timesec2) > req.timeseccorrect)
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

static void answer(void)
{
    const int summary = strcmp(req.action, "sumtotalload") == 0;
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

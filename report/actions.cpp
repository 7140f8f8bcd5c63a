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
#include "doubts.h"
#include "logs.h"
#include "request.h"
#include "scan.h"
#include "usage.h"

void pagenotes(void)
{
    static int said;
    enum doubtkind kind;
    const char *text;
    for (; (text = doubttext(said, &kind)); said++)
        if (kind != NORECORDS)
            printf("<p>Warning: %s</p>", htmlesc(text));
}

void pagedenied(void)
{
    printf("%s", deniedmsg);
    const char *why = failuresentence();
    if (why)
        printf("<p>%s</p>", htmlesc(why));
}

void pagenotfound(void)
{
    printf("%s", notfoundmsg);
    // the reason, where it is the log's and not the date's
    enum doubtkind kind;
    const char *text;
    for (int n = 0; (text = doubttext(n, &kind)); n++)
        if (kind == NORECORDS)
            printf("<p>%s</p>", htmlesc(doubtsentence(n)));
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
        filefailure(in.problem, "working file", histname, histname, nullptr, 0);
        pagedenied();
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
        // a day the log does not hold is the visitor's; no record at all,
        // the site's, and said
        pagenotfound();
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
    if (!locked) {
        const int problem = fileproblem();
        complain(lockname, fileerror());
        filefailure(problem, "working file", lockname, lockname, nullptr, 1);
    }
    // what requests killed while they wrote a chart left beside it
    if (locked)
        tempsweep(req.outpath);
    const int scanned = locked && scanlog();
    pagenotes();   // what the reading doubted, before what it shows
    if (scanned)
        answer();
    else
        pagedenied();
    // the lock guards the interval file and the chart file: once the chart
    // is in place the next request may run, however slowly this page is
    // read
    requestunlock();
    showchart();
    fflush(stdout);
}

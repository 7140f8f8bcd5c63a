#include "request.h"

#include <ctype.h>
#include <stdio.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/escape.h"
#include "../support/query.h"
#include "../support/settings.h"
#include "actions.h"
#include "config.h"
#include "doubts.h"

struct request req = {
    "", "off", "off", "", "", "on", "", "", 0, "", "", "", "", "", "",
    0, 0, 960000, 180, "VORN-NX Channel Statistics", 0, 0, {0, 0, 0, 0, 0, 0, nullptr}, "", 0,
    nullptr,
};

int ison(const char *sw)
{
    return strcmp(sw, "on") == 0;
}

// The most hours= takes: a century.
enum { MAXHOURS = 100 * 366 * 24 };

// A bound of the period, typed as dd/mm/yyyy or dd/mm/yyyy hh:mm, UTC; an
// empty one is open. A text in no such form is refused, never taken for
// today.
static void readbound(const char *ptr, const char *name, int *has, int64_t *t, const char *refusal)
{
    const char *text = getparam(ptr, name);
    if (!*text)
        return;
    req.period.asked = 1;
    *has = periodtime(text, t);
    if (!*has && !req.period.refused)
        req.period.refused = refusal;
}

static void readperiod(const char *ptr)
{
    struct period *p = &req.period;
    readbound(ptr, "from=", &p->hasfrom, &p->from,
              "The period's start (from=) is not a date in the form dd/mm/yyyy or "
              "dd/mm/yyyy hh:mm, in UTC.");
    readbound(ptr, "to=", &p->hasto, &p->to,
              "The period's end (to=) is not a date in the form dd/mm/yyyy or "
              "dd/mm/yyyy hh:mm, in UTC.");
    if (p->hasfrom && p->hasto && p->to <= p->from && !p->refused)
        p->refused = "The period's end (to=) is not after its start (from=).";
    const char *hours = getparam(ptr, "hours=");
    if (*hours) {
        p->asked = 1;
        // a whole number of hours, and it decides the period: from= and to=
        // are not taken with it
        const size_t digits = strspn(hours, "0123456789");
        p->hours = digits == strlen(hours) && digits <= 7 ? decval(hours) : 0;
        if (p->hours < 1 || p->hours > MAXHOURS)
            p->refused = "The number of hours (hours=) is not a whole number from 1 up.";
        p->hasfrom = p->hasto = 0;
    }
}

static const char steprefusal[] =
    "The step (step=) is not a whole number of seconds from the log's interval (qtime=) up.";

// Whole seconds, of nine digits at most (three decades); whether the log's
// interval fits in it is known once the settings are read.
static void readstep(const char *ptr)
{
    const char *step = getparam(ptr, "step=");
    if (!*step)
        return;
    const size_t digits = strspn(step, "0123456789");
    req.step = digits == strlen(step) && digits <= 9 ? decval(step) : 0;
    if (req.step < 1)
        req.steprefused = steprefusal;
}

static void readquery(const char *querystring)
{
    char temp[QUERYSIZE];
    setfield(temp, querystring ? querystring : "");
    const char *ptr = getnormpar(temp);

    setfield(req.action, getquery(ptr, "action="));
    // switches act by the mere presence of their names
    if (strstr(ptr, "hgrid="))
        setfield(req.hgrid, "on");
    if (strstr(ptr, "vgrid="))
        setfield(req.vgrid, "on");
    setfield(req.time, getquery(ptr, "time="));
    if (!strstr(ptr, "activelog="))
        setfield(req.activelog, "off");

    const char *logfile = getquery(ptr, "logfile=");
    setfield(req.logfile, logfile);
    // a name cut to fit could name another log: an over-long one is refused
    if (strlen(logfile) >= sizeof req.logfile)
        req.logrefused = 1;
    setfield(req.datefrom, getquery(ptr, "datefrom="));
    req.days = decval(getquery(ptr, "days="));
    if (strstr(ptr, "dates="))
        setfield(req.dates, "on");
    // the newer parameters are found by their whole names only
    readperiod(ptr);
    readstep(ptr);
    const char *format = getparam(ptr, "format=");
    setfield(req.format, strlen(format) < sizeof req.format ? format : "?");
}

// Names that Windows takes for devices whatever their extension ("nul.dat");
// refused here too, so that a site answers alike on either system.
static const char *const devicenames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
static const char *const portnames[] = {"COM", "LPT"};   // followed by one digit

// Whether the first size bytes of a name are word, in any case.
static int samename(const char *name, size_t size, const char *word)
{
    if (strlen(word) != size)
        return 0;
    for (size_t i = 0; i < size; i++)
        if (toupper((unsigned char)name[i]) != word[i])
            return 0;
    return 1;
}

static int devicename(const char *name)
{
    const size_t base = strcspn(name, ".");
    for (const char *device : devicenames)
        if (samename(name, base, device))
            return 1;
    for (const char *port : portnames)
        if (base == 4 && samename(name, 3, port) && isdigit((unsigned char)name[3]))
            return 1;
    return 0;
}

// A log named by the request must be a plain file in the log folder: no
// separator, drive, dot name, device or control byte may take it elsewhere,
// and no character that Windows forbids in a name. Windows drops a trailing
// dot ("..." is the folder itself): a name may not end in one.
static int barename(const char *name)
{
    const size_t n = strlen(name);
    if (n == 0 || name[n - 1] == '.' || devicename(name))
        return 0;
    for (const unsigned char *p = (const unsigned char *)name; *p; p++)
        if (*p < 0x21 || *p > 0x7E || strchr("\\/:*?\"<>|", *p))
            return 0;
    return 1;
}

static void joinlogpath(const char *name)
{
    char joined[FIELDSIZE + PATHFIELDSIZE];
    snprintf(joined, sizeof joined, "%s%s", req.logpath, name);
    setfield(req.logname, joined);
}

static void chooselog(void)
{
    // the metrics are the channel's: its current log, whatever else is asked
    if (!ison(req.activelog) && req.logfile[0] && strcmp(req.action, "metrics") != 0) {
        if (!barename(req.logfile))
            req.logrefused = 1;
        req.lognamed = 1;
        setfield(req.logname, req.logfile);
    } else {
        req.logrefused = 0;
    }
    // a name with its own folder is kept whole; the path carries its own
    // trailing separator, none is inserted
    if (!strchr(req.logname, '\\') && !strchr(req.logname, '/'))
        joinlogpath(req.logname);
}

// The chosen log opened, or NOFILE with the system's reason, taken
// before another call replaces it.
static sysfile openlog(int *problem, char *why, size_t whysize)
{
    const sysfile f = fileread(req.logname);
    *problem = f == NOFILE ? fileproblem() : FILEOTHER;
    snprintf(why, whysize, "%s", f == NOFILE ? fileerror() : "");
    return f;
}

int logthere(void)
{
    // settings that could not be read are told of already, and name no log
    if (configfailed()) {
        failure("The settings file cannot be read.");
        return 0;
    }
    if (req.logrefused) {
        complain(req.logname, "refused: a log asked for by name must be a file in the log folder");
        failure("A log asked for by name (logfile=) must be a file in the log folder.");
        return 0;
    }
    // opened as the reading will open it: a log that is there but cannot
    // be read is told now, with its reason
    int problem;
    char why[WHYSIZE];
    sysfile f = openlog(&problem, why, sizeof why);
    // a current log that is not there while its archives are is being
    // rotated: it is there again in a moment, or the device writes it at
    // its next record, and the archives hold what there is until then
    if (f == NOFILE && problem == FILEMISSING && !req.lognamed && logsarchived(req.logname)) {
        if (!logswait(req.logname))
            return 1;
        f = openlog(&problem, why, sizeof why);
    }
    if (f == NOFILE) {
        complain(req.logname, why);
        filefailure(problem, summaryasked() ? "daily log" : "log", pathbase(req.logname),
                    req.logname, "the log folder", 0);
        return 0;
    }
    fileclose(f);
    return 1;
}

int summaryasked(void)
{
    return strcmp(req.action, "sumtotalload") == 0;
}

int stepapplies(void)
{
    return (req.step || req.steprefused) && strcmp(req.action, "usage") != 0 &&
           strcmp(req.action, "totalload") != 0 && !summaryasked();
}

int periodapplies(void)
{
    return req.period.asked && strcmp(req.action, "totalload") != 0 && !summaryasked();
}

void gatherrequest(const char *querystring)
{
    readquery(querystring);
    readsettings();   // and checked, each doubt said
    chooselog();
    if (summaryasked()) {
        // the summary always reads the site's own summary log, from this day on
        req.logrefused = req.lognamed = 0;
        joinlogpath(req.sumname);
        setfield(req.date, makegmtdate(req.datefrom));
    }
    // a step shorter than an interval would cut intervals that it cannot
    if (req.step && req.step < req.qtime)
        req.steprefused = steprefusal;
    // a negative setting keeps the 32-bit form it always had
    const int64_t ulmaxvalue = (int64_t)(req.bandwidth / 8) * req.qtime;
    req.ulmaxvalue = ulmaxvalue < 0 ? (uint32_t)ulmaxvalue : (uint64_t)ulmaxvalue;
}

int startpage(void)
{
    // every page answers its own request: a browser going Back asks again
    printf("Content-Type: text/html\nCache-Control: no-store\n\n");
    printf("<html><body>");
    pagenotes();
    if (summaryasked()) {
        printf("<p>Query: Porvata VORN-NX Summary Statistics for %d days since %s</p>",
               req.days, htmlesc(req.date));
        if (req.days < 2)
            return 0;
    }
    printf("<p>Log file name: %s<br>Channel Bandwidth: %u<br><br></p>", htmlesc(req.logname),
           (unsigned)req.bandwidth);
    if (periodapplies() && req.period.refused) {
        complain("query", req.period.refused);
        printf("<p>%s</p>", req.period.refused);
        return 0;
    }
    if (!logthere()) {
        pagedenied();
        return 0;
    }
    return 1;
}

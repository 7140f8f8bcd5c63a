#include "request.h"

#include <ctype.h>
#include <stdio.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/escape.h"
#include "../support/query.h"
#include "../support/settings.h"

struct request req = {
    "", "off", "off", "", "", "on", "", "", 0, "", "", "", "", "", "",
    0, 0, 960000, 180, "VORN-NX Channel Statistics", 0,
};

int ison(const char *sw)
{
    return strcmp(sw, "on") == 0;
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
}

template <size_t N> static void readsetting(char (&field)[N], const char *key, const char *dflt)
{
    const char *value = getconfig(key);
    setfield(field, *value ? value : dflt);
}

static void readsettings(void)
{
    readsetting(req.logpath, "logpath=", "");
    readsetting(req.logname, "logname=", "vornout.dat");
    readsetting(req.sumname, "sumname=", "sumout.dat");
    readsetting(req.outpath, "outpath=", "quorlinkout.gif");
    readsetting(req.outvirtpath, "outvirtpath=", "/images/quorlinkout.gif");
    req.qtime = decval(getconfig("qtime="));
    if (req.qtime == 0)
        req.qtime = 120;
    req.bandwidth = decval(getconfig("bandwidth="));
    if (req.bandwidth == 0)
        req.bandwidth = 64000;
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
    if (!ison(req.activelog) && req.logfile[0]) {
        if (!barename(req.logfile))
            req.logrefused = 1;
        setfield(req.logname, req.logfile);
    } else {
        req.logrefused = 0;
    }
    // a name with its own folder is kept whole; the path carries its own
    // trailing separator, none is inserted
    if (!strchr(req.logname, '\\') && !strchr(req.logname, '/'))
        joinlogpath(req.logname);
}

// Whether the chosen log is there to be read; the server's log says why not.
static int logthere(void)
{
    const char *why = req.logrefused ? "refused: a log asked for by name must be a file "
                                       "in the log folder"
                      : !fileexists(req.logname) ? fileerror()
                                                 : nullptr;
    if (why)
        complain(req.logname, why);
    return why == nullptr;
}

void gatherrequest(const char *querystring)
{
    readquery(querystring);
    readsettings();
    chooselog();
}

int startpage(void)
{
    // every page answers its own request: a browser going Back asks again
    printf("Content-Type: text/html\nCache-Control: no-store\n\n");
    printf("<html><body>");
    if (strcmp(req.action, "sumtotalload") == 0) {
        // the summary always reads the site's own summary log
        req.logrefused = 0;
        joinlogpath(req.sumname);
        printf("<p>Query: Porvata VORN-NX Summary Statistics for %d days since %s</p>",
               req.days, htmlesc(makegmtdate(req.datefrom)));
        if (req.days < 2)
            return 0;
    }
    // a negative setting keeps the 32-bit form it always had
    const int64_t ulmaxvalue = (int64_t)(req.bandwidth / 8) * req.qtime;
    req.ulmaxvalue = ulmaxvalue < 0 ? (uint32_t)ulmaxvalue : (uint64_t)ulmaxvalue;
    printf("<p>Log file name: %s<br>Channel Bandwidth: %u<br><br></p>", htmlesc(req.logname),
           (unsigned)req.bandwidth);
    // settings that could not be read are told of already, and name no log
    if (configfailed() || !logthere()) {
        printf("<p>Access denided !</p>");
        return 0;
    }
    // the summary takes the log's records from this day on
    if (strcmp(req.action, "sumtotalload") == 0)
        setfield(req.date, makegmtdate(req.datefrom));
    return 1;
}

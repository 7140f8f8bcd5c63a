#include "check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/settings.h"
#include "doubts.h"
#include "logs.h"
#include "request.h"
#include "scan.h"

int checkasked(int argc, char **argv)
{
    return argc == 2 && strcmp(argv[1], "--check") == 0 && !getenv("GATEWAY_INTERFACE");
}

// The newest record may lag by a few intervals (the device writes every
// qtime= seconds) but not by an hour and more than 30 of them; ahead of the
// clock, by no more than the drift of two clocks.
enum { STALEAFTER = 3600, STALEINTERVALS = 30, AHEADBY = 600 };

static void span(char *out, size_t size, int64_t seconds)
{
    if (seconds >= 2 * 86400)
        snprintf(out, size, "%lld days", (long long)(seconds / 86400));
    else if (seconds >= 2 * 3600)
        snprintf(out, size, "%lld hours", (long long)(seconds / 3600));
    else
        snprintf(out, size, "%lld minutes", (long long)(seconds / 60));
}

int stalerecord(uint32_t newest, uint32_t now, char *why, size_t whysize)
{
    const int64_t age = (int64_t)now - newest;
    char text[32];
    if (age > STALEAFTER && age > (int64_t)STALEINTERVALS * req.qtime) {
        span(text, sizeof text, age);
        snprintf(why, whysize, "the newest record is %s old: is the device still writing?", text);
        return 1;
    }
    if (-age > AHEADBY) {
        span(text, sizeof text, -age);
        snprintf(why, whysize,
                 "the newest record is %s ahead of this machine's clock: is the device's clock "
                 "right?",
                 text);
        return 1;
    }
    return 0;
}

static struct {
    int warnings, errors;
    int said;   // doubts printed so far
} check;

static void finding(const char *level, const char *text)
{
    printf("%s: %s\n", level, text);
    check.warnings += strcmp(level, "WARNING") == 0;
    check.errors += strcmp(level, "ERROR") == 0;
}

// The doubts found since the last call, each a warning; a log that holds
// no record an error, where it is the current log.
static void doubtsfound(const char *norecords)
{
    enum doubtkind kind;
    const char *text;
    for (; (text = doubttext(check.said, &kind)); check.said++)
        finding(kind == NORECORDS ? norecords : "WARNING", text);
}

static void settings(void)
{
    if (configfailed()) {
        finding("ERROR", "The settings file quorlink.cfg cannot be read.");
        return;
    }
    char text[160];
    if (!fileexists("quorlink.cfg"))
        finding("WARNING", "quorlink.cfg is not in this folder: every setting is its default "
                           "(run the check in the channel's folder)");
    doubtsfound("WARNING");
    snprintf(text, sizeof text, "settings: the channel's bandwidth %d bit/s, a record every %d seconds",
             (int)req.bandwidth, (int)req.qtime);
    finding("OK", text);
}

// A log read whole, the way a period reads it: its intervals, its first
// and newest records, and what it doubted.
struct reading {
    uint32_t intervals, first, newest;
    int logs;
};

static void tally(const struct interval *iv, void *arg)
{
    struct reading *r = (struct reading *)arg;
    if (r->intervals++ == 0)
        r->first = iv->t - iv->seconds;
    r->newest = iv->t;
}

static int readlogs(const char *path, int archives, struct reading *r)
{
    static struct period all;   // every record, in the logs asked for
    all.asked = archives;
    struct counting c;
    memset(r, 0, sizeof *r);
    const struct logreading reading = {path, archives, strcmp(path, req.logname) == 0, 0, &all};
    const int ok = readwhole(&reading, &c, tally, r);
    r->logs = logscount();
    const char *why, *failed = logsfailed(&why);
    if (!ok) {
        char text[PATHSIZE + WHYSIZE + 8];
        snprintf(text, sizeof text, "%s: %s", failed, why);
        finding("ERROR", text);
    }
    return ok;
}

// 0 when the log is not there to be read.
static int currentlog(void)
{
    char text[PATHSIZE + 160];
    if (!logthere()) {
        finding("ERROR", failuresentence());
        return 0;
    }
    struct reading r;
    const int ok = readlogs(req.logname, 0, &r);
    doubtsfound("ERROR");
    if (!ok || r.intervals == 0)
        return 1;
    snprintf(text, sizeof text, "log %s: %u intervals, from %s to the newest record, %s",
             req.logname, r.intervals, daytime(r.first), daytime(r.newest));
    finding("OK", text);
    char why[160];
    if (stalerecord(r.newest, clocknow(), why, sizeof why)) {
        snprintf(text, sizeof text, "%s: %s", pathbase(req.logname), why);
        finding("WARNING", text);
    }
    return 1;
}

static void archives(void)
{
    char text[PATHSIZE + 160];
    struct reading r;
    const int ok = readlogs(req.logname, 1, &r);
    doubtsfound("WARNING");
    const char *why, *name;
    for (int n = 0; (name = logsskipped(n, &why)); n++) {
        snprintf(text, sizeof text, "%s is not read: %s", name, why);
        finding("WARNING", text);
    }
    if (ok && r.logs > 1) {
        snprintf(text, sizeof text, "%d archives beside the log: with it, %u intervals from %s",
                 r.logs - 1, r.intervals, daytime(r.first));
        finding("OK", text);
    } else if (ok)
        finding("OK", "no archive beside the log: periods are read from the log alone");
}

static void dailylog(void)
{
    char path[PATHFIELDSIZE + FIELDSIZE], text[2 * PATHSIZE];
    snprintf(path, sizeof path, "%s%s", strchr(req.sumname, '/') || strchr(req.sumname, '\\') ? "" : req.logpath,
             req.sumname);
    const sysfile f = fileread(path);
    if (f == NOFILE) {
        snprintf(text, sizeof text, "daily log %s: %s: the daily summary has nothing to show", path,
                 fileerror());
        finding("WARNING", text);
        return;
    }
    fileclose(f);
    struct reading r;
    const int ok = readlogs(path, 0, &r);
    doubtsfound("WARNING");
    if (ok && r.intervals) {
        snprintf(text, sizeof text, "daily log %s: %u days, from %s to %s", path, r.intervals + 1,
                 daytime(r.first), daytime(r.newest));
        finding("OK", text);
    }
}

int checkchannel(void)
{
    // the findings are this command's to say, on its standard output
    complainquiet(1);
    gatherrequest(nullptr);
    settings();
    if (!configfailed()) {
        if (currentlog())
            archives();
        dailylog();
    }
    if (check.errors)
        printf("FAILED: %d error%s, %d warning%s\n", check.errors, check.errors == 1 ? "" : "s",
               check.warnings, check.warnings == 1 ? "" : "s");
    else if (check.warnings)
        printf("WARNINGS: %d warning%s\n", check.warnings, check.warnings == 1 ? "" : "s");
    else
        printf("SUCCESS\n");
    return check.errors ? 2 : check.warnings ? 1 : 0;
}

#include "data.h"

#include <stdio.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/settings.h"
#include "doubts.h"
#include "figures.h"
#include "logs.h"
#include "metrics.h"
#include "output.h"
#include "request.h"
#include "scan.h"

int dataasked(void)
{
    return req.format[0] || strcmp(req.action, "metrics") == 0;
}

static const struct output *out;

static const char *statusline(int status)
{
    switch (status) {
    case 400: return "400 Bad Request";
    case 404: return "404 Not Found";
    default: return "500 Internal Server Error";
    }
}

// The file a download is saved as: the channel's log, what the answer
// holds, and its period; only letters, digits, ".", "-" and "_".
static void filename(enum datakind kind, char *name, size_t size)
{
    static const char *const kinds[] = {"intervals", "days", "counters", "figures", "steps"};
    const char *slash = strrchr(req.logname, '/'), *back = strrchr(req.logname, '\\');
    const char *base = slash > back ? slash + 1 : back ? back + 1 : req.logname;
    const struct period *p = askedperiod();
    char bounds[2][ISOTIMESIZE] = {"", ""};
    const int64_t at[] = {p->from, p->to};
    const int has[] = {p->hasfrom, p->hasto};
    for (int i = 0; i < 2; i++)
        if (has[i])
            isotime64(at[i], bounds[i], sizeof bounds[i]);
    int n = snprintf(name, size, "%s-%s%s%s%s%s%s", base, kinds[kind], *bounds[0] ? "-from-" : "",
                     bounds[0], *bounds[1] ? "-to-" : "", bounds[1], out->ending);
    for (int i = 0; i < n && (size_t)i < size; i++) {
        char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '-' || c == '_'))
            name[i] = c == ':' ? '-' : '_';
    }
}

// The header; what follows it is written byte for byte on every system.
static void header(int status, enum datakind kind)
{
    if (status != 200)
        printf("Status: %s\n", statusline(status));
    printf("Content-Type: %s\n", out->type);
    out->head();
    if (status == 200 && out->ending) {
        char name[PATHSIZE];
        filename(kind, name, sizeof name);
        printf("Content-Disposition: attachment; filename=\"%s\"\n", name);
    }
    printf("Cache-Control: no-store\n\n");
    rawout();
}

static void fail(int status, const char *why)
{
    header(status, INTERVALS);
    out->error(why);
}

// Why the answer cannot be given, in the sentence the reading left.
static void failed(int status)
{
    const char *why = failuresentence();
    fail(status, why ? why : "The log could not be read: the server's log says why.");
}

// What can be told before a byte of the answer: a period it cannot take,
// and a log that is not there.
static int answerable(void)
{
    if (periodapplies() && req.period.refused) {
        complain("query", req.period.refused);
        fail(400, req.period.refused);
        return 0;
    }
    if (stepapplies() && req.steprefused) {
        fail(400, req.steprefused);
        return 0;
    }
    if (!logthere()) {
        failed(req.logrefused ? 400 : !configfailed() && failureproblem() == FILEMISSING ? 404 : 500);
        return 0;
    }
    return 1;
}

// The logs of an answer written as they are read, and its start; 0 when
// they cannot be opened, said with a status. A read that fails later ends
// the answer where it stands: CSV with a row that says why, JSON unclosed;
// the server's log says why too.
static int startstream(struct counting *c, enum datakind kind, int ordered)
{
    for (int tries = 1; !openrequestlogs(c, ordered); tries++) {
        closerequestlogs();
        if (!logschanged() || tries == LOGRETRIES) {
            failed(500);
            return 0;
        }
    }
    header(200, kind);
    out->start(kind);
    return 1;
}

static void endstream(void)
{
    if (closerequestlogs())
        out->end();
    else {
        const char *why = failuresentence();
        out->broken(why ? why : "The logs could not be read to their end.");
    }
}

// A format that carries its doubts in the header reads the logs once for
// them first, again while they change under it; the answer's own reading
// finds the same again.
static int readahead(int (*rows)(int write))
{
    if (!out->doubtsahead)
        return 1;
    for (int tries = 1; !rows(0); tries++)
        if (!logschanged() || tries == LOGRETRIES) {
            failed(500);
            return 0;
        }
    doubtsfreeze(1);
    return 1;
}

static int intervalrows(int write)
{
    struct counting c;
    struct interval iv;
    if (!write) {
        if (openrequestlogs(&c, 0))
            while (nextrequestinterval(&c, &iv)) {
            }
        return closerequestlogs();
    }
    if (!startstream(&c, INTERVALS, 0))
        return 0;
    while (nextrequestinterval(&c, &iv))
        out->interval(&iv);
    endstream();
    return 1;
}

static void intervals(void)
{
    if (readahead(intervalrows))
        intervalrows(1);
}

// Whether interval a's rate is higher than that of the peak p, worked out
// in whole numbers: bytes and seconds are 32 bits, their products fit.
static int higher(uint32_t bytes, uint32_t seconds, const struct peakrate *p)
{
    return (uint64_t)bytes * p->seconds > (uint64_t)p->bytes * seconds;
}

static void stepstart(struct steprow *s, const struct interval *iv)
{
    s->t = iv->t - iv->t % (uint32_t)req.step;
    s->seconds = s->rxbytes = s->txbytes = 0;
    s->rxpeak = s->txpeak = {0, iv->seconds};
}

static void stepadd(struct steprow *s, const struct interval *iv)
{
    s->seconds += iv->seconds;
    s->rxbytes += iv->rxbytes;
    s->txbytes += iv->txbytes;
    if (higher(iv->rxbytes, iv->seconds, &s->rxpeak))
        s->rxpeak = {iv->rxbytes, iv->seconds};
    if (higher(iv->txbytes, iv->seconds, &s->txpeak))
        s->txpeak = {iv->txbytes, iv->seconds};
}

// The intervals summed into steps of step= seconds from the Unix epoch, each
// by the time of the record that ends it, as a period takes them. They come
// in time order, as the figures take them: a step is whole once an interval
// past it comes, and one the log has no interval in is not written.
static int steprows(int write)
{
    struct counting c;
    struct interval iv;
    struct steprow s;
    int open = 0;
    if (!write ? !openrequestlogs(&c, 1) : !startstream(&c, STEPS, 1))
        return write ? 0 : closerequestlogs();
    while (nextrequestinterval(&c, &iv)) {
        if (open && iv.t - s.t >= (uint32_t)req.step) {
            if (write)
                out->step(&s);
            open = 0;
        }
        if (!open)
            stepstart(&s, &iv);
        open = 1;
        stepadd(&s, &iv);
    }
    if (!write)
        return closerequestlogs();
    if (open)
        out->step(&s);
    endstream();
    return 1;
}

static void steps(void)
{
    if (readahead(steprows))
        steprows(1);
}

// The first interval within the lookup's tolerance of the asked time.
static void counters(void)
{
    struct counting c;
    struct interval iv;
    int found = 0;
    const uint32_t target = lookuptarget();
    for (int tries = 1;; tries++) {
        if (openrequestlogs(&c, 0))
            while (!found && nextrequestinterval(&c, &iv))
                found = neartarget(iv.t, target);
        if (closerequestlogs() || found)
            break;
        if (!logschanged() || tries == LOGRETRIES) {
            failed(500);
            return;
        }
    }
    header(200, COUNTERS);
    out->start(COUNTERS);
    out->counters(found ? &iv : nullptr);
    out->end();
}

// The summary's days: each dated by its record and counting to the next
// day's record, by the rules of the intervals.
static int dayrows(int write)
{
    struct counting c;
    struct logrecord rec;
    if (!write ? !openrequestlogs(&c, 0) : !startstream(&c, DAYS, 0))
        return write ? 0 : closerequestlogs();
    int started = 0, seeded = 0;
    int32_t rows = 0;
    struct logrecord prev = {0, 0, 0};
    while (rows < req.days && lognext(&rec)) {
        if (!started && !(started = summarystarts(rec.t)))
            continue;
        if (seeded) {
            struct interval iv;
            countinterval(&prev, &rec, &iv);
            const struct dayrow d = {prev.t, iv.seconds, iv.rxbytes, iv.txbytes};
            if (write)
                out->day(&d);
            rows++;
        }
        seeded = 1;
        prev = rec;
    }
    if (write) {
        endstream();
        return 1;
    }
    return closerequestlogs();
}

static void days(void)
{
    if (readahead(dayrows))
        dayrows(1);
}

static void figures(void)
{
    static struct figures f;
    if (!collectfigures(&f)) {
        failed(500);
        return;
    }
    header(200, FIGURES);
    out->start(FIGURES);
    out->figures(f.intervals ? &f : nullptr);
    out->end();
}

void dataanswer(void)
{
    if (strcmp(req.action, "metrics") == 0) {
        metricsanswer();
        return;
    }
    out = strcmp(req.format, "csv") == 0 ? &csvoutput : strcmp(req.format, "json") == 0 ? &jsonoutput : nullptr;
    if (!out) {
        printf("Status: 400 Bad Request\nContent-Type: text/plain; charset=utf-8\n"
               "Cache-Control: no-store\n\n");
        rawout();
        printf("format= takes csv or json.\n");
        return;
    }
    if (!answerable())
        return;
    if (strcmp(req.action, "usage") == 0)
        figures();
    else if (strcmp(req.action, "totalload") == 0)
        counters();
    else if (summaryasked())
        days();
    else if (req.step)
        steps();
    else
        intervals();
}

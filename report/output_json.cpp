// JSON: one object, written as the answer is read; no whitespace between
// its tokens, a line feed after it.
#include <stdio.h>

#include "../support/datetime.h"
#include "../support/escape.h"
#include "doubts.h"
#include "logs.h"
#include "output.h"
#include "request.h"
#include "scan.h"

static const char *const keys[] = {"intervals", "days", "counters", "figures", "steps"};
static int items;     // elements of the array written so far
static int inarray;   // the answer's list is an array

// A bound of the period, or null where it is open.
static void quotedtime(struct line *l, int has, int64_t t)
{
    char iso[ISOTIMESIZE];
    if (has) {
        isotime64(t, iso, sizeof iso);
        lineput(l, "\"");
        lineput(l, iso);
        lineput(l, "\"");
    } else
        lineput(l, "null");
}

static void start(enum datakind kind)
{
    const struct period *p = askedperiod();
    struct line l;
    linestart(&l);
    printf("{\"log\":%s,", jsonesc(req.logname));
    lineput(&l, "\"bandwidth_bps\":");
    lineput(&l, req.bandwidth < 0 ? "-" : "");
    linedec(&l, req.bandwidth < 0 ? -(int64_t)req.bandwidth : req.bandwidth);
    lineput(&l, ",\"interval_s\":");
    lineput(&l, req.qtime < 0 ? "-" : "");
    linedec(&l, req.qtime < 0 ? -(int64_t)req.qtime : req.qtime);
    if (kind == STEPS) {
        lineput(&l, ",\"step_s\":");
        linedec(&l, (uint64_t)req.step);
    }
    lineput(&l, ",\"from\":");
    quotedtime(&l, p->hasfrom, p->from);
    lineput(&l, ",\"to\":");
    quotedtime(&l, p->hasto, p->to);
    lineput(&l, ",\"");
    lineput(&l, keys[kind]);
    inarray = kind == INTERVALS || kind == DAYS || kind == STEPS;
    lineput(&l, inarray ? "\":[" : "\":");
    lineout(&l);
    items = 0;
}

static void item(struct line *l)
{
    linestart(l);
    if (items++)
        lineput(l, ",");
}

static void interval(const struct interval *iv)
{
    struct line l;
    item(&l);
    lineput(&l, "{\"time\":\"");
    linetime(&l, iv->t);
    lineput(&l, "\",\"seconds\":");
    linedec(&l, iv->seconds);
    lineput(&l, ",\"rx_bytes\":");
    linedec(&l, iv->rxbytes);
    lineput(&l, ",\"tx_bytes\":");
    linedec(&l, iv->txbytes);
    lineput(&l, "}");
    lineout(&l);
}

static void day(const struct dayrow *d)
{
    struct line l;
    item(&l);
    lineput(&l, "{\"date\":\"");
    linedate(&l, d->t);
    lineput(&l, "\",\"rx_bytes\":");
    linedec(&l, d->rxbytes);
    lineput(&l, ",\"tx_bytes\":");
    linedec(&l, d->txbytes);
    lineput(&l, ",\"rx_percent\":");
    linepercent(&l, d->seconds ? (double)d->rxbytes * 8 / d->seconds : -1, "null");
    lineput(&l, ",\"tx_percent\":");
    linepercent(&l, d->seconds ? (double)d->txbytes * 8 / d->seconds : -1, "null");
    lineput(&l, "}");
    lineout(&l);
}

static void step(const struct steprow *s)
{
    struct line l;
    item(&l);
    lineput(&l, "{\"time\":\"");
    linetime(&l, s->t);
    lineput(&l, "\",\"seconds\":");
    linedec(&l, s->seconds);
    lineput(&l, ",\"rx_bytes\":");
    linedec(&l, s->rxbytes);
    lineput(&l, ",\"tx_bytes\":");
    linedec(&l, s->txbytes);
    lineput(&l, ",\"rx_peak_bps\":");
    linerate(&l, s->rxpeak.bytes, s->rxpeak.seconds, "null");
    lineput(&l, ",\"tx_peak_bps\":");
    linerate(&l, s->txpeak.bytes, s->txpeak.seconds, "null");
    lineput(&l, "}");
    lineout(&l);
}

static void counters(const struct interval *iv)
{
    struct line l;
    linestart(&l);
    if (!iv)
        lineput(&l, "null");
    else {
        lineput(&l, "{\"time\":\"");
        linetime(&l, iv->t);
        lineput(&l, "\",\"rx\":");
        linedec(&l, iv->rx);
        lineput(&l, ",\"tx\":");
        linedec(&l, iv->tx);
        lineput(&l, "}");
    }
    lineout(&l);
}

static void rate(struct line *l, const char *key, int known, double bps)
{
    lineput(l, key);
    if (known)
        linefixed(l, bps);
    else
        lineput(l, "null");
}

static void flow(struct line *l, const char *name, const struct figures *f, const struct flow *fl)
{
    const double average = averagerate(f, fl);
    lineput(l, name);
    lineput(l, ":{\"bytes\":");
    linedec(l, fl->bytes);
    rate(l, ",\"average_bps\":", 1, average);
    rate(l, ",\"peak_bps\":", 1, fl->peak);
    lineput(l, ",\"peak_time\":\"");
    linetime(l, fl->peaktime);
    lineput(l, "\"");
    rate(l, ",\"p95_bps\":", fl->p95known, fl->p95);
    lineput(l, ",\"average_percent\":");
    linepercent(l, average, "null");
    lineput(l, ",\"peak_percent\":");
    linepercent(l, fl->peak, "null");
    lineput(l, ",\"p95_percent\":");
    if (fl->p95known)
        linepercent(l, fl->p95, "null");
    else
        lineput(l, "null");
    lineput(l, "}");
}

static void figures(const struct figures *f)
{
    struct line l;
    linestart(&l);
    if (!f) {
        lineput(&l, "null");
        lineout(&l);
        return;
    }
    lineput(&l, "{\"first\":\"");
    linetime(&l, f->first);
    lineput(&l, "\",\"last\":\"");
    linetime(&l, f->last);
    lineput(&l, "\",\"intervals\":");
    linedec(&l, f->intervals);
    lineput(&l, ",\"gaps\":");
    linedec(&l, f->gaps);
    lineput(&l, ",\"gap_seconds\":");
    linedec(&l, f->gapseconds);
    lineput(&l, ",\"restarts\":");
    linedec(&l, f->restarts);
    lineput(&l, ",\"wraps\":");
    linedec(&l, f->wraps);
    lineput(&l, ",\"over_capacity\":");
    linedec(&l, f->overs);
    flow(&l, ",\"rx\"", f, &f->rx);
    flow(&l, ",\"tx\"", f, &f->tx);
    flow(&l, ",\"total\"", f, &f->total);
    lineput(&l, "}");
    lineout(&l);
}

// The archives the answer could not read, or read only in part, and its
// doubts, found as it was read: the last of its keys.
static void notread(void)
{
    const char *name, *why;
    printf("\"not_read\":[");
    for (int n = 0; (name = logsskipped(n, &why)); n++) {
        printf("%s{\"log\":%s,", n ? "," : "", jsonesc(name));
        printf("\"why\":%s}", jsonesc(why));
    }
    printf("],");
}

static void warnings(void)
{
    enum doubtkind kind;
    const char *text;
    printf("\"warnings\":[");
    for (int n = 0; (text = doubttext(n, &kind)); n++)
        printf("%s%s", n ? "," : "", jsonesc(text));
    printf("]");
}

static void end(void)
{
    printf(inarray ? "]," : ",");
    notread();
    warnings();
    printf("}\n");
}

static void error(const char *why)
{
    printf("{\"error\":%s,", jsonesc(why));
    notread();
    warnings();
    printf("}\n");
}

static void head(void)
{
}

// Left unclosed: no JSON reader takes it for a whole answer.
static void broken(const char *)
{
    fflush(stdout);
}

const struct output jsonoutput = {
    "application/json", nullptr, 0, head, start, interval, day, step, counters, figures, end, error,
    broken,
};

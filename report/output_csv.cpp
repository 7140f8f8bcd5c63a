// CSV (RFC 4180): a header row, then one row a line, lines ended in CR LF
// on every system.
#include <stdio.h>

#include "../support/escape.h"
#include "doubts.h"
#include "logs.h"
#include "output.h"

static const char *const headers[] = {
    "time,seconds,rx_bytes,tx_bytes,rx_bps,tx_bps",
    "date,rx_bytes,tx_bytes,rx_percent,tx_percent",
    "time,rx_counter,tx_counter",
    ("flow,first,last,intervals,gaps,gap_seconds,restarts,wraps,bytes,average_bps,peak_bps,"
     "peak_time,p95_bps,average_percent,peak_percent,p95_percent,over_capacity"),
    "time,seconds,rx_bytes,tx_bytes,rx_peak_bps,tx_peak_bps",
};

// A table is what a CSV reader wants whole: the doubts of the answer go in
// the header, one line each.
static void head(void)
{
    const char *name, *why;
    for (int n = 0; (name = logsskipped(n, &why)); n++) {
        printf("Quorlink-Not-Read: %s", headeresc(name));
        printf(": %s\n", headeresc(why));
    }
    enum doubtkind kind;
    const char *text;
    for (int n = 0; (text = doubttext(n, &kind)); n++)
        printf("Quorlink-Warning: %s\n", headeresc(text));
}

static void start(enum datakind kind)
{
    printf("%s\r\n", headers[kind]);
}

static void endrow(struct line *l)
{
    lineput(l, "\r\n");
    lineout(l);
}

static void interval(const struct interval *iv)
{
    struct line l;
    linestart(&l);
    linetime(&l, iv->t);
    lineput(&l, ",");
    linedec(&l, iv->seconds);
    lineput(&l, ",");
    linedec(&l, iv->rxbytes);
    lineput(&l, ",");
    linedec(&l, iv->txbytes);
    lineput(&l, ",");
    linerate(&l, iv->rxbytes, iv->seconds, "");
    lineput(&l, ",");
    linerate(&l, iv->txbytes, iv->seconds, "");
    endrow(&l);
}

static void day(const struct dayrow *d)
{
    struct line l;
    linestart(&l);
    linedate(&l, d->t);
    lineput(&l, ",");
    linedec(&l, d->rxbytes);
    lineput(&l, ",");
    linedec(&l, d->txbytes);
    const uint32_t bytes[] = {d->rxbytes, d->txbytes};
    for (uint32_t b : bytes) {
        lineput(&l, ",");
        if (d->seconds)
            linepercent(&l, (double)b * 8 / d->seconds, "");
    }
    endrow(&l);
}

static void step(const struct steprow *s)
{
    struct line l;
    linestart(&l);
    linetime(&l, s->t);
    const uint64_t counts[] = {s->seconds, s->rxbytes, s->txbytes};
    for (uint64_t n : counts) {
        lineput(&l, ",");
        linedec(&l, n);
    }
    lineput(&l, ",");
    linerate(&l, s->rxpeak.bytes, s->rxpeak.seconds, "");
    lineput(&l, ",");
    linerate(&l, s->txpeak.bytes, s->txpeak.seconds, "");
    endrow(&l);
}

static void counters(const struct interval *iv)
{
    if (!iv)
        return;
    struct line l;
    linestart(&l);
    linetime(&l, iv->t);
    lineput(&l, ",");
    linedec(&l, iv->rx);
    lineput(&l, ",");
    linedec(&l, iv->tx);
    endrow(&l);
}

static void flowrow(const struct figures *f, const char *name, const struct flow *fl)
{
    struct line l;
    linestart(&l);
    lineput(&l, name);
    lineput(&l, ",");
    linetime(&l, f->first);
    lineput(&l, ",");
    linetime(&l, f->last);
    const uint64_t counts[] = {f->intervals, f->gaps, f->gapseconds, f->restarts, f->wraps, fl->bytes};
    for (uint64_t n : counts) {
        lineput(&l, ",");
        linedec(&l, n);
    }
    const double average = averagerate(f, fl);
    lineput(&l, ",");
    linefixed(&l, average);
    lineput(&l, ",");
    linefixed(&l, fl->peak);
    lineput(&l, ",");
    linetime(&l, fl->peaktime);
    lineput(&l, ",");
    if (fl->p95known)
        linefixed(&l, fl->p95);
    lineput(&l, ",");
    linepercent(&l, average, "");
    lineput(&l, ",");
    linepercent(&l, fl->peak, "");
    lineput(&l, ",");
    if (fl->p95known)
        linepercent(&l, fl->p95, "");
    lineput(&l, ",");
    linedec(&l, f->overs);
    endrow(&l);
}

static void figures(const struct figures *f)
{
    if (!f)
        return;
    flowrow(f, "rx", &f->rx);
    flowrow(f, "tx", &f->tx);
    flowrow(f, "total", &f->total);
}

static void end(void)
{
}

static void error(const char *why)
{
    printf("error\r\n%s\r\n", csvesc(why));
}

// A table cut short says so in a row of its own: a reader that takes it
// whole finds a row that is no data.
static void broken(const char *why)
{
    printf("error,%s\r\n", csvesc(why));
}

const struct output csvoutput = {
    "text/csv; charset=utf-8", ".csv", 1, head, start, interval, day, step, counters, figures, end, error,
    broken,
};

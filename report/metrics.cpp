#include "metrics.h"

#include <stdio.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/numbers.h"
#include "../support/settings.h"
#include "config.h"
#include "doubts.h"
#include "logs.h"
#include "request.h"
#include "scan.h"

// Every metric's name, help and type stand together here: what a
// monitoring system and its dashboards are written against.
static void metric(const char *name, const char *type, const char *help, const char *value)
{
    printf("# HELP %s %s\n# TYPE %s %s\n%s %s\n", name, help, name, type, name, value);
}

static void number(const char *name, const char *type, const char *help, uint64_t value)
{
    char text[NUMBERSIZE];
    *putdec64(text, value) = '\0';
    metric(name, type, help, text);
}

// The newest interval's bytes as a share of what the channel carried in
// it, by the rules of the chart's bars.
static void load(const char *name, const char *help, uint32_t bytes, const struct interval *iv)
{
    const int64_t span = iv->gap ? channelbytes(iv->seconds) : -1;
    const uint64_t capacity = span >= 0 ? (uint64_t)span : req.ulmaxvalue;
    if (capacity == 0 || capacity > INT64_MAX)
        return;   // a channel of no known capacity has no share to give
    double ratio = (double)bytes / (double)capacity;
    char text[32];
    snprintf(text, sizeof text, "%.6f", ratio > 1 ? 1.0 : ratio);
    metric(name, "gauge", help, text);
}

// A target that cannot be scraped says so with a status Prometheus marks
// it down for (up == 0), and why in one line.
static void unavailable(const char *why)
{
    printf("Status: 503 Service Unavailable\nContent-Type: text/plain; charset=utf-8\n"
           "Cache-Control: no-store\n\n");
    rawout();
    printf("%s\n", why ? why : "The log could not be read: the server's log says why.");
}

// The current log read whole, as the figures read it: what its intervals
// carried, counted across wraps, restarts and gaps, its newest record and
// the interval that ends there.
struct counted {
    uint64_t rx, tx;
    uint32_t intervals;
    struct logrecord newest;
    struct interval last;
    int hasrecord;
};

static void carried(const struct interval *iv, void *arg)
{
    struct counted *n = (struct counted *)arg;
    n->rx += iv->rxbytes;
    n->tx += iv->txbytes;
    n->intervals++;
    n->last = *iv;
}

static int countlog(struct counted *n)
{
    static struct period all;
    const struct logreading r = {req.logname, 0, 1, 0, &all};
    struct counting c;
    n->rx = n->tx = 0;
    n->intervals = 0;
    const int ok = readwhole(&r, &c, carried, n);
    n->hasrecord = c.seeded;
    n->newest = c.prev;
    const char *why, *failed = logsfailed(&why);
    if (!ok) {
        complain(failed, why);
        filefailure(logsproblem(), "log", pathbase(failed), failed, "the log folder", 0);
    }
    return ok;
}

// The sentence of a log that holds no record, for the line a target down
// shows.
static const char *norecords(void)
{
    enum doubtkind kind;
    for (int n = 0; doubttext(n, &kind); n++)
        if (kind == NORECORDS)
            return doubtsentence(n);
    return "The log holds no record.";
}

void metricsanswer(void)
{
    static struct counted n;
    if (!logthere()) {
        unavailable(failuresentence());
        return;
    }
    if (!countlog(&n)) {
        unavailable(failuresentence());
        return;
    }
    if (!n.hasrecord) {
        unavailable(norecords());
        return;
    }
    printf("Content-Type: text/plain; version=0.0.4\nCache-Control: no-store\n\n");
    rawout();
    number("quorlink_receive_bytes_total", "counter",
           "Bytes received since the current log's first record, counted across the device's "
           "counter wraps and restarts; from 0 again with a new current log.",
           n.rx);
    number("quorlink_transmit_bytes_total", "counter",
           "Bytes sent since the current log's first record, counted across the device's counter "
           "wraps and restarts; from 0 again with a new current log.",
           n.tx);
    number("quorlink_device_receive_bytes", "gauge",
           "The device's own 32-bit Rx counter in its newest record, which wraps and restarts.",
           n.newest.rx);
    number("quorlink_device_transmit_bytes", "gauge",
           "The device's own 32-bit Tx counter in its newest record, which wraps and restarts.",
           n.newest.tx);
    number("quorlink_last_record_timestamp_seconds", "gauge",
           "Unix time of the device's newest record.", n.newest.t);
    number("quorlink_records_out_of_order", "gauge",
           "Records of the current log out of time order, which the counters pass over.",
           logslate());
    number("quorlink_warnings", "gauge",
           "Doubts about the settings and the current log, as the answers and the server's log "
           "say them.",
           (uint64_t)doubtcount());
    number("quorlink_capacity_exceeded", "gauge",
           "1 when the channel can carry more between two records than a 32-bit counter holds, so "
           "that a counter may wrap twice unseen; 0 otherwise.",
           (uint64_t)capacityexceeded());
    // bytes, Prometheus' base unit: bits are eight times as many
    char persecond[NUMBERSIZE];
    *putfixed(persecond, req.bandwidth / 8.0) = '\0';
    metric("quorlink_bandwidth_bytes_per_second", "gauge",
           "The channel's bandwidth as set, in bytes per second.", persecond);
    char seconds[NUMBERSIZE];
    snprintf(seconds, sizeof seconds, "%d", (int)req.qtime);
    metric("quorlink_interval_seconds", "gauge", "Seconds between the device's records, as set.",
           seconds);
    if (n.intervals > 0 && n.last.t == n.newest.t) {
        load("quorlink_receive_load_ratio",
             "Share of the channel that the newest interval's received bytes took, 0 to 1.",
             n.last.rxbytes, &n.last);
        load("quorlink_transmit_load_ratio",
             "Share of the channel that the newest interval's sent bytes took, 0 to 1.",
             n.last.txbytes, &n.last);
    }
}

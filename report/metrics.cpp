#include "metrics.h"

#include <stdio.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/settings.h"
#include "doubts.h"
#include "logs.h"
#include "request.h"
#include "scan.h"

// The end of the log that holds its newest records: hundreds of them.
enum { TAILBYTES = 65536 };

// Every metric's name, help and type stand together here: what a
// monitoring system and its dashboards are written against.
static void metric(const char *name, const char *type, const char *help, const char *value)
{
    printf("# HELP %s %s\n# TYPE %s %s\n%s %s\n", name, help, name, type, name, value);
}

static void number(const char *name, const char *type, const char *help, long long value)
{
    char text[32];
    snprintf(text, sizeof text, "%lld", value);
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

static void fail(const char *status, const char *why)
{
    printf("Status: %s\nContent-Type: text/plain; charset=utf-8\nCache-Control: no-store\n\n", status);
    rawout();
    printf("%s\n", why);
}

void metricsanswer(void)
{
    static struct logsource src;
    if (!logthere()) {
        fail(!configfailed() && failureproblem() == FILEMISSING ? "404 Not Found"
                                                                 : "500 Internal Server Error",
             failuresentence());
        return;
    }
    if (!sourceopentail(&src, req.logname, TAILBYTES)) {
        complain(req.logname, src.in.why);
        fail("500 Internal Server Error", "The log could not be read.");
        return;
    }
    src.current = 1;   // the device writes it: its last record may be unfinished
    struct logrecord rec, newest = {0, 0, 0}, before = {0, 0, 0};
    int records = 0;
    while (sourcenext(&src, &rec)) {
        before = newest;
        newest = rec;
        records++;
    }
    const int failed = src.in.failed;
    if (failed)
        complain(req.logname, src.in.why);
    sourceclose(&src);
    if (failed) {
        fail("500 Internal Server Error", "The log could not be read.");
        return;
    }
    printf("Content-Type: text/plain; version=0.0.4\nCache-Control: no-store\n\n");
    rawout();
    if (records > 0) {
        number("quorlink_receive_bytes_total", "counter",
               "Bytes received: the device's 32-bit counter in its newest record, which falls "
               "back to 0 when it wraps or the device restarts.",
               newest.rx);
        number("quorlink_transmit_bytes_total", "counter",
               "Bytes sent: the device's 32-bit counter in its newest record, which falls back to "
               "0 when it wraps or the device restarts.",
               newest.tx);
        number("quorlink_last_record_timestamp_seconds", "gauge",
               "Unix time of the device's newest record.", newest.t);
    }
    number("quorlink_bandwidth_bits_per_second", "gauge", "The channel's bandwidth, as set.",
           req.bandwidth);
    number("quorlink_interval_seconds", "gauge", "Seconds between the device's records, as set.",
           req.qtime);
    if (records > 1 && newest.t > before.t) {
        struct interval iv;
        countinterval(&before, &newest, &iv);
        load("quorlink_receive_load_ratio",
             "Share of the channel that the newest interval's received bytes took, 0 to 1.",
             iv.rxbytes, &iv);
        load("quorlink_transmit_load_ratio",
             "Share of the channel that the newest interval's sent bytes took, 0 to 1.",
             iv.txbytes, &iv);
    }
}

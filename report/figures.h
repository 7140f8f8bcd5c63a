// The figures of a period that a carrier bills by, computed from every
// interval of it: bytes, the average and peak rates, and the 95th
// percentile of the interval rates.
#ifndef QUORLINK_FIGURES_H
#define QUORLINK_FIGURES_H

#include <stdint.h>

#include "scan.h"

// One direction, or both together: the rates in bits per second.
struct flow {
    uint64_t bytes;
    double peak;          // the highest interval rate
    uint32_t peaktime;    // the time of the interval that reached it first
    double p95;           // the 95th percentile of the interval rates
    int p95known;         // 0 for a period too long to hold its top rates
};

struct figures {
    uint32_t first, last;     // the first interval's start, the last one's end
    uint32_t intervals, gaps, restarts, wraps;
    uint32_t overs;           // intervals that counted more than the channel carries
    uint64_t seconds, gapseconds;
    struct flow rx, tx, total;
};

// The figures of the request's period (of the logs it chose); 0 when a log
// could not be read, told to the operator.
int collectfigures(struct figures *f);

void figuresstart(struct figures *f);
void figuresadd(struct figures *f, const struct interval *iv);
void figuresend(struct figures *f);

// The average rate of a flow over the figures' seconds.
double averagerate(const struct figures *f, const struct flow *fl);
// A rate as a percentage of the channel's bandwidth; -1 when the setting
// gives none.
double percentof(double bps);

#endif

// The channel in the Prometheus text format, from the current log read
// whole: counters of what the channel carried since its first record,
// the device's own, and what an alert needs.
#ifndef QUORLINK_METRICS_H
#define QUORLINK_METRICS_H

void metricsanswer(void);

#endif

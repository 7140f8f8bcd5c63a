// The channel in the Prometheus text format, from the end of the current
// log alone: a scrape costs the same whatever the log's length.
#ifndef QUORLINK_METRICS_H
#define QUORLINK_METRICS_H

void metricsanswer(void);

#endif

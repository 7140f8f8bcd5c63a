// The figures of a period as a page: what was carried, the average, the
// peak and the 95th percentile, each way and both together.
#ifndef QUORLINK_USAGE_H
#define QUORLINK_USAGE_H

void usagepage(void);

#endif

// The counter log read once and turned into the interval file.
#ifndef QUORLINK_SCAN_H
#define QUORLINK_SCAN_H

#include <stdint.h>

extern const char histname[];   // the interval file, in the working directory
extern const char lockname[];   // beside it: serialises requests

// The last record that reached the counters, the number of usable records
// (or summary lines written) that the scan counted, and of all the usable
// records in the log.
extern uint32_t ultime1, ulrxbytes, ultxbytes;
extern uint32_t totalcount, logrecords;
// The time of the record that seeds the counters of the first interval line.
extern uint32_t ulseedtime;

// What the channel carries in that many seconds, in bytes (0 for none or
// fewer); -1 where the bandwidth setting gives no capacity to judge by.
int64_t channelbytes(int64_t seconds);
// Whether the time between two records is a gap in the log: more than one
// and a half intervals.
int isgap(int64_t seconds);

enum { COUNTED, WRAPPED, RESTARTED };   // how a counter went from one record to the next
uint32_t fallenbytes(uint32_t prev, uint32_t cur, int64_t capacity, int *how);
// The bytes a counter counted from prev to cur over that many seconds;
// how says whether it counted on, wrapped or restarted.
inline uint32_t countbytes(uint32_t prev, uint32_t cur, int64_t seconds, int *how)
{
    if (cur >= prev) {
        *how = COUNTED;
        return cur - prev;
    }
    return fallenbytes(prev, cur, channelbytes(seconds), how);
}

// Rebuilds the interval file from the chosen log; 0 when the log cannot be
// read or the interval file cannot be written whole.
int scanlog(void);

// Puts the decimal form of v at p, which has room for 10 characters
// whatever v is; returns the end of the number.
char *putdec(char *p, uint32_t v);

#endif

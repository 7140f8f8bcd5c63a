// The counter log read once and turned into the interval file.
#ifndef QUORLINK_SCAN_H
#define QUORLINK_SCAN_H

#include <stdint.h>

#include "logs.h"

extern const char histname[];   // the interval file, in the working directory
extern const char lockname[];   // beside it: serialises requests

// The last record that reached the counters, and the number of usable
// records (or summary lines written) that the scan counted.
extern uint32_t ultime1, ulrxbytes, ultxbytes;
extern uint32_t totalcount;
// The lines of the interval file: the load chart's holds the newest
// CHARTLINES, the columns a chart holds (a GIF is 65535 wide, less its
// margins); the lookup's and the summary's every one.
enum { CHARTLINES = 65505 };

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

// An interval: the record that ends it, its length, and what each counter
// counted over it.
struct interval {
    uint32_t t, seconds;
    uint32_t rx, tx;             // the counters as the device wrote them
    uint32_t rxbytes, txbytes;
    uint8_t rxhow, txhow;        // COUNTED, WRAPPED or RESTARTED
    uint8_t gap;                 // longer than one and a half intervals
    uint8_t over;                // a counter rose by more than the channel carries in it
};
void countinterval(const struct logrecord *prev, const struct logrecord *rec, struct interval *iv);

// The intervals of the records that lognext hands out, each counted from
// the record before it; ordered: a record no later than the one before it
// is passed over.
struct counting {
    int seeded, ordered;
    struct logrecord prev;
};
void countfrom(struct counting *c, int ordered);
int nextinterval(struct counting *c, struct interval *iv);
// Whether an interval ending at t lies in the period.
int inperiod(const struct period *p, uint32_t t);

// The period of this request's answer: the one asked for where the answer
// takes one, else none.
struct period *askedperiod(void);
// The intervals of that period, of the logs the request chose: opened (0
// when they cannot be), read one by one, closed (0 when a read failed on the
// way). Failures are told to the operator.
int openrequestlogs(struct counting *c, int ordered);
int nextrequestinterval(struct counting *c, struct interval *iv);
int closerequestlogs(void);
// The intervals of a reading that counted more than the channel can carry:
// said once the reading of the log at path is done, and counted anew.
void overcapacitydoubt(const char *path);
// Every interval of a reading other than the request's own (a whole log,
// the logs of a check) in time order, handed to each; c is left holding
// the last record read. 0 when a log could not be read: logsfailed says
// which and why.
int readwhole(const struct logreading *r, struct counting *c,
              void (*each)(const struct interval *iv, void *arg), void *arg);
// All of them in time order, each interval longer than none, handed to
// each after start; read again from start when the logs were renamed
// while they were read.
int eachinterval(void (*start)(void *arg), void (*each)(const struct interval *iv, void *arg), void *arg);

// Whether the summary's run of days starts at a record of time t: its day
// is the one asked for, or every day is.
int summarystarts(uint32_t t);

// Rebuilds the interval file from the chosen log; 0 when the log cannot be
// read or the interval file cannot be written whole.
int scanlog(void);
// The load chart's intervals, the lines of its interval file, oldest first,
// each handed with the time of the record before it (for the first, the one
// it counts from); how many. chartdone gives their memory back.
uint32_t eachchartinterval(void (*each)(const struct interval *iv, uint32_t before, void *arg), void *arg);
void chartdone(void);


#endif

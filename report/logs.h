// The counter logs read record by record: one log from its start, or the
// current log and its archives merged in time order for a period, or the
// end of one log alone.
#ifndef QUORLINK_LOGS_H
#define QUORLINK_LOGS_H

#include <stdint.h>

#include "../platform/platform.h"

// The period of a load chart or of the figures: the intervals whose record
// time t is from <= t < to, a bound not given being open. hours= makes it
// the last hours up to the newest record, whose bounds the reading sets.
struct period {
    int asked;            // from=, to= or hours= was given
    int hasfrom, hasto;
    int64_t from, to;     // Unix seconds
    int32_t hours;
    const char *refused;  // why the period cannot be taken, said to the visitor
};

enum { DATALINESIZE = 80 };

struct logrecord {
    uint32_t t, rx, tx;
};

// A data line as kept between records: the text, and where the part that
// is still to be read starts (past the first ":" once it was read).
struct dataline {
    char text[DATALINESIZE];   // longer lines are cut
    size_t from;
};

// What a reading of one log found that the device would not have written:
// the counts, and the first of each as it was read.
enum { SEENSIZE = 40 };
struct sourcefacts {
    uint32_t records;          // usable records
    uint32_t strays;           // lines that belong to no record
    uint32_t nocolon;          // records passed over: a data line with no ":"
    uint32_t rxoff, txoff;     // records whose data line lacks the device's label
    char rxseen[SEENSIZE], txseen[SEENSIZE];
    uint32_t late;             // records out of their time order
    uint32_t latet, lateafter; // the first of them, and the record before it
};

// One log, read as the device wrote it: a record is a line holding
// "time=" and the ten lines after it, Rx on the 4th and Tx on the 10th.
struct logsource {
    struct textin in;
    struct dataline rxline, txline;
    struct logrecord ahead;   // merged reading: the next record, read ahead
    int live;                 // ahead holds a record
    // a record is judged by the one after it: read ahead of the reading
    struct logrecord next;
    int primed, hasnext;
    int ordered;              // a record was taken in time order; lastin is its time
    uint32_t lastin;
    int skipped;              // the record before the next one had no ":"
    int reading;              // read for the answer, not only probed
    int atend;                // read to its end
    int current;              // the log the device writes: its last record may be unfinished
    struct sourcefacts facts;
    char path[PATHSIZE];
};

// 0 when it cannot be opened; in.failed and in.why say why.
int sourceopen(struct logsource *src, const char *path);
// From its last tailbytes only, for what its newest records say.
int sourceopentail(struct logsource *src, const char *path, uint64_t tailbytes);
// The next usable record; 0 at the end of the log or when a read failed.
int sourcenext(struct logsource *src, struct logrecord *rec);
// The same, with *late set for a record out of its time order: one that
// goes back past the last record taken in order, or one ahead of its time,
// later than the next record while that one goes on from the last in order.
// A clock set back leaves the records after it late; one mistyped time is
// one late record, not the end of the log.
int sourcetake(struct logsource *src, struct logrecord *rec, int *late);
void sourceclose(struct logsource *src);

// The records of the logs asked for, one after another: the one log at
// path, or (archives set) that log and every archive beside it whose name
// is its name followed by "." or "-" and more, merged in time order with a
// time that two logs hold handed out once. With a period, logs that end
// before it or start after it are not read past their first record, and
// the records stop at its end; the records just before it still come,
// since the first interval of the period counts from them. The last hours
// (hours=) become the period's bounds, from the end of the log that
// starts last.
// What a reading reads: the log at path, and with archives its archives
// too; whether path is the current log, which the device may be writing;
// and every: the one log hands out its late records too, each where it
// stands (the chart draws them), where other readings pass them over.
struct logreading {
    const char *path;
    int archives, current, every;
    struct period *period;
};
int logsopen(const struct logreading *r);
int lognext(struct logrecord *rec);
void logsclose(void);

// What went wrong with the logs: the log that could not be read (opened,
// or read to its end) and why, for the operator; null when nothing did.
const char *logsfailed(const char **why);
// The logs the reading found (the current one and its archives) that hold
// a record.
int logscount(void);
// Whether a log was renamed or replaced while the logs were read: a reading
// that can start again should.
int logschanged(void);
enum { LOGRETRIES = 3 };   // readings of a folder that keeps changing
// Whether the log has archives beside it: a current log that is not there
// is then being replaced. And a wait for it to be there again, a second at
// most; whether it is.
int logsarchived(const char *path);
int logswait(const char *path);
// The kind of that failure, an enum fileproblem.
int logsproblem(void);
// The records out of time order that the logs read so far held.
uint32_t logslate(void);
// The archives left out (compressed in a form that is not read, damaged,
// holding no record where a first record should be) or read only in part:
// the n-th name and why, or null past the last.
const char *logsskipped(int n, const char **why);
// Forgets them, for the next request of a harness that answers many.
void logsforget(void);

#endif

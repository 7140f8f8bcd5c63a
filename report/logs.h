// The counter logs read record by record: one log from its start, or the
// current log and its archives merged in time order for a period, or the
// end of one log alone.
#ifndef QUORLINK_LOGS_H
#define QUORLINK_LOGS_H

#include <stdint.h>

#include "../platform/platform.h"
#include "request.h"

struct logrecord {
    uint32_t t, rx, tx;
};

// A data line as kept between records: the text, and where the part that
// is still to be read starts (past the first ":" once it was read).
struct dataline {
    char text[FIELDSIZE];   // longer lines are cut
    size_t from;
};

// One log, read as the device wrote it: a record is a line holding
// "time=" and the ten lines after it, Rx on the 4th and Tx on the 10th.
struct logsource {
    struct textin in;
    struct dataline rxline, txline;
    struct logrecord ahead;   // merged reading: the next record, read ahead
    int live;                 // ahead holds a record
    char path[PATHSIZE];
};

// 0 when it cannot be opened; in.failed and in.why say why.
int sourceopen(struct logsource *src, const char *path);
// From its last tailbytes only, for what its newest records say.
int sourceopentail(struct logsource *src, const char *path, uint64_t tailbytes);
// The next usable record; 0 at the end of the log or when a read failed.
int sourcenext(struct logsource *src, struct logrecord *rec);
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
int logsopen(const char *path, int archives, struct period *p);
int lognext(struct logrecord *rec);
void logsclose(void);

// What went wrong with the logs: the log that could not be read (opened,
// or read to its end) and why, for the operator; null when nothing did.
const char *logsfailed(const char **why);
// The archives left out for being compressed in a form that is not read,
// for the page: the n-th name and why, or null past the last.
const char *logsskipped(int n, const char **why);

#endif

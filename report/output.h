// The answers that programs read: one writer per format, each fed by the
// same readings (the intervals, the days, the counters at a time, the
// figures) and each escaping by its own rules.
#ifndef QUORLINK_OUTPUT_H
#define QUORLINK_OUTPUT_H

#include <stdint.h>
#include <string.h>

#include "figures.h"
#include "scan.h"

// A day of the summary: its record, and what the counters counted from it
// to the next day's record.
struct dayrow {
    uint32_t t, seconds;
    uint32_t rxbytes, txbytes;
};

// The intervals whose records fall in one step of step= seconds, the steps
// starting at multiples of it: what they cover and carried, and each
// direction's highest interval rate, kept as that interval's bytes and
// seconds so that it is written as exactly as an interval's own.
struct peakrate {
    uint32_t bytes, seconds;
};
struct steprow {
    uint32_t t;
    uint64_t seconds;
    uint64_t rxbytes, txbytes;
    struct peakrate rxpeak, txpeak;
};

// What an answer holds, named as the formats name it.
enum datakind { INTERVALS, DAYS, COUNTERS, FIGURES, STEPS };

struct output {
    const char *type;     // its Content-Type
    const char *ending;   // of the file name a download gets, or null
    // the doubts go in the header: known before a byte of the body, so
    // that a reading is done twice, once for them
    int doubtsahead;
    void (*head)(void);   // lines of the header of its own
    void (*start)(enum datakind kind);
    void (*interval)(const struct interval *iv);
    void (*day)(const struct dayrow *d);
    void (*step)(const struct steprow *s);
    void (*counters)(const struct interval *iv);   // null: no record matched
    void (*figures)(const struct figures *f);      // no interval: null
    void (*end)(void);
    void (*error)(const char *why);     // the whole answer, with its status
    void (*broken)(const char *why);    // an answer that cannot go on
};

extern const struct output csvoutput, jsonoutput;

// What both formats write: a row or an object put together in a line, then
// written whole.
struct line {
    char text[1024];
    char *p;
};
inline void linestart(struct line *l)
{
    l->p = l->text;
}
// Every piece is far shorter than the line's room but the texts: those are
// cut to it. Inline, so that a constant piece is put without measuring it:
// a year's intervals are a quarter of a million rows of them.
inline void lineput(struct line *l, const char *text)
{
    const size_t room = sizeof l->text - (size_t)(l->p - l->text) - 1;
    size_t n = strlen(text);
    if (n > room)
        n = room;
    memcpy(l->p, text, n);
    l->p += n;
}
void linedec(struct line *l, uint64_t v);
void linetime(struct line *l, uint32_t t);   // ISO 8601, UTC
void linedate(struct line *l, uint32_t t);
// bytes * 8 / seconds, to three decimals: a rate in bit/s; for no length,
// none, which writes ifnone
void linerate(struct line *l, uint64_t bytes, uint32_t seconds, const char *ifnone);
// a rate as a percentage of the channel, or ifnone when it has no bandwidth
void linepercent(struct line *l, double bps, const char *ifnone);
void linefixed(struct line *l, double v);
void lineout(struct line *l);

#endif

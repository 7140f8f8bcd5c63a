// The request state: what the query asks and what the site's settings say.
#ifndef QUORLINK_REQUEST_H
#define QUORLINK_REQUEST_H

#include <stdint.h>
#include <string.h>

#include "logs.h"

enum {
    SWITCHSIZE = 10,
    FIELDSIZE = 80,
    PATHFIELDSIZE = 2 * FIELDSIZE,  // logpath joined with a name: never cut
    TITLESIZE = 160,                // the summary heading of any day count
};

struct request {
    char action[20];
    char hgrid[SWITCHSIZE];
    char vgrid[SWITCHSIZE];
    char date[FIELDSIZE];
    char time[30];
    char activelog[SWITCHSIZE];
    char logfile[FIELDSIZE];
    char datefrom[FIELDSIZE];
    int32_t days;
    char dates[SWITCHSIZE];
    char logpath[FIELDSIZE];
    char logname[PATHFIELDSIZE];
    char sumname[FIELDSIZE];
    char outpath[FIELDSIZE];
    char outvirtpath[FIELDSIZE];
    int32_t qtime;
    int32_t bandwidth;
    uint64_t ulmaxvalue;   // a fast channel carries more than 32 bits an interval
    int32_t timeseccorrect;
    char title[TITLESIZE];
    int logrefused;  // the request named a log outside the log folder
    int lognamed;    // the log was asked for by name (logfile=)
    struct period period;
    char format[SWITCHSIZE];   // "csv" or "json" for data; empty for the page
    int32_t step;              // step=: the load chart's data summed into steps of it; 0 for none
    const char *steprefused;   // why that step cannot be taken, said to the visitor
};

extern struct request req;

// Copies src into a field, cut to the field's size.
template <size_t N> void setfield(char (&dst)[N], const char *src)
{
    size_t n = strnlen(src, N - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

int ison(const char *sw);

// The query, the settings, the log to read.
void gatherrequest(const char *querystring);
int summaryasked(void);
// Whether a period was asked of an answer that takes one: the load chart
// and the figures.
int periodapplies(void);
// Whether step= was asked of the load chart's data.
int stepapplies(void);
// Whether the chosen log is there to be read; when not, the server's log
// says why in the system's words, and the failure sentence to the visitor.
int logthere(void);
// Prints the header and the head of the page; 0 when the page is complete.
int startpage(void);

#endif

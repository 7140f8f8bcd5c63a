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

// Rebuilds the interval file from the chosen log; 0 when the log cannot be
// read or the interval file cannot be written whole.
int scanlog(void);

// Puts the decimal form of v at p, which has room for 10 characters
// whatever v is; returns the end of the number.
char *putdec(char *p, uint32_t v);

#endif

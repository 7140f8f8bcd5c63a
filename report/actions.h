// What the page says after the scan, by action.
#ifndef QUORLINK_ACTIONS_H
#define QUORLINK_ACTIONS_H

#include <stdint.h>

extern const char deniedmsg[];
extern const char notfoundmsg[];
extern const char noperiodmsg[];

// The time of day the lookup asks for, in seconds (hh:mm as typed, the
// time now otherwise), and whether a record's time lies within the
// lookup's tolerance of it, whatever its date.
uint32_t lookuptarget(void);
int neartarget(uint32_t t, uint32_t target);

// The archives that were not read, named on the page.
void skippednotes(void);

// Scans the log under the request lock and answers the request.
void report(void);

#endif

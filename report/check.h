// quorlink --check: the settings and the logs of the channel folder it runs
// in, read the way a request reads them, each finding on a line of its own
// and a verdict, for an operator who has just edited the settings.
#ifndef QUORLINK_CHECK_H
#define QUORLINK_CHECK_H

#include <stddef.h>
#include <stdint.h>

// Whether the program was started to check (--check, and no web server
// about: a server passes query words as arguments too).
int checkasked(int argc, char **argv);
// Prints the findings; the exit status: 0 all is well, 1 warnings, 2 errors.
int checkchannel(void);

// Whether the newest record of the current log is far older than the
// clock or later than it: the device has stopped, or its clock is wrong.
// The sentence in why (whysize bytes); 0 when neither.
int stalerecord(uint32_t newest, uint32_t now, char *why, size_t whysize);

#endif

// Numbers written the way answers show them, fast enough for a year of
// intervals and the same on every system: no formatted print of the C
// library, no locale.
#ifndef QUORLINK_NUMBERS_H
#define QUORLINK_NUMBERS_H

#include <stdint.h>

enum { NUMBERSIZE = 32 };   // room for any number these write

// The decimal form of v at p; returns the end of the number. putdec needs
// room for 10 characters whatever v is, putdec64 for 20.
char *putdec(char *p, uint32_t v);
char *putdec64(char *p, uint64_t v);
// v rounded to three decimals, without trailing zeros: "32000", "0.5",
// "-1.25"; NUMBERSIZE of room.
char *putfixed(char *p, double v);

// num / den rounded to three decimals, the same way: exact for any
// counter's bytes over any length in seconds.
char *putratio(char *p, uint64_t num, uint32_t den);

#endif

// Keyed settings from "quorlink.cfg", and fields picked out of a line.
#ifndef QUORLINK_SETTINGS_H
#define QUORLINK_SETTINGS_H

#include <stddef.h>
#include <stdint.h>

enum { VALUESIZE = 80, WORKLINESIZE = 1024 };

// The value after the first occurrence of the key (given with its "="), on
// the first line that holds it; the empty text when there is none.
const char *getconfig(const char *ptparname);
// Whether the settings file was there but could not be read whole: then no
// value read from it can be trusted.
int configfailed(void);
// Whether a settings line is a comment, and each line of the file with its
// number from 1, for a check of what it holds; 0 when it cannot be read.
int configcomment(const char *line);
int configlines(void (*each)(int lineno, const char *line, void *arg), void *arg);

// Field parnum (from 1) of a blank-separated line, as an unsigned number.
uint32_t getlvalue(const char *ptstr, int parnum);
// The same number read from the first size bytes of a text that need not
// end in a zero byte.
uint32_t textlvalue(const char *text, size_t size);
// Word parnum of a blank-separated text, copied into ptres (ressize bytes).
char *getsvalue(const char *ptstr, char *ptres, size_t ressize, int parnum);

// The C library's atol, but bounded: values beyond the 32-bit range are
// held at its ends instead of overflowing.
int32_t decval(const char *text);

#endif

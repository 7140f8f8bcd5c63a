// Dates and times typed by the user, turned into the forms the log yields.
#ifndef QUORLINK_DATETIME_H
#define QUORLINK_DATETIME_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

enum { TIMETEXTSIZE = 80, WORDSIZE = 16 };

extern const char *const monthes[12];

// "Www Mmm DD hh:mm:ss YYYY\n" of a broken-down time.
void timetext(const struct tm *tm, char *buf, size_t size);
// The time text of a log time (UTC) without its newline.
void gmttimetext(uint32_t t, char *buf, size_t size);

// dd/mm/yyyy as the log date text "DD Mon YYYY"; today's date otherwise.
const char *makegmtdate(const char *ptdate);
// hh:mm as typed when it is five digits and colons; the time now otherwise.
const char *makegmttime(const char *pttime);

#endif

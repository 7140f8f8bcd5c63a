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

// A moment of a period typed as "dd/mm/yyyy" or "dd/mm/yyyy hh:mm", UTC,
// a real date and time of day: its Unix time in *t, and 1; 0 for any other
// text, which never means today.
int periodtime(const char *text, int64_t *t);
// A log time in ISO 8601, UTC: "2026-12-08T11:04:00Z" (ISOTIMESIZE), and
// its date alone, "2026-12-08".
enum { ISOTIMESIZE = 24 };
void isotime(uint32_t t, char *buf, size_t size);
// The same of any time of the years 0 to 9999, as a period's bound may be.
void isotime64(int64_t t, char *buf, size_t size);
// The broken-down UTC time of any time, before 1970 and past 2106 too.
void civiltm(int64_t t, struct tm *tm);
void isodate(uint32_t t, char *buf, size_t size);

#endif

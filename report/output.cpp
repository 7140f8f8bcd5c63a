#include "output.h"

#include <stdio.h>
#include <string.h>

#include "../support/datetime.h"
#include "../support/numbers.h"

static size_t room(const struct line *l)
{
    return sizeof l->text - (size_t)(l->p - l->text) - 1;
}

void linedec(struct line *l, uint64_t v)
{
    if (room(l) >= NUMBERSIZE)
        l->p = putdec64(l->p, v);
}

static void twodigits(char *p, uint32_t v)
{
    p[0] = (char)('0' + v / 10);
    p[1] = (char)('0' + v % 10);
}

// The date is worked out once a day of intervals; the time of day, at 11,
// 14 and 17 of "2026-12-08T11:04:00Z", is written into the text kept.
void linetime(struct line *l, uint32_t t)
{
    static uint32_t day = UINT32_MAX;   // of iso; no time is in it
    static char iso[ISOTIMESIZE];
    const uint32_t s = t % 86400;
    if (t / 86400 != day) {
        day = t / 86400;
        isotime(t, iso, sizeof iso);
    } else {
        twodigits(iso + 11, s / 3600);
        twodigits(iso + 14, s / 60 % 60);
        twodigits(iso + 17, s % 60);
    }
    lineput(l, iso);
}

void linedate(struct line *l, uint32_t t)
{
    char iso[ISOTIMESIZE];
    isodate(t, iso, sizeof iso);
    lineput(l, iso);
}

void linerate(struct line *l, uint64_t bytes, uint32_t seconds, const char *ifnone)
{
    if (seconds == 0)
        lineput(l, ifnone);
    else if (room(l) >= NUMBERSIZE)
        l->p = putratio(l->p, bytes * 8, seconds);
}

void linefixed(struct line *l, double v)
{
    if (room(l) >= NUMBERSIZE)
        l->p = putfixed(l->p, v);
}

void linepercent(struct line *l, double bps, const char *ifnone)
{
    const double percent = percentof(bps);
    if (percent < 0)
        lineput(l, ifnone);
    else
        linefixed(l, percent);
}

void lineout(struct line *l)
{
    fwrite(l->text, 1, (size_t)(l->p - l->text), stdout);
}

#include "output.h"

#include <stdio.h>
#include <string.h>

#include "../support/datetime.h"
#include "../support/numbers.h"

// Every piece is far shorter than the line's room but the texts: those are
// cut to it.
void linestart(struct line *l)
{
    l->p = l->text;
}

static size_t room(const struct line *l)
{
    return sizeof l->text - (size_t)(l->p - l->text) - 1;
}

void lineput(struct line *l, const char *text)
{
    size_t n = strlen(text);
    if (n > room(l))
        n = room(l);
    memcpy(l->p, text, n);
    l->p += n;
}

void linedec(struct line *l, uint64_t v)
{
    if (room(l) >= NUMBERSIZE)
        l->p = putdec64(l->p, v);
}

void linetime(struct line *l, uint32_t t)
{
    char iso[ISOTIMESIZE];
    isotime(t, iso, sizeof iso);
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

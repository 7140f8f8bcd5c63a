#include "usage.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "../platform/platform.h"
#include "../support/datetime.h"
#include "../support/numbers.h"
#include "actions.h"
#include "doubts.h"
#include "figures.h"
#include "scan.h"
#include "request.h"

// Three significant digits, then the unit: "12.3 kbit/s", "1.23 GB".
static void scaled(char *out, size_t size, double v, const char *const *units, double step)
{
    int u = 0;
    while (v >= 999.5 && units[u + 1]) {
        v /= step;
        u++;
    }
    const int decimals = u == 0 && v == (double)(uint64_t)v ? 0 : v < 9.995 ? 2 : v < 99.95 ? 1 : 0;
    snprintf(out, size, "%.*f %s", decimals, v, units[u]);
}

static const char *rate(double bps)
{
    static const char *const units[] = {"bit/s", "kbit/s", "Mbit/s", "Gbit/s", "Tbit/s", nullptr};
    static char text[2][32];
    static int turn;
    char *out = text[turn ^= 1];
    scaled(out, sizeof text[0], bps, units, 1000);
    return out;
}

// "1,234,567,890 bytes (1.23 GB)"
static void bytes(uint64_t n)
{
    static const char *const units[] = {"B", "KB", "MB", "GB", "TB", "PB", nullptr};
    char digits[NUMBERSIZE], grouped[NUMBERSIZE * 2], short_[32];
    const size_t len = (size_t)(putdec64(digits, n) - digits);
    size_t g = 0;
    for (size_t i = 0; i < len; i++) {
        if (i > 0 && (len - i) % 3 == 0)
            grouped[g++] = ',';
        grouped[g++] = digits[i];
    }
    grouped[g] = '\0';
    scaled(short_, sizeof short_, (double)n, units, 1000);
    if (n < 1000)
        printf("%s bytes", grouped);
    else
        printf("%s bytes (%s)", grouped, short_);
}

// A rate and, when the channel's bandwidth is set, its share of it.
static void rateshare(double bps)
{
    const double percent = percentof(bps);
    if (percent < 0)
        printf("%s", rate(bps));
    else
        printf("%s (%.1f%% of the channel)", rate(bps), percent);
}

static void row(const char *head, const struct figures *f, void (*cell)(const struct figures *, const struct flow *))
{
    printf("<tr><th scope=\"row\">%s</th>", head);
    const struct flow *flows[] = {&f->rx, &f->tx, &f->total};
    for (const struct flow *fl : flows) {
        printf("<td>");
        cell(f, fl);
        printf("</td>");
    }
    printf("</tr>");
}

static void bytescell(const struct figures *, const struct flow *fl)
{
    bytes(fl->bytes);
}

static void averagecell(const struct figures *f, const struct flow *fl)
{
    rateshare(averagerate(f, fl));
}

static void peakcell(const struct figures *, const struct flow *fl)
{
    rateshare(fl->peak);
    printf("<br>in the interval to %s", daytime(fl->peaktime));
}

static void p95cell(const struct figures *, const struct flow *fl)
{
    if (fl->p95known)
        rateshare(fl->p95);
    else
        printf("not kept for a period this long");
}

// "2 gaps (1 h 4 min in all)"
static void gapsline(const struct figures *f)
{
    const uint64_t minutes = f->gapseconds / 60;
    printf("%u gap%s", f->gaps, f->gaps == 1 ? "" : "s");
    if (f->gaps)
        printf(" (%llu h %llu min in all)", (unsigned long long)(minutes / 60),
               (unsigned long long)(minutes % 60));
    printf(", %u restart%s, %u wrap%s", f->restarts, f->restarts == 1 ? "" : "s", f->wraps,
           f->wraps == 1 ? "" : "s");
}

// The period as asked, where it has bounds; the intervals' own times where
// it has none.
static void periodline(const struct figures *f)
{
    const struct period *p = askedperiod();
    const int shift = p->hours > 0;   // hours= reaches the newest record itself
    // as asked, whatever time it is: 1900 is no record's, and says so
    printf("<p>Usage from %s", p->hasfrom ? daytime(p->from - shift) : daytime(f->first));
    printf(" to %s:<br>", p->hasto ? daytime(p->to - shift) : daytime(f->last));
    printf("%u interval%s, from the record of %s", f->intervals, f->intervals == 1 ? "" : "s",
           daytime(f->first));
    printf(" to that of %s; ", daytime(f->last));
    gapsline(f);
    printf(".</p>");
}

void usagepage(void)
{
    static struct figures f;
    const int collected = collectfigures(&f);
    pagenotes();
    if (!collected) {
        pagedenied();
        return;
    }
    skippednotes();
    if (f.intervals == 0) {
        if (periodapplies())
            printf("%s", noperiodmsg);
        else
            pagenotfound();
        return;
    }
    periodline(&f);
    printf("<table><tr><td></td><th scope=\"col\">Received (Rx)</th><th scope=\"col\">Sent (Tx)</th>"
           "<th scope=\"col\">Both (Rx+Tx)</th></tr>");
    row("Carried", &f, bytescell);
    row("Average", &f, averagecell);
    row("Peak", &f, peakcell);
    row("95th percentile", &f, p95cell);
    printf("</table>");
}

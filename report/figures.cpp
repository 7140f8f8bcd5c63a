#include "figures.h"

#include <algorithm>
#include <functional>

#include "request.h"

// The 95th percentile is the highest rate left once the highest
// floor(n * 5 / 100) are set aside: it is among the top twentieth of the
// rates. Only the highest TOPRATES of each flow are kept: exact while
// fewer than TOPRATES are set aside, up to 20 * TOPRATES - 1 intervals
// (1,820 days of two-minute records), in memory that does not grow past it. A rate above
// the floor is added to the list; a full list is cut to its highest
// TOPRATES, the lowest of them the new floor: one pass over the list for
// every SPARE rates, where a heap walked its tree for each rate, a cache
// miss a step.
enum { TOPRATES = 65536, SPARE = TOPRATES / 4 };

struct toprates {
    double rates[TOPRATES + SPARE];
    uint32_t size;
    double floor;   // a rate no higher is not among the highest TOPRATES
};

static struct toprates tops[3];

static double median3(double a, double b, double c)
{
    return a < b ? (b < c ? b : a < c ? c : a) : (a < c ? a : b < c ? c : b);
}

// The n rates at a with the (k + 1)-th highest at a[k], those before it no
// lower and those after it no higher: what std::nth_element with
// std::greater does, but its partitions branch on no rate, where std's
// guess wrong at every other one of a year's rates. Each pass puts the
// rates above the pivot first; one that finds none puts those equal to it
// next (an idle channel's rates are all 0).
static void highestfirst(double *a, size_t n, size_t k)
{
    enum { FEW = 16, DEPTH = 64 };
    size_t lo = 0, hi = n;   // a[k] is among a[lo..hi)
    // the pivot, the middle of three rates from places drawn at random: a
    // pass leaves its rates in an order that fixed places would pick badly
    uint64_t draw = UINT64_C(0x9E3779B97F4A7C15);
    for (int depth = 0; hi - lo > FEW && depth < DEPTH; depth++) {
        double sample[3];
        for (double &x : sample) {
            draw ^= draw << 13;
            draw ^= draw >> 7;
            draw ^= draw << 17;
            x = a[lo + draw % (hi - lo)];
        }
        const double pivot = median3(sample[0], sample[1], sample[2]);
        size_t above = lo;
        for (size_t i = lo; i < hi; i++) {
            const double x = a[i];
            a[i] = a[above];
            a[above] = x;
            above += x > pivot;
        }
        if (k < above) {
            hi = above;
            continue;
        }
        if (above > lo) {
            lo = above;
            continue;
        }
        // none above the pivot, the highest: those equal to it come next
        size_t equal = above;
        for (size_t i = above; i < hi; i++) {
            const double x = a[i];
            a[i] = a[equal];
            a[equal] = x;
            equal += x == pivot;
        }
        if (k < equal)
            return;
        lo = equal;
    }
    // the last few, or a run of pivots that kept missing
    std::nth_element(a + lo, a + k, a + hi, std::greater<double>());
}

static void keeptop(struct toprates *h, double rate)
{
    if (rate <= h->floor)
        return;
    if (h->size == TOPRATES + SPARE) {
        double *lowest = h->rates + TOPRATES - 1;
        highestfirst(h->rates, h->size, TOPRATES - 1);
        h->size = TOPRATES;
        h->floor = *lowest;
        if (rate <= h->floor)
            return;
    }
    h->rates[h->size++] = rate;
}

// The highest rate left of n once floor(n * 5 / 100) are set aside.
static void percentile(struct toprates *h, uint32_t n, struct flow *fl)
{
    const uint32_t aside = (uint32_t)((uint64_t)n * 5 / 100);
    fl->p95known = n > 0 && aside < TOPRATES;
    if (!fl->p95known)
        return;
    // the (aside + 1)-th highest of the kept rates, which hold the highest
    // TOPRATES of all
    highestfirst(h->rates, h->size, aside);
    fl->p95 = h->rates[aside];
}

static void startflow(struct flow *fl)
{
    fl->bytes = 0;
    fl->peak = -1;
    fl->peaktime = 0;
    fl->p95 = 0;
    fl->p95known = 0;
}

void figuresstart(struct figures *f)
{
    f->first = f->last = 0;
    f->intervals = f->gaps = f->restarts = f->wraps = f->overs = 0;
    f->seconds = f->gapseconds = 0;
    startflow(&f->rx);
    startflow(&f->tx);
    startflow(&f->total);
    for (auto &h : tops) {
        h.size = 0;
        h.floor = -1;   // rates are never negative: every one is kept at first
    }
}

static void addflow(struct flow *fl, struct toprates *h, uint64_t bytes, const struct interval *iv)
{
    const double rate = (double)bytes * 8 / iv->seconds;
    fl->bytes += bytes;
    if (rate > fl->peak) {
        fl->peak = rate;
        fl->peaktime = iv->t;
    }
    keeptop(h, rate);
}

void figuresadd(struct figures *f, const struct interval *iv)
{
    if (f->intervals++ == 0)
        f->first = iv->t - iv->seconds;
    f->last = iv->t;
    f->seconds += iv->seconds;
    if (iv->gap) {
        f->gaps++;
        f->gapseconds += iv->seconds;
    }
    // the device restarted once, whichever counters show it; each counter
    // wraps on its own
    f->restarts += iv->rxhow == RESTARTED || iv->txhow == RESTARTED;
    f->wraps += (iv->rxhow == WRAPPED) + (iv->txhow == WRAPPED);
    f->overs += iv->over;
    addflow(&f->rx, &tops[0], iv->rxbytes, iv);
    addflow(&f->tx, &tops[1], iv->txbytes, iv);
    // both directions: each interval's summed rate, as carriers bill
    addflow(&f->total, &tops[2], (uint64_t)iv->rxbytes + iv->txbytes, iv);
}

void figuresend(struct figures *f)
{
    percentile(&tops[0], f->intervals, &f->rx);
    percentile(&tops[1], f->intervals, &f->tx);
    percentile(&tops[2], f->intervals, &f->total);
}

double averagerate(const struct figures *f, const struct flow *fl)
{
    return f->seconds ? (double)fl->bytes * 8 / (double)f->seconds : 0;
}

double percentof(double bps)
{
    return req.bandwidth > 0 ? bps * 100 / req.bandwidth : -1;
}

static void addone(const struct interval *iv, void *arg)
{
    figuresadd((struct figures *)arg, iv);
}

static void startone(void *arg)
{
    figuresstart((struct figures *)arg);
}

int collectfigures(struct figures *f)
{
    if (!eachinterval(startone, addone, f))
        return 0;
    figuresend(f);
    return 1;
}

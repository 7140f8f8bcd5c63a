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

static void keeptop(struct toprates *h, double rate)
{
    if (rate <= h->floor)
        return;
    if (h->size == TOPRATES + SPARE) {
        double *lowest = h->rates + TOPRATES - 1;
        std::nth_element(h->rates, lowest, h->rates + h->size, std::greater<double>());
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
    double *nth = h->rates + aside;
    std::nth_element(h->rates, nth, h->rates + h->size, std::greater<double>());
    fl->p95 = *nth;
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

#include "figures.h"

#include <algorithm>

#include "request.h"

// The 95th percentile is the highest rate left once the highest
// floor(n * 5 / 100) are set aside: it is among the top twentieth of the
// rates. Only the highest TOPRATES of each flow are kept, in a heap whose
// root is the lowest of them: exact for periods of up to twenty times as
// many intervals (five years of two-minute records), in memory that does
// not grow past it.
enum { TOPRATES = 65536 };

struct topheap {
    double rates[TOPRATES];
    uint32_t size;
};

static struct topheap tops[3];

static void siftdown(struct topheap *h, uint32_t i)
{
    for (;;) {
        uint32_t low = i, l = 2 * i + 1, r = l + 1;
        if (l < h->size && h->rates[l] < h->rates[low])
            low = l;
        if (r < h->size && h->rates[r] < h->rates[low])
            low = r;
        if (low == i)
            return;
        std::swap(h->rates[i], h->rates[low]);
        i = low;
    }
}

static void keeptop(struct topheap *h, double rate)
{
    if (h->size < TOPRATES) {
        uint32_t i = h->size++;
        h->rates[i] = rate;
        while (i > 0 && h->rates[(i - 1) / 2] > h->rates[i]) {
            std::swap(h->rates[(i - 1) / 2], h->rates[i]);
            i = (i - 1) / 2;
        }
    } else if (rate > h->rates[0]) {
        h->rates[0] = rate;
        siftdown(h, 0);
    }
}

// The highest rate left of n once floor(n * 5 / 100) are set aside.
static void percentile(struct topheap *h, uint32_t n, struct flow *fl)
{
    const uint32_t aside = (uint32_t)((uint64_t)n * 5 / 100);
    fl->p95known = n > 0 && aside < h->size;
    if (!fl->p95known)
        return;
    // the (aside + 1)-th highest of the kept rates
    double *nth = h->rates + (h->size - 1 - aside);
    std::nth_element(h->rates, nth, h->rates + h->size);
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
    f->intervals = f->gaps = f->restarts = f->wraps = 0;
    f->seconds = f->gapseconds = 0;
    startflow(&f->rx);
    startflow(&f->tx);
    startflow(&f->total);
    for (auto &h : tops)
        h.size = 0;
}

static void addflow(struct flow *fl, struct topheap *h, uint64_t bytes, const struct interval *iv)
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

int collectfigures(struct figures *f)
{
    figuresstart(f);
    if (!eachinterval(addone, f))
        return 0;
    figuresend(f);
    return 1;
}

#include "numbers.h"

#include <math.h>
#include <string.h>

// Every number below 10,000 as its four digits, zeros before it: built by
// the compiler, 40 KB that a year of interval lines reads at random, one
// copy for four digits where pairs take a division each.
struct fourdigits {
    char d[10000][4];
};

static constexpr struct fourdigits makefour(void)
{
    struct fourdigits f = {};
    for (int i = 0; i < 10000; i++) {
        f.d[i][0] = (char)('0' + i / 1000);
        f.d[i][1] = (char)('0' + i / 100 % 10);
        f.d[i][2] = (char)('0' + i / 10 % 10);
        f.d[i][3] = (char)('0' + i % 10);
    }
    return f;
}

static constexpr struct fourdigits four = makefour();

// v below 10,000 without its leading zeros; four bytes are written.
static char *putfour(char *p, uint32_t v)
{
    const int zeros = v >= 1000 ? 0 : v >= 100 ? 1 : v >= 10 ? 2 : 3;
    memcpy(p, four.d[v] + zeros, 4);
    return p + 4 - zeros;
}

// The leading group, then whole groups of four: p must have room for 10
// characters whatever the number.
char *putdec(char *p, uint32_t v)
{
    if (v < 10000)
        return putfour(p, v);
    if (v < 100000000) {
        p = putfour(p, v / 10000);
        memcpy(p, four.d[v % 10000], 4);
        return p + 4;
    }
    const uint32_t low = v % 100000000;
    p = putfour(p, v / 100000000);
    memcpy(p, four.d[low / 10000], 4);
    memcpy(p + 4, four.d[low % 10000], 4);
    return p + 8;
}

char *putdec64(char *p, uint64_t v)
{
    if (v <= UINT32_MAX)
        return putdec(p, (uint32_t)v);
    // the high part, then the low nine digits with their zeros
    const uint64_t low = v % 1000000000;
    p = putdec64(p, v / 1000000000);
    char nine[10];
    char *end = putdec(nine, (uint32_t)low);
    const size_t n = (size_t)(end - nine);
    memset(p, '0', 9 - n);
    memcpy(p + 9 - n, nine, n);
    return p + 9;
}

// the point and up to three decimals of frac thousandths, trailing zeros
// dropped
static char *putpoint(char *p, uint32_t frac)
{
    if (frac == 0)
        return p;
    *p++ = '.';
    for (uint32_t unit = 100; frac > 0; unit /= 10) {
        *p++ = (char)('0' + frac / unit);
        frac %= unit;
    }
    return p;
}

char *putfixed(char *p, double v)
{
    if (v < 0) {
        *p++ = '-';
        v = -v;
    }
    const uint64_t thousandths = (uint64_t)llround(v * 1000);
    return putpoint(putdec64(p, thousandths / 1000), (uint32_t)(thousandths % 1000));
}

// The whole part, then the thousandths of the remainder: nothing passes 64
// bits, where a 128-bit division would load libgcc_s into every request.
char *putratio(char *p, uint64_t num, uint32_t den)
{
    uint64_t whole = num / den;
    uint32_t frac = (uint32_t)((num % den * 2000 + den) / ((uint64_t)den * 2));
    if (frac == 1000) {
        whole++;
        frac = 0;
    }
    return putpoint(putdec64(p, whole), frac);
}

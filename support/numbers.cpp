#include "numbers.h"

#include <math.h>
#include <string.h>

// The digits are made from the right in pairs, then moved in one fixed-size
// copy: p must have room for 10 characters whatever the number.
char *putdec(char *p, uint32_t v)
{
    static const char pairs[] = "00010203040506070809101112131415161718192021222324"
                                "25262728293031323334353637383940414243444546474849"
                                "50515253545556575859606162636465666768697071727374"
                                "75767778798081828384858687888990919293949596979899";
    char digits[20];
    char *d = digits + 10;
    while (v >= 100) {
        const uint32_t q = v / 100;
        const char *pair = pairs + 2 * (v - q * 100);
        v = q;
        d -= 2;
        d[0] = pair[0];
        d[1] = pair[1];
    }
    if (v >= 10) {
        d -= 2;
        d[0] = pairs[2 * v];
        d[1] = pairs[2 * v + 1];
    } else
        *--d = (char)('0' + v);
    memcpy(p, d, 10);
    return p + (digits + 10 - d);
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

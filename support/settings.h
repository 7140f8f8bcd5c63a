// Keyed settings from "quorlink.cfg", and fields picked out of a line.
#ifndef QUORLINK_SETTINGS_H
#define QUORLINK_SETTINGS_H

#include <stddef.h>
#include <stdint.h>

enum { VALUESIZE = 80, WORKLINESIZE = 1024 };

// The value after the first occurrence of the key (given with its "="), on
// the first line that holds it; the empty text when there is none.
const char *getconfig(const char *ptparname);
// Whether the settings file was there but could not be read whole: then no
// value read from it can be trusted.
int configfailed(void);
// Whether a settings line is a comment, and each line of the file with its
// number from 1, for a check of what it holds; 0 when it cannot be read.
int configcomment(const char *line);
int configlines(void (*each)(int lineno, const char *line, void *arg), void *arg);

// Field parnum (from 1) of a blank-separated line, as an unsigned number.
uint32_t getlvalue(const char *ptstr, int parnum);
// The same number read from the first size bytes of a text that need not
// end in a zero byte. Every record of a log has three: inline, and its
// first eight digits at once (a log's times and counters have eight or
// more), the value wrapping modulo 2^32 as digit by digit.
inline int textdigit(char c)
{
    return (unsigned char)(c - '0') < 10;
}

// Whether the eight bytes of x, first byte lowest, are all digits.
inline int eightdigits(uint64_t x)
{
    const uint64_t high = x & UINT64_C(0xF0F0F0F0F0F0F0F0);
    const uint64_t carried = (x + UINT64_C(0x0606060606060606)) & UINT64_C(0xF0F0F0F0F0F0F0F0);
    return (high | carried >> 4) == UINT64_C(0x3333333333333333);
}

// The number of eight digits, first byte lowest: pairs, then fours, then
// the eight, each step one multiplication.
inline uint32_t eightvalue(uint64_t x)
{
    x -= UINT64_C(0x3030303030303030);
    x = x * 10 + (x >> 8);
    x = ((x & UINT64_C(0x000000FF000000FF)) * (100 + (UINT64_C(1000000) << 32)) +
         ((x >> 16 & UINT64_C(0x000000FF000000FF)) * (1 + (UINT64_C(10000) << 32)))) >> 32;
    return (uint32_t)x;
}

__attribute__((always_inline)) inline uint32_t textlvalue(const char *text, size_t size)
{
    const char *ptr = text, *end = text + size;
    while (ptr < end && (*ptr == ' ' || (*ptr >= '\t' && *ptr <= '\r')))
        ptr++;
    int neg = 0;
    if (ptr < end && !textdigit(*ptr) && (*ptr == '+' || *ptr == '-'))
        neg = *ptr++ == '-';
    uint32_t v = 0;
    if (end - ptr >= 8) {
        const unsigned char *b = (const unsigned char *)ptr;
        const uint64_t x = (uint64_t)b[0] | (uint64_t)b[1] << 8 | (uint64_t)b[2] << 16 |
                           (uint64_t)b[3] << 24 | (uint64_t)b[4] << 32 | (uint64_t)b[5] << 40 |
                           (uint64_t)b[6] << 48 | (uint64_t)b[7] << 56;
        if (eightdigits(x)) {
            v = eightvalue(x);
            ptr += 8;
        }
    }
    while (ptr < end && textdigit(*ptr))
        v = v * 10u + (uint32_t)(*ptr++ - '0');
    return neg ? 0u - v : v;
}
// Word parnum of a blank-separated text, copied into ptres (ressize bytes).
char *getsvalue(const char *ptstr, char *ptres, size_t ressize, int parnum);

// The C library's atol, but bounded: values beyond the 32-bit range are
// held at its ends instead of overflowing.
int32_t decval(const char *text);

#endif

#include "query.h"

#include <string.h>

static int hexdigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const char *getnormpar(const char *ptpar)
{
    static char normpar[QUERYSIZE];
    char *ptr = normpar;
    char *end = normpar + sizeof normpar - 1;

    // decoding never lengthens a text, but the input is not ours to trust:
    // anything past the buffer's room is cut
    while (*ptpar && ptr < end) {
        if (*ptpar == '+') {
            *ptr++ = ' ';
            ptpar++;
        } else if (*ptpar == '%') {
            // the hex digits from the first up to the first non-digit, two at
            // most: %4g is 4, %zz is 0; a cut escape takes what is there
            ptpar++;
            int taken = 0;
            while (taken < 2 && ptpar[taken])
                taken++;
            int value = 0;
            int d = taken > 0 ? hexdigit(ptpar[0]) : -1;
            if (d >= 0) {
                value = d;
                if (taken > 1 && (d = hexdigit(ptpar[1])) >= 0)
                    value = value * 16 + d;
            }
            ptpar += taken;
            if (value == 0)
                break;  // a decoded zero byte ends the text
            *ptr++ = (char)value;
        } else {
            *ptr++ = *ptpar++;
        }
    }
    *ptr = '\0';
    return normpar;
}

const char *getquery(const char *ptquery, const char *ptname)
{
    static char temp[QUERYSIZE];
    size_t n = strnlen(ptquery, sizeof temp - 1);
    memcpy(temp, ptquery, n);
    temp[n] = '\0';

    char *result = strstr(temp, ptname);
    if (!result)
        return "";
    result += strlen(ptname);
    result[strcspn(result, "& \n")] = '\0';
    return result;
}

const char *getparam(const char *ptquery, const char *ptname)
{
    static char value[QUERYSIZE];
    const size_t namelen = strlen(ptname);
    for (const char *p = ptquery; p; p = strchr(p, '&')) {
        if (*p == '&')
            p++;
        if (strncmp(p, ptname, namelen) == 0) {
            p += namelen;
            size_t n = strcspn(p, "&");
            if (n > sizeof value - 1)
                n = sizeof value - 1;
            memcpy(value, p, n);
            value[n] = '\0';
            return value;
        }
    }
    return "";
}

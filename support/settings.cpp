#include "settings.h"

#include <string.h>

#include "../platform/platform.h"
#include "complain.h"

static const char cfgname[] = "quorlink.cfg";
static int cfgfailed;

int configfailed(void)
{
    return cfgfailed;
}

// Every key is looked up: one line for the server's log is enough.
static void tellonce(const char *why)
{
    static int told;
    if (!told++)
        complain(cfgname, why);
}

// A line whose first character past its blanks is "#" or ";" is an
// operator's note, never a setting, whatever keys it names.
int configcomment(const char *line)
{
    line += strspn(line, " \t");
    return *line == '#' || *line == ';';
}

int configlines(void (*each)(int lineno, const char *line, void *arg), void *arg)
{
    static struct textin in;
    static char temp[WORKLINESIZE];
    if (!textopen(&in, cfgname))
        return 0;
    for (int n = 1; textline(&in, temp, sizeof temp); n++)
        each(n, temp, arg);
    textclose(&in);
    return !in.failed;
}

const char *getconfig(const char *ptparname)
{
    static struct textin in;
    static char temp[WORKLINESIZE];
    static char value[VALUESIZE];

    if (!textopen(&in, cfgname)) {
        tellonce(in.why);
        return "";
    }
    const char *result = "";
    // lines longer than the work line are cut: the key search only needs
    // the start of a line, and values fit in 79 characters anyway
    while (textline(&in, temp, sizeof temp)) {
        if (configcomment(temp))
            continue;
        const char *ptr = strstr(temp, ptparname);
        if (ptr) {
            ptr += strlen(ptparname);
            size_t n = strlen(ptr);
            if (n >= sizeof value)
                n = sizeof value - 1;
            memcpy(value, ptr, n);
            value[n] = '\0';
            result = value;
            break;
        }
    }
    // a missing file means the defaults; one that cannot be read whole
    // would give the defaults where the operator set other values
    if (in.failed) {
        tellonce(in.why);
        cfgfailed = 1;
        result = "";
    }
    textclose(&in);
    return result;
}

// Past parnum - 1 blanks, or at the end of the text when it has fewer.
static const char *skipfields(const char *ptr, int parnum)
{
    for (int blanks = 1; blanks < parnum && *ptr; ptr++)
        if (*ptr == ' ')
            blanks++;
    return ptr;
}

static int isspacechar(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Sign and digits as strtoul reads them; the value wraps modulo 2^32.
static uint32_t unsignedval(const char *ptr)
{
    while (isspacechar(*ptr))
        ptr++;
    int neg = 0;
    if (*ptr == '+' || *ptr == '-')
        neg = *ptr++ == '-';
    uint32_t v = 0;
    while ((unsigned char)(*ptr - '0') < 10)
        v = v * 10u + (uint32_t)(*ptr++ - '0');
    return neg ? 0u - v : v;
}

uint32_t getlvalue(const char *ptstr, int parnum)
{
    return unsignedval(skipfields(ptstr, parnum));
}

char *getsvalue(const char *ptstr, char *ptres, size_t ressize, int parnum)
{
    const char *ptr = skipfields(ptstr, parnum);
    // ptres may be ptstr itself: the word never starts before the buffer's
    // start, so a forward copy reads each byte before it is overwritten
    size_t n = 0;
    while (ptr[n] && ptr[n] != ' ' && n + 1 < ressize) {
        ptres[n] = ptr[n];
        n++;
    }
    if (ressize > 0)
        ptres[n] = '\0';
    return ptres;
}

int32_t decval(const char *text)
{
    const char *ptr = text;
    while (isspacechar(*ptr))
        ptr++;
    int neg = 0;
    if (*ptr == '+' || *ptr == '-')
        neg = *ptr++ == '-';
    int64_t v = 0;
    while (*ptr >= '0' && *ptr <= '9') {
        v = v * 10 + (*ptr++ - '0');
        if (v > (int64_t)INT32_MAX + 1)
            v = (int64_t)INT32_MAX + 1;
    }
    if (neg)
        v = -v;
    if (v > INT32_MAX)
        v = INT32_MAX;
    return (int32_t)v;
}

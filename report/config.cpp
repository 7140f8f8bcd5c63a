#include "config.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "../support/settings.h"
#include "doubts.h"
#include "request.h"

static const char cfgfile[] = "quorlink.cfg";

enum { LOGPATH, LOGNAME, SUMNAME, OUTPATH, OUTVIRTPATH, QTIME, BANDWIDTH, NSETTINGS };
static const char *const keys[NSETTINGS] = {
    "logpath=", "logname=", "sumname=", "outpath=", "outvirtpath=", "qtime=", "bandwidth=",
};
enum { DEFAULTQTIME = 120, DEFAULTBANDWIDTH = 64000, SHOWNSIZE = 64 };

// Where each setting was taken from: the first line that holds its key.
static struct {
    int line;
    int dflt;   // the default is taken, whatever the line says
    char value[VALUESIZE];
} taken[NSETTINGS];

// A line as a doubt shows it: without its blanks around, cut to be short.
static const char *shown(const char *line)
{
    static char text[SHOWNSIZE + 4];
    line += strspn(line, " \t");
    size_t n = strlen(line);
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t'))
        n--;
    if (n > SHOWNSIZE)
        snprintf(text, sizeof text, "%.*s...", SHOWNSIZE - 3, line);
    else
        snprintf(text, sizeof text, "%.*s", (int)n, line);
    return text;
}

// What the program takes for a setting, as the rest of a sentence.
static const char *what(int k)
{
    static char text[PATHFIELDSIZE + 40];
    const int dflt = taken[k].line == 0 || taken[k].dflt;
    switch (k) {
    case LOGPATH:
        if (req.logpath[0])
            snprintf(text, sizeof text, "the log folder is %s", req.logpath);
        else
            snprintf(text, sizeof text, "the logs are read from the working folder");
        break;
    case LOGNAME: snprintf(text, sizeof text, "the log is %s", req.logname); break;
    case SUMNAME: snprintf(text, sizeof text, "the daily log is %s", req.sumname); break;
    case OUTPATH: snprintf(text, sizeof text, "the chart is written to %s", req.outpath); break;
    case OUTVIRTPATH: snprintf(text, sizeof text, "outvirtpath= is %s", req.outvirtpath); break;
    case QTIME:
        snprintf(text, sizeof text, "the interval is %s%d seconds", dflt ? "the default " : "",
                 (int)req.qtime);
        break;
    default:
        snprintf(text, sizeof text, "the channel's bandwidth is %s%d bit/s",
                 dflt ? "the default " : "", (int)req.bandwidth);
        break;
    }
    return text;
}

// Optimal string alignment distance, in any case: a letter left out, one
// too many, one wrong or two swapped count one each.
static int distance(const char *a, const char *b)
{
    enum { LONGEST = 24 };
    const size_t m = strlen(a), n = strlen(b);
    if (m >= LONGEST || n >= LONGEST)
        return LONGEST;
    int d[LONGEST + 1][LONGEST + 1];
    for (size_t i = 0; i <= m; i++)
        d[i][0] = (int)i;
    for (size_t j = 0; j <= n; j++)
        d[0][j] = (int)j;
    for (size_t i = 1; i <= m; i++)
        for (size_t j = 1; j <= n; j++) {
            const int same = tolower((unsigned char)a[i - 1]) == tolower((unsigned char)b[j - 1]);
            int best = d[i - 1][j - 1] + !same;
            if (d[i - 1][j] + 1 < best)
                best = d[i - 1][j] + 1;
            if (d[i][j - 1] + 1 < best)
                best = d[i][j - 1] + 1;
            if (i > 1 && j > 1 && tolower((unsigned char)a[i - 1]) == tolower((unsigned char)b[j - 2]) &&
                tolower((unsigned char)a[i - 2]) == tolower((unsigned char)b[j - 1]) &&
                d[i - 2][j - 2] + 1 < best)
                best = d[i - 2][j - 2] + 1;
            d[i][j] = best;
        }
    return d[m][n];
}

// Close: at most two edits, and fewer than a third of the key's letters,
// so that "qtim" finds qtime= but "name" finds nothing.
const char *nearestkey(const char *word)
{
    const char *best = nullptr;
    int bestd = 3;
    for (const char *key : keys) {
        char name[VALUESIZE];
        snprintf(name, sizeof name, "%.*s", (int)(strlen(key) - 1), key);
        const int d = distance(word, name);
        if (d < bestd && 3 * d < (int)strlen(name)) {
            bestd = d;
            best = key;
        }
    }
    return best;
}

// The key a line names: the word before its "=", without blanks around.
static void keyword(const char *line, char *word, size_t size)
{
    line += strspn(line, " \t");
    size_t n = strcspn(line, "=");
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t'))
        n--;
    snprintf(word, size, "%.*s", (int)n, line);
}

// What getconfig takes from a line for a key: the rest of the line.
static void valueof(const char *key, const char *at, char *value, size_t size)
{
    snprintf(value, size, "%s", at + strlen(key));
}

static void unknownline(int n, const char *line)
{
    char word[VALUESIZE];
    keyword(line, word, sizeof word);
    const char *text = shown(line);
    if (!strchr(line, '=')) {
        doubt(SETTINGDOUBT, cfgfile,
              "%s (line %d) is no setting of this program: a setting is a key, \"=\" and its "
              "value; the line is passed over.",
              text, n);
        return;
    }
    for (int k = 0; k < NSETTINGS; k++)
        if (strlen(word) == strlen(keys[k]) - 1 && strncmp(word, keys[k], strlen(word)) == 0) {
            doubt(SETTINGDOUBT, cfgfile,
                  "%s (line %d) is not read: a setting has no blank before its \"=\" (%s...); "
                  "%s.",
                  text, n, keys[k], what(k));
            return;
        }
    const char *near = nearestkey(word);
    if (near) {
        int k = 0;
        while (strcmp(keys[k], near) != 0)
            k++;
        doubt(SETTINGDOUBT, cfgfile, "%s (line %d) is no setting of this program (did you mean %s?): %s.",
              text, n, near, what(k));
    } else
        doubt(SETTINGDOUBT, cfgfile, "%s (line %d) is no setting of this program: it is passed over.",
              text, n);
}

// The line each key is taken from: the first that holds it.
static void takeline(int n, const char *line, void *)
{
    if (configcomment(line))
        return;
    for (int k = 0; k < NSETTINGS; k++) {
        const char *at = strstr(line, keys[k]);
        if (at && taken[k].line == 0) {
            taken[k].line = n;
            valueof(keys[k], at, taken[k].value, sizeof taken[k].value);
        }
    }
}

// Each line once the settings are taken: keys the program does not know,
// keys given again with another value.
static void checkline(int n, const char *line, void *)
{
    const char *p = line + strspn(line, " \t");
    if (!*p || configcomment(line))
        return;
    int known = 0;
    for (int k = 0; k < NSETTINGS; k++) {
        const char *at = strstr(line, keys[k]);
        if (!at)
            continue;
        known = 1;
        char value[VALUESIZE];
        valueof(keys[k], at, value, sizeof value);
        if (taken[k].line != n && strcmp(taken[k].value, value) != 0)
            doubt(SETTINGDOUBT, cfgfile,
                  "%s is given again on line %d with another value (%s): line %d is taken, so %s.",
                  keys[k], n, shown(value), taken[k].line, what(k));
    }
    if (!known)
        unknownline(n, line);
}

// A whole number as decval reads it: a sign, digits, blanks around.
static int wholenumber(const char *text)
{
    text += strspn(text, " \t");
    if (*text == '+' || *text == '-')
        text++;
    const size_t digits = strspn(text, "0123456789");
    return digits > 0 && text[digits + strspn(text + digits, " \t")] == '\0';
}

static int unitis(const char *text, const char *unit)
{
    const size_t n = strlen(unit);
    for (size_t i = 0; i < n; i++)
        if (tolower((unsigned char)text[i]) != unit[i])
            return 0;
    return text[n + strspn(text + n, " \t")] == '\0';
}

int bandwidthvalue(const char *text, int64_t *bps)
{
    if (wholenumber(text)) {
        *bps = decval(text);   // a plain number reads as it always has
        return 1;
    }
    const char *p = text + strspn(text, " \t");
    int64_t whole = 0, fraction = 0, scale = 1;
    const size_t digits = strspn(p, "0123456789");
    if (digits == 0 || digits > 12)
        return 0;
    for (size_t i = 0; i < digits; i++)
        whole = whole * 10 + (p[i] - '0');
    p += digits;
    if (*p == '.') {
        const size_t decimals = strspn(++p, "0123456789");
        if (decimals == 0 || decimals > 9)
            return 0;
        for (size_t i = 0; i < decimals; i++, scale *= 10)
            fraction = fraction * 10 + (p[i] - '0');
        p += decimals;
    }
    p += strspn(p, " \t");
    int64_t prefix = 1;
    switch (tolower((unsigned char)*p)) {
    case 'k': prefix = 1000; p++; break;
    case 'm': prefix = 1000000; p++; break;
    case 'g': prefix = 1000000000; p++; break;
    default: break;
    }
    // not "B/s": that would be bytes
    static const char *const units[] = {"", "bit/s", "bits/s", "bps", "bit", "bits"};
    int unit = 0;
    for (const char *u : units)
        unit |= unitis(p, u);
    if (!unit)
        return 0;
    // a bandwidth is whole bits a second: 1.5k is, 1.5 bit/s is not
    if (fraction * prefix % scale != 0)
        return 0;
    *bps = whole * prefix + fraction * prefix / scale;
    return 1;
}

static void checkqtime(void)
{
    const int n = taken[QTIME].line;
    const char *value = taken[QTIME].value;
    if (n == 0)
        return;
    const int whole = wholenumber(value);
    if (decval(value) <= 0) {
        req.qtime = DEFAULTQTIME;
        taken[QTIME].dflt = 1;
        doubt(SETTINGDOUBT, cfgfile, "qtime=%s (line %d) is no interval: the default %d seconds is taken.",
              shown(value), n, DEFAULTQTIME);
    } else if (!whole)
        doubt(SETTINGDOUBT, cfgfile,
              "qtime=%s (line %d) is not a whole number of seconds: the interval is taken as %d "
              "seconds.",
              shown(value), n, (int)req.qtime);
}

static void checkbandwidth(void)
{
    const int n = taken[BANDWIDTH].line;
    const char *value = taken[BANDWIDTH].value;
    int64_t bps = 0;
    if (n == 0)
        return;
    if (!bandwidthvalue(value, &bps)) {
        doubt(SETTINGDOUBT, cfgfile,
              "bandwidth=%s (line %d) is not a bandwidth this program reads (such as 64000, 64k, "
              "2 Mbit/s or 1G): the channel's bandwidth is the default %d bit/s.",
              shown(value), n, DEFAULTBANDWIDTH);
        bps = 0;
    } else if (bps == 0)
        doubt(SETTINGDOUBT, cfgfile,
              "bandwidth=%s (line %d) gives the channel no bandwidth: the default %d bit/s is taken.",
              shown(value), n, DEFAULTBANDWIDTH);
    else if (bps < 0)
        doubt(SETTINGDOUBT, cfgfile,
              "bandwidth=%s (line %d) is negative: the channel has no capacity to judge its "
              "counters and its load by.",
              shown(value), n);
    else if (bps > INT32_MAX) {
        doubt(SETTINGDOUBT, cfgfile,
              "bandwidth=%s (line %d) is more than this program takes: the channel's bandwidth is "
              "taken as %d bit/s.",
              shown(value), n, INT32_MAX);
        bps = INT32_MAX;
    }
    taken[BANDWIDTH].dflt = bps == 0;
    req.bandwidth = bps == 0 ? DEFAULTBANDWIDTH : (int32_t)bps;
}

// An empty value takes the default, which its line does not say.
static void checkempty(void)
{
    static const int named[] = {LOGNAME, SUMNAME, OUTPATH};
    for (int k : named)
        if (taken[k].line && !taken[k].value[strspn(taken[k].value, " \t")])
            doubt(SETTINGDOUBT, cfgfile, "%s (line %d) has no value: %s.", keys[k], taken[k].line,
                  what(k));
}

int capacityexceeded(void)
{
    return req.bandwidth > 0 && (int64_t)(req.bandwidth / 8) * req.qtime > (int64_t)UINT32_MAX + 1;
}

template <size_t N> static void readsetting(char (&field)[N], const char *key, const char *dflt)
{
    const char *value = getconfig(key);
    setfield(field, *value ? value : dflt);
}

void readsettings(void)
{
    readsetting(req.logpath, "logpath=", "");
    readsetting(req.logname, "logname=", "vornout.dat");
    readsetting(req.sumname, "sumname=", "sumout.dat");
    readsetting(req.outpath, "outpath=", "quorlinkout.gif");
    readsetting(req.outvirtpath, "outvirtpath=", "/images/quorlinkout.gif");
    req.qtime = decval(getconfig("qtime="));
    if (req.qtime == 0)
        req.qtime = DEFAULTQTIME;
    req.bandwidth = decval(getconfig("bandwidth="));
    if (req.bandwidth == 0)
        req.bandwidth = DEFAULTBANDWIDTH;
    // settings that could not be read say so, and nothing more can be said
    memset(taken, 0, sizeof taken);
    if (configfailed() || !configlines(takeline, nullptr))
        return;
    checkqtime();
    checkbandwidth();
    checkempty();
    configlines(checkline, nullptr);
    if (capacityexceeded())
        doubt(SETTINGDOUBT, cfgfile,
              "the channel carries up to %lld bytes between two records (bandwidth %d bit/s, "
              "qtime=%d), more than the 4294967296 a 32-bit counter holds: a counter that wraps "
              "twice between two records counts 4294967296 bytes short, which no rule can see.",
              (long long)(req.bandwidth / 8) * req.qtime, (int)req.bandwidth, (int)req.qtime);
}

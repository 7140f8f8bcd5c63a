#include "datetime.h"

#include <stdio.h>
#include <string.h>

#include "../platform/platform.h"
#include "settings.h"

const char *const monthes[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
static const char *const weekdays[7] = {"Sun", "Mon", "Tue", "Wed",
                                        "Thu", "Fri", "Sat"};

void timetext(const struct tm *tm, char *buf, size_t size)
{
    snprintf(buf, size, "%s %s %02d %02d:%02d:%02d %4d\n",
             weekdays[(unsigned)tm->tm_wday % 7], monthes[(unsigned)tm->tm_mon % 12],
             tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec, tm->tm_year + 1900);
}

static void cutnewline(char *text)
{
    char *nl = strchr(text, '\n');
    if (nl)
        *nl = '\0';
}

void gmttimetext(uint32_t t, char *buf, size_t size)
{
    struct tm tm;
    utctime(t, &tm);
    timetext(&tm, buf, size);
    cutnewline(buf);
}

static void localtimetext(char *buf, size_t size)
{
    struct tm tm;
    localclock(clocknow(), &tm);
    timetext(&tm, buf, size);
    cutnewline(buf);
}

static int onlyof(const char *text, char allowed)
{
    for (; *text; text++)
        if (!(*text >= '0' && *text <= '9') && *text != allowed)
            return 0;
    return 1;
}

// The month between the two slashes of an accepted date: 1 to 12, or 0 when
// it names no month (00, 13 or nothing), which the month table cannot serve.
static int monthof(const char *ptdate)
{
    const char *ptr = strchr(ptdate, '/') + 1;
    int month = 0;
    for (; *ptr != '/'; ptr++) {
        month = month * 10 + (*ptr - '0');
        if (month > 12)
            return 0;
    }
    return month;
}

const char *makegmtdate(const char *ptdate)
{
    static char gmtdate[TIMETEXTSIZE];
    static char szgmtdate[WORDSIZE], szgmtmonth[WORDSIZE], szgmtyear[WORDSIZE];

    int slashcount = 0;
    for (const char *ptr = ptdate; *ptr; ptr++)
        slashcount += *ptr == '/';
    int status = strlen(ptdate) == 10 && slashcount == 2 && onlyof(ptdate, '/') ? 0 : -1;
    int month = status == 0 ? monthof(ptdate) : 0;

    if (month > 0) {
        const char *first = strchr(ptdate, '/');
        const char *last = strrchr(ptdate, '/');
        snprintf(gmtdate, sizeof gmtdate, "%.*s %s %s", (int)(first - ptdate), ptdate,
                 monthes[month - 1], last + 1);
    } else {
        localtimetext(gmtdate, sizeof gmtdate);
        getsvalue(gmtdate, szgmtdate, sizeof szgmtdate, 3);
        getsvalue(gmtdate, szgmtmonth, sizeof szgmtmonth, 2);
        getsvalue(gmtdate, szgmtyear, sizeof szgmtyear, 5);
        snprintf(gmtdate, sizeof gmtdate, "%s %s %s", szgmtdate, szgmtmonth, szgmtyear);
    }
    return gmtdate;
}

const char *makegmttime(const char *pttime)
{
    static char gmttime[TIMETEXTSIZE];
    static char szgmttm[TIMETEXTSIZE];

    if (strlen(pttime) == 5 && onlyof(pttime, ':')) {
        memcpy(gmttime, pttime, 6);
    } else {
        localtimetext(gmttime, sizeof gmttime);
        getsvalue(gmttime, szgmttm, sizeof szgmttm, 4);
        memcpy(gmttime, szgmttm, sizeof gmttime);
        char *ptr = strrchr(gmttime, ':');
        if (ptr)
            *ptr = '\0';
    }
    return gmttime;
}

// Days from 1 Jan 1970 to a date of the proleptic Gregorian calendar.
static int64_t civildays(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

static int monthdays(int64_t y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return days[m - 1] + (m == 2 && leap);
}

// n digits at text, as a number; -1 when they are not all digits.
static int digitsat(const char *text, int n)
{
    int v = 0;
    for (int i = 0; i < n; i++) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

int periodtime(const char *text, int64_t *t)
{
    const size_t len = strlen(text);
    if ((len != 10 && len != 16) || text[2] != '/' || text[5] != '/' ||
        (len == 16 && (text[10] != ' ' || text[13] != ':')))
        return 0;
    const int d = digitsat(text, 2), m = digitsat(text + 3, 2), y = digitsat(text + 6, 4);
    const int hh = len == 16 ? digitsat(text + 11, 2) : 0;
    const int mm = len == 16 ? digitsat(text + 14, 2) : 0;
    if (d < 1 || m < 1 || m > 12 || y < 0 || d > monthdays(y, m) || hh < 0 || hh > 23 || mm < 0 ||
        mm > 59)
        return 0;
    *t = civildays(y, m, d) * 86400 + hh * 3600 + mm * 60;
    return 1;
}

// The date of a day counted from 1 Jan 1970 (the inverse of civildays).
static void civildate(int64_t days, int *y, int *m, int *d)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = (int)(doy - (153 * mp + 2) / 5 + 1);
    *m = (int)(mp < 10 ? mp + 3 : mp - 9);
    *y = (int)(yoe + era * 400 + (*m <= 2));
}

static char *putdigits(char *p, int v, int n)
{
    for (int i = n - 1; i >= 0; i--, v /= 10)
        p[i] = (char)('0' + v % 10);
    return p + n;
}

// Written digit by digit: a year's intervals are a quarter of a million
// times, which a formatted print of each would take longer than the rest.
// Days and seconds of the day of any time, before 1970 too.
static void daysplit(int64_t t, int64_t *days, int *secs)
{
    *days = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
    *secs = (int)(t - *days * 86400);
}

void civiltm(int64_t t, struct tm *tm)
{
    int64_t days;
    int secs, y, m, d;
    daysplit(t, &days, &secs);
    civildate(days, &y, &m, &d);
    memset(tm, 0, sizeof *tm);
    tm->tm_year = y - 1900;
    tm->tm_mon = m - 1;
    tm->tm_mday = d;
    tm->tm_hour = secs / 3600;
    tm->tm_min = secs / 60 % 60;
    tm->tm_sec = secs % 60;
    tm->tm_wday = (int)(((days + 4) % 7 + 7) % 7);   // 1 Jan 1970 was a Thursday
}

void isotime(uint32_t t, char *buf, size_t size)
{
    isotime64(t, buf, size);
}

void isotime64(int64_t t, char *buf, size_t size)
{
    if (size < ISOTIMESIZE)
        return;
    int64_t days;
    int s, y, m, d;
    daysplit(t, &days, &s);
    civildate(days, &y, &m, &d);
    char *p = putdigits(buf, y, 4);
    *p++ = '-';
    p = putdigits(p, m, 2);
    *p++ = '-';
    p = putdigits(p, d, 2);
    *p++ = 'T';
    p = putdigits(p, s / 3600, 2);
    *p++ = ':';
    p = putdigits(p, s / 60 % 60, 2);
    *p++ = ':';
    p = putdigits(p, s % 60, 2);
    *p++ = 'Z';
    *p = '\0';
}

void isodate(uint32_t t, char *buf, size_t size)
{
    if (size < 11)
        return;
    int y, m, d;
    civildate(t / 86400, &y, &m, &d);
    char *p = putdigits(buf, y, 4);
    *p++ = '-';
    p = putdigits(p, m, 2);
    *p++ = '-';
    p = putdigits(p, d, 2);
    *p = '\0';
}

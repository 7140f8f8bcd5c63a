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

#include "doubts.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/settings.h"
#include "request.h"

const char deniedmsg[] = "<p>Access denided !</p>";
const char notfoundmsg[] = "<p>The entered date is not found !</p>";
const char noperiodmsg[] = "<p>The logs hold no record in that period.</p>";

static struct {
    char text[MAXDOUBTS][DOUBTSIZE];
    size_t sentence[MAXDOUBTS];   // where the sentence starts in the text
    enum doubtkind kind[MAXDOUBTS];
    int count, more, frozen;
    char failure[FAILSIZE];
    int problem;
} doubts;

void doubt(enum doubtkind kind, const char *where, const char *format, ...)
{
    // where is a file's name, cut to leave the sentence its room
    char sentence[DOUBTSIZE - WHERESIZE - 2], text[DOUBTSIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(sentence, sizeof sentence, format, args);
    va_end(args);
    snprintf(text, sizeof text, "%.*s: %s", WHERESIZE, where, sentence);
    if (doubts.frozen)
        return;
    for (int i = 0; i < doubts.count; i++)
        if (strcmp(doubts.text[i], text) == 0)
            return;
    complain(where, sentence);
    if (doubts.count == MAXDOUBTS) {
        doubts.more++;
        return;
    }
    memcpy(doubts.text[doubts.count], text, sizeof text);
    const size_t start = strnlen(where, WHERESIZE) + 2;
    doubts.sentence[doubts.count] = start < strlen(text) ? start : strlen(text);
    doubts.kind[doubts.count++] = kind;
}

int doubtcount(void)
{
    return doubts.count + (doubts.more > 0);
}

const char *doubttext(int n, enum doubtkind *kind)
{
    static char more[64];
    if (n >= 0 && n < doubts.count) {
        *kind = doubts.kind[n];
        return doubts.text[n];
    }
    if (n != doubts.count || doubts.more == 0)
        return nullptr;
    *kind = LOGDOUBT;
    snprintf(more, sizeof more, "and %d doubt%s more, in the server's log", doubts.more,
             doubts.more == 1 ? "" : "s");
    return more;
}

const char *doubtsentence(int n)
{
    return n >= 0 && n < doubts.count ? doubts.text[n] + doubts.sentence[n] : "";
}

void doubtsfreeze(int frozen)
{
    doubts.frozen = frozen;
}

void doubtsforget(void)
{
    memset(&doubts, 0, sizeof doubts);
}

void failure(const char *format, ...)
{
    if (doubts.failure[0])
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(doubts.failure, sizeof doubts.failure, format, args);
    va_end(args);
}

const char *failuresentence(void)
{
    return doubts.failure[0] ? doubts.failure : nullptr;
}

int failureproblem(void)
{
    return doubts.problem;
}

void filefailure(int problem, const char *what, const char *name, const char *path, const char *home,
                 int writing)
{
    char folder[PATHSIZE];
    pathfolder(path, folder, sizeof folder);
    if (!doubts.failure[0])
        doubts.problem = problem;
    switch (problem) {
    case FILEMISSING:
        if (*folder && !fileexists(folder))
            failure("The folder %s of the %s %s is not there.", folder, what, name);
        else if (home)
            failure("The %s %s is not in %s.", what, name, home);
        else
            failure("The %s %s is not there.", what, name);
        break;
    case FILEDENIED:
        failure("The %s %s cannot be %s by the web server's account.", what, name,
                writing ? "written" : "read");
        break;
    case FILEFOLDER:
        failure("The %s %s is a folder, not a file.", what, name);
        break;
    case FILENOTFILE:
        failure("The %s %s is not a file on a disk.", what, name);
        break;
    case FILEFULL:
        failure("The %s %s could not be written whole: the disk may be full.", what, name);
        break;
    case FILEDAMAGED:
        failure("The %s %s is damaged: its compressed data cannot be read.", what, name);
        break;
    case FILEPACKED:
        failure("The %s %s is compressed in a form this program does not read.", what, name);
        break;
    default:
        failure("The %s %s could not be %s: the server's log says why.", what, name,
                writing ? "written" : "read");
        break;
    }
}

// Seconds of the day of an hh:mm text; no ":" means no minutes.
static uint32_t daysecs(const char *hhmm)
{
    const char *colon = strchr(hhmm, ':');
    int32_t minutes = colon ? decval(colon + 1) : 0;
    return (uint32_t)((int64_t)decval(hhmm) * 3600 + (int64_t)minutes * 60);
}

uint32_t lookuptarget(void)
{
    setfield(req.time, makegmttime(req.time));
    return daysecs(req.time);
}

int neartarget(uint32_t t, uint32_t target)
{
    // the interval's time of day in whole minutes, as its time text shows it
    const uint32_t timesec2 = t % 86400 / 60 * 60;
    return llabs((int64_t)target - (int64_t)timesec2) <= req.timeseccorrect;
}

const char *daytime(int64_t t)
{
    static const char *const weekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static char text[2][40];
    static int turn;
    struct tm tm;
    civiltm(t, &tm);
    char *out = text[turn ^= 1];   // two of them can stand in one print
    snprintf(out, sizeof text[0], "%s %02d %s %04d %02d:%02d UTC", weekdays[tm.tm_wday % 7],
             tm.tm_mday, monthes[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min);
    return out;
}

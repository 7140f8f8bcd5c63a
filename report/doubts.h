// What an answer doubts of its input, and why it could not be given: facts
// found once where the input is read (the settings, the logs) and printed
// by every writer in its own form (the page, CSV, JSON, the metrics, the
// check), none of which works them out again. Beside them, what the page
// and the data answers share: the lookup's rule and the short texts.
#ifndef QUORLINK_DOUBTS_H
#define QUORLINK_DOUBTS_H

#include <stdint.h>

enum {
    MAXDOUBTS = 32,     // more is one more line that says how many more
    DOUBTSIZE = 480,    // one doubt: where, then its sentence
    WHERESIZE = 80,
    FAILSIZE = 240,
};

extern const char deniedmsg[];
extern const char notfoundmsg[];
extern const char noperiodmsg[];

// What a doubt is of: the page shows a log that holds no record as the
// reason after its "not found", every other doubt as a note.
enum doubtkind { SETTINGDOUBT, LOGDOUBT, NORECORDS };

// One doubt: where it was found (the settings file, a log's name) and what
// was read there and what was taken instead. The same text twice is one
// doubt, and each goes to the server's log once, when it is found.
void doubt(enum doubtkind kind, const char *where, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
int doubtcount(void);
// The n-th doubt as "where: sentence", and its kind; null past the last.
const char *doubttext(int n, enum doubtkind *kind);
// Its sentence alone.
const char *doubtsentence(int n);
// A second reading of logs read once already finds what the first found:
// while frozen, nothing is added.
void doubtsfreeze(int frozen);
// Forgets the doubts and the failure of the request answered: a harness
// answers many requests in one process, each with its own.
void doubtsforget(void);

// Why the answer could not be given, in one sentence for the visitor that
// names no path of the server the page does not show already; the first
// reason found is the one said. Null when none was.
void failure(const char *format, ...) __attribute__((format(printf, 1, 2)));
const char *failuresentence(void);
// The system's kind of that failure where it was a file's (an enum
// fileproblem; FILEOTHER otherwise).
int failureproblem(void);
// The sentence for a file that could not be used, from why the system
// refused it: what and name ("log", "vornout.dat"), the path it was
// used at, the folder it belongs in ("the log folder", or null); problem
// is the system's, an enum fileproblem.
void filefailure(int problem, const char *what, const char *name, const char *path, const char *home,
                 int writing);

// The time of day the lookup asks for, in seconds (hh:mm as typed, the
// time now otherwise), and whether a record's time lies within the
// lookup's tolerance of it, whatever its date.
uint32_t lookuptarget(void);
int neartarget(uint32_t t, uint32_t target);

// "Tue 08 Dec 2026 14:06 UTC", in one of two buffers that take turns; any
// time, a period's bound before 1970 too.
const char *daytime(int64_t t);

#endif

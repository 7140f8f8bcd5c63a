#include "complain.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../platform/platform.h"

// Appends text with its control bytes as \xNN: a name from the request must
// not forge lines of the server's log. A text that does not fit is cut.
static size_t putsafe(char *line, size_t n, size_t size, const char *text, int quoted = 0)
{
    for (const unsigned char *p = (const unsigned char *)text; *p && n + 4 < size; p++) {
        if (*p < 0x20 || *p == 0x7F || (quoted && *p == '"'))
            n += (size_t)snprintf(line + n, size - n, "\\x%02X", *p);
        else
            line[n++] = (char)*p;
    }
    line[n] = '\0';
    return n;
}

static int quiet;

void complainquiet(int on)
{
    quiet = on;
}

// The query as the line shows it: its start, enough to tell requests apart.
enum { QUERYSHOWN = 240 };

void complain(const char *file, const char *reason)
{
    if (quiet)
        return;
    char line[LOGLINESIZE], dir[PATHSIZE], query[QUERYSHOWN + 4];
    size_t n = putsafe(line, 0, sizeof line, "quorlink: ");
    n = putsafe(line, n, sizeof line, file);
    n = putsafe(line, n, sizeof line, ": ");
    n = putsafe(line, n, sizeof line, reason);
    // which request: the channel (one server runs several, each in its own
    // folder, where relative names start), the query and the client, as
    // the server passes them; last, so that a cut takes them before the
    // reason
    const char *qs = getenv("QUERY_STRING"), *client = getenv("REMOTE_ADDR");
    const int hasdir = workdir(dir, sizeof dir);
    if (hasdir || qs || client) {
        const char *sep = " (";
        if (hasdir) {
            n = putsafe(line, n, sizeof line, " (in ");
            n = putsafe(line, n, sizeof line, dir);
            sep = "; ";
        }
        if (qs) {
            snprintf(query, sizeof query, "%.*s%s", QUERYSHOWN, qs, strlen(qs) > QUERYSHOWN ? "..." : "");
            n = putsafe(line, n, sizeof line, sep);
            n = putsafe(line, n, sizeof line, "query \"");
            n = putsafe(line, n, sizeof line, query, 1);
            n = putsafe(line, n, sizeof line, "\"");
            sep = "; ";
        }
        if (client && *client) {
            n = putsafe(line, n, sizeof line, sep);
            n = putsafe(line, n, sizeof line, "client ");
            n = putsafe(line, n, sizeof line, client);
        }
        putsafe(line, n, sizeof line, ")");
    }
    serverlog(line);
}

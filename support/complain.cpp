#include "complain.h"

#include <stdio.h>

#include "../platform/platform.h"

// Appends text with its control bytes as \xNN: a name from the request must
// not forge lines of the server's log. A text that does not fit is cut.
static size_t putsafe(char *line, size_t n, size_t size, const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p && n + 4 < size; p++) {
        if (*p < 0x20 || *p == 0x7F)
            n += (size_t)snprintf(line + n, size - n, "\\x%02X", *p);
        else
            line[n++] = (char)*p;
    }
    line[n] = '\0';
    return n;
}

void complain(const char *file, const char *reason)
{
    char line[LOGLINESIZE], dir[PATHSIZE];
    size_t n = putsafe(line, 0, sizeof line, "quorlink: ");
    n = putsafe(line, n, sizeof line, file);
    n = putsafe(line, n, sizeof line, ": ");
    n = putsafe(line, n, sizeof line, reason);
    // the channel: one server runs several, each in its own folder, where
    // relative names start; last, so that a cut takes it before the reason
    if (workdir(dir, sizeof dir)) {
        n = putsafe(line, n, sizeof line, " (in ");
        n = putsafe(line, n, sizeof line, dir);
        putsafe(line, n, sizeof line, ")");
    }
    serverlog(line);
}

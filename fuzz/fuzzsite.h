// What the harnesses share: a scratch working folder on a memory file
// system where there is one, the page sent nowhere, and the request state
// reset before every input.
#ifndef QUORLINK_FUZZSITE_H
#define QUORLINK_FUZZSITE_H

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "../report/doubts.h"
#include "../report/logs.h"
#include "../report/request.h"

inline void fuzzsite(void)
{
    static char dir[64];
    snprintf(dir, sizeof dir, "%s/quorlinkfuzz.XXXXXX",
             access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (!mkdtemp(dir) || chdir(dir) != 0)
        abort();
    if (!freopen("/dev/null", "w", stdout))
        abort();
    setenv("TZ", "UTC", 1);
}

// What a request leaves behind, forgotten: the next one is a new process's.
inline void resetrequest(void)
{
    static const struct request initial = req;
    req = initial;
    doubtsforget();
    logsforget();
}

// The input as a text: up to its first zero byte.
inline std::string fuzztext(const uint8_t *data, size_t size)
{
    return std::string((const char *)data, strnlen((const char *)data, size));
}

inline void putfile(const char *name, const uint8_t *data, size_t size)
{
    FILE *f = fopen(name, "wb");
    if (!f)
        abort();
    fwrite(data, 1, size, f);
    fclose(f);
}

#endif

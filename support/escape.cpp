#include "escape.h"

#include <string.h>

enum { ESCSIZE = 6 * 1024 };

const char *htmlesc(const char *text)
{
    static char escaped[ESCSIZE];
    size_t n = 0;
    for (; *text; text++) {
        const char *ref = nullptr;
        switch (*text) {
        case '&': ref = "&amp;"; break;
        case '<': ref = "&lt;"; break;
        case '>': ref = "&gt;"; break;
        case '"': ref = "&quot;"; break;
        case '\'': ref = "&#39;"; break;
        }
        size_t len = ref ? strlen(ref) : 1;
        // every caller's text is far shorter; a longer one is cut whole
        // references at a time, never in the middle of one
        if (n + len >= sizeof escaped)
            break;
        if (ref)
            memcpy(escaped + n, ref, len);
        else
            escaped[n] = *text;
        n += len;
    }
    escaped[n] = '\0';
    return escaped;
}

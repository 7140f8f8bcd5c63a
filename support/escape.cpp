#include "escape.h"

#include <stdio.h>
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

// Appends len bytes if they fit, whole or not at all.
static int put(char *out, size_t *n, size_t size, const char *text, size_t len)
{
    if (*n + len >= size)
        return 0;
    memcpy(out + *n, text, len);
    *n += len;
    return 1;
}

const char *csvesc(const char *text)
{
    static char escaped[ESCSIZE];
    const int quoted = strpbrk(text, ",\"\r\n") != nullptr;
    size_t n = 0;
    if (quoted)
        escaped[n++] = '"';
    // a text too long is cut, with room kept for the closing quote
    for (; *text; text++) {
        const size_t len = *text == '"' ? 2 : 1;
        if (n + len + 2 >= sizeof escaped)
            break;
        escaped[n++] = *text;
        if (*text == '"')
            escaped[n++] = '"';
    }
    if (quoted)
        escaped[n++] = '"';
    escaped[n] = '\0';
    return escaped;
}

// The length of the UTF-8 sequence at p, or 0 when it is none.
static size_t utf8len(const unsigned char *p)
{
    size_t len = *p >= 0xF0 && *p <= 0xF4 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC2 && *p <= 0xDF ? 2 : 0;
    if (*p >= 0xF5)
        len = 0;
    for (size_t i = 1; i < len; i++)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    return len;
}

const char *jsonesc(const char *text)
{
    static char escaped[ESCSIZE];
    size_t n = 0;
    put(escaped, &n, sizeof escaped, "\"", 1);
    for (const unsigned char *p = (const unsigned char *)text; *p;) {
        char esc[8];
        size_t len = 1;
        const char *piece = (const char *)p;
        if (*p == '"' || *p == '\\') {
            esc[0] = '\\';
            esc[1] = (char)*p;
            piece = esc;
            len = 2;
        } else if (*p < 0x20 || *p == 0x7F || (*p >= 0x80 && utf8len(p) == 0)) {
            // a byte that is no UTF-8 is the character of its number
            if (*p >= 0x80) {
                esc[0] = (char)(0xC0 | *p >> 6);
                esc[1] = (char)(0x80 | (*p & 0x3F));
                len = 2;
            } else
                len = (size_t)snprintf(esc, sizeof esc, "\\u%04x", *p);
            piece = esc;
        } else if (*p >= 0x80)
            len = utf8len(p);
        if (!put(escaped, &n, sizeof escaped - 1, piece, len))
            break;
        p += piece == esc ? 1 : len;
    }
    escaped[n++] = '"';
    escaped[n] = '\0';
    return escaped;
}

const char *headeresc(const char *text)
{
    static char escaped[ESCSIZE];
    size_t n = 0;
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        char esc[8];
        size_t len = 1;
        const char *piece = (const char *)p;
        if (*p < 0x20 || *p >= 0x7F) {
            len = (size_t)snprintf(esc, sizeof esc, "\\x%02X", *p);
            piece = esc;
        }
        if (!put(escaped, &n, sizeof escaped, piece, len))
            break;
    }
    escaped[n] = '\0';
    return escaped;
}

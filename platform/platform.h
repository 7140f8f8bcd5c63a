// The only part of the program that knows the operating system: text files
// read the way the counter device writes them, paths with backslashes,
// atomic file replacement, a request lock and the clock.
#ifndef QUORLINK_PLATFORM_H
#define QUORLINK_PLATFORM_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

enum { TEXTBUFSIZE = 65536 };

// A text file read in bulk. Every carriage return is dropped and a byte 0x1A
// ends the file, as the device's own platform reads it.
struct textin {
    int fd;
    int ended;          // no more bytes will come from fd
    size_t pos, len;    // unread bytes are buf[pos..len)
    char buf[TEXTBUFSIZE];
};

int textopen(struct textin *in, const char *path);
// Reads the next line without its line feed. A line longer than the buffer
// is cut to fit and the rest of it is skipped. Returns 0 at the end.
int textline(struct textin *in, char *line, size_t linesize);
int textrewind(struct textin *in);
void textclose(struct textin *in);

// A text file written in bulk; every failure is remembered until the close.
struct textout {
    int fd;
    int failed;
    size_t len;
    char buf[TEXTBUFSIZE];
};

int textcreate(struct textout *out, const char *path);
void textput(struct textout *out, const char *text, size_t size);
int textfinish(struct textout *out);   // flushes and closes; 0 on failure

int fileexists(const char *path);
void fileremove(const char *path);
// Writes data to a new file beside path and renames it over path, so a
// reader sees the old file or the new one, never a part of one.
int filereplace(const char *path, const void *data, size_t size);

// An exclusive lock that serialises requests sharing a working directory.
int requestlock(const char *path);
void requestunlock(void);

// A write to a closed pipe or past a file size limit fails like any other
// write instead of killing the request half way.
void platforminit(void);

uint32_t clocknow(void);
void utctime(uint32_t t, struct tm *out);
void localclock(uint32_t t, struct tm *out);

#endif

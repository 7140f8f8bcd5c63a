// The only part of the program that knows the operating system: text files
// read the way the counter device writes them, paths with backslashes,
// atomic file replacement, a request lock and the clock. text.cpp holds what
// every system shares; posix.cpp and windows.cpp the calls that differ.
#ifndef QUORLINK_PLATFORM_H
#define QUORLINK_PLATFORM_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>
#include <zlib.h>

enum { TEXTBUFSIZE = 65536, NLBLOCK = 64, PATHSIZE = 1024, WHYSIZE = 160, LOGLINESIZE = 1024,
       ZIPINSIZE = 32768 };

// An open file as the system knows it: a descriptor, or a Windows handle.
typedef intptr_t sysfile;
const sysfile NOFILE = -1;

// A text file read in bulk. Every carriage return is dropped and a byte 0x1A
// ends the file, as the device's own platform reads it. A read that fails
// ends it too, but is no end of the file: failed tells the two apart.
// A gzip file (known by its first bytes, whatever its name) reads as the
// text it holds, all its members one after another; one that is corrupt or
// cut short is a failed read.
// What kind of failure a file call met, for a sentence to the visitor that
// says what to fix; the system's own words are for the operator.
enum fileproblem { FILEOTHER, FILEMISSING, FILEDENIED, FILEFOLDER, FILENOTFILE, FILEFULL,
                   FILEDAMAGED, FILEPACKED };

struct textin {
    sysfile fd;
    int ended;          // no more bytes will come from fd
    int failed;         // the open or a read failed, for the reason in why
    int problem;        // and its kind, an enum fileproblem
    int compressed;     // textopen refused it: compressed in a form not read
    char why[WHYSIZE];
    int cut;            // the last line filled the buffer: skip the rest of it
    int unended;        // the last line handed out had no line feed: the file ended
    uint64_t limit;     // no more text than this is read (0: no limit), and
    uint64_t got;       // the text read so far
    int limited;        // the reading stopped at the limit
    size_t pos, len;    // unread bytes are buf[pos..len)
    // the line feeds at or after pos in the block of NLBLOCK bytes at nlbase,
    // one bit each: most lines end without another look at their bytes
    size_t nlbase;
    uint64_t nlmask;
    char buf[TEXTBUFSIZE + NLBLOCK];   // a block read past len stays inside
    // a gzip file: inflated into buf from the bytes read ahead in zipin
    int zipped;
    int zipdone;        // every byte of the file is in zipin or inflated
    int zipgap;         // a member ended: another one, or the end, follows
    z_stream zip;
    unsigned char zipin[ZIPINSIZE];
};

// 0 when the file cannot be opened, or is compressed in a form not read
// (bzip2, xz, zstd, lz4, compress): failed and why are set then, and
// compressed too for the second, why naming the form.
int textopen(struct textin *in, const char *path);
// The same, then only the last tailbytes of a plain file, from the first
// line that starts there; a gzip file is read whole.
int textopentail(struct textin *in, const char *path, uint64_t tailbytes);
const char *textnextslow(struct textin *in, size_t *size);

// The next line in place, without its line feed, and its size through
// *size; it stays valid until the next read. A line longer than the buffer
// is cut to it and the rest of it is skipped. Returns null at the end.
inline const char *textnext(struct textin *in, size_t *size)
{
    if (in->nlmask == 0)
        return textnextslow(in, size);
    const size_t nl = in->nlbase + (size_t)__builtin_ctzll(in->nlmask);
    in->nlmask &= in->nlmask - 1;
    const char *start = in->buf + in->pos;
    *size = nl - in->pos;
    in->pos = nl + 1;
    return start;
}

// Reads up to count lines and copies the last one read into line, cut to
// fit as textline does; returns how many were read. With none read, the
// buffer is left as it was.
int textlast(struct textin *in, int count, char *line, size_t linesize);

// Reads the next count lines, as textnext would hand them one by one, when
// the line feeds that end them all are among the bytes read: the lines
// whose bits are set in picks (bit 0 the first) are handed in place, in
// order, valid until the next read. 0 otherwise, and nothing is read: the
// line feeds of a record's lines are found in bulk.
int textspan(struct textin *in, int count, uint32_t picks, const char **lines, size_t *sizes);

// Copies the next line without its line feed; a line longer than the
// buffer is cut to fit and the rest of it is skipped. Returns 0 at the end,
// and then leaves the buffer as it was.
int textline(struct textin *in, char *line, size_t linesize);
void textclose(struct textin *in);

// A text file written in bulk; every failure is remembered until the close.
struct textout {
    sysfile fd;
    int failed;
    int problem;        // an enum fileproblem
    int cuttail;        // a file written over: cut what is left of the old one
    uint64_t total;     // bytes put so far
    char why[WHYSIZE];  // what made it fail, in the system's words
    size_t len;
    char buf[TEXTBUFSIZE];
    char newpath[PATHSIZE], path[PATHSIZE];   // a replacement and what it replaces
};

// Creates the file, or writes over the one there (its old tail is cut at the
// finish): the file's pages are used again instead of freed and found anew.
int textcreate(struct textout *out, const char *path);
void textput(struct textout *out, const char *text, size_t size);
int textfinish(struct textout *out);   // flushes and closes; 0 on failure

int fileexists(const char *path);
// Why the last file call failed (a file opened, made, read or written, or
// the lock): the system's own words, in a static buffer.
const char *fileerror(void);
enum fileproblem fileproblem(void);
void fileremove(const char *path);
// A file that is to replace path, written beside it under a temporary name:
// a reader sees the old file or the new one, never a part of one.
int replacestart(struct textout *out, const char *path);
// Renames the new file over path when every write went through; otherwise,
// or when the rename fails, removes it and leaves path as it was. 0 then.
int replacefinish(struct textout *out);

// An exclusive lock that serialises requests sharing a working directory.
int requestlock(const char *path);
void requestunlock(void);

// A write to a closed pipe or past a file size limit fails like any other
// write instead of killing the request half way.
void platforminit(void);
// What follows on standard output goes out byte for byte: a data answer's
// line ends are the same on every system.
void rawout(void);

// The working folder, where the server runs the program: the channel's.
// 0 when it cannot be told or does not fit.
int workdir(char *out, size_t outsize);

// One line for the operator, without its line end: to standard error, which
// web servers put in their error log, or wherever this system's servers
// want it instead.
void serverlog(const char *line);
// The line on standard error, in one write; where standard error is a
// file, with the time first. Apache's mod_cgid and lighttpd hand a program
// their error log itself as its standard error and put its lines in as
// they come; a server that reads a pipe (mod_cgi, nginx through fcgiwrap)
// adds its own time.
void errorline(const char *line);
int errorisfile(void);

uint32_t clocknow(void);
void utctime(uint32_t t, struct tm *out);
void localclock(uint32_t t, struct tm *out);

// Each system's own file: the calls under the text files, the lock and the
// clock. Paths are the site's own, with either separator.

// The separator of this system's paths, and a site's path in its form in
// out; 0 for an empty path or one that does not fit.
extern const char hostsep;
int hostpath(const char *path, char *out, size_t outsize);
// The name of a path past its folder, whichever separator it uses, and
// the folder with its separator (empty for a bare name).
const char *pathbase(const char *path);
void pathfolder(const char *path, char *folder, size_t size);
// An existing file for reading, opened without waiting for a writer, or
// NOFILE: only a regular file on a disk is a text file to read, never a
// folder, a pipe or a device.
sysfile fileread(const char *path);
// Bytes read into buf; 0 at the end, -1 on a failure.
long fileget(sysfile f, char *buf, size_t size);
// A file to write from its start: the regular file there, written over in
// place (*inplace set: cut it at the finish), or a new one where there is
// none. Anything else there (a folder, a link, a file that may not be
// written or that another program holds) is a failure and is left as it is.
sysfile filewrite(const char *path, int *inplace);
// Writes all of data; 0 on a failure.
int fileput(sysfile f, const char *data, size_t size);
// The size of an open file, and a move to a place in it; 0 on a failure.
int filesize(sysfile f, uint64_t *size);
int fileseek(sysfile f, uint64_t offset);
// Cuts a file written over in place to its new size.
int filecut(sysfile f, uint64_t size);
int fileclose(sysfile f);
// A new file beside path, under a temporary name that tmp receives.
sysfile filetemp(const char *path, char *tmp, size_t tmpsize);
// Removes the files of filetemp's names for path that are still there: a
// request killed while it wrote one never renamed it. Only under the lock,
// when no other request can be writing one.
void tempsweep(const char *path);
// Calls found with the name of each file in the folder (folders, pipes and
// devices are no files); 0 when the folder cannot be read. Windows' names
// come in UTF-8.
int folderfiles(const char *folder, void (*found)(const char *name, void *arg), void *arg);
// Moves a file over another in one step; 0 when it could not.
int filemove(const char *from, const char *to);
// What tells an open file from another of the same name: the same id is
// the same file, whatever renames it went through; 0 when it cannot be told.
int fileid(sysfile f, uint64_t *id);
// When a file was last written, in Unix seconds; 0 when it cannot be told.
int filewritten(const char *path, int64_t *t);
// Waits that many milliseconds.
void pausems(int ms);

#endif

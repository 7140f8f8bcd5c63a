// Runs the built program as a CGI server would: a scratch working folder,
// QUERY_STRING in the environment, the page read from standard output.
#ifndef QUORLINK_CGIRUN_H
#define QUORLINK_CGIRUN_H

#include <string>
#include <vector>

struct site {
    std::string dir;
    site();
    ~site();
    std::string path(const std::string &name) const;
    void write(const std::string &name, const std::string &content) const;
    std::string read(const std::string &name) const;
    bool exists(const std::string &name) const;
};

struct cgiresult {
    std::string page;
    int status;  // exit status, or -1 when the program did not exit normally
    std::string err;  // the lines for the server's log: "quorlink: FILE: REASON (in FOLDER)"
};

struct cgiopts {
    const char *tz = "UTC0";
    bool unprivileged = false;  // as root, run the program as nobody
    long fsizelimit = -1;       // largest file the program may write, in bytes
    const char *wrapper = nullptr;  // a command the program runs under (strace)
    // under a launcher, run the host's own program on a copy of the site
    // too and expect the same page and files; off for runs that share a site
    bool compare = true;
    std::vector<std::string> env;   // more of the environment, NAME=VALUE
    bool joined = false;       // standard error into the page's pipe, as IIS joins them
    bool anystderr = false;    // standard error may hold more than complaints (wine's own)
};

// The program under test is another system's, run through a launcher
// (QUORLINK_LAUNCHER, QUORLINK_PROGRAM): what needs the host's own process
// (another account, a tracer) cannot be done to it.
bool launched();

// query null: QUERY_STRING is not set at all. A launched program's page is
// given with its header's CR LF read as LF, once checked.
cgiresult runcgi(const site &s, const char *query, const cgiopts &opts = {});

// A request that runs while the test does something else.
struct cgirunning {
    int pid = -1;
    int outfd = -1, errfd = -1;
    int wstatus = 0;
    bool ended = false;
    bool anystderr = false;
    std::string what;   // the program and query, for failure messages
    std::string sofar;  // what has been read of its page
};
cgirunning startcgi(const site &s, const char *query, const cgiopts &opts = {});
// Whether it has ended, and what it has written of its page so far,
// without waiting for it.
bool cgiended(cgirunning &run);
const std::string &cgiwritten(cgirunning &run);
// Waits for its end; a launched program's page as runcgi gives it.
cgiresult finishcgi(cgirunning &run);
// Kills it where it stands, as a server's timeout does.
void killcgi(cgirunning &run);

// Another Windows program holding a file of the site: the program of
// QUORLINK_HOLDFILE, run by the launcher. "lock" locks it as a request
// locks histout.lck; "open" keeps it open for reading, with read and delete
// sharing. It holds the file until let go.
struct holder {
    int pid = -1;
    int in = -1;
};
holder holdfile(const site &s, const char *how, const char *name);
void letgo(holder &h);

// The complaints of a run without their reasons, which are each system's
// own words, and without the folder, which is each system's own name for it:
// "quorlink: FILE" a line.
std::string complainedof(const std::string &err);
// How a complaint names the request of a run in the site, the host's own
// program: " (in FOLDER; query "QUERY")", the query left out for none.
std::string infolder(const site &s, const char *query);

// What every page starts with.
extern const std::string pagehead;

// The img line of a page that holds this chart, inside it as a data:
// address; and the chart that a page holds, or "" when it holds none.
std::string imgof(const std::string &gif);
std::string pagechart(const std::string &page);

#endif

#include <stdint.h>

#include <gd.h>

// A file of the site holding text gzipped, as gzip -9 makes it.
void gzipped(const site &s, const std::string &name, const std::string &text);

// One record of a counter log, as the device writes it.
std::string record(uint32_t t, uint32_t rx, uint32_t tx, const char *eol = "\n");

// A chart decoded with gd's own GIF reader.
struct chart {
    gdImagePtr im = nullptr;
    explicit chart(const std::string &gifbytes);
    ~chart();
    chart(const chart &) = delete;
    chart &operator=(const chart &) = delete;
    bool ok() const { return im != nullptr; }
    int width() const { return gdImageSX(im); }
    int height() const { return gdImageSY(im); }
    // the colour at a pixel as "blue", "white", "red", "yellow" or "other"
    std::string at(int x, int y) const;
    // rows of column x holding colour, top to bottom, as "first-last" runs
    std::string runs(int x, const std::string &colour) const;
    // how many pixels of a rectangle hold colour
    int count(int x1, int y1, int x2, int y2, const std::string &colour) const;
};

// Runs the built program as a CGI server would: a scratch working folder,
// QUERY_STRING in the environment, the page read from standard output.
#ifndef QUORLINK_CGIRUN_H
#define QUORLINK_CGIRUN_H

#include <string>

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
};

// query null: QUERY_STRING is not set at all
cgiresult runcgi(const site &s, const char *query, const char *tz = "UTC");

// What every page starts with.
extern const std::string pagehead;

#endif

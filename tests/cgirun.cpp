#include "cgirun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <vector>

const std::string pagehead = "Content-Type: text/html\nCache-Control: no-store\n\n<html><body>";

// In /tmp, or in the folder QUORLINK_SITES names (one deep enough that
// every file's full path is long, say).
site::site()
{
    const char *under = getenv("QUORLINK_SITES");
    std::string tmpl = std::string(under && *under ? under : "/tmp") + "/quorlinktest.XXXXXX";
    if (!mkdtemp(&tmpl[0]))
        throw std::runtime_error("mkdtemp in " + tmpl);
    dir = tmpl;
}

site::~site()
{
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) {
    }
}

std::string site::path(const std::string &name) const
{
    return dir + "/" + name;
}

void site::write(const std::string &name, const std::string &content) const
{
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        mkdir(path(name.substr(0, slash)).c_str(), 0755);
    std::ofstream out(path(name), std::ios::binary);
    out << content;
}

std::string site::read(const std::string &name) const
{
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool site::exists(const std::string &name) const
{
    return access(path(name).c_str(), F_OK) == 0;
}

// Reads a pipe to its end.
static std::string drain(int fd)
{
    std::string out;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, (size_t)n);
    close(fd);
    return out;
}

// The program under test, and what runs it when it is not the host's own.
static const char *program()
{
    const char *p = getenv("QUORLINK_PROGRAM");
    return p && *p ? p : QUORLINK_BIN;
}

static const char *launcher()
{
    const char *l = getenv("QUORLINK_LAUNCHER");
    return l && *l ? l : nullptr;
}

bool launched()
{
    return launcher() != nullptr;
}

// Whether every line of a standard error is one of the program's complaints.
// Standard error is a file here, as mod_cgid and lighttpd give a program
// their error log: each line starts with its time, which the server adds
// to no line it did not write. The times are taken off once checked.
static std::string unstamped(const std::string &err, bool *stamped)
{
    static const std::regex stamp(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC\] )");
    std::istringstream in(err);
    std::string line, out;
    *stamped = true;
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, stamp))
            line.erase(0, m.length(0));
        else
            *stamped = false;
        out += line + "\n";
    }
    return err.empty() || err.back() == '\n' ? out : out.substr(0, out.size() - 1);
}

static bool complaints(const std::string &err)
{
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("quorlink: ", 0) != 0 || line.find('\r') != std::string::npos)
            return false;
    return err.empty() || err.back() == '\n';
}

std::string complainedof(const std::string &err)
{
    std::istringstream in(err);
    std::string line, files;
    while (std::getline(in, line)) {
        // the file is what the first ": " past the program's name ends
        const size_t file = line.find(": ", line.find("quorlink: ") + 10);
        files += line.substr(0, file) + "\n";
    }
    return files;
}

std::string infolder(const site &s, const char *query)
{
    return " (in " + std::filesystem::canonical(s.dir).string() +
           (query ? std::string("; query \"") + query + "\"" : "") + ")";
}

// A run that does not end is a hung request: it fails, it never stalls the suite.
enum { RUNSECONDS = 60 };

static cgirunning startone(const std::string &dir, const char *query, const cgiopts &opts,
                           const char *prog, const char *launch)
{
    // no other child may keep a pipe of this one open (requests run from
    // several threads at once, and a program may hold a file for a test)
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    // the program writes only its complaints to standard error: anything
    // else that lands there (a sanitizer's report, say) fails the test
    char errpath[] = "/tmp/quorlinkerr.XXXXXX";
    int errfd = mkostemp(errpath, O_CLOEXEC);
    if (errfd < 0)
        throw std::runtime_error("mkostemp");
    unlink(errpath);
    // everything the child needs is made here: requests start from several
    // threads, and a child that allocates may find an allocator's lock held
    // by a thread that no longer exists there (ASan's is not reset at fork)
    std::vector<std::string> env = {"GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET",
                                    std::string("TZ=") + opts.tz, "PATH=/usr/bin:/bin"};
    if (query)
        env.push_back(std::string("QUERY_STRING=") + query);
    for (const char *keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "QUORLINK_WINEPREFIX"})
        if (const char *v = getenv(keep))
            env.push_back(std::string(keep) + "=" + v);
    env.insert(env.end(), opts.env.begin(), opts.env.end());
    std::vector<char *> envp;
    for (auto &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string cmd = opts.wrapper ? std::string(opts.wrapper) + " " + prog : "";
    std::vector<char *> argv;
    if (opts.wrapper)
        argv = {(char *)"/bin/sh", (char *)"-c", cmd.data()};
    else if (launch)
        argv = {(char *)launch, (char *)prog};
    else
        argv = {(char *)prog};
    argv.push_back(nullptr);
    const char *dirpath = dir.c_str();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(opts.joined ? fds[1] : errfd, 2);
        close(fds[0]);
        close(fds[1]);
        close(errfd);
        if (chdir(dirpath) != 0)
            _exit(127);
        alarm(RUNSECONDS);
        if (opts.fsizelimit >= 0) {
            struct rlimit rl = {(rlim_t)opts.fsizelimit, (rlim_t)opts.fsizelimit};
            setrlimit(RLIMIT_FSIZE, &rl);
        }
        if (opts.unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(fds[1]);
    cgirunning run;
    run.pid = pid;
    run.outfd = fds[0];
    run.errfd = errfd;
    run.anystderr = opts.anystderr;
    run.what = std::string(prog) + ", query " + (query ? query : "(unset)");
    return run;
}

bool cgiended(cgirunning &run)
{
    if (!run.ended && waitpid(run.pid, &run.wstatus, WNOHANG) == run.pid)
        run.ended = true;
    return run.ended;
}

const std::string &cgiwritten(cgirunning &run)
{
    struct pollfd p = {run.outfd, POLLIN, 0};
    char buf[4096];
    ssize_t n;
    while (poll(&p, 1, 0) == 1 && (p.revents & POLLIN) && (n = ::read(run.outfd, buf, sizeof buf)) > 0)
        run.sofar.append(buf, (size_t)n);
    return run.sofar;
}

static cgiresult finishone(cgirunning &run)
{
    std::string page = run.sofar + drain(run.outfd);
    if (!run.ended)
        waitpid(run.pid, &run.wstatus, 0);
    run.ended = true;
    lseek(run.errfd, 0, SEEK_SET);
    bool stamped = true;
    std::string err = drain(run.errfd);
    if (!run.anystderr)
        err = unstamped(err, &stamped);
    int status = WIFEXITED(run.wstatus) ? WEXITSTATUS(run.wstatus) : -1;
    // a CGI that dies or does not exit 0 hands the user a server error
    if (status != 0 || (!run.anystderr && (!complaints(err) || !stamped)))
        ADD_FAILURE() << run.what << ": exit " << status << "\n" << err.substr(0, 4000);
    return {page, status, err};
}

static cgiresult runone(const std::string &dir, const char *query, const cgiopts &opts,
                        const char *prog, const char *launch)
{
    cgirunning run = startone(dir, query, opts, prog, launch);
    return finishone(run);
}

cgirunning startcgi(const site &s, const char *query, const cgiopts &opts)
{
    return startone(s.dir, query, opts, program(), launcher());
}

// Every file under a folder, by its path there, with its bytes.
static std::map<std::string, std::string> files(const std::string &dir)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    for (auto &e : fs::recursive_directory_iterator(dir)) {
        // a link's bytes are not the site's (one may point at /proc/self/mem)
        if (!e.is_regular_file() || e.is_symlink())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        out[fs::relative(e.path(), dir).string()] =
            std::string((std::istreambuf_iterator<char>(in)), {});
    }
    return out;
}

// A site copied whole, its links as links, and the times its files were
// last written, by which the program weighs archives it cannot all read.
static void copysite(const std::string &from, const std::string &to)
{
    namespace fs = std::filesystem;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                           fs::copy_options::copy_symlinks);
    std::error_code ec;
    for (auto &e : fs::recursive_directory_iterator(from, ec))
        if (e.is_regular_file(ec) && !e.is_symlink(ec))
            fs::last_write_time(to + "/" + fs::relative(e.path(), from).string(),
                                fs::last_write_time(e.path(), ec), ec);
}

// The answer of a Windows program: its header's lines end in CR LF, as the
// C runtime writes text, and its body is the bytes the host's program
// writes (a data answer keeps its own line ends). Checked, then read as the
// host's.
static std::string fromwindows(const std::string &raw, const char *q)
{
    const size_t end = raw.find("\r\n\r\n");
    EXPECT_NE(end, std::string::npos) << "no header ended in CR LF, query " << q;
    if (end == std::string::npos)
        return raw;
    std::string page;
    for (size_t i = 0; i < end + 4; i++) {
        if (raw[i] == '\r' && raw[i + 1] == '\n')
            continue;
        EXPECT_TRUE(raw[i] != '\n' || raw[i - 1] == '\r')
            << "a bare line feed in the header at byte " << i << ", query " << q;
        page += raw[i];
    }
    return page + raw.substr(end + 4);
}

cgiresult finishcgi(cgirunning &run)
{
    cgiresult r = finishone(run);
    if (launched())
        r.page = fromwindows(r.page, run.what.c_str());
    return r;
}

void killcgi(cgirunning &run)
{
    if (!cgiended(run)) {
        kill(run.pid, SIGKILL);
        waitpid(run.pid, &run.wstatus, 0);
        run.ended = true;
    }
    close(run.outfd);
    close(run.errfd);
}

// IIS joins a CGI program's standard error to its output and passes what
// comes to the visitor: a run that complains, run again as IIS runs it,
// must give the page alone, byte for byte.
static void runasiis(const site &s, const char *query, const cgiopts &opts, const cgiresult &want)
{
    site iis;
    copysite(s.dir, iis.dir);
    cgiopts o = opts;
    o.joined = true;
    o.env.push_back("SERVER_SOFTWARE=Microsoft-IIS/10.0");
    cgiresult r = runone(iis.dir, query, o, program(), launcher());
    EXPECT_EQ(r.page, want.page) << "as IIS runs it, query " << (query ? query : "(unset)");
}

cgiresult runcgi(const site &s, const char *query, const cgiopts &opts)
{
    const char *q = query ? query : "(unset)";
    if (!launched())
        return runone(s.dir, query, opts, program(), nullptr);
    if (!opts.compare || opts.wrapper || opts.joined) {
        cgiresult r = runone(s.dir, query, opts, program(), launcher());
        if (!opts.joined)
            r.page = fromwindows(r.page, q);
        return r;
    }
    // the host's own program on a copy of the site, then the other one on
    // the site itself: the same page, the same files
    site twin;
    copysite(s.dir, twin.dir);
    cgiresult host = runone(twin.dir, query, opts, QUORLINK_BIN, nullptr);
    // the site as it was, for a run as IIS runs it when there are complaints
    site before;
    if (!host.err.empty())
        copysite(s.dir, before.dir);
    cgiresult r = runone(s.dir, query, opts, program(), launcher());
    if (!host.err.empty())
        runasiis(before, query, opts, r);
    r.page = fromwindows(r.page, q);
    EXPECT_EQ(r.page, host.page) << "the page differs from the host program's, query " << q;
    EXPECT_EQ(complainedof(r.err), complainedof(host.err)) << "complaints, query " << q;
    auto want = files(twin.dir), got = files(s.dir);
    for (auto &f : want)
        EXPECT_TRUE(got.count(f.first) && got[f.first] == f.second)
            << f.first << " differs from the host program's, query " << q;
    for (auto &f : got)
        EXPECT_TRUE(want.count(f.first)) << f.first << " is new, query " << q;
    return r;
}

static const char *holdfileprogram()
{
    const char *p = getenv("QUORLINK_HOLDFILE");
    return p && *p ? p : nullptr;
}

holder holdfile(const site &s, const char *how, const char *name)
{
    holder h;
    const char *prog = holdfileprogram();
    if (!prog || !launched()) {
        ADD_FAILURE() << "QUORLINK_HOLDFILE names no program to hold " << name;
        return h;
    }
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const char *launch = launcher(), *dirpath = s.dir.c_str();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        if (chdir(dirpath) != 0)
            _exit(127);
        alarm(RUNSECONDS);
        execl(launch, launch, prog, how, name, (char *)nullptr);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    h.pid = pid;
    h.in = in[1];
    // it says so once it holds the file, in a line of its system's
    std::string said;
    char c;
    while (said.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1)
        said += c;
    close(out[0]);
    EXPECT_EQ(said, "held\r\n") << how << " " << name;
    return h;
}

void letgo(holder &h)
{
    if (h.pid < 0)
        return;
    close(h.in);
    int wstatus = 0;
    waitpid(h.pid, &wstatus, 0);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) << "the holding program failed";
    h.pid = -1;
}

void gzipped(const site &s, const std::string &name, const std::string &text)
{
    s.write(name + ".plain", text);
    std::string cmd = "gzip -9 -n -c " + s.path(name + ".plain") + " > " + s.path(name) + " && rm " +
                      s.path(name + ".plain");
    ASSERT_EQ(system(cmd.c_str()), 0);
}

std::string record(uint32_t t, uint32_t rx, uint32_t tx, const char *eol)
{
    std::string e = eol;
    return "time=" + std::to_string(t) + e + "channel: 1" + e + "state: up" + e +
           "speed: 64000" + e + "Rx bytes: " + std::to_string(rx) + e + "Rx packets: 1" + e +
           "Rx errors: 0" + e + "Rx dropped: 0" + e + "Tx packets: 1" + e + "Tx errors: 0" + e +
           "Tx bytes: " + std::to_string(tx) + e;
}

chart::chart(const std::string &gifbytes)
{
    if (!gifbytes.empty())
        im = gdImageCreateFromGifPtr((int)gifbytes.size(), (void *)gifbytes.data());
}

chart::~chart()
{
    if (im)
        gdImageDestroy(im);
}

std::string chart::at(int x, int y) const
{
    int c = gdImageGetPixel(im, x, y);
    int r = gdImageRed(im, c), g = gdImageGreen(im, c), b = gdImageBlue(im, c);
    if (r == 0 && g == 0 && b == 255)
        return "blue";
    if (r == 255 && g == 255 && b == 255)
        return "white";
    if (r == 255 && g == 0 && b == 0)
        return "red";
    if (r == 255 && g == 255 && b == 0)
        return "yellow";
    return "other";
}

std::string chart::runs(int x, const std::string &colour) const
{
    std::string out;
    int start = -1;
    for (int y = 0; y <= height(); y++) {
        bool in = y < height() && at(x, y) == colour;
        if (in && start < 0)
            start = y;
        if (!in && start >= 0) {
            out += (out.empty() ? "" : ",") + std::to_string(start) + "-" + std::to_string(y - 1);
            start = -1;
        }
    }
    return out;
}

int chart::count(int x1, int y1, int x2, int y2, const std::string &colour) const
{
    int n = 0;
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++)
            n += at(x, y) == colour;
    return n;
}

static const char b64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static const std::string imgstart = "<center><img src=\"data:image/gif;base64,", imgend = "\" border=0></center>";

std::string imgof(const std::string &gif)
{
    std::string out;
    for (size_t i = 0; i < gif.size(); i += 3) {
        uint32_t b = (uint32_t)(unsigned char)gif[i] << 16;
        if (i + 1 < gif.size())
            b |= (uint32_t)(unsigned char)gif[i + 1] << 8;
        if (i + 2 < gif.size())
            b |= (unsigned char)gif[i + 2];
        out += b64[b >> 18];
        out += b64[b >> 12 & 63];
        out += i + 1 < gif.size() ? b64[b >> 6 & 63] : '=';
        out += i + 2 < gif.size() ? b64[b & 63] : '=';
    }
    return imgstart + out + imgend;
}

std::string pagechart(const std::string &page)
{
    size_t at = page.find(imgstart);
    if (at == std::string::npos)
        return "";
    at += imgstart.size();
    size_t end = page.find(imgend, at);
    if (end == std::string::npos || (end - at) % 4 != 0)
        return "";
    std::string gif;
    for (size_t i = at; i < end; i += 4) {
        uint32_t b = 0;
        int pad = 0;
        for (size_t k = 0; k < 4; k++) {
            const char *d = strchr(b64, page[i + k]);
            if (page[i + k] == '=')
                pad++;
            else if (!d || !page[i + k])
                return "";
            b = b << 6 | (page[i + k] == '=' ? 0 : (uint32_t)(d - b64));
        }
        gif += (char)(b >> 16);
        if (pad < 2)
            gif += (char)(b >> 8 & 255);
        if (pad < 1)
            gif += (char)(b & 255);
    }
    return gif;
}

// What the disk and the site can do wrong: each failure closes the page
// with its short message, leaves the previous chart as it was and no
// temporary file behind, and the program still exits 0.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;

static std::vector<std::string> leftovers(const std::string &dir)
{
    std::vector<std::string> found;
    DIR *d = opendir(dir.c_str());
    if (!d)
        return found;
    while (struct dirent *e = readdir(d))
        if (strstr(e->d_name, ".tmp"))
            found.push_back(dir + "/" + e->d_name);
    closedir(d);
    return found;
}

struct failcase {
    const char *name;
    const char *query;
    std::function<void(site &)> breakit;
    long fsizelimit;
    const char *complaint;   // the line for the server's log, in Linux's words
    const char *why;         // what the page says to fix, after "Access denided !"
    bool permissions = false;   // needs another account than the test's
};

// /proc/self/mem is a regular file whose first page nobody maps: a read of
// it fails, on Linux and under wine alike.
static void unreadable(site &s, const char *name)
{
    unlink(s.path(name).c_str());
    ASSERT_EQ(symlink("/proc/self/mem", s.path(name).c_str()), 0);
}

TEST(FailurePaths, PageClosedChartKeptNothingLeft)
{
    std::string log;
    for (uint32_t i = 0; i < 30; i++)
        log += record(D0 + 36000 + 120 * i, 5000 * i * i, 3000 * i);
    const std::vector<failcase> cases = {
        {"working folder cannot be written", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &s) { chmod(s.dir.c_str(), 0555); }, -1,
         "quorlink: histout.lck: Permission denied", "The working file histout.lck cannot be written by the web server&#39;s account.", true},
        {"chart folder cannot be written", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &s) { chmod(s.path("charts").c_str(), 0555); }, -1,
         "quorlink: charts/load.gif: Permission denied", "The chart file load.gif cannot be written by the web server&#39;s account.", true},
        {"log cannot be read", "action=rxloaddyn",
         [](site &s) { chmod(s.path("logs/vornout.dat").c_str(), 0); }, -1,
         "quorlink: logs/vornout.dat: Permission denied", "The log vornout.dat cannot be read by the web server&#39;s account.", true},
        {"log cannot be read, time lookup", "action=totalload&time=10:30",
         [](site &s) { chmod(s.path("logs/vornout.dat").c_str(), 0); }, -1,
         "quorlink: logs/vornout.dat: Permission denied", "The log vornout.dat cannot be read by the web server&#39;s account.", true},
        {"interval file cannot be written", "action=rxloaddyn",
         [](site &s) {
             s.write("histout.dat", "");
             s.write("histout.lck", "");
             chmod(s.path("histout.dat").c_str(), 0444);
             chmod(s.dir.c_str(), 0555);
         },
         -1, "quorlink: histout.dat: Permission denied", "The working file histout.dat cannot be written by the web server&#39;s account.", true},
        // a read that fails part way is no end of the log
        {"log read fails", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &s) { unreadable(s, "logs/vornout.dat"); }, -1,
         "quorlink: logs/vornout.dat: Input/output error", "The log vornout.dat could not be read: the server&#39;s log says why."},
        {"log read fails, time lookup", "action=totalload&time=10:30",
         [](site &s) { unreadable(s, "logs/vornout.dat"); }, -1,
         "quorlink: logs/vornout.dat: Input/output error", "The log vornout.dat could not be read: the server&#39;s log says why."},
        {"settings read fails", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &s) { unreadable(s, "quorlink.cfg"); }, -1,
         "quorlink: quorlink.cfg: Input/output error", "The settings file cannot be read."},
        {"disk full while the chart is written", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &) {}, 2000, "quorlink: charts/load.gif: File too large", "The chart file load.gif could not be written whole: the disk may be full."},
        {"disk full while the interval file is written", "action=rxloaddyn",
         [](site &) {}, 500, "quorlink: histout.dat: File too large", "The working file histout.dat could not be written whole: the disk may be full."},
        {"disk full while the summary chart is written", "action=sumtotalload&days=9&dates=&hgrid=",
         [](site &) {}, 1000, "quorlink: charts/load.gif: File too large", "The chart file load.gif could not be written whole: the disk may be full."},
    };
    for (const failcase &c : cases) {
        // the cases of permissions need another account than the one that
        // runs a launched program
        if (c.permissions && launched())
            continue;
        site s;
        s.write("quorlink.cfg", "logpath=logs/\noutpath=charts/load.gif\n");
        s.write("logs/vornout.dat", log);
        s.write("logs/sumout.dat", log);
        s.write("charts/load.gif", "the previous chart");
        // as root the program runs as nobody, so permissions bind it
        chmod(s.dir.c_str(), 0777);
        chmod(s.path("charts").c_str(), 0777);
        c.breakit(s);
        cgiopts o;
        o.unprivileged = !launched();
        o.fsizelimit = c.fsizelimit;
        // wine takes a file past the size limit for a failing device, not a
        // full disk (ERROR_GEN_FAILURE), and the page says so in general
        const bool wined = launched() && c.fsizelimit >= 0;
        o.compare = !wined;
        auto r = runcgi(s, c.query, o);
        EXPECT_EQ(r.status, 0) << c.name;
        std::string why = c.why;
        if (wined)
            why = why.substr(0, why.find(" whole: ")) + ": the server&#39;s log says why.";
        const std::string denied = "<p>Access denided !</p><p>" + why + "</p></body></html>";
        EXPECT_TRUE(r.page.size() >= denied.size() &&
                    r.page.compare(r.page.size() - denied.size(), std::string::npos, denied) == 0)
            << c.name << ": " << r.page;
        // and the server's log says which file and why, once
        const std::string want = std::string(c.complaint) + "\n";
        if (!launched()) {
            EXPECT_EQ(r.err, c.complaint + infolder(s, c.query) + "\n") << c.name;
        }
        EXPECT_EQ(complainedof(r.err), complainedof(want)) << c.name;
        EXPECT_EQ(r.page.find("<img"), std::string::npos) << c.name;
        EXPECT_EQ(s.read("charts/load.gif"), "the previous chart") << c.name;
        EXPECT_EQ(leftovers(s.path("charts")), std::vector<std::string>{}) << c.name;
        EXPECT_EQ(leftovers(s.dir), std::vector<std::string>{}) << c.name;
        chmod(s.dir.c_str(), 0755);
        chmod(s.path("charts").c_str(), 0755);
    }
}

TEST(FailurePaths, SameSiteUnbrokenDrawsTheChart)
{
    // the cases above fail for the reason they name, not for a broken site
    site s;
    std::string log;
    for (uint32_t i = 0; i < 30; i++)
        log += record(D0 + 36000 + 120 * i, 5000 * i * i, 3000 * i);
    s.write("quorlink.cfg", "logpath=logs/\noutpath=charts/load.gif\n");
    s.write("logs/vornout.dat", log);
    s.write("charts/load.gif", "the previous chart");
    chmod(s.dir.c_str(), 0777);
    chmod(s.path("charts").c_str(), 0777);
    cgiopts o;
    o.unprivileged = !launched();
    o.fsizelimit = 100000;
    auto r = runcgi(s, "action=rxloaddyn&hgrid=&vgrid=", o);
    EXPECT_NE(r.page.find("<img src="), std::string::npos) << r.page;
    chart c(s.read("charts/load.gif"));
    EXPECT_TRUE(c.ok());
    // and the chart is bigger than the limit of the full-disk case
    EXPECT_GT(s.read("charts/load.gif").size(), 2000u);
    EXPECT_LT(s.read("histout.dat").size(), 2000u);
    EXPECT_GT(s.read("histout.dat").size(), 500u);
}

// A working file that is there but cannot be written now (held open by
// another program on Windows, read-only on Linux) fails the request and is
// kept: the server's account could delete it, but not make it again.
TEST(FailurePaths, WorkingFileThatCannotBeWrittenIsKept)
{
    std::string log;
    for (uint32_t i = 0; i < 30; i++)
        log += record(D0 + 36000 + 120 * i, 5000 * i, 3000 * i);
    site s;
    s.write("vornout.dat", log);
    const std::string before = "the last request's intervals\n";
    s.write("histout.dat", before);
    cgiopts o;
    o.compare = false;
    holder h;
    if (launched()) {
        h = holdfile(s, "open", "histout.dat");
    } else {
        o.unprivileged = true;
        s.write("histout.lck", "");
        chmod(s.dir.c_str(), 0777);
        chmod(s.path("histout.lck").c_str(), 0666);
        chmod(s.path("histout.dat").c_str(), 0444);
    }
    auto r = runcgi(s, "action=rxloaddyn", o);
    letgo(h);
    EXPECT_NE(r.page.find("<p>Access denided !</p><p>The working file histout.dat "), std::string::npos)
        << r.page;
    EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\nquorlink: histout.dat\n");
    EXPECT_EQ(s.read("histout.dat"), before);
    // free again, the same file takes the next request's intervals
    chmod(s.path("histout.dat").c_str(), 0666);
    r = runcgi(s, "action=rxloaddyn", o);
    EXPECT_NE(r.page.find("<img src="), std::string::npos) << r.page;
    EXPECT_EQ(s.read("histout.dat").substr(0, 11), std::to_string(D0 + 36120) + " ");
}

// IIS would hand standard error to the visitor: under IIS the Windows
// program tells the event log instead, which wine's eventlog channel shows.
// Any other server, and any other system, keeps standard error.
TEST(FailurePaths, UnderIISComplaintsGoToTheEventLog)
{
    site s;
    cgiopts o;
    o.compare = false;
    o.anystderr = launched();
    o.env = {"SERVER_SOFTWARE=Microsoft-IIS/10.0", "QUORLINK_WINEDEBUG=-all,warn+eventlog"};
    auto r = runcgi(s, "action=rxloaddyn", o);
    EXPECT_EQ(r.page, pagehead + "<p>Log file name: vornout.dat<br>Channel Bandwidth: 64000<br><br>"
                                 "</p><p>Access denided !</p><p>The log vornout.dat is not in the "
                                 "log folder.</p></body></html>");
    if (!launched()) {
        EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\nquorlink: vornout.dat\n");
        return;
    }
    EXPECT_NE(r.err.find("warn:eventlog:ReportEventW L\"quorlink: quorlink.cfg: "), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warn:eventlog:ReportEventW L\"quorlink: vornout.dat: "), std::string::npos)
        << r.err;
    // naming the site's folder as Windows names it, and the request
    const std::string folder = s.dir.substr(s.dir.rfind('/') + 1);
    EXPECT_NE(r.err.find(folder + "; query \\\"action=rxloaddyn\\\")\""), std::string::npos) << r.err;
    EXPECT_EQ(("\n" + r.err).find("\nquorlink: "), std::string::npos) << r.err;
}

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
};

TEST(FailurePaths, PageClosedChartKeptNothingLeft)
{
    std::string log;
    for (uint32_t i = 0; i < 30; i++)
        log += record(D0 + 36000 + 120 * i, 5000 * i * i, 3000 * i);
    const std::string denied = "<p>Access denided !</p></body></html>";
    const std::vector<failcase> cases = {
        {"working folder cannot be written", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &s) { chmod(s.dir.c_str(), 0555); }, -1,
         "quorlink: histout.lck: Permission denied"},
        {"chart folder cannot be written", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &s) { chmod(s.path("charts").c_str(), 0555); }, -1,
         "quorlink: charts/load.gif: Permission denied"},
        {"log cannot be read", "action=rxloaddyn",
         [](site &s) { chmod(s.path("logs/vornout.dat").c_str(), 0); }, -1,
         "quorlink: logs/vornout.dat: Permission denied"},
        {"log cannot be read, time lookup", "action=totalload&time=10:30",
         [](site &s) { chmod(s.path("logs/vornout.dat").c_str(), 0); }, -1,
         "quorlink: logs/vornout.dat: Permission denied"},
        {"interval file cannot be written", "action=rxloaddyn",
         [](site &s) {
             s.write("histout.dat", "");
             s.write("histout.lck", "");
             chmod(s.path("histout.dat").c_str(), 0444);
             chmod(s.dir.c_str(), 0555);
         },
         -1, "quorlink: histout.dat: Permission denied"},
        {"disk full while the chart is written", "action=rxloaddyn&hgrid=&vgrid=",
         [](site &) {}, 2000, "quorlink: charts/load.gif: File too large"},
        {"disk full while the interval file is written", "action=rxloaddyn",
         [](site &) {}, 500, "quorlink: histout.dat: File too large"},
        {"disk full while the summary chart is written", "action=sumtotalload&days=9&dates=&hgrid=",
         [](site &) {}, 1000, "quorlink: charts/load.gif: File too large"},
    };
    for (const failcase &c : cases) {
        // the cases of permissions need another account than the one that
        // runs a launched program
        if (c.fsizelimit < 0 && launched())
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
        auto r = runcgi(s, c.query, o);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_TRUE(r.page.size() >= denied.size() &&
                    r.page.compare(r.page.size() - denied.size(), std::string::npos, denied) == 0)
            << c.name << ": " << r.page;
        // and the server's log says which file and why, once
        const std::string want = std::string(c.complaint) + "\n";
        if (!launched()) {
            EXPECT_EQ(r.err, want) << c.name;
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

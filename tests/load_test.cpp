// Many requests at once on one site folder, while readers keep opening the
// chart: every page whole, every chart read decodes, no temporary file
// left, and the interval file is one request's whole work.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "cgirun.h"

TEST(Load, ParallelRequestsStayWhole)
{
    site s;
    std::string gen = std::string(GENLOG_BIN) + " --count 721 --start 1796428800 > " +
                      s.path("vornout.dat") + " && " + GENLOG_BIN +
                      " --daily --count 60 --start 1791244800 > " + s.path("sumout.dat");
    ASSERT_EQ(system(gen.c_str()), 0);
    s.write("quorlink.cfg", "outpath=charts/q.gif\noutvirtpath=/charts/q.gif\n");
    s.write("charts/.keep", "");
    const char *queries[] = {
        "action=rxloaddyn&hgrid=&vgrid=",
        "action=totalload&time=12:00",
        "action=sumtotalload&days=30&datefrom=01/11/2026&hgrid=",
    };
    // each kind alone first: the page, and the interval file it leaves
    std::string pages[3], hists[3];
    for (int k = 0; k < 3; k++) {
        pages[k] = runcgi(s, queries[k]).page;
        hists[k] = s.read("histout.dat");
    }
    ASSERT_TRUE(chart(pagechart(pages[0])).ok());
    ASSERT_NE(pages[1].find("Tx Bytes: "), std::string::npos) << pages[1];
    ASSERT_TRUE(chart(pagechart(pages[2])).ok()) << pages[2];
    ASSERT_EQ(hists[0], hists[1]);
    ASSERT_NE(hists[0], hists[2]);

    // requests that share the site cannot be told apart from a copy of it
    cgiopts shared;
    shared.compare = false;
    const int workers = 8, each = 40;
    std::atomic<int> wrong{0}, done{0}, reads{0}, badreads{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; w++)
        threads.emplace_back([&, w] {
            for (int i = 0; i < each; i++) {
                int k = (w + i) % 3;
                auto r = runcgi(s, queries[k], shared);
                if (r.page != pages[k] || r.status != 0)
                    wrong++;
            }
            done++;
        });
    for (int rdr = 0; rdr < 2; rdr++)
        threads.emplace_back([&] {
            while (done < workers) {
                chart c(s.read("charts/q.gif"));
                reads++;
                if (!c.ok() || c.height() != 300)
                    badreads++;
            }
        });
    for (auto &t : threads)
        t.join();

    EXPECT_EQ(wrong, 0) << "of " << workers * each << " requests";
    EXPECT_GT(reads, 0);
    EXPECT_EQ(badreads, 0) << "of " << reads << " chart reads";
    std::string hist = s.read("histout.dat");
    EXPECT_TRUE(hist == hists[0] || hist == hists[2]);
    for (const char *dir : {"", "/charts"}) {
        DIR *d = opendir((s.dir + dir).c_str());
        while (struct dirent *e = readdir(d))
            EXPECT_EQ(strstr(e->d_name, ".tmp"), nullptr) << e->d_name;
        closedir(d);
    }
}

// While another holds the request lock, a request neither answers nor
// touches the interval file or the chart; let go, it does both. The lock is
// held as a request holds it: flock here, LockFileEx from another Windows
// program for the Windows program.
TEST(Load, RequestWaitsForTheLock)
{
    site s;
    std::string gen = std::string(GENLOG_BIN) + " --count 721 --start 1796428800 > " +
                      s.path("vornout.dat");
    ASSERT_EQ(system(gen.c_str()), 0);
    const std::string before = "the last request's intervals\n";
    s.write("histout.dat", before);
    s.write("histout.lck", "");
    cgiopts o;
    o.compare = false;
    holder h;
    int fd = -1;
    if (launched()) {
        h = holdfile(s, "lock", "histout.lck");
    } else {
        fd = open(s.path("histout.lck").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_EQ(flock(fd, LOCK_EX), 0);
    }
    cgirunning run = startcgi(s, "action=rxloaddyn&hgrid=&vgrid=", o);
    // two seconds: a request that did not wait would be done many times over
    for (int i = 0; i < 20 && !cgiended(run); i++)
        usleep(100000);
    EXPECT_FALSE(cgiended(run));
    // the header may be out (wine's C runtime sends a line at its line
    // feed), the page is not
    EXPECT_EQ(cgiwritten(run).find("<html>"), std::string::npos) << cgiwritten(run);
    EXPECT_EQ(s.read("histout.dat"), before);
    EXPECT_FALSE(s.exists("quorlinkout.gif"));
    if (launched())
        letgo(h);
    else
        close(fd);
    auto r = finishcgi(run);
    EXPECT_NE(r.page.find("<img src="), std::string::npos) << r.page;
    EXPECT_NE(s.read("histout.dat"), before);
    EXPECT_TRUE(chart(s.read("quorlinkout.gif")).ok());
}

// Requests killed at any moment, as a server's timeout or a visitor who
// leaves does, may leave the chart they were writing under its temporary
// name: the next request removes every one of them, and nothing else.
TEST(Load, KilledRequestsLeaveNoFileBehind)
{
    site s;
    std::string gen = std::string(GENLOG_BIN) + " --count 21600 --start 1796428800 > " +
                      s.path("vornout.dat");
    ASSERT_EQ(system(gen.c_str()), 0);
    s.write("quorlink.cfg", "outpath=charts/q.gif\n");
    // one left by a request killed earlier, and names that are not its
    s.write("charts/q.gif.tmp123456", "a dead request's chart");
    const std::vector<std::string> others = {"q.gif.tmp12345", "q.gif.tmp1234567",
                                             "r.gif.tmp123456", "notes.txt"};
    for (auto &name : others)
        s.write("charts/" + name, "the operator's");
    const char *query = "action=rxloaddyn&hgrid=&vgrid=";
    cgiopts o;
    o.compare = false;
    auto started = std::chrono::steady_clock::now();
    runcgi(s, query, o);
    const auto took = std::chrono::steady_clock::now() - started;

    std::mt19937 rng(19);
    std::uniform_int_distribution<long> at(0, std::chrono::duration_cast<std::chrono::microseconds>(took).count());
    for (int i = 0; i < 16; i++) {
        cgirunning run = startcgi(s, query, o);
        usleep((useconds_t)at(rng));
        killcgi(run);
    }
    auto r = runcgi(s, query, o);
    EXPECT_NE(r.page.find("<img"), std::string::npos) << r.page;
    std::vector<std::string> left;
    DIR *d = opendir(s.path("charts").c_str());
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            left.push_back(e->d_name);
    closedir(d);
    std::sort(left.begin(), left.end());
    std::vector<std::string> want = others;
    want.push_back("q.gif");
    std::sort(want.begin(), want.end());
    EXPECT_EQ(left, want);
    EXPECT_TRUE(chart(s.read("charts/q.gif")).ok());
}

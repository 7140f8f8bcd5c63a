// Many requests at once on one site folder, while readers keep opening the
// chart: every page whole, every chart read decodes, no temporary file
// left, and the interval file is one request's whole work.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
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
    ASSERT_NE(pages[0].find("<img src=\"/charts/q.gif\""), std::string::npos);
    ASSERT_NE(pages[1].find("Tx Bytes: "), std::string::npos) << pages[1];
    ASSERT_NE(pages[2].find("<img src=\"/charts/q.gif\""), std::string::npos) << pages[2];
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

// The log scan and the answers that print figures: the interval file and
// the page, driven as a web server drives the program.
#include <gtest/gtest.h>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;  // Sat Dec 05 00:00:00 2026 UTC
static const std::string tail = "</body></html>";

static std::string logline(const char *log = "vornout.dat", unsigned bw = 64000)
{
    return "<p>Log file name: " + std::string(log) + "<br>Channel Bandwidth: " +
           std::to_string(bw) + "<br><br></p>";
}

// The page's chart is the one written at outpath, inside the page.
static std::string imgline(const site &s)
{
    return imgof(s.read("quorlinkout.gif"));
}

// A counter that falls wrapped past 2^32 when the channel could have carried
// the difference modulo 2^32 since the last record, and restarted from 0
// otherwise; the interval file keeps the counters as the device wrote them.
TEST(Scan, FallingCountersWrapOrRestart)
{
    site s;
    const std::string t1 = std::to_string(D0 + 120), t2 = std::to_string(D0 + 240),
                      t3 = std::to_string(D0 + 360);
    // restarts: 250 to 200 would be a wrap of 2^32 - 50 bytes in two minutes
    s.write("vornout.dat", record(D0, 100, 10) + record(D0 + 120, 250, 30) +
                               record(D0 + 240, 200, 70) + record(D0 + 360, 400, 60));
    auto r = runcgi(s, "");
    EXPECT_EQ(r.page, pagehead + logline() + imgline(s) + tail);
    EXPECT_EQ(s.read("histout.dat"),
              t1 + " 250 150 30 20\n" + t2 + " 200 200 70 40\n" + t3 + " 400 200 60 60\n");

    // wraps: 960,000 bytes in two minutes at 64000 bit/s, not one more
    const uint32_t top = 0xFFFFFFFFu;
    s.write("vornout.dat", record(D0, top - 959999, top - 100) + record(D0 + 120, 0, 50));
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), t1 + " 0 960000 50 151\n");
    // one byte more than the channel carries is a restart, and so is a new
    // counter the channel could not have carried since it: nothing is known
    s.write("vornout.dat", record(D0, top - 960000, 5000000) + record(D0 + 120, 0, 4000000) +
                               record(D0 + 240, 10, 4000001));
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), t1 + " 0 0 4000000 0\n" + t2 + " 10 10 4000001 1\n");

    // a gap gives a wrap more room: an hour at 64000 bit/s is 28,800,000 bytes
    s.write("vornout.dat", record(D0, top - 20000000, 0) + record(D0 + 3600, 8799999, 0));
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), std::to_string(D0 + 3600) + " 8799999 28800000 0 0\n");

    // no capacity to judge by (bandwidth/8 is 0, or negative): every fall
    // is a restart, which never counts more than the device did
    for (const char *bw : {"bandwidth=7\n", "bandwidth=-12\n"}) {
        s.write("quorlink.cfg", bw);
        s.write("vornout.dat", record(D0, top - 10, 3000000000u) + record(D0 + 120, 5, 1000));
        runcgi(s, "");
        EXPECT_EQ(s.read("histout.dat"), t1 + " 5 5 1000 1000\n") << bw;
    }
}

TEST(Scan, RestartsAndWrapsFromTheSampleTool)
{
    site s;
    // a steady half of the channel: 480,000 Rx and 264,000 Tx bytes every
    // interval, through a wrap of both counters and two restarts
    std::string cmd = std::string(GENLOG_BIN) + " --count 50 --start " + std::to_string(D0) +
                      " --restart 20 --restart 35 --wrap --load 0.5 --crlf > " +
                      s.path("vornout.dat");
    ASSERT_EQ(system(cmd.c_str()), 0);
    auto r = runcgi(s, "action=rxloaddyn");
    EXPECT_EQ(r.page, pagehead + logline() + imgline(s) + tail);
    std::string hist = s.read("histout.dat");
    int lines = 0, falls = 0;
    uint32_t prev = 0;
    for (size_t at = 0; at < hist.size(); lines++) {
        size_t nl = hist.find('\n', at);
        unsigned t, rx, drx, tx, dtx;
        ASSERT_EQ(sscanf(hist.c_str() + at, "%u %u %u %u %u", &t, &rx, &drx, &tx, &dtx), 5);
        falls += rx < prev;
        // a restart sets the counters to 0 at its record: that interval
        // counted nothing
        const bool restart = lines + 1 == 20 || lines + 1 == 35;
        EXPECT_EQ(drx, restart ? 0u : 480000u) << "line " << lines + 1;
        EXPECT_EQ(dtx, restart ? 0u : 264000u) << "line " << lines + 1;
        prev = rx;
        at = nl + 1;
    }
    EXPECT_EQ(lines, 49);
    EXPECT_EQ(falls, 3);
}

// An archive that the log rotator gzipped answers as the same log plain: the
// page, the interval file and the chart. One that is cut short is a read
// that failed, and one in a form that is not read is refused by name.
TEST(Scan, GzippedArchiveReadsAsThePlainLog)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", record(D0, 1, 1));
    const std::string plain = s.path("logs/vornout.dat.1");
    std::string cmd = std::string(GENLOG_BIN) + " --count 900 --start " + std::to_string(D0) +
                      " --restart 400 --crlf > " + plain;
    ASSERT_EQ(system(cmd.c_str()), 0);
    // what follows the 0x1A that ends the text is not read, gzipped or not
    s.write("logs/vornout.dat.1", s.read("logs/vornout.dat.1") + record(D0, 1, 1));
    cmd = "gzip -9 -n -c " + plain + " > " + s.path("logs/vornout.dat.2.gz");
    ASSERT_EQ(system(cmd.c_str()), 0);
    const std::string gz = s.read("logs/vornout.dat.2.gz");
    ASSERT_EQ(gz.substr(0, 2), "\x1F\x8B");
    for (const char *q : {"action=rxloaddyn&hgrid=&vgrid=", "action=totalload&time=12:00"}) {
        auto want = runcgi(s, (q + std::string("&logfile=vornout.dat.1")).c_str());
        ASSERT_EQ(want.page.find("denided"), std::string::npos) << want.page;
        const std::string hist = s.read("histout.dat"), gif = s.read("quorlinkout.gif");
        ASSERT_GT(hist.size(), 800 * 20u);
        auto r = runcgi(s, (q + std::string("&logfile=vornout.dat.2.gz")).c_str());
        const std::string name = "logs/vornout.dat.1", gzname = "logs/vornout.dat.2.gz";
        want.page.replace(want.page.find(name), name.size(), gzname);
        EXPECT_EQ(r.page, want.page) << q;
        EXPECT_EQ(s.read("histout.dat"), hist) << q;
        EXPECT_EQ(s.read("quorlinkout.gif"), gif) << q;
        EXPECT_EQ(r.err, want.err) << q;
    }
    const std::string denied = "<p>Access denided !</p>";
    s.write("logs/cut.gz", gz.substr(0, gz.size() / 2));
    auto r = runcgi(s, "logfile=cut.gz");
    EXPECT_EQ(r.page, pagehead + logline("logs/cut.gz") + denied +
                          "<p>The log cut.gz is damaged: its compressed data cannot be read.</p>" + tail);
    EXPECT_NE(r.err.find("quorlink: logs/cut.gz: compressed data cut short (in "), std::string::npos) << r.err;
    s.write("logs/vornout.dat.3.xz", std::string("\xFD" "7zXZ\0\0\x04", 8));
    r = runcgi(s, "logfile=vornout.dat.3.xz");
    EXPECT_EQ(r.page, pagehead + logline("logs/vornout.dat.3.xz") + denied +
                          "<p>The log vornout.dat.3.xz is compressed in a form this program does "
                          "not read.</p>" + tail);
    EXPECT_NE(r.err.find("quorlink: logs/vornout.dat.3.xz: compressed with xz, which is not read (in "),
              std::string::npos) << r.err;
}

TEST(Scan, EmptyOrRecordlessLogs)
{
    site s;
    // no date was asked for: the reason is the log's, said after the design's
    // text; a table where the log should be is no log either
    const std::pair<const char *, const char *> logs[] = {
        {"", "The log is empty."},
        {"time,seconds,rx_bytes\n2026-12-08T00:02:00Z,120,5\n",
         "The log holds no record in the device&#39;s format."},
    };
    for (const auto &[log, why] : logs) {
        s.write("vornout.dat", log);
        for (const char *q : {"", "action=totalload&time=10:00", "action=rxloaddyn"}) {
            auto r = runcgi(s, q);
            EXPECT_EQ(r.page, pagehead + logline() + "<p>The entered date is not found !</p><p>" +
                                  why + "</p>" + tail);
            // the operator hears of the missing settings and of the empty log
            EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\nquorlink: vornout.dat\n") << q;
        }
    }
    EXPECT_EQ(s.read("histout.dat"), "");
    // one usable record: no interval lines; the lookup prints nothing
    s.write("vornout.dat", record(D0, 5, 5));
    auto r = runcgi(s, "action=totalload&time=00:00");
    EXPECT_EQ(r.page, pagehead + logline() + tail);
    EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\n");
}

static std::string summarylog(int days)
{
    std::string log;
    for (int d = 0; d < days; d++)
        log += record(D0 + d * 86400u + 600, 1000u * d, 10u * d);
    return log;
}

static std::string sumline(int d)
{
    return std::to_string(D0 + d * 86400u + 600) + " " + std::to_string(1000u * d) + " " +
           std::to_string(10u * d) + "\n";
}

TEST(Summary, TakesTheRunOfDaysFromTheDate)
{
    site s;
    s.write("sumout.dat", summarylog(10));
    // the 4th record falls on Dec 8
    auto r = runcgi(s, "action=sumtotalload&days=3&datefrom=08/12/2026");
    EXPECT_EQ(r.page, pagehead +
                          "<p>Query: Porvata VORN-NX Summary Statistics for 3 days since 08 Dec "
                          "2026</p>" + logline("sumout.dat") + imgline(s) + tail);
    EXPECT_EQ(s.read("histout.dat"), sumline(3) + sumline(4) + sumline(5));

    runcgi(s, "action=sumtotalload&days=5&dates=on&datefrom=08/12/2026");
    EXPECT_EQ(s.read("histout.dat"), sumline(0) + sumline(1) + sumline(2) + sumline(3) + sumline(4));

    // past the end of the log the run is shorter than asked
    runcgi(s, "action=sumtotalload&days=30&datefrom=13/12/2026");
    EXPECT_EQ(s.read("histout.dat"), sumline(8) + sumline(9));
}

TEST(Summary, NoMatchingDayOrASingleDay)
{
    site s;
    s.write("sumout.dat", summarylog(10));
    auto r = runcgi(s, "action=sumtotalload&days=3&datefrom=01/01/2020");
    EXPECT_NE(r.page.find("<p>The entered date is not found !</p>" + tail), std::string::npos);
    // a day the log does not hold is the visitor's doing, not the site's
    EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\n");
    EXPECT_EQ(s.read("histout.dat"), "");
    // one line written: the page ends without a chart
    r = runcgi(s, "action=sumtotalload&days=3&datefrom=14/12/2026");
    EXPECT_EQ(r.page, pagehead +
                          "<p>Query: Porvata VORN-NX Summary Statistics for 3 days since 14 Dec "
                          "2026</p>" + logline("sumout.dat") + tail);
    EXPECT_FALSE(s.exists("quorlinkout.gif"));
}

static std::string lookup(const std::string &tt, uint32_t rx, uint32_t tx)
{
    return "<p>Porvata VORN-NX Summary Statistics:<br><br>Time: " + tt + "<br>Rx Bytes: " +
           std::to_string(rx) + "<br>Tx Bytes: " + std::to_string(tx) + "</p>";
}

TEST(TimeLookup, FirstIntervalWithinThreeMinutes)
{
    site s;
    const uint32_t ten = D0 + 36000;
    s.write("vornout.dat", record(ten - 400, 1, 1) + record(ten - 200, 10, 20) +
                               record(ten - 120, 30, 40) + record(ten + 239, 50, 60) +
                               record(ten + 240, 70, 80));
    // 09:56:40 is 240 s off once its seconds are cut; 09:58:00 is the first hit
    EXPECT_EQ(runcgi(s, "action=totalload&time=10:00").page,
              pagehead + logline() + lookup("Sat Dec 05 09:58:00 2026", 30, 40) + tail);
    // 10:03:59 counts as 10:03, exactly 180 s from 10:06
    EXPECT_EQ(runcgi(s, "action=totalload&time=10:06").page,
              pagehead + logline() + lookup("Sat Dec 05 10:03:59 2026", 50, 60) + tail);
    EXPECT_EQ(runcgi(s, "action=totalload&time=10:07").page,
              pagehead + logline() + lookup("Sat Dec 05 10:04:00 2026", 70, 80) + tail);
    EXPECT_EQ(runcgi(s, "action=totalload&time=10:10").page, pagehead + logline() + tail);
    // five digits without a colon: 00010 is hour 10, no minutes
    EXPECT_EQ(runcgi(s, "action=totalload&time=00010").page,
              pagehead + logline() + lookup("Sat Dec 05 09:58:00 2026", 30, 40) + tail);
}

TEST(TimeLookup, MidnightDoesNotWrap)
{
    site s;
    s.write("vornout.dat", record(D0 - 240, 1, 1) + record(D0 - 60, 2, 2));
    EXPECT_EQ(runcgi(s, "action=totalload&time=00:01").page, pagehead + logline() + tail);
    EXPECT_EQ(runcgi(s, "action=totalload&time=23:57").page,
              pagehead + logline() + lookup("Fri Dec 04 23:59:00 2026", 2, 2) + tail);
}

TEST(Failures, UnreadableLogOrIntervalFile)
{
    site s;
    const std::string denied = "<p>Access denided !</p>";
    // a folder where the log should be exists but cannot be read as a log
    s.write("vornout.dat/x", "");
    auto folder = runcgi(s, "");
    EXPECT_EQ(folder.page, pagehead + logline() + denied +
                               "<p>The log vornout.dat is a folder, not a file.</p>" + tail);
    const char *isfolder = launched() ? ": Is a folder (in " : ": Is a directory (in ";
    EXPECT_NE(folder.err.find(std::string("vornout.dat") + isfolder), std::string::npos) << folder.err;
    // the interval file cannot be created
    site t;
    t.write("vornout.dat", record(D0, 1, 1) + record(D0 + 120, 2, 2));
    t.write("histout.dat/x", "");
    auto r = runcgi(t, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.page, pagehead + logline() + denied +
                          "<p>The working file histout.dat is a folder, not a file.</p>" + tail);
    EXPECT_NE(r.err.find(std::string("histout.dat") + isfolder), std::string::npos) << r.err;
    EXPECT_FALSE(t.exists("quorlinkout.gif"));
}

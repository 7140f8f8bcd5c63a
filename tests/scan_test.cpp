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

static std::string imgline = "<center><img src=\"/images/quorlinkout.gif\" border=0></center>";

TEST(Scan, IntervalsHoldFallingCounters)
{
    site s;
    s.write("vornout.dat", record(D0, 100, 10) + record(D0 + 120, 250, 30) +
                               record(D0 + 240, 200, 70) + record(D0 + 360, 400, 60));
    auto r = runcgi(s, "");
    EXPECT_EQ(r.page, pagehead + logline() + imgline + tail);
    EXPECT_EQ(s.read("histout.dat"), std::to_string(D0 + 120) + " 250 150 30 20\n" +
                                         std::to_string(D0 + 240) + " 250 0 70 40\n" +
                                         std::to_string(D0 + 360) + " 400 150 70 0\n");
}

TEST(Scan, RecordBoundaries)
{
    site s;
    std::string junk = "garbage between records\n\n";
    // "uptime=" starts a record; a "time=" among the ten data lines does not
    std::string odd = "uptime=" + std::to_string(D0 + 120) +
                      "\na\nb\nc\nRx: 500\ntime=999\nf\ng\nh\ni\nTx: 600\n";
    // a record whose Rx line has no colon is left out and changes nothing
    std::string nocolon = "time=" + std::to_string(D0 + 240) +
                          "\na\nb\nc\nRx 9\ne\nf\ng\nh\ni\nTx: 1\n";
    s.write("vornout.dat", junk + record(D0, 100, 100) + junk + odd + nocolon +
                               record(D0 + 360, 800, 900));
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), std::to_string(D0 + 120) + " 500 400 600 500\n" +
                                         std::to_string(D0 + 360) + " 800 300 900 300\n");
}

TEST(Scan, TruncatedLastRecord)
{
    site s;
    std::string full = record(D0, 100, 100) + record(D0 + 120, 200, 300);
    // three lines after the last "time=": the Tx buffer still holds the
    // previous value text, which has no colon, so the record is skipped
    s.write("vornout.dat", full + "time=" + std::to_string(D0 + 240) + "\na\nb\nc\n");
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), std::to_string(D0 + 120) + " 200 100 300 200\n");
    // seven lines after it: Tx is read from the 7th line
    s.write("vornout.dat",
            full + "time=" + std::to_string(D0 + 240) + "\na\nb\nc\nRx: 250\ne\nf\nTx: 350\n");
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), std::to_string(D0 + 120) + " 200 100 300 200\n" +
                                         std::to_string(D0 + 240) + " 250 50 350 50\n");
}

TEST(Scan, LastRecordEndingInALineLongerThanTheReadersBuffer)
{
    site s;
    // the Tx line keeps a second colon, so a record that gets no Tx line of
    // its own reads the number after it
    std::string first = "time=" + std::to_string(D0) + "\na\nb\nc\nRx: 1\ne\nf\ng\nh\ni\nTx: 7:9\n";
    // the last record ends early, in a line that runs past the reader's
    // buffer to the end of the file: that line is the last one read, and
    // what is kept of it is its start, whatever the reader does with the rest
    std::string last = "time=" + std::to_string(D0 + 120) + "\na\nRx: 5" + std::string(200000, 'x');
    s.write("vornout.dat", first + last);
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), std::to_string(D0 + 120) + " 5 4 9 2\n");
}

TEST(Scan, WindowsFormAndLongLinesReadAsTheDeviceWrites)
{
    site s;
    std::string unix = record(D0, 1, 2) + record(D0 + 120, 5000, 7000) + record(D0 + 240, 9000, 9100);
    s.write("vornout.dat", unix);
    runcgi(s, "");
    std::string want = s.read("histout.dat");
    ASSERT_FALSE(want.empty());
    std::string win = record(D0, 1, 2, "\r\n") + record(D0 + 120, 5000, 7000, "\r\n") +
                      record(D0 + 240, 9000, 9100, "\r\n") + "\x1A" + record(D0 + 360, 1, 1);
    s.write("vornout.dat", win);
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), want);
    // an over-long data line is one line, cut: the record keeps its shape
    std::string longline = "time=" + std::to_string(D0 + 120) + "\n" + std::string(3000, 'x') +
                           "\nb\nc\nRx: 5000" + std::string(200, ' ') + "\ne\nf\ng\nh\ni\nTx: 7000\n";
    s.write("vornout.dat", record(D0, 1, 2) + longline + record(D0 + 240, 9000, 9100));
    runcgi(s, "");
    EXPECT_EQ(s.read("histout.dat"), want);
}

TEST(Scan, RestartsAndWrapsFromTheSampleTool)
{
    site s;
    std::string cmd = std::string(GENLOG_BIN) + " --count 50 --start " + std::to_string(D0) +
                      " --restart 20 --restart 35 --wrap --crlf > " + s.path("vornout.dat");
    ASSERT_EQ(system(cmd.c_str()), 0);
    auto r = runcgi(s, "action=rxloaddyn");
    EXPECT_EQ(r.page, pagehead + logline() + imgline + tail);
    std::string hist = s.read("histout.dat");
    int lines = 0, zeros = 0;
    uint32_t prev = 0;
    for (size_t at = 0; at < hist.size(); lines++) {
        size_t nl = hist.find('\n', at);
        unsigned t, rx, drx, tx, dtx;
        ASSERT_EQ(sscanf(hist.c_str() + at, "%u %u %u %u %u", &t, &rx, &drx, &tx, &dtx), 5);
        EXPECT_GE(rx, prev) << "a held counter never falls";
        zeros += drx == 0;
        prev = rx;
        at = nl + 1;
    }
    EXPECT_EQ(lines, 49);
    // the wrap and the two restarts each hold the counter for a while
    EXPECT_GT(zeros, 10);
}

TEST(Scan, EmptyOrRecordlessLogs)
{
    site s;
    s.write("vornout.dat", "");
    for (const char *q : {"", "action=totalload&time=10:00", "action=rxloaddyn"}) {
        auto r = runcgi(s, q);
        EXPECT_EQ(r.page, pagehead + logline() + "<p>The entered date is not found !</p>" + tail);
        // the operator hears of the missing settings and of the empty log
        EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\nquorlink: vornout.dat\n") << q;
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
                          "2026</p>" + logline("sumout.dat") + imgline + tail);
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
    const std::string denied = "<p>Access denided !</p>" + tail;
    // a folder where the log should be exists but cannot be read as a log
    s.write("vornout.dat/x", "");
    auto folder = runcgi(s, "");
    EXPECT_EQ(folder.page, pagehead + logline() + denied);
    const char *isfolder = launched() ? ": Is a folder (in " : ": Is a directory (in ";
    EXPECT_NE(folder.err.find(std::string("vornout.dat") + isfolder), std::string::npos) << folder.err;
    // the interval file cannot be created
    site t;
    t.write("vornout.dat", record(D0, 1, 1) + record(D0 + 120, 2, 2));
    t.write("histout.dat/x", "");
    auto r = runcgi(t, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.page, pagehead + logline() + denied);
    EXPECT_NE(r.err.find(std::string("histout.dat") + isfolder), std::string::npos) << r.err;
    EXPECT_FALSE(t.exists("quorlinkout.gif"));
}

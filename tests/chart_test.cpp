// The charts, decoded and checked pixel by pixel.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;  // Sat Dec 05 00:00:00 2026 UTC

// A log whose intervals carry the given Tx byte counts (Rx gets twice as
// many), every two minutes from start.
static std::string loadlog(const std::vector<uint32_t> &bytes, uint32_t start = D0 + 43200)
{
    std::string log = record(start, 0, 0);
    uint32_t rx = 0, tx = 0;
    for (size_t i = 0; i < bytes.size(); i++) {
        tx += bytes[i];
        rx += 2 * bytes[i];
        log += record(start + 120 * (uint32_t)(i + 1), rx, tx);
    }
    return log;
}

static std::string files(const site &s)
{
    std::vector<std::string> names;
    DIR *d = opendir(s.dir.c_str());
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    std::string out;
    for (auto &n : names)
        out += (out.empty() ? "" : " ") + n;
    return out;
}

// The GIF's global colour table, as written (gd's reader drops unused
// colours at the end of it).
static std::string palette(const std::string &gif)
{
    if (gif.size() < 13 || !(gif[10] & 0x80))
        return "no global table";
    size_t entries = (size_t)2 << (gif[10] & 7);
    std::string out;
    for (size_t i = 0; i < entries && 13 + 3 * i + 2 < gif.size(); i++) {
        char rgb[16];
        snprintf(rgb, sizeof rgb, "%02x%02x%02x ", (unsigned char)gif[13 + 3 * i],
                 (unsigned char)gif[14 + 3 * i], (unsigned char)gif[15 + 3 * i]);
        out += rgb;
    }
    return out;
}

TEST(LoadChart, SizeAndPalette)
{
    site s;
    for (auto [intervals, width] : {std::pair{0, 350}, {320, 350}, {321, 351}, {1000, 1030}}) {
        s.write("vornout.dat", loadlog(std::vector<uint32_t>(intervals, 1000)));
        runcgi(s, "");
        std::string gif = s.read("quorlinkout.gif");
        chart c(gif);
        ASSERT_TRUE(c.ok()) << intervals;
        EXPECT_EQ(c.width(), width) << intervals;
        EXPECT_EQ(c.height(), 300);
        // blue first, so the background; yellow although nothing is yellow
        EXPECT_EQ(palette(gif), "0000ff ffffff ff0000 ffff00 ");
        // axes: y at x 10 from row 10 to 290, x along row 290
        EXPECT_EQ(c.count(10, 8, 10, 291, "white"), 281);
        EXPECT_EQ(c.count(10, 290, width - 10, 290, "white"), width - 19);
        EXPECT_EQ(c.at(width - 9, 290), "blue");
    }
}

TEST(LoadChart, BarsScaleToTheChannel)
{
    site s;
    // 960000 bytes an interval fill the channel at the defaults
    s.write("vornout.dat", loadlog({480000, 960000, 5000000, 3555, 0, 3556}));
    runcgi(s, "");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.runs(20, "red"), "146-280");
    EXPECT_EQ(c.runs(21, "red"), "11-280");
    EXPECT_EQ(c.runs(22, "red"), "11-280");
    EXPECT_EQ(c.runs(23, "red"), "");
    EXPECT_EQ(c.runs(24, "red"), "");
    EXPECT_EQ(c.runs(25, "red"), "280-280");
    EXPECT_EQ(c.count(0, 0, c.width() - 1, 299, "yellow"), 0);
    // Rx is twice Tx here
    runcgi(s, "action=rxloaddyn");
    chart rx(s.read("quorlinkout.gif"));
    EXPECT_EQ(rx.runs(20, "red"), "11-280");
    EXPECT_EQ(rx.runs(23, "red"), "280-280");
    EXPECT_EQ(rx.runs(25, "red"), "279-280");
}

TEST(LoadChart, FastChannelAndChannelOfNoCapacity)
{
    site s;
    s.write("quorlink.cfg", "bandwidth=2000000\n");
    s.write("vornout.dat", loadlog({30000000, 15000000}));
    runcgi(s, "");
    chart c(s.read("quorlinkout.gif"));
    EXPECT_EQ(c.runs(20, "red"), "11-280");
    EXPECT_EQ(c.runs(21, "red"), "146-280");
    // an interval of a 300 Mbit/s channel holds 4,500,000,000 bytes, more
    // than 32 bits: 5% of it is 13 rows, and 10% of 1 Gbit/s 27
    s.write("quorlink.cfg", "bandwidth=300000000\n");
    s.write("vornout.dat", loadlog({225000000, 1500000000}));
    runcgi(s, "");
    chart f(s.read("quorlinkout.gif"));
    EXPECT_EQ(f.runs(20, "red"), "268-280");
    s.write("quorlink.cfg", "bandwidth=1000000000\n");
    runcgi(s, "");
    chart g(s.read("quorlinkout.gif"));
    EXPECT_EQ(g.runs(21, "red"), "254-280");
    // bandwidth/8 is 0: nothing to scale by, so no bars
    s.write("quorlink.cfg", "bandwidth=7\n");
    auto page = runcgi(s, "").page;
    EXPECT_NE(page.find("Channel Bandwidth: 7<br>"), std::string::npos);
    chart z(s.read("quorlinkout.gif"));
    EXPECT_EQ(z.count(0, 0, z.width() - 1, 299, "red"), 0);
}

// Half the channel all along: every bar is 135 rows, through a wrap, after
// a restart and across a gap, which is marked under its bar.
TEST(LoadChart, WrapsRestartsAndGapsDrawTheLoadCarried)
{
    site s;
    auto genlog = [&](const std::string &args) {
        std::string cmd = std::string(GENLOG_BIN) + " --start " + std::to_string(D0) +
                          " --load 0.5 " + args + " > " + s.path("vornout.dat");
        ASSERT_EQ(system(cmd.c_str()), 0);
    };
    // the Rx counter wraps after the 5th record
    genlog("--count 21 --wrap");
    runcgi(s, "action=rxloaddyn");
    chart w(s.read("quorlinkout.gif"));
    ASSERT_TRUE(w.ok());
    for (int x = 20; x < 40; x++)
        EXPECT_EQ(w.runs(x, "red"), "146-280") << x;
    EXPECT_EQ(w.count(0, 0, w.width() - 1, 299, "yellow"), 0);

    // the device restarts from 3,000,000,000 and has counted 240,000 bytes
    // by its next record: a quarter of the channel that interval
    std::string log;
    for (uint32_t i = 0; i < 10; i++)
        log += record(D0 + 120 * i, i < 5 ? 3000000000u + 480000 * i : 240000 + 480000 * (i - 5),
                      0);
    s.write("vornout.dat", log);
    runcgi(s, "action=rxloaddyn");
    chart r(s.read("quorlinkout.gif"));
    for (int x = 20; x < 29; x++)
        EXPECT_EQ(r.runs(x, "red"), x == 24 ? "214-280" : "146-280") << x;

    // an hour without a record: the 5th interval is 62 minutes long, a tick
    // in yellow under it, and its bar its load over those 62 minutes
    genlog("--count 10 --gap 5:3600");
    runcgi(s, "action=rxloaddyn");
    chart g(s.read("quorlinkout.gif"));
    for (int x = 20; x < 29; x++) {
        EXPECT_EQ(g.runs(x, "red"), "146-280") << x;
        EXPECT_EQ(g.runs(x, "yellow"), x == 24 ? "283-288" : "") << x;
    }
    EXPECT_EQ(g.count(0, 0, g.width() - 1, 299, "yellow"), 6);
    // the interval after the gap starts hour 1: its hour mark does not hide
    // the tick
    runcgi(s, "action=rxloaddyn&vgrid=");
    chart v(s.read("quorlinkout.gif"));
    EXPECT_EQ(v.at(24, 10), "white");
    EXPECT_EQ(v.runs(24, "yellow"), "283-288");
}

TEST(LoadChart, HourMarks)
{
    site s;
    // intervals at 10:58, 11:00, 11:02
    uint32_t start = D0 + 10 * 3600 + 56 * 60;
    s.write("vornout.dat", loadlog({0, 0, 0}, start));
    runcgi(s, "vgrid=");
    chart c(s.read("quorlinkout.gif"));
    // dashed from 292 up to 10: white rows alternate with gaps
    EXPECT_EQ(c.at(20, 292), "white");
    EXPECT_EQ(c.at(20, 293), "blue");
    EXPECT_GT(c.count(20, 10, 20, 292, "white"), 100);
    EXPECT_LT(c.count(20, 10, 20, 292, "white"), 283);
    EXPECT_GT(c.count(21, 10, 21, 292, "white"), 100);
    EXPECT_EQ(c.count(22, 10, 22, 289, "white"), 0);
    // labels "10h" at x 25 and "11h" at x 26, 13 rows from row 265
    EXPECT_GT(c.count(25, 265, 45, 277, "white"), 20);
    EXPECT_EQ(c.count(20, 252, 60, 264, "white"), c.count(20, 252, 21, 264, "white"));
    // without vgrid no marks at all
    runcgi(s, "");
    chart plain(s.read("quorlinkout.gif"));
    EXPECT_EQ(plain.count(20, 10, 60, 289, "white"), 0);
}

// The chart sets its dashed lines' pixels itself: they must be the pixels
// gd's own dashed line sets, the hour marks' from row 292 up to 10 and the
// grid's across, each dash where gd puts it.
TEST(LoadChart, DashesWhereGdPutsThem)
{
    site s;
    // 400 idle intervals from 10:00: a new hour every 30 columns
    const uint32_t start = D0 + 10 * 3600 - 120;
    s.write("vornout.dat", loadlog(std::vector<uint32_t>(400, 0), start));
    runcgi(s, "vgrid=&hgrid=");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_EQ(c.width(), 430);
    gdImagePtr gd = gdImageCreate(c.width(), c.height());
    const int blue = gdImageColorAllocate(gd, 0, 0, 255), white = gdImageColorAllocate(gd, 255, 255, 255);
    std::vector<int> marks;
    for (uint32_t i = 0, hour = 99; i < 400; i++)
        if ((start + 120 * (i + 1)) % 86400 / 3600 != hour) {
            hour = (start + 120 * (i + 1)) % 86400 / 3600;
            marks.push_back(20 + (int)i);
            gdImageDashedLine(gd, 20 + (int)i, 292, 20 + (int)i, 10, white);
        }
    ASSERT_EQ(marks.size(), 14u);
    for (int y = 10; y <= 262; y += 28)
        gdImageDashedLine(gd, 8, y, c.width() - 10, y, white);
    auto colour = [&](int x, int y) { return gdImageGetPixel(gd, x, y) == blue ? "blue" : "white"; };
    // past the labels: the range on row 292 up to x 260, the grid's at the
    // left ends of its lines, x 15 to 42
    for (int x : marks)
        for (int y = 10; x > 42 && y <= (x > 260 ? 292 : 291); y++)
            EXPECT_EQ(c.at(x, y), colour(x, y)) << x << "," << y;
    for (int y = 10; y <= 262; y += 28)
        for (int x = 60; x < c.width(); x++)
            EXPECT_EQ(c.at(x, y), colour(x, y)) << x << "," << y;
    gdImageDestroy(gd);
}

TEST(LoadChart, MidnightHasALineButNoLabel)
{
    site s;
    // intervals from 23:00 to 00:02: the 23h mark on column 0, midnight's
    // on column 30, far enough apart that a label at midnight is seen
    s.write("vornout.dat", loadlog(std::vector<uint32_t>(32, 0), D0 - 3720));
    runcgi(s, "vgrid=");
    chart c(s.read("quorlinkout.gif"));
    EXPECT_GT(c.count(20, 10, 20, 292, "white"), 100);
    EXPECT_GT(c.count(50, 10, 50, 292, "white"), 100);
    EXPECT_EQ(c.count(21, 10, 21, 264, "white"), 0);
    // "23h" beside x 20; nothing beside x 50, where "0h" would stand
    EXPECT_GT(c.count(25, 265, 45, 277, "white"), 20);
    EXPECT_EQ(c.count(51, 255, 90, 289, "white"), 0);
}

TEST(LoadChart, PercentGrid)
{
    site s;
    s.write("vornout.dat", loadlog(std::vector<uint32_t>(500, 0)));
    runcgi(s, "hgrid=");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_EQ(c.width(), 530);
    for (int y = 10; y <= 262; y += 28) {
        // dashed from x 8 to imageW - 10
        EXPECT_EQ(c.at(8, y), "white") << y;
        int lit = c.count(60, y, 520, y, "white");
        EXPECT_GT(lit, 150) << y;
        EXPECT_LT(lit, 461) << y;
        EXPECT_EQ(c.at(521, y), "blue") << y;
    }
    EXPECT_EQ(c.count(60, 263, 520, 289, "white"), 0);
    // the label "100%" at x 15 on row 10 is four glyphs wide
    EXPECT_GT(c.count(15, 11, 42, 22, "white"), 20);
}

TEST(LoadChart, RangeLabelAndHeading)
{
    site s;
    s.write("vornout.dat", loadlog({1, 2}));
    runcgi(s, "action=rxloaddyn");
    chart rx(s.read("quorlinkout.gif"));
    runcgi(s, "action=anything");
    chart tx(s.read("quorlinkout.gif"));
    // same heading up to "(Rx" / "(Tx", drawn in gdFontTiny at row 0
    EXPECT_GT(rx.count(10, 0, 200, 7, "white"), 100);
    int differ = 0;
    for (int x = 10; x < 200; x++)
        for (int y = 0; y < 8; y++)
            differ += rx.at(x, y) != tx.at(x, y);
    EXPECT_GT(differ, 0);
    EXPECT_EQ(rx.count(10, 0, 140, 7, "white"), tx.count(10, 0, 140, 7, "white"));
    // the range label along the bottom, 51 tiny glyphs
    EXPECT_GT(rx.count(10, 292, 264, 299, "white"), 200);
    EXPECT_EQ(rx.count(266, 291, 349, 299, "white"), 0);
}

TEST(LoadChart, LongestLogShowsItsRecentEnd)
{
    site s;
    // 65,600 intervals: the first 95 fall off the left, the 96th is full
    std::vector<uint32_t> bytes(65600, 0);
    bytes[95] = 960000;
    bytes[94] = 480000;
    s.write("vornout.dat", loadlog(bytes));
    runcgi(s, "");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.width(), 65535);
    EXPECT_EQ(c.runs(20, "red"), "11-280");
    EXPECT_EQ(c.runs(19, "red"), "");
    // its interval file holds what it draws: the newest 65,505 lines, the
    // first of them the 96th interval, its counters and bytes
    const std::string hist = s.read("histout.dat");
    EXPECT_EQ(std::count(hist.begin(), hist.end(), '\n'), 65505);
    const uint32_t t96 = D0 + 43200 + 120 * 96;
    EXPECT_EQ(hist.substr(0, hist.find('\n')), std::to_string(t96) + " 2880000 1920000 1440000 960000");
    // the lookup's holds every one
    runcgi(s, "action=totalload&time=00:00");
    const std::string all = s.read("histout.dat");
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 65600);
    EXPECT_EQ(all.substr(all.size() - hist.size()), hist);
}

TEST(SummaryChart, BarsLegendAndWidth)
{
    site s;
    // 1,382,400,000 Rx bytes over two days fill a 64000 bit/s channel
    s.write("sumout.dat", record(D0, 0, 5) + record(D0 + 86400, 1, 5) +
                              record(D0 + 172800, 1382400000u, 5));
    auto page = runcgi(s, "action=sumtotalload&days=3&datefrom=05/12/2026&hgrid=&vgrid=").page;
    EXPECT_NE(page.find(imgof(s.read("quorlinkout.gif"))), std::string::npos);
    chart c(s.read("quorlinkout.gif"));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.width(), 400);
    EXPECT_EQ(palette(s.read("quorlinkout.gif")), "0000ff ffffff ff0000 ffff00 ");
    EXPECT_EQ(c.runs(60, "red"), "10-288");
    EXPECT_EQ(c.runs(120, "red"), "10-288");
    EXPECT_EQ(c.at(59, 200), "blue");
    // Tx did not move: a bar two rows high
    EXPECT_EQ(c.runs(140, "yellow"), "287-288");
    EXPECT_EQ(c.runs(200, "yellow"), "287-288");
    // legend boxes
    EXPECT_EQ(c.count(245, 23, 253, 31, "red"), 81);
    EXPECT_EQ(c.count(245, 38, 253, 46, "yellow"), 81);
    EXPECT_GT(c.count(260, 20, 399, 32, "white"), 50);
    // grid ticks only, from x 8 to 12; no hour marks
    for (int y = 10; y <= 262; y += 28) {
        EXPECT_EQ(c.count(8, y, 12, y, "white"), 5) << y;
        EXPECT_EQ(c.count(125, y, 135, y, "white"), 0) << y;
    }
}

TEST(SummaryChart, WidthGrowsWithDaysAndCountersWrap)
{
    site s;
    std::string log;
    // a counter that wraps past its 32-bit end on the way: 13 days of 1% each
    uint32_t rx = 0xFFFFFFFFu - 40000000u;
    for (int d = 0; d < 13; d++, rx += 6912000u)
        log += record(D0 + 86400u * d, rx, 0);
    s.write("sumout.dat", log);
    runcgi(s, "action=sumtotalload&days=20&datefrom=05/12/2026");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.width(), 420);
    // 1% is 278/100 = 2 rows
    EXPECT_EQ(c.runs(60, "red"), "286-288");
}

// 10% of the channel every day (69,120,000 bytes at 64000 bit/s): a device
// that restarted counts what it counted since, and a missing day spreads
// the traffic of the two days over both. 10% is 27 rows.
TEST(SummaryChart, RestartsAndMissingDays)
{
    site s;
    const uint32_t day = 69120000;
    s.write("sumout.dat", record(D0, 3000000000u, 0) + record(D0 + 86400, 3000000000u + day, 0) +
                              record(D0 + 2 * 86400, day, 0) + record(D0 + 3 * 86400, 2 * day, 0));
    runcgi(s, "action=sumtotalload&days=4&datefrom=05/12/2026");
    chart r(s.read("quorlinkout.gif"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.runs(60, "red"), "261-288");
    s.write("sumout.dat", record(D0, 0, 0) + record(D0 + 86400, day, 0) +
                              record(D0 + 3 * 86400, 3 * day, 0) + record(D0 + 4 * 86400, 4 * day, 0));
    runcgi(s, "action=sumtotalload&days=4&datefrom=05/12/2026");
    chart g(s.read("quorlinkout.gif"));
    ASSERT_TRUE(g.ok());
    EXPECT_EQ(g.runs(60, "red"), "261-288");
}

TEST(SummaryChart, PercentFollowsTheBandwidth)
{
    site s;
    s.write("quorlink.cfg", "bandwidth=2000000\n");
    // a 2 Mbit/s day is 21,600,000,000 bytes: 1,350,000,000 a day is 6.25%
    s.write("sumout.dat", record(D0, 0, 0) + record(D0 + 86400, 1350000000u, 0));
    runcgi(s, "action=sumtotalload&days=2&datefrom=05/12/2026");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_TRUE(c.ok());
    // 6% gives 16 rows: 272 to 288, where the fixed divisor would give 195%
    EXPECT_EQ(c.runs(60, "red"), "272-288");
}

TEST(ChartFile, ReplacedWholeOrLeftAlone)
{
    site s;
    s.write("vornout.dat", loadlog({1000, 2000}));
    s.write("quorlink.cfg", "outpath=charts\\load.gif\noutvirtpath=/c/<x>.gif\n");
    s.write("charts/load.gif", "previous");
    // the page holds the chart written at outpath; the address of that file
    // is no part of it
    auto page = runcgi(s, "").page;
    EXPECT_NE(page.find(imgof(s.read("charts/load.gif"))), std::string::npos) << page;
    EXPECT_EQ(page.find("/c/"), std::string::npos) << page;
    chart c(s.read("charts/load.gif"));
    EXPECT_TRUE(c.ok());
    EXPECT_EQ(files(s), "charts histout.dat histout.lck quorlink.cfg vornout.dat");
    // a chart that cannot be put in place: the page says so and shows no image
    s.write("quorlink.cfg", "outpath=charts\\load.gif\\x\n");
    std::string before = s.read("charts/load.gif");
    page = runcgi(s, "").page;
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("<p>Access denided !</p><p>The folder charts\\load.gif\\ of the chart "
                        "file x is not there.</p></body></html>"),
              std::string::npos)
        << page;
    EXPECT_EQ(s.read("charts/load.gif"), before);
    site t;
    t.write("vornout.dat", loadlog({1000, 2000}));
    t.write("quorlink.cfg", "outpath=chartdir\n");
    t.write("chartdir/keep", "x");
    auto r = runcgi(t, "");
    EXPECT_EQ(r.page.find("<img"), std::string::npos);
    EXPECT_EQ(files(t), "chartdir histout.dat histout.lck quorlink.cfg vornout.dat");
    // the server's log says it is a folder; waiting would not mend that, and
    // the Windows program gives up at its first try (wine's trace of its calls)
    EXPECT_NE(r.err.find(launched() ? "chartdir: Is a folder" : "chartdir: Is a directory"),
              std::string::npos) << r.err;
    if (launched()) {
        cgiopts traced;
        traced.compare = false;
        traced.anystderr = true;
        traced.env = {"QUORLINK_WINEDEBUG=-all,+relay"};
        std::string calls = runcgi(t, "", traced).err;
        auto count = [&](const std::string &what) {
            size_t n = 0;
            for (size_t at = calls.find(what); at != std::string::npos; at = calls.find(what, at + 1))
                n++;
            return n;
        };
        EXPECT_EQ(count("Call KERNEL32.MoveFileExW("), 1u);
        EXPECT_EQ(count("Call KERNEL32.Sleep("), 0u);
    }
}

TEST(SummaryChart, BusyMonthWrapsTheCountersMoreThanOnce)
{
    site s;
    // half of a 64000 bit/s day is 345,600,000 bytes: 30 days wrap 32 bits twice
    std::string log;
    uint32_t rx = 0, tx = 0;
    for (int d = 0; d < 31; d++, rx += 345600000u, tx += 69120000u)
        log += record(D0 + 86400u * d, rx, tx);
    s.write("sumout.dat", log);
    runcgi(s, "action=sumtotalload&days=31&datefrom=05/12/2026");
    chart c(s.read("quorlinkout.gif"));
    ASSERT_TRUE(c.ok());
    // 50% is 139 rows, 10% is 27
    EXPECT_EQ(c.runs(60, "red"), "149-288");
    EXPECT_EQ(c.runs(140, "yellow"), "261-288");
}

// Periods across the archived logs, the figures of a period, and the
// answers for programs (CSV, JSON, metrics), driven as a web server drives
// the program.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <regex>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;   // Sat Dec 05 00:00:00 2026 UTC
static const std::string tail = "</body></html>";

static std::string logline(const char *log = "logs/vornout.dat")
{
    return "<p>Log file name: " + std::string(log) + "<br>Channel Bandwidth: 64000<br><br></p>";
}

// Records every two minutes from D0 + 120 * first, half the channel
// received and a quarter sent; counters from start.
static std::string steady(int first, int count, uint32_t rx0 = 0)
{
    std::string log;
    for (int i = first; i < first + count; i++)
        log += record(D0 + 120u * i, rx0 + 480000u * i, 240000u * i);
    return log;
}

static int lines(const std::string &text)
{
    return (int)std::count(text.begin(), text.end(), '\n');
}

// The current log and three archives of a rotation (one gzipped, two that
// both hold a record at the same time), an xz archive that is named, and
// names that are no archive of the log; the counter wraps on the way.
TEST(Period, ArchivesMergedInTimeOrder)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    const uint32_t rx0 = 0xFFFFFFFFu - 7000000u;   // wraps in the second archive
    s.write("logs/vornout.dat-20261204", steady(0, 10, rx0));
    gzipped(s, "logs/vornout.dat.1.gz", steady(9, 11, rx0));
    s.write("logs/vornout.dat", steady(20, 10, rx0));
    s.write("logs/vornout.dat.3.xz", std::string("\xFD" "7zXZ\0\0\x04", 8));
    s.write("logs/vornout.datx", record(D0 + 60, 1, 1) + record(D0 + 61, 2, 2));
    s.write("logs/vornout.dat.", record(D0 + 62, 1, 1));
    s.write("logs/other.dat", record(D0 + 63, 1, 1));
    // a folder that a name of the pattern takes is no log
    s.write("logs/vornout.dat.old/vornout.dat", record(D0 + 64, 1, 1));

    auto r = runcgi(s, "action=rxloaddyn&from=05/12/2026");
    const std::string notread = "<p>Not read: vornout.dat.3.xz (compressed with xz, which is not read).</p>";
    EXPECT_EQ(r.page, pagehead + logline() + notread + imgof(s.read("quorlinkout.gif")) + tail);
    std::string want;
    for (uint32_t i = 1; i < 30; i++)
        want += std::to_string(D0 + 120 * i) + " " + std::to_string(rx0 + 480000u * i) + " 480000 " +
                std::to_string(240000u * i) + " 240000\n";
    EXPECT_EQ(s.read("histout.dat"), want);

    // without a period the current log alone, as ever
    runcgi(s, "action=rxloaddyn");
    EXPECT_EQ(lines(s.read("histout.dat")), 9);
    // a log asked for by name is read alone, its period too
    runcgi(s, "action=rxloaddyn&logfile=vornout.dat.1.gz&from=05/12/2026+00:30");
    EXPECT_EQ(lines(s.read("histout.dat")), 5);
}

TEST(Period, BoundsHoursAndRefusals)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/.keep", "");
    std::string cmd = std::string(GENLOG_BIN) + " --count 721 --load 0.5 --start " + std::to_string(D0) +
                      " > " + s.path("logs/vornout.dat");
    ASSERT_EQ(system(cmd.c_str()), 0);
    auto first = [&] { return s.read("histout.dat").substr(0, 10); };
    // from <= t < to, in UTC
    runcgi(s, "from=05/12/2026+10:00&to=05/12/2026+11:00");
    EXPECT_EQ(lines(s.read("histout.dat")), 30);
    EXPECT_EQ(first(), std::to_string(D0 + 36000));
    runcgi(s, "to=05/12/2026+01:00");
    EXPECT_EQ(lines(s.read("histout.dat")), 29);   // the first record only seeds
    // the last hour up to the newest record, 00:00 the next day
    runcgi(s, "hours=1");
    EXPECT_EQ(lines(s.read("histout.dat")), 30);
    EXPECT_EQ(first(), std::to_string(D0 + 86400 - 3600 + 120));
    auto none = runcgi(s, "from=01/01/2030");
    EXPECT_EQ(none.page, pagehead + logline() + "<p>The logs hold no record in that period.</p>" + tail);

    const std::string form = " is not a date in the form dd/mm/yyyy or dd/mm/yyyy hh:mm, in UTC.</p>";
    const std::pair<const char *, std::string> refused[] = {
        {"from=5/12/2026", "<p>The period's start (from=)" + form},
        {"from=31/11/2026", "<p>The period's start (from=)" + form},
        {"to=05/12/2026+24:00", "<p>The period's end (to=)" + form},
        {"to=05/12/2026%2010:00x", "<p>The period's end (to=)" + form},
        {"hours=0", "<p>The number of hours (hours=) is not a whole number from 1 up.</p>"},
        {"hours=1.5", "<p>The number of hours (hours=) is not a whole number from 1 up.</p>"},
    };
    const std::string before = s.read("histout.dat");
    for (auto &[q, sentence] : refused) {
        auto r = runcgi(s, q);
        EXPECT_EQ(r.page, pagehead + logline() + sentence + tail) << q;
        EXPECT_EQ(s.read("histout.dat"), before) << q;
    }
    // names that hold the new ones are not them; the lookup takes no period
    for (const char *q : {"datefrom=01/01/2030", "xfrom=01/01/2030&auto=01/01/2030",
                          "action=totalload&time=12:00&from=01/01/2030"}) {
        auto r = runcgi(s, q);
        EXPECT_EQ(r.page.find("period"), std::string::npos) << q;
    }
}

// What tells that a log lies wholly before the period is the first record
// of the log after it: the rest of it is never read, so a log cut short
// further on does not fail a period that starts after it.
TEST(Period, LogsOutsideThePeriodNotReadPastTheirStart)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    gzipped(s, "logs/vornout.dat.2.gz", steady(0, 2000));
    const std::string gz = s.read("logs/vornout.dat.2.gz");
    s.write("logs/vornout.dat.2.gz", gz.substr(0, gz.size() - 200));
    s.write("logs/vornout.dat.1", steady(2000, 100));
    s.write("logs/vornout.dat", steady(2100, 100));
    auto r = runcgi(s, "from=08/12/2026");   // record 2160
    EXPECT_NE(r.page.find("<img"), std::string::npos) << r.page;
    EXPECT_EQ(lines(s.read("histout.dat")), 40);
    // a period that needs the cut log has what could be read of it, and
    // says where it was cut: the records from 1440 to the cut, then those
    // from 2000 on
    r = runcgi(s, "from=07/12/2026");        // record 1440, in the cut log
    static const std::regex cut("<p>Not read: vornout.dat.2.gz \\(compressed data cut short; read "
                                "up to its record of Mon 07 Dec 2026 (\\d\\d):(\\d\\d) UTC\\)\\.</p>");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.page, m, cut)) << r.page.substr(0, 400);
    const int lastread = (std::stoi(m[1]) * 60 + std::stoi(m[2])) / 2;   // of the day's 720
    EXPECT_GT(lastread, 400);
    EXPECT_EQ(lines(s.read("histout.dat")), lastread + 1 + (2200 - 2000));
    EXPECT_NE(r.page.find("<img"), std::string::npos);
    EXPECT_NE(r.err.find("quorlink: logs/vornout.dat.2.gz: compressed data cut short"),
              std::string::npos) << r.err;
}

// 40 intervals of 120 s whose Rx bytes are 1000, 2000, ... 40000, and 500
// sent each: two rates set aside (floor(40 * 5 / 100)), the 95th percentile
// is the 38th, 38000 * 8 / 120 bit/s.
TEST(Figures, ExactFromEveryInterval)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string log;
    uint32_t rx = 0;
    for (uint32_t i = 0; i <= 40; i++) {
        rx += 1000 * i;
        log += record(D0 + 120 * i, rx, 500 * i);
    }
    s.write("logs/vornout.dat", log);
    auto json = runcgi(s, "action=usage&format=json").page;
    const std::string figures =
        "\"figures\":{\"first\":\"2026-12-05T00:00:00Z\",\"last\":\"2026-12-05T01:20:00Z\","
        "\"intervals\":40,\"gaps\":0,\"gap_seconds\":0,\"restarts\":0,\"wraps\":0,\"over_capacity\":0,"
        "\"rx\":{\"bytes\":820000,\"average_bps\":1366.667,\"peak_bps\":2666.667,"
        "\"peak_time\":\"2026-12-05T01:20:00Z\",\"p95_bps\":2533.333,\"average_percent\":2.135,"
        "\"peak_percent\":4.167,\"p95_percent\":3.958},"
        "\"tx\":{\"bytes\":20000,\"average_bps\":33.333,\"peak_bps\":33.333,"
        "\"peak_time\":\"2026-12-05T00:02:00Z\",\"p95_bps\":33.333,\"average_percent\":0.052,"
        "\"peak_percent\":0.052,\"p95_percent\":0.052},"
        "\"total\":{\"bytes\":840000,\"average_bps\":1400,\"peak_bps\":2700,"
        "\"peak_time\":\"2026-12-05T01:20:00Z\",\"p95_bps\":2566.667,\"average_percent\":2.188,"
        "\"peak_percent\":4.219,\"p95_percent\":4.01}},\"not_read\":[],\"warnings\":[]}\n";
    EXPECT_NE(json.find(figures), std::string::npos) << json;

    // more intervals than the rates kept at once, every rate twice and in
    // no order: the percentile is still the one a sort of them all gives
    s.write("quorlink.cfg", "logpath=logs/\nbandwidth=1000000\n");
    const uint32_t n = 90000;
    std::vector<uint32_t> bytes(n);
    log = record(D0, 0, 0);
    rx = 0;
    for (uint32_t i = 0; i < n; i++) {
        bytes[i] = 15 * (i * 7919 % 45000);
        rx += bytes[i];   // wraps, which the channel could carry
        log += record(D0 + 120 * (i + 1), rx, 0);
    }
    s.write("logs/vornout.dat", log);
    std::sort(bytes.begin(), bytes.end(), std::greater<uint32_t>());
    const std::string p95 = "\"p95_bps\":" + std::to_string(bytes[n * 5 / 100] * 8 / 120) + ",";
    json = runcgi(s, "action=usage&format=json").page;
    EXPECT_NE(json.find("\"rx\":{\"bytes\":"), std::string::npos) << json;
    EXPECT_NE(json.find(p95, json.find("\"rx\":{")), std::string::npos) << p95 << " in " << json;
    s.write("quorlink.cfg", "logpath=logs/\n");

    // a gap of ten minutes, a restart and a wrap of the Tx counter: each
    // counted once, the gap's length with it
    s.write("logs/vornout.dat", record(D0, 100, 0xFFFFFF00u) + record(D0 + 120, 200, 0x100) +
                                    record(D0 + 840, 300, 0x200) + record(D0 + 960, 50, 60));
    json = runcgi(s, "action=usage&format=json").page;
    EXPECT_NE(json.find("\"intervals\":3,\"gaps\":1,\"gap_seconds\":720,\"restarts\":1,\"wraps\":1,"),
              std::string::npos) << json;
    // the page says it in words
    auto page = runcgi(s, "action=usage").page;
    EXPECT_NE(page.find("3 intervals, from the record of Sat 05 Dec 2026 00:00 UTC to that of Sat "
                        "05 Dec 2026 00:16 UTC; 1 gap (0 h 12 min in all), 1 restart, 1 wrap."),
              std::string::npos) << page;
    EXPECT_NE(runcgi(s, "action=usage&from=01/01/2030").page.find(
                  "<p>The logs hold no record in that period.</p>"),
              std::string::npos);
}

// Data answers draw nothing, write nothing and take no lock: one runs while
// another request holds the lock.
TEST(Data, NoChartNoFileNoLock)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", steady(0, 4));
    s.write("histout.dat", "the last request's\n");
    s.write("histout.lck", "");
    int fd = -1;
    holder h;
    if (launched())
        h = holdfile(s, "lock", "histout.lck");
    else {
        fd = open(s.path("histout.lck").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_EQ(flock(fd, LOCK_EX), 0);
    }
    cgiopts o;
    o.compare = false;
    auto r = runcgi(s, "action=rxloaddyn&format=csv", o);
    if (launched())
        letgo(h);
    else
        close(fd);
    EXPECT_EQ(r.page, "Content-Type: text/csv; charset=utf-8\n"
                      "Content-Disposition: attachment; filename=\"vornout.dat-intervals.csv\"\n"
                      "Cache-Control: no-store\n\n"
                      "time,seconds,rx_bytes,tx_bytes,rx_bps,tx_bps\r\n"
                      "2026-12-05T00:02:00Z,120,480000,240000,32000,16000\r\n"
                      "2026-12-05T00:04:00Z,120,480000,240000,32000,16000\r\n"
                      "2026-12-05T00:06:00Z,120,480000,240000,32000,16000\r\n");
    EXPECT_EQ(s.read("histout.dat"), "the last request's\n");
    EXPECT_FALSE(s.exists("quorlinkout.gif"));
}

TEST(Data, EveryAnswerAndItsFailures)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", steady(0, 3));
    s.write("logs/sumout.dat", record(D0, 0, 0) + record(D0 + 86400, 345600000, 6912000) +
                                   record(D0 + 2 * 86400, 345600001, 6912000));
    const std::string json = "Content-Type: application/json\nCache-Control: no-store\n\n";
    const std::string head = "{\"log\":\"logs/vornout.dat\",\"bandwidth_bps\":64000,\"interval_s\":120,";
    EXPECT_EQ(runcgi(s, "format=json&from=05/12/2026+00:03").page,
              json + head + "\"from\":\"2026-12-05T00:03:00Z\",\"to\":null,\"intervals\":["
                            "{\"time\":\"2026-12-05T00:04:00Z\",\"seconds\":120,\"rx_bytes\":480000,"
                            "\"tx_bytes\":240000}],\"not_read\":[],\"warnings\":[]}\n");
    EXPECT_EQ(runcgi(s, "action=totalload&time=00:07&format=json").page,
              json + head + "\"from\":null,\"to\":null,\"counters\":{\"time\":\"2026-12-05T00:04:00Z\","
                            "\"rx\":960000,\"tx\":480000},\"not_read\":[],\"warnings\":[]}\n");
    EXPECT_EQ(runcgi(s, "action=totalload&time=12:00&format=json").page,
              json + head + "\"from\":null,\"to\":null,\"counters\":null,\"not_read\":[],\"warnings\":[]}\n");
    // a day is dated by its record and counts to the next day's: half, then
    // a byte, of a 64000 bit/s day
    EXPECT_EQ(runcgi(s, "action=sumtotalload&datefrom=05/12/2026&days=5&format=csv").page,
              "Content-Type: text/csv; charset=utf-8\n"
              "Content-Disposition: attachment; filename=\"sumout.dat-days.csv\"\n"
              "Cache-Control: no-store\n\n"
              "date,rx_bytes,tx_bytes,rx_percent,tx_percent\r\n"
              "2026-12-05,345600000,6912000,50,1\r\n"
              "2026-12-06,1,0,0,0\r\n");

    // what cannot be answered says so, in the format asked for
    auto r = runcgi(s, "to=32/12/2026&format=json");
    EXPECT_EQ(r.page, "Status: 400 Bad Request\n" + json +
                          "{\"error\":\"The period's end (to=) is not a date in the form dd/mm/yyyy "
                          "or dd/mm/yyyy hh:mm, in UTC.\",\"not_read\":[],\"warnings\":[]}\n");
    // a period that ends before it starts is no period either
    r = runcgi(s, "from=06/12/2026&to=05/12/2026+23:00&format=csv");
    EXPECT_EQ(r.page, "Status: 400 Bad Request\nContent-Type: text/csv; charset=utf-8\n"
                      "Cache-Control: no-store\n\nerror\r\nThe period's end (to=) is not after its "
                      "start (from=).\r\n");
    EXPECT_NE(r.err.find("quorlink: query: The period's end (to=) is not after"), std::string::npos) << r.err;
    r = runcgi(s, "logfile=gone.dat&format=csv");
    EXPECT_EQ(r.page, "Status: 404 Not Found\nContent-Type: text/csv; charset=utf-8\n"
                      "Cache-Control: no-store\n\nerror\r\nThe log gone.dat is not in the log folder.\r\n");
    EXPECT_EQ(complainedof(r.err), "quorlink: logs/gone.dat\n");
    r = runcgi(s, "logfile=..%2Fx&format=json");
    EXPECT_EQ(r.page.substr(0, 24), "Status: 400 Bad Request\n");
    r = runcgi(s, "format=xml");
    EXPECT_EQ(r.page, "Status: 400 Bad Request\nContent-Type: text/plain; charset=utf-8\n"
                      "Cache-Control: no-store\n\nformat= takes csv or json.\n");
}

// The intervals summed into steps from the Unix epoch: an interval goes to
// the step of the record that ends it, its peak is its highest interval
// rate, the first reached; a step the log has no interval in is not
// written. Records every two minutes from D0, a minute of twice the rate
// and a gap of ten minutes on the way.
TEST(Data, Steps)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string log = record(D0, 0, 0);
    uint32_t rx = 0, tx = 0;
    for (uint32_t i = 1; i <= 32; i++) {
        rx += i == 5 ? 960000 : 480000;
        tx += i == 7 ? 250000 : 240000;
        log += record(i < 32 ? D0 + 120 * i : D0 + 4320, rx, tx);
    }
    s.write("logs/vornout.dat", log);
    const std::string csv = "Content-Type: text/csv; charset=utf-8\n"
                            "Content-Disposition: attachment; filename=\"vornout.dat-steps.csv\"\n"
                            "Cache-Control: no-store\n\n"
                            "time,seconds,rx_bytes,tx_bytes,rx_peak_bps,tx_peak_bps\r\n";
    EXPECT_EQ(runcgi(s, "action=rxloaddyn&step=3600&format=csv").page,
              csv + "2026-12-05T00:00:00Z,3480,14400000,6970000,64000,16666.667\r\n"
                    "2026-12-05T01:00:00Z,840,1440000,720000,32000,16000\r\n");
    // in a period, from its first interval; the log's own interval is step enough
    EXPECT_EQ(runcgi(s, "step=1800&from=05/12/2026+00:30&to=05/12/2026+01:10&format=json").page,
              "Content-Type: application/json\nCache-Control: no-store\n\n"
              "{\"log\":\"logs/vornout.dat\",\"bandwidth_bps\":64000,\"interval_s\":120,\"step_s\":1800,"
              "\"from\":\"2026-12-05T00:30:00Z\",\"to\":\"2026-12-05T01:10:00Z\",\"steps\":["
              "{\"time\":\"2026-12-05T00:30:00Z\",\"seconds\":1800,\"rx_bytes\":7200000,"
              "\"tx_bytes\":3600000,\"rx_peak_bps\":32000,\"tx_peak_bps\":16000},"
              "{\"time\":\"2026-12-05T01:00:00Z\",\"seconds\":240,\"rx_bytes\":960000,"
              "\"tx_bytes\":480000,\"rx_peak_bps\":32000,\"tx_peak_bps\":16000}],\"not_read\":[],"
              "\"warnings\":[]}\n");
    auto r = runcgi(s, "step=120&format=csv&to=05/12/2026+00:05");
    EXPECT_EQ(r.page.substr(r.page.find("\n\n")), csv.substr(csv.find("\n\n")) +
                                                    "2026-12-05T00:02:00Z,120,480000,240000,32000,16000\r\n"
                            "2026-12-05T00:04:00Z,120,480000,240000,32000,16000\r\n");

    // shorter than the log's interval, or no whole number of seconds
    for (const char *step : {"60", "119", "0", "120.5", "2e3", "-3600", "abc", "1000000000"}) {
        const std::string query = std::string("format=json&step=") + step;
        EXPECT_EQ(runcgi(s, query.c_str()).page,
                  "Status: 400 Bad Request\nContent-Type: application/json\nCache-Control: no-store\n\n"
                  "{\"error\":\"The step (step=) is not a whole number of seconds from the log's "
                  "interval (qtime=) up.\",\"not_read\":[],\"warnings\":[]}\n") << step;
    }
    // the answers that take no step, and the pages, are as without it
    for (const char *query : {"action=usage&format=json", "action=sumtotalload&format=csv",
                              "action=rxloaddyn", "action=usage"}) {
        const std::string with = std::string(query) + "&step=60";
        EXPECT_EQ(runcgi(s, with.c_str()).page, runcgi(s, query).page) << query;
    }
}

// The metrics of the channel: what it carried since the current log's first
// record, counted across wraps as the figures count it, the device's own
// counters, and what an alert needs.
TEST(Data, Metrics)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\nbandwidth=2000000\n");
    // thirty megabytes an interval fill a 2 Mbit/s channel; the Rx counter
    // wraps, and a record is later than the next one, which is passed over
    s.write("logs/vornout.dat", record(D0, 4294000000u, 1) + record(D0 + 120, 5000000, 7500001) +
                                    record(D0 + 60, 1, 1) + record(D0 + 240, 5000001, 7500002));
    auto r = runcgi(s, "action=metrics&logfile=other.dat");
    EXPECT_EQ(r.page.rfind("Content-Type: text/plain; version=0.0.4\nCache-Control: no-store\n\n", 0), 0u);
    auto value = [&](const std::string &name) {
        const size_t at = r.page.find("\n" + name + " ");
        return at == std::string::npos ? std::string("(none)")
                                       : r.page.substr(at + name.size() + 2,
                                                       r.page.find('\n', at + 1) - at - name.size() - 2);
    };
    EXPECT_EQ(value("quorlink_receive_bytes_total"), "5967297");   // 967297 to the wrap, 5000000 past it
    EXPECT_EQ(value("quorlink_transmit_bytes_total"), "7500001");
    EXPECT_EQ(value("quorlink_device_receive_bytes"), "5000001");
    EXPECT_EQ(value("quorlink_device_transmit_bytes"), "7500002");
    EXPECT_EQ(value("quorlink_last_record_timestamp_seconds"), "1796429040");
    EXPECT_EQ(value("quorlink_records_out_of_order"), "1");
    EXPECT_EQ(value("quorlink_warnings"), "1");
    EXPECT_EQ(value("quorlink_capacity_exceeded"), "0");
    EXPECT_EQ(value("quorlink_bandwidth_bytes_per_second"), "250000");
    EXPECT_EQ(value("quorlink_interval_seconds"), "120");
    EXPECT_EQ(value("quorlink_receive_load_ratio"), "0.166667");
    EXPECT_EQ(value("quorlink_transmit_load_ratio"), "0.250000");
    EXPECT_NE(r.page.find("# TYPE quorlink_receive_bytes_total counter\n"), std::string::npos);
    EXPECT_NE(r.page.find("# TYPE quorlink_device_receive_bytes gauge\n"), std::string::npos);
    // a bandwidth of no whole bytes, and one past what a counter holds in
    // an interval
    s.write("quorlink.cfg", "logpath=logs/\nbandwidth=300000004\n");
    r = runcgi(s, "action=metrics");
    EXPECT_EQ(value("quorlink_bandwidth_bytes_per_second"), "37500000.5");
    EXPECT_EQ(value("quorlink_capacity_exceeded"), "1");
    // a target that cannot be scraped is down, and says why
    for (const auto &[log, why] : {std::pair<const char *, const char *>{"", "The log is empty."},
                                   {"time,rx\n1,2\n", "The log holds no record in the device's format."}}) {
        s.write("logs/vornout.dat", log);
        EXPECT_EQ(runcgi(s, "action=metrics").page,
                  std::string("Status: 503 Service Unavailable\nContent-Type: text/plain; charset=utf-8\n"
                              "Cache-Control: no-store\n\n") + why + "\n");
    }
    s.write("quorlink.cfg", "logpath=nowhere/\n");
    EXPECT_EQ(runcgi(s, "action=metrics").page.substr(0, 32), "Status: 503 Service Unavailable\n");
}

// Input the program doubts, as an operator meets it: a settings typo, a
// unit, a firmware that writes another record, a clock that jumps, a
// counter set. Each is said on the page, in JSON, in CSV's header and in
// the server's log, with what was taken instead; the numbers are those of
// the design's rules.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;   // Sat Dec 05 00:00:00 2026 UTC

static std::string steady(int count, uint32_t t0 = D0, uint32_t step = 480000)
{
    std::string log;
    for (int i = 0; i < count; i++)
        log += record(t0 + 120u * i, step * i, step / 2 * i);
    return log;
}

// The notes of a page, of a JSON answer and of a CSV answer's header.
static std::vector<std::string> pagenotes(const std::string &page)
{
    std::vector<std::string> notes;
    static const std::regex note("<p>Warning: (.*?)</p>");
    for (std::sregex_iterator i(page.begin(), page.end(), note), end; i != end; ++i)
        notes.push_back((*i)[1]);
    return notes;
}

static std::string jsonwarnings(const std::string &answer)
{
    const size_t at = answer.rfind(",\"warnings\":[");
    return at == std::string::npos ? "(none)" : answer.substr(at + 13, answer.size() - at - 16);
}

static std::vector<std::string> csvwarnings(const std::string &answer)
{
    std::vector<std::string> lines;
    const std::string head = answer.substr(0, answer.find("\n\n"));
    static const std::regex warning("(^|\n)Quorlink-Warning: ([^\n]*)");
    for (std::sregex_iterator i(head.begin(), head.end(), warning), end; i != end; ++i)
        lines.push_back((*i)[2]);
    return lines;
}

TEST(Doubts, SettingsAreCheckedAsTheyAreRead)
{
    site s;
    s.write("logs/vornout.dat", steady(31));
    struct settingcase {
        const char *cfg;
        unsigned bandwidth;       // what the page says it took
        std::vector<std::string> notes;
    };
    const std::vector<settingcase> cases = {
        {"logpath=logs/\nqtime=120\nbandwith=2000000\n", 64000,
         {"quorlink.cfg: bandwith=2000000 (line 3) is no setting of this program (did you mean "
          "bandwidth=?): the channel&#39;s bandwidth is the default 64000 bit/s."}},
        {"logpath=logs/\nbandwidht=2000000\nbandwidth=2 Mbit/s\n", 2000000,
         {"quorlink.cfg: bandwidht=2000000 (line 2) is no setting of this program (did you mean "
          "bandwidth=?): the channel&#39;s bandwidth is 2000000 bit/s."}},
        {"logpth=logs/\n", 64000,
         {"quorlink.cfg: logpth=logs/ (line 1) is no setting of this program (did you mean "
          "logpath=?): the logs are read from the working folder."}},
        // an operator's note is no setting, however it reads
        {"# bandwidth=64000 was the old line\nlogpath=logs/\nbandwidth=64k\n", 64000, {}},
        {"logpath=logs/\nqtime=10\nbandwidth=1.5 Gbit/s\n ; colour=blue\n", 1500000000, {}},
        {"logpath=logs/\nbandwidth=2000000\nbandwidth=64000\n", 2000000,
         {"quorlink.cfg: bandwidth= is given again on line 3 with another value (64000): line 2 "
          "is taken, so the channel&#39;s bandwidth is 2000000 bit/s."}},
        {"logpath=logs/\nbandwidth=2 Mbps/s\n", 64000,
         {"quorlink.cfg: bandwidth=2 Mbps/s (line 2) is not a bandwidth this program reads (such "
          "as 64000, 64k, 2 Mbit/s or 1G): the channel&#39;s bandwidth is the default 64000 bit/s."}},
        {"logpath=logs/\nqtime=2m\ncolour=blue\nbandwidth = 1M\n", 64000,
         {"quorlink.cfg: qtime=2m (line 2) is not a whole number of seconds: the interval is "
          "taken as 2 seconds.",
          "quorlink.cfg: colour=blue (line 3) is no setting of this program: it is passed over.",
          "quorlink.cfg: bandwidth = 1M (line 4) is not read: a setting has no blank before its "
          "&quot;=&quot; (bandwidth=...); the channel&#39;s bandwidth is the default 64000 bit/s."}},
        {"logpath=logs/\nqtime=-60\n", 64000,
         {"quorlink.cfg: qtime=-60 (line 2) is no interval: the default 120 seconds is taken."}},
        // 300 Mbit/s for 120 s is more than 2^32 bytes
        {"logpath=logs/\nbandwidth=300M\n", 300000000,
         {"quorlink.cfg: the channel carries up to 4500000000 bytes between two records "
          "(bandwidth 300000000 bit/s, qtime=120), more than the 4294967296 a 32-bit counter "
          "holds: a counter that wraps twice between two records counts 4294967296 bytes short, "
          "which no rule can see."}},
    };
    for (const auto &c : cases) {
        s.write("quorlink.cfg", c.cfg);
        auto r = runcgi(s, "action=rxloaddyn");
        EXPECT_EQ(pagenotes(r.page), c.notes) << c.cfg;
        EXPECT_NE(r.page.find("Channel Bandwidth: " + std::to_string(c.bandwidth) + "<br>"),
                  std::string::npos)
            << c.cfg << r.page.substr(0, 600);
        // the notes stand at the top, before the log's name
        if (!c.notes.empty()) {
            EXPECT_EQ(r.page.find("<p>Warning: "), pagehead.size()) << c.cfg;
        }
        // one line each for the operator
        std::istringstream err(r.err);
        size_t told = 0;
        for (std::string line; std::getline(err, line);)
            told += line.rfind("quorlink: quorlink.cfg: ", 0) == 0;
        EXPECT_EQ(told, c.notes.size()) << c.cfg << r.err;
        // the same in the data answers
        auto json = runcgi(s, "action=usage&format=json").page;
        auto csv = runcgi(s, "format=csv").page;
        EXPECT_EQ(csvwarnings(csv).size(), c.notes.size()) << c.cfg << csv.substr(0, 800);
        EXPECT_EQ(jsonwarnings(json) == "", c.notes.empty()) << c.cfg << json;
        if (!c.notes.empty() && !csvwarnings(csv).empty()) {
            EXPECT_EQ(csvwarnings(csv)[0].substr(0, 30), std::string(c.notes[0]).substr(0, 30));
        }
    }
    // a table is what a CSV reader wants: its body is the table whole
    s.write("quorlink.cfg", "logpath=logs/\nbandwith=1\n");
    auto csv = runcgi(s, "format=csv").page;
    EXPECT_EQ(csv.substr(csv.find("\n\n") + 2, 44), "time,seconds,rx_bytes,tx_bytes,rx_bps,tx_bps");
}

// A firmware that writes one line more per record: the values are taken as
// ever (the 4th and 10th lines), and the answer says they are not the
// device's labels.
TEST(Doubts, LogFormatAndNoRecords)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string log;
    for (int i = 0; i < 5; i++) {
        std::string r = record(D0 + 120 * i, 1000 * i, 500 * i);
        r.insert(r.find("speed:"), "model: VORN-NX2\n");
        log += r;
    }
    s.write("logs/vornout.dat", log);
    const std::vector<std::string> notes = {
        "vornout.dat: the 4th line after time= reads &#39;speed: 64000&#39;, not &#39;Rx bytes: "
        "N&#39;: is this the device&#39;s log? (5 of 5 records)",
        "vornout.dat: the 10th line after time= reads &#39;Tx errors: 0&#39;, not &#39;Tx bytes: "
        "N&#39;: is this the device&#39;s log? (5 of 5 records)"};
    auto r = runcgi(s, "action=rxloaddyn");
    EXPECT_EQ(pagenotes(r.page), notes);
    auto json = runcgi(s, "format=json").page;
    EXPECT_NE(json.find("\"rx_bytes\":0,\"tx_bytes\":0"), std::string::npos) << json;
    EXPECT_NE(jsonwarnings(json).find("the 4th line after time= reads 'speed: 64000'"), std::string::npos)
        << json;
    EXPECT_EQ(csvwarnings(runcgi(s, "format=csv").page).size(), 2u);
    // a log of no record: JSON and CSV say why their lists are empty
    s.write("logs/vornout.dat", "time,seconds,rx_bytes\n2026-12-08T00:02:00Z,120,5\n");
    json = runcgi(s, "format=json").page;
    EXPECT_EQ(jsonwarnings(json), "\"vornout.dat: The log holds no record in the device's format.\"");
    // a record the device is still writing is no fault of the format
    s.write("logs/vornout.dat", steady(3) + "time=1796429200\nchannel: 1\n");
    EXPECT_EQ(jsonwarnings(runcgi(s, "format=json").page), "");
}

// A clock set back a year half way, and one time mistyped far ahead: the
// chart draws every record as it always has, the figures and data pass the
// late ones over, and every answer says how many.
TEST(Doubts, RecordsOutOfTimeOrder)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string log;
    for (uint32_t i = 0; i < 20; i++) {
        uint32_t t = D0 + 120 * i;
        if (i >= 12)
            t -= 365 * 86400;   // the clock set back
        if (i == 5)
            t = 2000000000;     // one time typed wrong
        log += record(t, 1000 * i, 500 * i);
    }
    s.write("logs/vornout.dat", log);
    auto json = runcgi(s, "action=usage&format=json").page;
    // records 0 to 4 and 6 to 11 are in order: 10 intervals, the one ahead
    // and the eight after the jump passed over
    EXPECT_NE(json.find("\"intervals\":10,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"last\":\"2026-12-05T00:22:00Z\""), std::string::npos) << json;
    EXPECT_EQ(jsonwarnings(json),
              "\"vornout.dat: 9 records are out of time order (the first dated Wed 18 May 2033 "
              "03:33 UTC, beside records of Sat 05 Dec 2026 00:08 UTC): passed over.\"");
    auto csv = runcgi(s, "format=csv").page;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\r'), 11) << csv;   // the header row and 10
    EXPECT_EQ(csvwarnings(csv).size(), 1u) << csv.substr(0, 600);
    // the chart: a column for each of the 19 lines, as the design has it
    auto page = runcgi(s, "action=rxloaddyn").page;
    chart c(pagechart(page));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.width(), 350);
    const std::string hist = s.read("histout.dat");
    EXPECT_EQ(std::count(hist.begin(), hist.end(), '\n'), 19);
    EXPECT_EQ(pagenotes(page).size(), 1u);
    EXPECT_NE(pagenotes(page)[0].find("9 records are out of time order"), std::string::npos);
    EXPECT_NE(pagenotes(page)[0].find("taken where they stand"), std::string::npos);
    // a period reads the same records in order, the time ahead no end of it
    json = runcgi(s, "format=json&from=05/12/2026").page;
    EXPECT_NE(json.find("\"time\":\"2026-12-05T00:22:00Z\""), std::string::npos) << json;
    EXPECT_EQ(json.find("\"time\":\"2033"), std::string::npos) << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 11) << json;
}

// 3e9 bytes in 120 s on a 2 Mbit/s channel: counted as ever, flagged.
TEST(Doubts, CounterRisesPastTheChannel)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\nbandwidth=2M\n");
    s.write("logs/vornout.dat", record(D0, 0, 0) + record(D0 + 120, 3000000, 0) +
                                    record(D0 + 240, 3003000000u, 0) + record(D0 + 360, 3006000000u, 0));
    auto json = runcgi(s, "action=usage&format=json").page;
    EXPECT_NE(json.find("\"rx\":{\"bytes\":3006000000,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"over_capacity\":1,"), std::string::npos) << json;
    EXPECT_EQ(jsonwarnings(json),
              "\"vornout.dat: 1 interval counted more than the channel can carry (the first to Sat "
              "05 Dec 2026 00:04 UTC, 10000% of it): the bandwidth setting may be too low, or the "
              "counter was set.\"");
    auto page = runcgi(s, "action=usage").page;
    EXPECT_EQ(pagenotes(page).size(), 1u) << page;
}

// The check an operator runs after editing the settings: a line a finding,
// and the exit status of apachectl configtest.
TEST(Doubts, CheckCommand)
{
    // the program under test: the host's own, or another system's through
    // its launcher
    const char *launcher = getenv("QUORLINK_LAUNCHER"), *other = getenv("QUORLINK_PROGRAM");
    const std::string program = launched() ? std::string(launcher) + " " + other : QUORLINK_BIN;
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", steady(31, (uint32_t)time(nullptr) - 30 * 120));
    s.write("logs/sumout.dat", record(D0, 0, 0) + record(D0 + 86400, 5, 5));
    auto run = [&](void) {
        std::string out = s.path("check.out");
        std::string cmd = "cd '" + s.dir + "' && env -u GATEWAY_INTERFACE -u QUERY_STRING " +
                          program + " --check > '" + out + "' 2>&1";
        int rc = system(cmd.c_str());
        // a Windows console's lines end in CR LF
        std::string said = s.read("check.out");
        said.erase(std::remove(said.begin(), said.end(), '\r'), said.end());
        return std::make_pair(WEXITSTATUS(rc), said);
    };
    auto [ok, said] = run();
    EXPECT_EQ(ok, 0) << said;
    EXPECT_NE(said.find("OK: log logs/vornout.dat: 30 intervals"), std::string::npos) << said;
    EXPECT_NE(said.find("\nSUCCESS\n"), std::string::npos) << said;
    s.write("quorlink.cfg", "logpath=logs/\nbandwith=2000000\n");
    auto [warned, told] = run();
    EXPECT_EQ(warned, 1) << told;
    EXPECT_NE(told.find("WARNING: quorlink.cfg: bandwith=2000000 (line 2) is no setting"), std::string::npos);
    EXPECT_NE(told.find("\nWARNINGS: 1 warning\n"), std::string::npos) << told;
    // a log three days old: the device has stopped
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", steady(31, (uint32_t)time(nullptr) - 3 * 86400 - 30 * 120));
    auto [old, stale] = run();
    EXPECT_EQ(old, 1) << stale;
    EXPECT_NE(stale.find("WARNING: vornout.dat: the newest record is 3 days old: is the device still "
                         "writing?"),
              std::string::npos)
        << stale;
    s.write("quorlink.cfg", "logpath=nowhere/\n");
    auto [failed, why] = run();
    EXPECT_EQ(failed, 2) << why;
    EXPECT_NE(why.find("ERROR: The folder nowhere/ of the log vornout.dat is not there.\n"),
              std::string::npos)
        << why;
    EXPECT_NE(why.find("\nFAILED: 1 error"), std::string::npos) << why;
    // a server passes query words as arguments: they never start a check
    std::string cmd = "cd '" + s.dir + "' && GATEWAY_INTERFACE=CGI/1.1 QUERY_STRING=--check " +
                      program + " --check 2>cgi.err | head -c 13";
    FILE *p = popen(cmd.c_str(), "r");
    char head[32] = "";
    ASSERT_TRUE(p);
    EXPECT_TRUE(fgets(head, sizeof head, p));
    pclose(p);
    EXPECT_STREQ(head, "Content-Type:");
}

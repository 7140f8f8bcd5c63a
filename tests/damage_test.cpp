// Periods over archives that are damaged, logs whose clock runs ahead, a
// record still being written, more archives than a reading takes, bounds
// no record has: each answer has what could be read and says what could
// not, never the end of the answer at the first fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;   // Sat Dec 05 00:00:00 2026 UTC

// Records every two minutes from D0 + 120 * first, counters from zero.
static std::string steady(int first, int count, int every = 1)
{
    std::string log;
    for (int i = first; i < first + count; i += every)
        log += record(D0 + 120u * i, 4000u * i, 2000u * i);
    return log;
}

static int rows(const std::string &csv)
{
    return (int)std::count(csv.begin(), csv.end(), '\r') - 1;   // less the header row
}

// The values of a header's lines of that name, a line each.
static std::string header(const std::string &answer, const std::string &name)
{
    std::istringstream head(answer.substr(0, answer.find("\n\n")));
    std::string line, values;
    while (std::getline(head, line))
        if (line.rfind(name + ": ", 0) == 0)
            values += (values.empty() ? "" : "\n") + line.substr(name.size() + 2);
    return values;
}

// An archive nobody can read costs the answer its records and nothing
// more: named in each form, the other logs' records all there.
TEST(Damage, AnArchiveThatCannotBeReadCostsOnlyItself)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat-20200101.gz", "\x1f\x8b");   // two bytes of a gzip file
    s.write("logs/vornout.dat.1", steady(0, 30));
    s.write("logs/vornout.dat", steady(30, 30));
    auto csv = runcgi(s, "format=csv&from=05/12/2026").page;
    EXPECT_EQ(rows(csv), 59) << csv.substr(0, 400);
    EXPECT_EQ(header(csv, "Quorlink-Not-Read"), "vornout.dat-20200101.gz: compressed data cut short")
        << csv.substr(0, 400);
    auto json = runcgi(s, "format=json&hours=1").page;
    EXPECT_NE(json.find("\"not_read\":[{\"log\":\"vornout.dat-20200101.gz\",\"why\":\"compressed data "
                        "cut short\"}]"),
              std::string::npos)
        << json;
    auto page = runcgi(s, "action=usage&hours=24").page;
    EXPECT_NE(page.find("<p>Not read: vornout.dat-20200101.gz (compressed data cut short).</p>"),
              std::string::npos);
    EXPECT_NE(page.find("59 intervals"), std::string::npos) << page;

    // cut short past its first records: what was inflated is kept, and the
    // answer says how far; garbage after a whole stream costs no record
    gzipped(s, "logs/vornout.dat.2.gz", steady(-2000, 2000));
    std::string gz = s.read("logs/vornout.dat.2.gz");
    s.write("logs/vornout.dat.2.gz", gz.substr(0, gz.size() * 3 / 4));
    csv = runcgi(s, "format=csv&from=01/12/2026").page;
    const std::string why = header(csv, "Quorlink-Not-Read");
    EXPECT_NE(why.find("\nvornout.dat.2.gz: compressed data cut short; read up to its record of "),
              std::string::npos)
        << why;
    EXPECT_GT(rows(csv), 1000 + 59) << csv.substr(0, 400);
    s.write("logs/vornout.dat.2.gz", gz + "garbage after the stream");
    csv = runcgi(s, "format=csv&from=01/12/2026").page;
    EXPECT_EQ(rows(csv), 2000 + 59);
    EXPECT_NE(header(csv, "Quorlink-Not-Read").find("read up to its record of Fri 04 Dec 2026 23:58"),
              std::string::npos)
        << csv.substr(0, 500);
    // a period the damaged archive does not reach never reads past its start
    s.write("logs/vornout.dat.2.gz", gz.substr(0, gz.size() * 3 / 4));
    csv = runcgi(s, "format=csv&from=05/12/2026+01:00").page;
    EXPECT_EQ(header(csv, "Quorlink-Not-Read"), "vornout.dat-20200101.gz: compressed data cut short");
}

// A .gz that logrotate is still writing, beside the file it compresses:
// its records are all in the other, and nothing is said of it.
TEST(Damage, AnArchiveBeingCompressedIsPassedOver)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat.2", steady(0, 30));
    gzipped(s, "logs/vornout.dat.2.gz", steady(0, 30));
    const std::string gz = s.read("logs/vornout.dat.2.gz");
    s.write("logs/vornout.dat.2.gz", gz.substr(0, gz.size() / 2));
    s.write("logs/vornout.dat", steady(30, 30));
    auto json = runcgi(s, "format=json&from=05/12/2026").page;
    EXPECT_NE(json.find("\"not_read\":[],\"warnings\":[]}"), std::string::npos) << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 1 + 59);
}

// An archive that inflates to megabytes without a record: left out once
// its first 64 KiB of text hold none, whatever the rest holds.
TEST(Damage, AnArchiveWithoutARecordWhereTheFirstShouldBe)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string zeros(20 * 1000 * 1000, '\0');
    gzipped(s, "logs/vornout.dat.9.gz", zeros + steady(0, 5));
    s.write("logs/vornout.dat", steady(30, 30));
    auto json = runcgi(s, "format=json&hours=1").page;
    EXPECT_NE(json.find("\"not_read\":[{\"log\":\"vornout.dat.9.gz\",\"why\":\"no record in its first "
                        "64 KiB of text\"}]"),
              std::string::npos)
        << json.substr(0, 300);
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 1 + 29 + 1);
}

// One time far ahead in the middle of the current log, as a mistyped time=
// or a clock that ran ahead for a record would leave: one record passed
// over, the rest of the log read; the last hours count back from the
// newest record that the log's end confirms.
TEST(Damage, ARecordAheadOfItsTime)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string log;
    for (int i = 0; i < 720; i++)
        log += record(i == 100 ? 2000000000u : D0 + 120u * i, 4000u * i, 2000u * i);
    s.write("logs/vornout.dat", log);
    auto json = runcgi(s, "action=usage&format=json").page;
    EXPECT_NE(json.find("\"intervals\":718,"), std::string::npos) << json.substr(0, 300);
    EXPECT_NE(json.find("\"last\":\"2026-12-05T23:58:00Z\""), std::string::npos);
    json = runcgi(s, "action=usage&format=json&hours=24").page;
    EXPECT_NE(json.find("\"to\":\"2026-12-05T23:58:01Z\""), std::string::npos) << json.substr(0, 300);
    EXPECT_NE(json.find("\"intervals\":718,"), std::string::npos) << json.substr(0, 300);
    EXPECT_NE(json.find("1 record is out of time order"), std::string::npos);
}

// The device writes its record line by line: a last record whose last
// line has no line feed yet, or is not written yet, is the next request's.
// An archive, which nobody writes, keeps the rule it always had.
TEST(Damage, ARecordStillBeingWritten)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    const std::string whole = steady(0, 30);
    std::string writing = record(D0 + 3600, 140614773, 140614773);
    writing = writing.substr(0, writing.rfind("Tx bytes: ") + 11);   // "Tx bytes: 1"
    s.write("logs/vornout.dat", whole + writing);
    auto csv = runcgi(s, "format=csv").page;
    EXPECT_EQ(rows(csv), 29);
    EXPECT_EQ(csv.find("2026-12-05T01:00:00Z"), std::string::npos) << csv;
    auto metrics = runcgi(s, "action=metrics").page;
    EXPECT_NE(metrics.find("quorlink_last_record_timestamp_seconds 1796432280\n"), std::string::npos)
        << metrics;
    auto json = runcgi(s, "action=usage&format=json").page;
    EXPECT_NE(json.find("\"restarts\":0,"), std::string::npos) << json.substr(0, 300);
    // seven lines of it so far
    s.write("logs/vornout.dat", whole + "time=1796432400\n1\n2\n3\nRx bytes: 5\n6\n7\n");
    EXPECT_EQ(rows(runcgi(s, "format=csv").page), 29);
    // once whole, it is a record
    s.write("logs/vornout.dat", whole + record(D0 + 3600, 140614773, 140614773));
    EXPECT_EQ(rows(runcgi(s, "format=csv").page), 30);
    // an archive named by the request: its last record as it stands
    s.write("logs/old.dat", whole + writing);
    EXPECT_EQ(rows(runcgi(s, "format=csv&logfile=old.dat").page), 30);
}

// More archives than a reading takes: those of the period are read, and
// the answer says how many were left out. Names of 62 characters, which
// the old pool of names held 2,080 of.
TEST(Damage, MoreArchivesThanAReadingTakes)
{
    site s;
    const std::string base = "vornout-of-the-channel-to-the-east-office-2026.dat";
    s.write("quorlink.cfg", "logpath=logs/\nlogname=" + base + "\n");
    // 5000 archives of 5 records each, written in the order of their times
    const int archives = 5000;
    for (int a = 0; a < archives; a++) {
        char name[96];
        snprintf(name, sizeof name, "logs/%s-%06d", base.c_str(), a);
        s.write(name, steady(-5 * (archives - a), 5));
        const time_t t = D0 - 600 * (archives - a);
        struct timespec times[2] = {{t, 0}, {t, 0}};
        utimensat(AT_FDCWD, s.path(name).c_str(), times, 0);
    }
    s.write("logs/" + base, steady(0, 5));
    auto json = runcgi(s, "action=usage&format=json&hours=48").page;
    // the last two days are 1440 intervals, all in the newest archives
    EXPECT_NE(json.find("\"intervals\":1440,"), std::string::npos) << json.substr(0, 400);
    EXPECT_NE(json.find("\"gaps\":0,"), std::string::npos);
    EXPECT_NE(json.find("905 of its 5000 archives are left out: a reading takes 4096 logs"),
              std::string::npos)
        << json.substr(json.find("\"warnings\""));
    // a period long past: the archives of its time are the ones read
    json = runcgi(s, "action=usage&format=json&from=05/11/2026&to=06/11/2026").page;
    EXPECT_NE(json.find("\"intervals\":720,\"gaps\":0,"), std::string::npos) << json.substr(0, 400);
}

// Bounds no record has, as typed: said as they were asked, never wrapped.
TEST(Damage, DatesAsAsked)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", steady(0, 30));
    auto page = runcgi(s, "action=usage&from=01/01/1900").page;
    EXPECT_NE(page.find("Usage from Mon 01 Jan 1900 00:00 UTC to Sat 05 Dec 2026 00:58 UTC"),
              std::string::npos)
        << page;
    page = runcgi(s, "action=usage&to=31/12/9999").page;
    EXPECT_NE(page.find("to Fri 31 Dec 9999 00:00 UTC"), std::string::npos) << page;
    page = runcgi(s, "action=usage&hours=876816").page;
    EXPECT_NE(page.find("Usage from Fri 26 Nov 1926 00:58 UTC"), std::string::npos) << page;
    auto json = runcgi(s, "action=usage&format=json&from=01/01/0000").page;
    EXPECT_NE(json.find("\"from\":\"0000-01-01T00:00:00Z\""), std::string::npos) << json;
    auto csv = runcgi(s, "format=csv&from=01/01/1900&to=01/01/2027").page;
    EXPECT_NE(csv.find("filename=\"vornout.dat-intervals-from-1900-01-01T00-00-00Z-to-2027-01-01T00-00-00Z.csv\""),
              std::string::npos)
        << csv.substr(0, 300);
}

// The merge compares every open log: records that interleave (even minutes
// in the archive, odd ones in the current log) come in time order, every
// one of them; and a log whose first record falls on from= still has the
// record before it read, in the log before.
TEST(Damage, InterleavedLogsAndABoundOnALogsFirstRecord)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    std::string even, odd;
    for (int i = 0; i < 12; i++)
        (i % 2 ? odd : even) += record(D0 + 60u * i, 1000u * i, 500u * i);
    s.write("logs/vornout.dat.1", even);
    s.write("logs/vornout.dat", odd);
    auto json = runcgi(s, "format=json&from=05/12/2026").page;
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 1 + 11) << json;
    // the same records in one log, and split at the record of from=
    site t;
    t.write("quorlink.cfg", "logpath=logs/\n");
    t.write("logs/vornout.dat", steady(0, 20));
    const std::string whole = runcgi(t, "format=csv&from=05/12/2026+00:20").page;
    t.write("logs/vornout.dat.1", steady(0, 10));
    t.write("logs/vornout.dat", steady(10, 10));
    EXPECT_EQ(runcgi(t, "format=csv&from=05/12/2026+00:20").page, whole);
    EXPECT_EQ(rows(whole), 10);
}

// What a reading could get wrong unseen: a gzipped log named by the request
// and read from its end, a backslash in a name, a read that fails part way
// in each format, the download's name, a flow that carried nothing.
TEST(Damage, FaultsAReadingCouldHide)
{
    site s;
    // Windows sites write their folders with backslashes
    s.write("quorlink.cfg", "logpath=logs\\\n");
    // more than 64 KiB compressed: its end is no place to start reading
    std::string big;
    uint32_t rx = 0;
    for (uint32_t i = 0; i < 12000; i++)
        big += record(D0 + 120u * i, rx += i * 2654435761u % 1000003u, 0);
    gzipped(s, "logs/big.gz", big);
    ASSERT_GT(s.read("logs/big.gz").size(), 65536u);
    auto json = runcgi(s, "action=usage&format=json&hours=1&logfile=big.gz").page;
    EXPECT_NE(json.find("\"log\":\"logs\\\\big.gz\""), std::string::npos) << json.substr(0, 200);
    EXPECT_NE(json.find("\"intervals\":30,"), std::string::npos) << json.substr(0, 300);
    EXPECT_NE(json.find("\"last\":\"2026-12-21T15:58:00Z\""), std::string::npos) << json.substr(0, 300);
    // nothing sent: the peak is the first interval's, at no rate
    EXPECT_NE(json.find("\"tx\":{\"bytes\":0,\"average_bps\":0,\"peak_bps\":0,\"peak_time\":\"2026-12-21T15:00:00Z\""),
              std::string::npos)
        << json;

    // a current log cut short part way: CSV, which reads its logs before
    // its header, fails whole; JSON, written as it is read, stays unclosed;
    // the metrics are no scrape
    const std::string gz = s.read("logs/big.gz");
    s.write("logs/vornout.dat", gz.substr(0, gz.size() / 2));
    auto csv = runcgi(s, "format=csv").page;
    EXPECT_EQ(csv.substr(0, 35), "Status: 500 Internal Server Error\nC");
    EXPECT_EQ(csv.substr(csv.find("\n\n") + 2),
              "error\r\nThe log vornout.dat is damaged: its compressed data cannot be read.\r\n");
    json = runcgi(s, "format=json").page;
    EXPECT_EQ(json.find("\"warnings\""), std::string::npos);
    EXPECT_EQ(json.back(), '}');   // the last interval's, with no ] after it
    EXPECT_EQ(json.substr(json.size() - 2), "0}");
    auto metrics = runcgi(s, "action=metrics");
    EXPECT_EQ(metrics.page.rfind("Status: 5", 0), 0u) << metrics.page.substr(0, 200);

    // the download is named by its period: from its start, to its end
    s.write("logs/vornout.dat", steady(0, 30));
    csv = runcgi(s, "format=csv&from=05/12/2026&to=06/12/2026+12:30").page;
    EXPECT_NE(csv.find("filename=\"vornout.dat-intervals-from-2026-12-05T00-00-00Z-to-2026-12-06T12-30-00Z.csv\""),
              std::string::npos)
        << csv.substr(0, 300);
}

// The small text routines: query decoding, settings lookup, fields, dates.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../support/datetime.h"
#include "../support/escape.h"
#include "../support/numbers.h"
#include "../support/query.h"
#include "../report/config.h"
#include "../support/settings.h"

static std::string decoded(const char *text)
{
    return getnormpar(text);
}

TEST(Query, DecodesPlusAndEscapes)
{
    EXPECT_EQ(decoded("05%2F12%2F2026"), "05/12/2026");
    EXPECT_EQ(decoded("a+b%20c"), "a b c");
    EXPECT_EQ(decoded("%41%e9"), "A\xE9");
    EXPECT_EQ(decoded("%2f%2F"), "//");
    EXPECT_EQ(decoded("x%4gy"), "x\x04y");
    // %zz is the byte 0, which ends the text
    EXPECT_EQ(decoded("ab%zzcd"), "ab");
    EXPECT_EQ(decoded("ab%00action=x"), "ab");
    EXPECT_EQ(decoded("%g4x"), "");
}

TEST(Query, CutEscapeAtTheEndStopsThere)
{
    EXPECT_EQ(decoded("ab%4"), "ab\x04");
    EXPECT_EQ(decoded("ab%"), "ab");
    EXPECT_EQ(decoded("%"), "");
}

TEST(Query, OverlongTextIsCut)
{
    std::string big(5000, 'a');
    EXPECT_EQ(decoded(big.c_str()).size(), 1023u);
    std::string escapes;
    for (int i = 0; i < 2000; i++)
        escapes += "%41";
    EXPECT_EQ(decoded(escapes.c_str()), std::string(1023, 'A'));
}

TEST(Query, PicksValues)
{
    const char *q = "action=totalload&datefrom=05/12/2026&time=12:30";
    EXPECT_STREQ(getquery(q, "action="), "totalload");
    EXPECT_STREQ(getquery(q, "datefrom="), "05/12/2026");
    EXPECT_STREQ(getquery(q, "time="), "12:30");
    EXPECT_STREQ(getquery("days=7&datefrom=01/12/2026", "days="), "7");
    EXPECT_STREQ(getquery("logfile=my log", "logfile="), "my");
    EXPECT_STREQ(getquery("logfile=my\nlog", "logfile="), "my");
    // found anywhere, first occurrence wins
    EXPECT_STREQ(getquery("xaction=1&action=2", "action="), "1");
    EXPECT_STREQ(getquery("action=a&action=b", "action="), "a");
    EXPECT_STREQ(getquery("x=1&action=", "action="), "");
    EXPECT_STREQ(getquery("action=&date=x", "action="), "");
    EXPECT_STREQ(getquery("action=x", "days="), "");
}

TEST(Query, EncodedAmpersandSplitsAfterDecoding)
{
    const char *q = getnormpar("logfile=a%26action%3Dtotalload");
    std::string text = q;
    EXPECT_STREQ(getquery(text.c_str(), "logfile="), "a");
    EXPECT_STREQ(getquery(text.c_str(), "action="), "totalload");
}

TEST(Fields, NumbersByPosition)
{
    EXPECT_EQ(getlvalue("10 20 30", 1), 10u);
    EXPECT_EQ(getlvalue("10 20 30", 3), 30u);
    EXPECT_EQ(getlvalue("12abc 5", 1), 12u);
    EXPECT_EQ(getlvalue("abc 5", 1), 0u);
    EXPECT_EQ(getlvalue("-1", 1), 4294967295u);
    // an empty field takes the number of the field after it
    EXPECT_EQ(getlvalue("1  2", 2), 2u);
    EXPECT_EQ(getlvalue("1  2", 3), 2u);
    // asking past the last field stops at the end of the text
    EXPECT_EQ(getlvalue("1 2", 7), 0u);
    EXPECT_EQ(getlvalue("7 2", 0), 7u);
    EXPECT_EQ(getlvalue("4294967295", 1), 4294967295u);
}

// textlvalue takes a number's first eight digits at once: it must read
// every text as the digit-by-digit reading of getlvalue does, whatever
// stands where in those eight bytes, and wrap as it does past 2^32.
TEST(Fields, NumbersOfABoundedTextAsDigitByDigit)
{
    std::mt19937 rng(7);
    const char pool[] = "0123456789012345678901234567890123456789 \t+-x:/";
    for (int i = 0; i < 20000; i++) {
        std::string text;
        const size_t n = rng() % 24;
        for (size_t k = 0; k < n; k++)
            text += pool[rng() % (sizeof pool - 1)];
        EXPECT_EQ(textlvalue(text.data(), text.size()), getlvalue(text.c_str(), 1)) << text;
        // a bound inside the text reads as the text cut there
        const size_t cut = n ? rng() % n : 0;
        EXPECT_EQ(textlvalue(text.data(), cut), getlvalue(text.substr(0, cut).c_str(), 1)) << text;
    }
    const char *runs[] = {"12345678", "123456789", "1796515200", "4294967296", "99999999999999999999",
                          " +00000000123", "-12345678", "1234567x9"};
    for (const char *t : runs)
        EXPECT_EQ(textlvalue(t, strlen(t)), getlvalue(t, 1)) << t;
}

// putdec writes four digits at a time from a table: every number must come
// out as printf writes it, whichever groups it has, and nothing past the
// ten characters of room it is given.
TEST(Numbers, DecimalAsPrintfWritesIt)
{
    std::mt19937 rng(11);
    std::vector<uint32_t> values = {0, 9, 10, 99, 100, 999, 1000, 9999, 10000, 99999999, 100000000,
                                    999999999, 1000000000, 4294967295u};
    for (uint32_t p = 1; p <= 1000000000u; p *= 10)
        for (uint32_t d : {p - 1, p, p + 1, 2 * p - 1, 42 * p + 7})
            values.push_back(d);
    for (int i = 0; i < 100000; i++)
        values.push_back(rng() >> (rng() % 32));
    for (uint32_t v : values) {
        char want[16], got[16];
        snprintf(want, sizeof want, "%u", v);
        memset(got, '#', sizeof got);
        char *end = putdec(got, v);
        EXPECT_EQ(std::string(got, (size_t)(end - got)), want) << v;
        EXPECT_EQ(std::string(got + 10, 6), "######") << v;
    }
}

TEST(Fields, WordsByPosition)
{
    char buf[80] = "a much longer text than the word";
    const char *tt = "Sun Dec 06 03:17:52 2026";
    EXPECT_STREQ(getsvalue(tt, buf, sizeof buf, 3), "06");
    EXPECT_STREQ(getsvalue(tt, buf, sizeof buf, 4), "03:17:52");
    EXPECT_STREQ(getsvalue(tt, buf, sizeof buf, 5), "2026");
    EXPECT_STREQ(getsvalue("a  b", buf, sizeof buf, 2), "");
    EXPECT_STREQ(getsvalue("a b", buf, sizeof buf, 9), "");
    // copying a word onto its own text
    char same[80] = "Sun Dec 06 03:17:52 2026";
    EXPECT_STREQ(getsvalue(same, same, sizeof same, 4), "03:17:52");
    char small[4];
    EXPECT_STREQ(getsvalue("abcdefgh", small, sizeof small, 1), "abc");
}

TEST(Fields, DecimalLikeAtol)
{
    EXPECT_EQ(decval("  42x"), 42);
    EXPECT_EQ(decval("-12"), -12);
    EXPECT_EQ(decval("+7"), 7);
    EXPECT_EQ(decval(""), 0);
    EXPECT_EQ(decval("abc"), 0);
    EXPECT_EQ(decval("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(decval("-99999999999999999999"), INT32_MIN);
}

// Each settings test runs in a scratch folder of its own.
class Settings : public ::testing::Test {
protected:
    std::filesystem::path dir, old;
    void SetUp() override
    {
        namespace fs = std::filesystem;
        old = fs::current_path();
        dir = fs::temp_directory_path() / ("quorlinkcfg." + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(dir));
        fs::current_path(dir);
    }
    void TearDown() override
    {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    void cfg(const std::string &text)
    {
        std::ofstream("quorlink.cfg", std::ios::binary) << text;
    }
};

TEST_F(Settings, MissingFileGivesEmpty)
{
    EXPECT_STREQ(getconfig("logname="), "");
}

TEST_F(Settings, FirstLineHoldingTheKeyWins)
{
    cfg("logname=day.dat\nlogname=old.dat\n");
    EXPECT_STREQ(getconfig("logname="), "day.dat");
    cfg("logname=a logname=b\n");
    EXPECT_STREQ(getconfig("logname="), "a logname=b");
}

TEST_F(Settings, KeyIsAnExactCaseSensitiveSubstring)
{
    cfg("logpath = C:\\x\nLOGPATH=C:\\y\n");
    EXPECT_STREQ(getconfig("logpath="), "");
    // an operator's note is never a setting, whatever keys it names
    cfg("#logpath=C:\\x\n  ; logpath=C:\\y\n\t# bandwidth=64000 was the old line\nbandwidth=2M\n");
    EXPECT_STREQ(getconfig("logpath="), "");
    EXPECT_STREQ(getconfig("bandwidth="), "2M");
    cfg("mylogpath=C:\\x\n");
    EXPECT_STREQ(getconfig("logpath="), "C:\\x");
    cfg("logpath= C:\\x\n");
    EXPECT_STREQ(getconfig("logpath="), " C:\\x");
}

TEST_F(Settings, WindowsLineEndsAndEndOfFileByte)
{
    cfg("qtime=60\r\nlogname=a.dat\r\n\x1A" "bandwidth=1\n");
    EXPECT_STREQ(getconfig("qtime="), "60");
    EXPECT_STREQ(getconfig("logname="), "a.dat");
    EXPECT_STREQ(getconfig("bandwidth="), "");
}

TEST_F(Settings, LongLinesAndLastLineWithoutLineFeed)
{
    std::string v78 = "logname=" + std::string(70, 'n');
    cfg(v78 + "\n");
    EXPECT_EQ(std::string(getconfig("logname=")), std::string(70, 'n'));
    // a long line is searched whole, its value cut to the buffer
    cfg(std::string(200, 'x') + "logpath=" + std::string(300, 'p') + "\nsumname=s.dat");
    EXPECT_EQ(std::string(getconfig("logpath=")), std::string(79, 'p'));
    EXPECT_STREQ(getconfig("sumname="), "s.dat");
    // the tail of an over-long line is not a line of its own
    cfg(std::string(1100, 'x') + "qtime=5\n");
    EXPECT_STREQ(getconfig("qtime="), "");
}

TEST(Dates, TypedDatesInTheAcceptedForm)
{
    EXPECT_STREQ(makegmtdate("05/12/2026"), "05 Dec 2026");
    EXPECT_STREQ(makegmtdate("5/012/2026"), "5 Dec 2026");
    EXPECT_STREQ(makegmtdate("123/4/5678"), "123 Apr 5678");
    EXPECT_STREQ(makegmtdate("31/02/2026"), "31 Feb 2026");
    EXPECT_STREQ(makegmtdate("00/01/2026"), "00 Jan 2026");
}

// The date a zone that many hours east of UTC has now.
static std::string today(int east = 0)
{
    time_t t = time(nullptr) + east * 3600;
    char buf[32];
    strftime(buf, sizeof buf, "%d %b %Y", gmtime(&t));
    return buf;
}

// Zones in the POSIX form: every C runtime reads it, not every one reads
// the names of the zone database.
static void setzone(const char *assignment)
{
    static char buf[32];
    snprintf(buf, sizeof buf, "%s", assignment);
    putenv(buf);
}

TEST(Dates, AnythingElseIsToday)
{
    setzone("TZ=UTC0");
    const char *bad[] = {"",           "5/12/2026",   "05-12-2026", "05/12/26",
                         "05/12/2026 ", "05/1a/2026", "05/00/2026", "05/13/2026",
                         "05//122026", "0/99999/02"};
    for (const char *d : bad) {
        std::string want = today();
        EXPECT_EQ(std::string(makegmtdate(d)), want) << d;
    }
}

TEST(Dates, TodayFollowsTheLocalZone)
{
    // far enough east that the local date differs from UTC for half the day
    setzone("TZ=XYZ-14");
    std::string want = today(14);
    EXPECT_EQ(std::string(makegmtdate("")), want);
    setzone("TZ=UTC0");
}

TEST(Times, TypedOrNow)
{
    EXPECT_STREQ(makegmttime("12:30"), "12:30");
    EXPECT_STREQ(makegmttime("99:99"), "99:99");
    EXPECT_STREQ(makegmttime("1:2:3"), "1:2:3");
    EXPECT_STREQ(makegmttime("12345"), "12345");
    setzone("TZ=XYZ-14");
    for (const char *t : {"9:30", "12.30", "12:30 ", ""}) {
        std::string got = makegmttime(t);
        ASSERT_EQ(got.size(), 5u) << t;
        time_t now = time(nullptr) + 14 * 3600;
        char want[8];
        strftime(want, sizeof want, "%H:%M", gmtime(&now));
        // the minute may turn between the two clock reads
        if (got != want) {
            now -= 60;
            strftime(want, sizeof want, "%H:%M", gmtime(&now));
        }
        EXPECT_EQ(got, want) << t;
    }
    setzone("TZ=UTC0");
}

TEST(Escape, MarkupCharactersBecomeReferences)
{
    EXPECT_STREQ(htmlesc("<a href=\"x\">'&'</a>"),
                 "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_STREQ(htmlesc("c:\\logs\\a.dat"), "c:\\logs\\a.dat");
    std::string big(5000, '<');
    std::string out = htmlesc(big.c_str());
    EXPECT_EQ(out.size() % 4, 0u);
    EXPECT_EQ(out.substr(0, 8), "&lt;&lt;");
}

// bandwidth= as operators write it; a plain number as it always read.
TEST(SettingsCheck, BandwidthUnitsAndNearestKeys)
{
    const std::pair<const char *, int64_t> read[] = {
        {"64000", 64000},     {" 64000 ", 64000},     {"-12", -12},          {"2M", 2000000},
        {"2 Mbit/s", 2000000}, {"64k", 64000},        {"64 kbit/s", 64000},  {"64 KBPS", 64000},
        {"1G", 1000000000},   {"1 Gbit/s", 1000000000}, {"2000000 bps", 2000000},
        {"1.5M", 1500000},    {"64 kbit", 64000},     {"0.5k", 500},
    };
    for (const auto &[text, bps] : read) {
        int64_t got = -1;
        EXPECT_TRUE(bandwidthvalue(text, &got)) << text;
        EXPECT_EQ(got, bps) << text;
    }
    for (const char *text : {"2 Mbps/s", "fast", "2 MB/s", "1.5 bit/s", "64000x", "", "k", "1e6"}) {
        int64_t got = -1;
        EXPECT_FALSE(bandwidthvalue(text, &got)) << text;
    }
    EXPECT_STREQ(nearestkey("bandwith"), "bandwidth=");
    EXPECT_STREQ(nearestkey("bandwidht"), "bandwidth=");
    EXPECT_STREQ(nearestkey("Bandwidth"), "bandwidth=");
    EXPECT_STREQ(nearestkey("logpth"), "logpath=");
    EXPECT_STREQ(nearestkey("qtim"), "qtime=");
    EXPECT_EQ(nearestkey("name"), nullptr);
    EXPECT_EQ(nearestkey("colour"), nullptr);
}

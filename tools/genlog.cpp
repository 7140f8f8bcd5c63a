// Writes sample counter logs in the device's record form: a "time=" line,
// then ten data lines with the Rx counter on the 4th and Tx on the 10th.
//
//   genlog [options] > vornout.dat
//   --count N        records (default 720: a day at two minutes)
//   --start T        Unix time of the first record (default: so the last is now)
//   --interval S     seconds between records (default 120; --daily makes it 86400)
//   --daily          a daily summary log: one record a day
//   --bandwidth B    bits per second of the channel (default 64000)
//   --restart I      the device restarts before record I: counters fall to 0
//                    (may be given more than once)
//   --wrap           start the counters just below 2^32, so they wrap
//   --gap I:S        the device logs nothing for S seconds before record I,
//                    while the channel carries on (may be given more than once)
//   --load SHARE     a steady share of the channel in use, 0 to 1, instead of
//                    busy afternoons and quiet nights
//   --crlf           Windows line ends, and a 0x1A at the end of the file
//   --seed S         seed of the traffic's jitter (default 1)
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <vector>

struct options {
    long count = 720;
    long long start = -1;
    long interval = 120;
    bool daily = false;
    long bandwidth = 64000;
    std::vector<long> restarts;
    std::vector<std::pair<long, long>> gaps;   // before record, seconds
    double load = -1;
    bool wrap = false;
    bool crlf = false;
    unsigned long seed = 1;
};

// the name it was run by: genlog in a build, quorlink-genlog installed
static const char *progname = "genlog";

static void usage(FILE *to, int status)
{
    fprintf(to, "usage: %s [--count N] [--start T] [--interval S] [--daily] [--bandwidth B]\n"
                "       [--restart I]... [--wrap] [--gap I:S]... [--load SHARE] [--crlf] [--seed S]\n",
            progname);
    exit(status);
}

static options parseargs(int argc, char **argv)
{
    options o;
    bool intervalset = false;
    if (argc > 0 && argv[0][0]) {
        const char *slash = strrchr(argv[0], '/');
        progname = slash ? slash + 1 : argv[0];
    }
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&]() {
            if (!v)
                usage(stderr, 2);
            i++;
            return v;
        };
        if (!strcmp(a, "--count"))
            o.count = atol(need());
        else if (!strcmp(a, "--start"))
            o.start = atoll(need());
        else if (!strcmp(a, "--interval")) {
            o.interval = atol(need());
            intervalset = true;
        } else if (!strcmp(a, "--daily"))
            o.daily = true;
        else if (!strcmp(a, "--bandwidth"))
            o.bandwidth = atol(need());
        else if (!strcmp(a, "--restart"))
            o.restarts.push_back(atol(need()));
        else if (!strcmp(a, "--wrap"))
            o.wrap = true;
        else if (!strcmp(a, "--gap")) {
            const char *g = need();
            const char *colon = strchr(g, ':');
            o.gaps.push_back({atol(g), colon ? atol(colon + 1) : 3600});
        } else if (!strcmp(a, "--load"))
            o.load = atof(need());
        else if (!strcmp(a, "--help") || !strcmp(a, "-h"))
            usage(stdout, 0);
        else if (!strcmp(a, "--crlf"))
            o.crlf = true;
        else if (!strcmp(a, "--seed"))
            o.seed = strtoul(need(), nullptr, 10);
        else
            usage(stderr, 2);
    }
    if (o.daily && !intervalset)
        o.interval = 86400;
    if (o.count < 0 || o.interval <= 0 || o.bandwidth < 0 || o.load > 1)
        usage(stderr, 2);
    for (auto &g : o.gaps)
        if (g.second < 0)
            usage(stderr, 2);
    if (o.start < 0) {
        o.start = (long long)time(nullptr) - (o.count > 0 ? (o.count - 1) * o.interval : 0);
        for (auto &g : o.gaps)
            if (g.first > 0 && g.first < o.count)
                o.start -= g.second;
    }
    return o;
}

// Busy afternoons, quiet nights: the share of the channel in use at a time
// of day (UTC), with a little jitter.
static double loadshare(long long t, unsigned long *rng)
{
    double hour = (double)(t % 86400) / 3600.0;
    double day = 0.5 - 0.5 * cos((hour - 2.0) / 24.0 * 2.0 * M_PI);
    *rng = *rng * 1103515245ul + 12345ul;
    double jitter = (double)((*rng >> 16) % 1000) / 1000.0;
    return 0.05 + 0.75 * day * (0.8 + 0.4 * jitter) * 0.85;
}

int main(int argc, char **argv)
{
    options o = parseargs(argc, argv);
    const char *eol = o.crlf ? "\r\n" : "\n";
    unsigned long rng = o.seed;
    uint32_t rx = o.wrap ? 0xFFFFFFFFu - 2000000u : 0, tx = o.wrap ? 0xFFFFFFFFu - 900000u : 0;
    const double capacity = (double)o.bandwidth / 8.0 * (double)o.interval;

    long long t = o.start;
    for (long i = 0; i < o.count; i++, t += o.interval) {
        for (long r : o.restarts)
            if (r == i)
                rx = tx = 0;
        // the channel carries on while nothing is written
        for (auto &g : o.gaps)
            if (g.first == i) {
                double share = o.load >= 0 ? o.load : loadshare(t, &rng);
                rx += (uint32_t)(share * (double)o.bandwidth / 8.0 * (double)g.second);
                tx += (uint32_t)(share * 0.55 * (double)o.bandwidth / 8.0 * (double)g.second);
                t += g.second;
            }
        printf("time=%lld%s", t, eol);
        printf("channel: 1%sstate: up%sspeed: %ld%s", eol, eol, o.bandwidth, eol);
        printf("Rx bytes: %u%s", rx, eol);
        printf("Rx packets: %u%sRx errors: 0%sRx dropped: 0%s", rx / 512, eol, eol, eol);
        printf("Tx packets: %u%sTx errors: 0%s", tx / 512, eol, eol);
        printf("Tx bytes: %u%s", tx, eol);
        double share = o.load >= 0 ? o.load : loadshare(t, &rng);
        rx += (uint32_t)(capacity * share);
        tx += (uint32_t)(capacity * share * 0.55);
    }
    if (o.crlf)
        putchar(0x1A);
    return ferror(stdout) ? 1 : 0;
}

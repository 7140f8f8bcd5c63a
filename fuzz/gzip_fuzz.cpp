// Gzipped archives beside the current log, read for a period. The input
// says how many archives there are and how each is made: its records
// gzipped by zlib, then cut at a byte, in several members, with a member
// that holds no record or a bomb of zeros, zeros or garbage after the
// stream, a plain copy beside it (being compressed), or its bytes as given.
// The current log may be gzipped and damaged too. Each run asks a period
// as CSV, JSON or the figures, and checks what must hold whatever the
// archives are: the JSON parses, or is left unclosed only when the current
// log failed; a CSV ends in an error row only then; every archive that
// cannot be inflated whole, as zlib tells apart from this harness, is
// named as not read.
#include <zlib.h>

#include <string>

#include "../platform/platform.h"
#include "../report/data.h"
#include "../report/logs.h"
#include "../support/complain.h"
#include "fuzzsite.h"

enum {
    MAXARCHIVES = 4,
    RECORDSTEP = 120,
    FIRSTTIME = 1796000000,     // 2026-11-30, the oldest archive's first record
    BOMBPAGE = 4096,            // a bomb is 1 to 256 pages of zeros: up to 1 MiB
    ANSWERSIZE = 1 << 22,       // more than any answer of these logs
};

// The input, taken a byte or a run at a time; zeros once it is used up.
struct input {
    const uint8_t *p;
    size_t left;
};

static uint8_t take(struct input *in)
{
    if (in->left == 0)
        return 0;
    in->left--;
    return *in->p++;
}

static std::string takerun(struct input *in)
{
    size_t n = take(in);
    if (n > in->left)
        n = in->left;
    std::string s((const char *)in->p, n);
    in->p += n;
    in->left -= n;
    return s;
}

// count records from t, as the device writes them, with a snippet of the
// input among them
static std::string records(uint32_t t, int count, const std::string &snippet, int at)
{
    std::string text;
    char rec[256];
    for (int i = 0; i < count; i++, t += RECORDSTEP) {
        if (i == at)
            text += snippet;
        snprintf(rec, sizeof rec,
                 "time=%u\nchannel: 1\nstate: up\nspeed: 64000\nRx bytes: %u\nRx packets: 0\n"
                 "Rx errors: 0\nRx dropped: 0\nTx packets: 0\nTx errors: 0\nTx bytes: %u\n",
                 t, (t - FIRSTTIME) * 5, (t - FIRSTTIME) * 3);
        text += rec;
    }
    if (at >= count)
        text += snippet;
    return text;
}

static std::string member(const std::string &text)
{
    z_stream z = {};
    if (deflateInit2(&z, 1, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        abort();
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = (Bytef *)text.data();
    z.avail_in = (uInt)text.size();
    z.next_out = (Bytef *)&out[0];
    z.avail_out = (uInt)out.size();
    if (deflate(&z, Z_FINISH) != Z_STREAM_END)
        abort();
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The ways an archive is made, one bit each of its first byte.
enum {
    MEMBERS = 1, CUT = 2, GARBAGE = 4, PADDING = 8, NORECORD = 16, BOMB = 32, BESIDE = 64, RAW = 128,
};

// One archive (or the current log) as the input says, and its text for a
// plain copy beside it.
static std::string makelog(struct input *in, uint32_t first, int *count, std::string *text)
{
    const uint8_t how = take(in), extra = take(in);
    *count = take(in) % 48;
    const unsigned cut = (unsigned)take(in) << 8 | take(in);
    const std::string snippet = takerun(in);
    if (how & RAW)
        return snippet;
    *text = records(first, *count, snippet, extra % (*count + 1));
    std::string file;
    const size_t split = (size_t)extra * 7 % (text->size() + 1);
    if (how & MEMBERS)
        file = member(text->substr(0, split)) + member(text->substr(split));
    else
        file = member(*text);
    if (how & NORECORD)
        file = extra & 1 ? member("channel: 1\nstate: up\n") + file : file + member("");
    if (how & BOMB) {
        const std::string zeros((size_t)(extra + 1) * BOMBPAGE, '\0');
        file = extra & 2 ? member(zeros) + file : file + member(zeros);
    }
    if (how & PADDING)
        file += std::string((size_t)(extra % 16) * 64 + 1, '\0');
    if (how & GARBAGE)
        file += snippet.empty() ? std::string("\x01garbage") : snippet;
    if (how & CUT)
        file.resize(cut % (file.size() + 1));
    return file;
}

// Whether a file inflates whole, as zlib tells it: members one after the
// other, zeros after one taken as padding, anything else another member.
// A byte 0x1A ends a log's text, and what follows it is never read; a file
// that is no gzip file is whole by this.
static int inflateswhole(const std::string &file)
{
    if (file.size() < 2 || (uint8_t)file[0] != 0x1F || (uint8_t)file[1] != 0x8B)
        return 1;
    z_stream z = {};
    if (inflateInit2(&z, MAX_WBITS + 16) != Z_OK)
        abort();
    static unsigned char sink[65536];
    z.next_in = (Bytef *)file.data();
    z.avail_in = (uInt)file.size();
    int whole = 0;
    for (;;) {
        z.next_out = sink;
        z.avail_out = sizeof sink;
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (memchr(sink, 0x1A, sizeof sink - z.avail_out)) {
            whole = 1;
            break;
        }
        if (rc == Z_STREAM_END) {
            while (z.avail_in > 0 && *z.next_in == 0) {
                z.next_in++;
                z.avail_in--;
            }
            if (z.avail_in == 0) {
                whole = 1;
                break;
            }
            inflateReset(&z);
        } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_out == 0))
            break;
    }
    inflateEnd(&z);
    return whole;
}

// A JSON text (RFC 8259), checked by a reader of its own.
struct json {
    const char *p, *end;
};

static void blanks(struct json *j)
{
    while (j->p < j->end && (*j->p == ' ' || *j->p == '\t' || *j->p == '\n' || *j->p == '\r'))
        j->p++;
}

static int jsonstring(struct json *j, std::string *out)
{
    if (j->p >= j->end || *j->p++ != '"')
        return 0;
    while (j->p < j->end && *j->p != '"') {
        if ((unsigned char)*j->p < 0x20)
            return 0;
        if (*j->p == '\\') {
            if (++j->p >= j->end || !strchr("\"\\/bfnrtu", *j->p))
                return 0;
            if (*j->p == 'u') {
                for (int i = 1; i <= 4; i++)
                    if (j->p + i >= j->end || !strchr("0123456789abcdefABCDEF", j->p[i]))
                        return 0;
                j->p += 4;
            }
        } else if (out)
            *out += *j->p;
        j->p++;
    }
    return j->p++ < j->end;
}

static int jsonvalue(struct json *j, int depth);

// an object's members or an array's elements, up to the closing byte
static int jsonitems(struct json *j, char close, int depth)
{
    blanks(j);
    if (j->p < j->end && *j->p == close)
        return ++j->p, 1;
    for (;;) {
        if (close == '}') {
            blanks(j);
            if (!jsonstring(j, nullptr))
                return 0;
            blanks(j);
            if (j->p >= j->end || *j->p++ != ':')
                return 0;
        }
        if (!jsonvalue(j, depth + 1))
            return 0;
        blanks(j);
        if (j->p >= j->end)
            return 0;
        const char c = *j->p++;
        if (c == close)
            return 1;
        if (c != ',')
            return 0;
    }
}

static int jsonvalue(struct json *j, int depth)
{
    blanks(j);
    if (j->p >= j->end || depth > 16)
        return 0;
    const char c = *j->p;
    if (c == '{' || c == '[')
        return j->p++, jsonitems(j, c == '{' ? '}' : ']', depth);
    if (c == '"')
        return jsonstring(j, nullptr);
    static const char *const words[] = {"true", "false", "null"};
    for (const char *w : words)
        if ((size_t)(j->end - j->p) >= strlen(w) && memcmp(j->p, w, strlen(w)) == 0)
            return j->p += strlen(w), 1;
    const char *start = j->p;
    if (*j->p == '-')
        j->p++;
    while (j->p < j->end && strchr("0123456789.eE+-", *j->p))
        j->p++;
    return j->p > start && (j->p[-1] >= '0' && j->p[-1] <= '9');
}

static int jsonwhole(const char *text, size_t size)
{
    struct json j = {text, text + size};
    if (!jsonvalue(&j, 0))
        return 0;
    blanks(&j);
    return j.p == j.end;
}

// Whether the answer names the archive as not read: a "log" of JSON's
// not_read, or a Quorlink-Not-Read line of the CSV's header.
static int namednotread(const std::string &answer, const char *name)
{
    const std::string line = std::string("Quorlink-Not-Read: ") + name + ":";
    if (answer.find(line) != std::string::npos)
        return 1;
    const size_t list = answer.rfind("\"not_read\":[");
    if (list == std::string::npos)
        return 0;
    const std::string key = std::string("{\"log\":\"") + name + "\"";
    return answer.find(key, list) != std::string::npos;
}

static void putlog(const char *name, const std::string &bytes)
{
    putfile(name, (const uint8_t *)bytes.data(), bytes.size());
}

// The current log failed, as the server's log would say: the one answer
// that may stop short.
static int currentfailed(void)
{
    const char *why, *failed = logsfailed(&why);
    return failed && strcmp(pathbase(failed), "vornout.dat") == 0;
}

static void checkanswer(const std::string &answer, int json, int whole[], int n, int period)
{
    const size_t head = answer.find("\n\n");
    if (head == std::string::npos)
        abort();   // every answer has its header
    const char *body = answer.data() + head + 2;
    const size_t size = answer.size() - head - 2;
    if (json && !jsonwhole(body, size) && !currentfailed())
        abort();   // JSON left unclosed though the current log was read whole
    if (!json && answer.find("\r\nerror,") != std::string::npos && !currentfailed())
        abort();   // a CSV cut short though the current log was read whole
    // every log is read to its end only for a period from the start of time,
    // and only when the current log, read last, was
    if (!period || currentfailed())
        return;
    for (int k = 1; k <= n; k++) {
        char name[32];
        snprintf(name, sizeof name, "vornout.dat.%d.gz", k);
        if (!whole[k] && !namednotread(answer, name))
            abort();   // an archive that cannot be read whole passes for whole
    }
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsite();
    complainquiet(1);
    static const char settings[] = "logpath=\nlogname=vornout.dat\nqtime=120\nbandwidth=64000\n";
    putfile("quorlink.cfg", (const uint8_t *)settings, sizeof settings - 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const queries[] = {
        "action=rxloaddyn&from=01/01/1970&format=csv",
        "action=rxloaddyn&from=01/01/1970&format=json",
        "action=usage&from=01/01/1970&format=json",
        "action=rxloaddyn&hours=2&format=json",
    };
    struct input in = {data, size};
    const uint8_t mode = take(&in);
    const int query = mode % 4, n = 1 + (mode >> 2) % MAXARCHIVES, zipcurrent = mode & 16;
    int whole[MAXARCHIVES + 1] = {0};
    uint32_t t = FIRSTTIME;
    for (int k = MAXARCHIVES; k >= 1; k--) {
        char name[32];
        snprintf(name, sizeof name, "vornout.dat.%d.gz", k);
        remove(name);
        name[strlen(name) - 3] = '\0';
        remove(name);
    }
    // the oldest archive has the highest number, as logrotate numbers them
    for (int k = n; k >= 1; k--) {
        char name[32];
        int count = 0;
        std::string text;
        const uint8_t how = in.left ? *in.p : 0;
        const std::string file = makelog(&in, t, &count, &text);
        snprintf(name, sizeof name, "vornout.dat.%d.gz", k);
        putlog(name, file);
        // a plain copy beside it: gzip is still writing the archive, whose
        // records are all in the copy, and it is not named
        whole[k] = inflateswhole(file) || (how & BESIDE && !(how & RAW));
        if (how & BESIDE && !(how & RAW)) {
            name[strlen(name) - 3] = '\0';
            putlog(name, text);
        }
        t += (uint32_t)count * RECORDSTEP;
    }
    int count = 0;
    std::string text;
    if (zipcurrent)
        putlog("vornout.dat", makelog(&in, t, &count, &text));
    else
        putlog("vornout.dat", records(t, 1 + take(&in) % 32, takerun(&in), take(&in) % 4));

    resetrequest();
    if (!freopen("answer", "w", stdout))
        abort();
    gatherrequest(queries[query]);
    dataanswer();
    fflush(stdout);
    static char buf[ANSWERSIZE];
    FILE *f = fopen("answer", "rb");
    if (!f)
        abort();
    const size_t got = fread(buf, 1, sizeof buf, f);
    fclose(f);
    checkanswer(std::string(buf, got), query != 0, whole, n, query < 3);
    return 0;
}

// Text files read the way the device's platform reads them, and files
// replaced whole.
#include "platform_test.h"

#include <string.h>

#include <random>

void Files::SetUp()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (int tries = 0; tries < 100 && dir.empty(); tries++) {
        fs::path p = fs::temp_directory_path() / ("quorlinkplat." + std::to_string(std::random_device{}()));
        if (fs::create_directory(p, ec))
            dir = p.string();
    }
    ASSERT_FALSE(dir.empty());
}

void Files::TearDown()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    // a test may have taken the write permission away
    for (auto &e : fs::recursive_directory_iterator(dir, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
    EXPECT_FALSE(ec) << ec.message();
}

std::string Files::put(const std::string &name, const std::string &content)
{
    std::ofstream(dir + "/" + name, std::ios::binary) << content;
    return dir + "/" + name;
}

std::string Files::read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::string> Files::lines(const std::string &path, size_t size)
{
    static textin in;
    std::vector<std::string> out;
    if (!textopen(&in, path.c_str()))
        return out;
    std::vector<char> buf(size);
    while (textline(&in, buf.data(), size))
        out.push_back(buf.data());
    textclose(&in);
    return out;
}

std::vector<std::string> Files::names()
{
    std::vector<std::string> out;
    for (auto &e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    return out;
}

int Files::replace(const std::string &path, const std::string &data)
{
    static textout out;
    replacestart(&out, path.c_str());
    textput(&out, data.data(), data.size());
    return replacefinish(&out);
}

void Files::write(const std::string &path, const std::string &text)
{
    static textout out;
    EXPECT_TRUE(textcreate(&out, path.c_str()));
    textput(&out, text.data(), text.size());
    EXPECT_TRUE(textfinish(&out));
}

TEST_F(Files, CarriageReturnsDroppedAndEndOfFileByte)
{
    auto p = put("a.txt", "one\r\ntw\ro\r\n\r\nthree\x1A" "four\n");
    EXPECT_EQ(lines(p), (strings{"one", "two", "", "three"}));
    EXPECT_EQ(lines(put("b.txt", "last without line feed")), strings{"last without line feed"});
    EXPECT_EQ(lines(put("c.txt", "")), strings{});
    EXPECT_EQ(lines(put("d.txt", "\x1A" "x\n")), strings{});
}

TEST_F(Files, LongLineIsCutAndItsTailDiscarded)
{
    auto p = put("a.txt", std::string(100, 'x') + "\nnext\n");
    EXPECT_EQ(lines(p, 10), (strings{std::string(9, 'x'), "next"}));
    // lines that cross the reader's own buffer
    std::string big;
    for (int i = 0; i < 20000; i++)
        big += std::to_string(i) + std::string(i % 50, '\r') + "\n";
    auto all = lines(put("big.txt", big));
    ASSERT_EQ(all.size(), 20000u);
    EXPECT_EQ(all[12345], "12345");
    auto huge = lines(put("huge.txt", std::string(200000, 'y') + "\nz"), 1024);
    EXPECT_EQ(huge, (strings{std::string(1023, 'y'), "z"}));
}

TEST_F(Files, LinesReadInPlaceStopAtTheReadersBuffer)
{
    static textin in;
    auto sizes = [&](const std::string &content) {
        std::vector<size_t> out;
        EXPECT_TRUE(textopen(&in, put("v.txt", content).c_str()));
        size_t size;
        while (const char *line = textnext(&in, &size)) {
            EXPECT_EQ(std::string(line, size).find('\n'), std::string::npos);
            out.push_back(size);
        }
        textclose(&in);
        return out;
    };
    using sizelist = std::vector<size_t>;
    const size_t full = TEXTBUFSIZE;
    EXPECT_EQ(sizes(std::string(200000, 'y') + "\nz"), (sizelist{full, 1}));
    // a line that just fits, one that fills the buffer exactly, one a byte longer
    EXPECT_EQ(sizes(std::string(full - 1, 'a') + "\nb\n"), (sizelist{full - 1, 1}));
    EXPECT_EQ(sizes(std::string(full, 'a') + "\nb\n"), (sizelist{full, 1}));
    EXPECT_EQ(sizes(std::string(full + 1, 'a') + "\nb"), (sizelist{full, 1}));
    // the tail of a cut line runs to the end: nothing more
    EXPECT_EQ(sizes("x\n" + std::string(3 * full, 'a')), (sizelist{1, full}));
    // lines found after a refill keep their bytes
    std::string many;
    for (int i = 0; i < 9000; i++)
        many += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(textopen(&in, put("m.txt", many).c_str()));
    size_t size, count = 0;
    while (const char *line = textnext(&in, &size))
        EXPECT_EQ(std::string(line, size), "line " + std::to_string(count++));
    EXPECT_EQ(count, 9000u);
    textclose(&in);
}

TEST_F(Files, LastOfARunOfLines)
{
    static textin in;
    char line[16];
    ASSERT_TRUE(textopen(&in, put("r.txt", "1\n22\n333\n4444\n5").c_str()));
    EXPECT_EQ(textlast(&in, 3, line, sizeof line), 3);
    EXPECT_STREQ(line, "333");
    EXPECT_EQ(textlast(&in, 5, line, sizeof line), 2);
    EXPECT_STREQ(line, "5");
    strcpy(line, "kept");
    EXPECT_EQ(textlast(&in, 4, line, sizeof line), 0);
    EXPECT_STREQ(line, "kept");
    textclose(&in);
    // the run ends with the file, after a line feed
    ASSERT_TRUE(textopen(&in, put("e.txt", "1\n22\n333\n").c_str()));
    EXPECT_EQ(textlast(&in, 5, line, sizeof line), 3);
    EXPECT_STREQ(line, "333");
    textclose(&in);
    // the last line read is over-long and the file ends in its tail: the
    // line kept is its start, not what the tail left in the buffer
    ASSERT_TRUE(textopen(&in, put("t.txt", "a\nhead" + std::string(200000, 't')).c_str()));
    EXPECT_EQ(textlast(&in, 4, line, sizeof line), 2);
    EXPECT_EQ(std::string(line), "head" + std::string(11, 't'));
    textclose(&in);
}

// textspan hands the lines textnext would, or reads nothing: a record's
// lines are found in bulk only where the bytes read hold them all.
TEST_F(Files, ARunOfLinesAtOnceOrNotAtAll)
{
    static textin in, one;
    std::string text;
    for (int i = 0; i < 7000; i++)
        text += std::string(i % 37, 'a' + i % 26) + (i % 5 ? "" : "\r") + "\n";
    text += "tail";
    const std::string path = put("s.txt", text);
    ASSERT_TRUE(textopen(&in, path.c_str()));
    ASSERT_TRUE(textopen(&one, path.c_str()));
    const uint32_t picks = 1u << 3 | 1u << 9;
    size_t spans = 0, size;
    for (;;) {
        const char *lines[2];
        size_t sizes[2];
        if (textspan(&in, 10, picks, lines, sizes)) {
            spans++;
            for (int k = 0; k < 10; k++) {
                const char *line = textnext(&one, &size);
                ASSERT_NE(line, nullptr);
                if (k == 3 || k == 9) {
                    EXPECT_EQ(std::string(lines[k == 9], sizes[k == 9]), std::string(line, size));
                }
            }
            continue;
        }
        // nothing read: the next line is the one the other reader has next
        const char *line = textnext(&in, &size);
        const std::string got = line ? std::string(line, size) : "(end)";
        line = textnext(&one, &size);
        ASSERT_EQ(got, line ? std::string(line, size) : "(end)");
        if (got == "(end)")
            break;
    }
    // most of the text went in runs; the buffer's ends and the file's did not
    EXPECT_GT(spans, 600u);
    EXPECT_LT(spans, 700u);
    textclose(&in);
    textclose(&one);
}

TEST_F(Files, BackslashesSeparateFolders)
{
    std::filesystem::create_directory(dir + "/logs");
    put("logs/a.dat", "x\n");
    std::string winpath = dir + "\\logs\\a.dat";
    EXPECT_TRUE(fileexists(winpath.c_str()));
    EXPECT_EQ(lines(winpath), strings{"x"});
    // a folder is not a text file
    static textin in;
    EXPECT_FALSE(textopen(&in, (dir + "/logs").c_str()));
    EXPECT_FALSE(fileexists(""));
}

TEST_F(Files, ReplaceIsWholeOrNothing)
{
    auto p = put("chart.gif", "old");
    ASSERT_TRUE(replace(p, "new contents"));
    EXPECT_EQ(read(p), "new contents");
    EXPECT_EQ(names(), strings{"chart.gif"});
    EXPECT_FALSE(replace(dir + "/nofolder/chart.gif", "x"));
    EXPECT_EQ(names(), strings{"chart.gif"});
}

TEST_F(Files, WritingOverAFileLeavesOnlyTheNewText)
{
    auto p = dir + "/hist.dat";
    write(p, std::string(300000, 'o'));
    write(p, "short\n");
    EXPECT_EQ(read(p), "short\n");
    write(p, "");
    EXPECT_EQ(read(p), "");
}

TEST_F(Files, WrittenTextIsCheckedAtTheEnd)
{
    static textout out;
    auto p = dir + "/out.txt";
    ASSERT_TRUE(textcreate(&out, p.c_str()));
    std::string line(1000, 'a');
    for (int i = 0; i < 200; i++)
        textput(&out, line.data(), line.size());
    EXPECT_TRUE(textfinish(&out));
    std::string got = read(p);
    EXPECT_EQ(got.size(), 200000u);
    EXPECT_EQ(got.find_first_not_of('a'), std::string::npos);
}

// A read that fails is told from the end of the file. /proc/self/mem is a
// regular file whose first page nobody maps: reading it fails at once, on
// Linux and under wine, which opens it for a Windows program as well.
TEST_F(Files, FailedReadIsNoEndOfFile)
{
    static textin in;
    ASSERT_TRUE(textopen(&in, "/proc/self/mem"));
    char line[64];
    EXPECT_EQ(textline(&in, line, sizeof line), 0);
    EXPECT_TRUE(in.failed);
    EXPECT_STRNE(in.why, "");
    textclose(&in);
    ASSERT_TRUE(textopen(&in, put("whole.dat", "a\nb").c_str()));
    EXPECT_EQ(textlast(&in, 5, line, sizeof line), 2);
    EXPECT_FALSE(in.failed);
    textclose(&in);
}

// A text as gzip writes it: one member, made by zlib itself.
static std::string gzipped(const std::string &text)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, MAX_WBITS + 16, 8,
                           Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = (Bytef *)text.data();
    z.avail_in = (uInt)text.size();
    z.next_out = (Bytef *)&out[0];
    z.avail_out = (uInt)out.size();
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST_F(Files, GzipFileReadsAsTheTextItHolds)
{
    std::string big;
    for (int i = 0; i < 20000; i++)
        big += std::to_string(i) + std::string(i % 50, '\r') + "\n";
    const std::string texts[] = {
        "one\r\ntw\ro\r\n\r\nthree\x1A" "four\n",
        "last without line feed",
        "",
        big,
        std::string(100, 'x') + "\nnext\n",
        std::string(200000, 'y') + "\nz",
        std::string(TEXTBUFSIZE, 'a') + "\nb\n",
    };
    int n = 0;
    for (const auto &text : texts) {
        std::string name = "t" + std::to_string(n++);
        auto plain = put(name + ".txt", text);
        // the name says nothing: the first bytes do
        auto packed = put(name + ".dat", gzipped(text));
        EXPECT_EQ(lines(packed), lines(plain)) << name;
        EXPECT_EQ(lines(packed, 10), lines(plain, 10)) << name;
    }
    EXPECT_EQ(lines(dir + "/t0.dat"), (strings{"one", "two", "", "three"}));
    EXPECT_EQ(lines(dir + "/t3.dat").size(), 20000u);
    EXPECT_EQ(lines(dir + "/t5.dat", 1024), (strings{std::string(1023, 'y'), "z"}));
    static textin in;
    char line[16];
    ASSERT_TRUE(textopen(&in, (dir + "/t3.dat").c_str()));
    EXPECT_EQ(textlast(&in, 20005, line, sizeof line), 20000);
    EXPECT_STREQ(line, "19999");
    EXPECT_FALSE(in.failed);
    EXPECT_FALSE(in.compressed);
    textclose(&in);
}

// cat a.gz b.gz, as some log rotators make it: one text, a line may run
// across members, empty members and zeros after the last are nothing
TEST_F(Files, GzipMembersFollowOneAnother)
{
    auto p = put("m.gz", gzipped("one\ntw") + gzipped("") + gzipped("o\nthree\n") +
                             gzipped("four") + std::string(10, '\0'));
    EXPECT_EQ(lines(p), (strings{"one", "two", "three", "four"}));
    static textin in;
    char line[16];
    ASSERT_TRUE(textopen(&in, p.c_str()));
    EXPECT_EQ(textlast(&in, 10, line, sizeof line), 4);
    EXPECT_FALSE(in.failed) << in.why;
    textclose(&in);
}

// A gzip file that is cut short or corrupt is a failed read, never an early
// end of the log, wherever the damage is.
TEST_F(Files, DamagedGzipFileIsAFailedRead)
{
    std::string text;
    for (int i = 0; i < 30000; i++)
        text += "time=" + std::to_string(1700000000 + i * 120) + "\n";
    const std::string whole = gzipped(text), second = gzipped("more\n");
    auto failure = [&](const std::string &name, const std::string &bytes) {
        static textin in;
        EXPECT_TRUE(textopen(&in, put(name, bytes).c_str())) << name;
        size_t size, count = 0;
        while (textnext(&in, &size))
            count++;
        EXPECT_TRUE(in.failed) << name << " read " << count << " lines";
        std::string why = in.why;
        textclose(&in);
        return why;
    };
    const std::string cut = "compressed data cut short", corrupt = "corrupt compressed data";
    EXPECT_EQ(failure("header.gz", whole.substr(0, 2)), cut);
    EXPECT_EQ(failure("half.gz", whole.substr(0, whole.size() / 2)), cut);
    EXPECT_EQ(failure("trailer.gz", whole.substr(0, whole.size() - 3)), cut);
    EXPECT_EQ(failure("second.gz", whole + second.substr(0, second.size() - 8)), cut);
    std::string flipped = whole;
    flipped[whole.size() / 2] ^= 0x55;
    EXPECT_EQ(failure("flipped.gz", flipped), corrupt);
    std::string badcheck = whole;
    badcheck[whole.size() - 6] ^= 1;   // the CRC-32 of the text
    EXPECT_EQ(failure("check.gz", badcheck), corrupt);
    EXPECT_EQ(failure("garbage.gz", whole + "garbage"), corrupt);
}

// Other compressed forms are refused at the open, named, and told apart
// from a file that is not there.
TEST_F(Files, OtherCompressedFormsAreRefusedAndNamed)
{
    static textin in;
    const struct {
        const char *form;
        std::string magic;
    } forms[] = {
        {"bzip2", "BZh9"},
        {"xz", std::string("\xFD" "7zXZ\0", 6)},
        {"zstd", "\x28\xB5\x2F\xFD"},
        {"lz4", "\x04\x22\x4D\x18"},
        {"compress", "\x1F\x9D"},
    };
    for (const auto &f : forms) {
        auto p = put(std::string(f.form) + ".dat", f.magic + std::string("\x10\x00\x0A rest\n", 7));
        EXPECT_FALSE(textopen(&in, p.c_str())) << f.form;
        EXPECT_TRUE(in.failed && in.compressed) << f.form;
        EXPECT_EQ(std::string(in.why), "compressed with " + std::string(f.form) + ", which is not read");
        char line[16];
        EXPECT_EQ(textline(&in, line, sizeof line), 0);
        textclose(&in);
    }
    EXPECT_FALSE(textopen(&in, (dir + "/absent.dat").c_str()));
    EXPECT_TRUE(in.failed);
    EXPECT_FALSE(in.compressed);
    // a text that merely starts like one is a text
    EXPECT_EQ(lines(put("bz.txt", "BZ\n\x1F")), (strings{"BZ", "\x1F"}));
}

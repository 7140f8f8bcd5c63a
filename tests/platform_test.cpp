// Text files read the way the device's platform reads them, and files
// replaced whole.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "../platform/platform.h"

class Files : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        char tmpl[] = "/tmp/quorlinkplat.XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override
    {
        std::string cmd = "chmod -R u+w '" + dir + "'; rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    std::string put(const std::string &name, const std::string &content)
    {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
        return dir + "/" + name;
    }
    std::vector<std::string> lines(const std::string &path, size_t size = 1024)
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
    std::vector<std::string> names()
    {
        std::vector<std::string> out;
        DIR *d = opendir(dir.c_str());
        while (struct dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                out.push_back(e->d_name);
        closedir(d);
        return out;
    }
};

using strings = std::vector<std::string>;

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

TEST_F(Files, RewindReadsAgain)
{
    static textin in;
    auto p = put("a.txt", "1\n2\n");
    ASSERT_TRUE(textopen(&in, p.c_str()));
    char line[8];
    while (textline(&in, line, sizeof line)) {
    }
    ASSERT_TRUE(textrewind(&in));
    ASSERT_TRUE(textline(&in, line, sizeof line));
    EXPECT_STREQ(line, "1");
    textclose(&in);
}

TEST_F(Files, BackslashesSeparateFolders)
{
    mkdir((dir + "/logs").c_str(), 0755);
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
    ASSERT_TRUE(filereplace(p.c_str(), "new contents", 12));
    std::ifstream in(p);
    std::string got((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(got, "new contents");
    EXPECT_EQ(names(), strings{"chart.gif"});
    struct stat st;
    ASSERT_EQ(stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    EXPECT_FALSE(filereplace((dir + "/nofolder/chart.gif").c_str(), "x", 1));
    if (geteuid() != 0) {
        chmod(dir.c_str(), 0555);
        EXPECT_FALSE(filereplace(p.c_str(), "x", 1));
        chmod(dir.c_str(), 0755);
    }
    EXPECT_EQ(names(), strings{"chart.gif"});
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
    EXPECT_EQ(lines(p, 300000)[0].size(), 200000u);
    if (access("/dev/full", W_OK) == 0) {
        ASSERT_TRUE(textcreate(&out, "/dev/full"));
        textput(&out, "x", 1);
        EXPECT_FALSE(textfinish(&out));
    }
}

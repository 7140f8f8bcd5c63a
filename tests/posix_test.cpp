// What the platform layer does with what only a POSIX system has: modes,
// links, devices and pipes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform_test.h"

TEST_F(Files, ReplacementIsServedAndRefusedWhereItCannotBeWritten)
{
    auto p = put("chart.gif", "old");
    ASSERT_TRUE(replace(p, "new"));
    struct stat st;
    ASSERT_EQ(stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    if (geteuid() != 0) {
        chmod(dir.c_str(), 0555);
        EXPECT_FALSE(replace(p, "x"));
        chmod(dir.c_str(), 0755);
    }
    EXPECT_EQ(names(), strings{"chart.gif"});
}

TEST_F(Files, LinksAndDevicesWrittenOver)
{
    // a link in its place is replaced, and what it pointed at left alone
    auto target = put("target.txt", "keep");
    auto link = dir + "/linked.dat";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    write(link, "new");
    EXPECT_EQ(read(target), "keep");
    EXPECT_EQ(read(link), "new");
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    // a device is written, and its failure seen
    static textout out;
    ASSERT_TRUE(textcreate(&out, "/dev/full"));
    textput(&out, "x", 1);
    EXPECT_FALSE(textfinish(&out));
}

TEST_F(Files, PipesAreNeverWaitedFor)
{
    // nobody writes to the pipe: opening it to read must not wait for one
    auto fifo = dir + "/pipe.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    static textin in;
    EXPECT_FALSE(textopen(&in, fifo.c_str()));
    auto lock = dir + "/histout.lck";
    ASSERT_EQ(mkfifo(lock.c_str(), 0644), 0);
    EXPECT_FALSE(requestlock(lock.c_str()));
    requestunlock();
    // no reader: the interval file in its place becomes a file of its own
    write(fifo, "line\n");
    EXPECT_EQ(lines(fifo), strings{"line"});
}

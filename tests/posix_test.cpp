// What the platform layer does with what only a POSIX system has: modes,
// links, devices and pipes.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

// A working file is written over only where it is a regular file, and made
// only where nothing is: whatever else stands there stays as it was.
TEST_F(Files, OnlyRegularFilesAreWrittenOver)
{
    static textout out;
    auto target = put("target.txt", "keep");
    auto link = dir + "/linked.dat";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    auto fifo = dir + "/pipe.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    auto folder = dir + "/folder.dat";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    // a socket stands for every special file: made here, never the
    // machine's own (a fault that removed what it could not write would
    // take those with it, as root)
    auto sock = dir + "/socket.dat";
    int sfd = socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    memcpy(addr.sun_path, sock.c_str(), sock.size() + 1);
    ASSERT_EQ(bind(sfd, (struct sockaddr *)&addr, sizeof addr), 0);
    close(sfd);
    const std::pair<std::string, std::string> refused[] = {
        {link, "not a regular file"}, {fifo, "not a regular file"},
        {sock, "not a regular file"}, {folder, "Is a directory"}};
    for (auto &[path, why] : refused) {
        EXPECT_FALSE(textcreate(&out, path.c_str())) << path;
        EXPECT_FALSE(textfinish(&out)) << path;
        EXPECT_EQ(out.why, why) << path;
    }
    EXPECT_EQ(read(target), "keep");
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ASSERT_EQ(lstat(sock.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    // none there: a new one
    write(dir + "/new.dat", "line\n");
    EXPECT_EQ(lines(dir + "/new.dat"), strings{"line"});
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
}

// What the platform layer does with what only Windows has: device names
// that open devices, and files that another program holds open.
#include <windows.h>

#include <thread>

#include "platform_test.h"

TEST_F(Files, DevicesAreNoTextFiles)
{
    static textin in;
    for (const char *name : {"NUL", "nul.dat", "Com1.txt", "CON", "conin$", "AUX", "prn.log"}) {
        EXPECT_FALSE(textopen(&in, name)) << name;
        EXPECT_FALSE(textopen(&in, (dir + "\\" + name).c_str())) << name;
    }
    // and never the lock a request waits on
    EXPECT_FALSE(requestlock("NUL"));
    requestunlock();
    EXPECT_TRUE(textopen(&in, put("console.dat", "x\n").c_str()));
    textclose(&in);
}

// The chart as a web server holds it while it sends it: open, with no
// share mode that lets it be deleted or renamed over.
static HANDLE holdopen(const std::string &path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(Files, ChartBeingSentIsReplacedOnceLetGo)
{
    auto p = put("chart.gif", "old");
    HANDLE h = holdopen(p);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    // held throughout: the old chart stays and nothing is left beside it
    EXPECT_FALSE(replace(p, "new"));
    CloseHandle(h);
    EXPECT_EQ(read(p), "old");
    EXPECT_EQ(names(), strings{"chart.gif"});
    // let go a moment later: the replacement waits for it
    h = holdopen(p);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::thread sender([h] {
        Sleep(200);
        CloseHandle(h);
    });
    EXPECT_TRUE(replace(p, "new"));
    sender.join();
    EXPECT_EQ(read(p), "new");
    EXPECT_EQ(names(), strings{"chart.gif"});
}

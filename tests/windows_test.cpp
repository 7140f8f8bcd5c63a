// What the platform layer does with what only Windows has: device names
// that open devices, files that another program holds open, reasons in
// the system's language, and IIS, which shows standard error.
#include <windows.h>

#include <algorithm>
#include <thread>

#include "../report/chart.h"
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

// Wine, where what Windows documents and what runs part ways.
static bool underwine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The chart as a web server holds it while it sends it: open for reading,
// shared for reading only, or for reading and deleting as IIS's file cache
// and virus scanners share it.
static HANDLE holdopen(const std::string &path, DWORD share)
{
    return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(Files, ChartBeingSentIsReplacedOnceLetGo)
{
    for (DWORD share : {FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_DELETE}) {
        SCOPED_TRACE(share == FILE_SHARE_READ ? "shared for reading" : "shared for deleting too");
        auto p = put("chart.gif", "old");
        HANDLE h = holdopen(p, share);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        // held throughout: Windows renames over a holder that lets it
        // delete (the documented POSIX rename); otherwise, and under wine,
        // the old chart stays. Nothing is left beside it either way.
        const bool overheld = (share & FILE_SHARE_DELETE) && !underwine();
        EXPECT_EQ(replace(p, "new"), overheld);
        CloseHandle(h);
        EXPECT_EQ(read(p), overheld ? "new" : "old");
        EXPECT_EQ(names(), strings{"chart.gif"});
        // let go a moment later: the replacement waits for it
        put("chart.gif", "old");
        h = holdopen(p, share);
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
}

// The system's reason comes in its own language as UTF-8, like the names
// in the same complaint line, whatever the ANSI code page: run by
// unittests_fr under a French wine, whose "access denied" has accents.
TEST(Reasons, InTheSystemsLanguageAsUtf8)
{
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_FRENCH)
        GTEST_SKIP() << "a French Windows tells it (unittests_fr)";
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_STREQ(fileerror(), "Acc\xC3\xA8s refus\xC3\xA9");
}

// What libgd says goes where every complaint goes: one line for the
// server's log, and under IIS nothing on standard error, which IIS would
// hand the visitor.
TEST(Reasons, LibgdComplainsAsTheProgramDoes)
{
    chartinit();
    testing::internal::CaptureStderr();
    EXPECT_EQ(gdImageCreate(1 << 16, 1 << 16), nullptr);   // past gd's INT_MAX pixels
    std::string err = testing::internal::GetCapturedStderr();
    // standard error is a file here: the line carries its own time
    EXPECT_NE(err.find("UTC] quorlink: libgd: "), std::string::npos) << err;
    EXPECT_EQ(err[0], '[') << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    _putenv_s("SERVER_SOFTWARE", "Microsoft-IIS/10.0");
    testing::internal::CaptureStderr();
    EXPECT_EQ(gdImageCreate(1 << 16, 1 << 16), nullptr);
    err = testing::internal::GetCapturedStderr();
    _putenv_s("SERVER_SOFTWARE", "");
    EXPECT_EQ(err, "");
}

// Hostile requests: log names that try to leave the log folder, and mark-up
// in every parameter and setting that could reach the page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "cgirun.h"

static const uint32_t D0 = 1796428800;

// Every path the program touched, from an strace of its run. getcwd only
// names the working folder, for a complaint.
static std::vector<std::string> touched(const std::string &trace)
{
    std::vector<std::string> paths;
    std::istringstream in(trace);
    std::string line;
    std::regex call(R"(^\d+ +(\w+)\((?:AT_FDCWD, |\d+, )?"([^"]*)\")");
    std::smatch m;
    while (std::getline(in, line))
        if (std::regex_search(line, m, call) && m[1] != "getcwd" && !m[2].str().empty())
            paths.push_back(m[2]);
    return paths;
}

// The loader and the libraries read these; the program's own paths are
// relative to its working folder.
static bool systempath(const std::string &p)
{
    for (const char *prefix : {"/lib", "/usr/lib", "/etc/ld.so", "/proc/self/", "/sys/devices/system/",
                               "/usr/share/zoneinfo", "/etc/localtime", QUORLINK_BIN})
        if (p.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// The site's own files, and the request's log inside the log folder.
static bool sitefile(const std::string &p)
{
    // "." is the chart's folder, looked through for what killed requests
    // left; "logs/" is looked for when a log is not there
    if (p == "quorlink.cfg" || p == "histout.dat" || p == "histout.lck" || p == "." || p == "logs/" ||
        p.rfind("quorlinkout.gif", 0) == 0)
        return true;
    if (p.rfind("logs/", 0) != 0)
        return false;
    std::string name = p.substr(5);
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

TEST(Hostile, LogNamesNeverLeaveTheLogFolder)
{
    // a launched program is traced no further than its page
    const bool traced = !launched();
    if (traced && access("/usr/bin/strace", X_OK) != 0)
        GTEST_SKIP() << "strace is not installed";
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", record(D0, 1, 1) + record(D0 + 120, 2, 2));
    s.write("secret.dat", record(D0, 666, 666) + record(D0 + 120, 667, 667));
    const std::string longname(300, 'a');
    // absolute paths and climbs out of the log folder reach the test's own
    // secret, never the machine's files
    const std::string secret = s.path("secret.dat"), root = "../../../../../../../../../../..";
    auto slashes = [](std::string p) {
        for (size_t at = p.find('/'); at != std::string::npos; at = p.find('/', at))
            p.replace(at, 1, "%2F");
        return p;
    };
    const std::vector<std::string> forms = {
        "..", ".", "...", "../secret.dat", "..%5Csecret.dat", "..%2Fsecret.dat",
        "..%252Fsecret.dat", "..%255Csecret.dat", "%2E%2E%2Fsecret.dat", "%2e%2e%5csecret.dat",
        "%252E%252E%252Fsecret.dat", "....//secret.dat", "..././secret.dat", secret,
        slashes(secret), "%5C%5Cserver%5Cshare%5Cx", "c:secret.dat", "C:%5Cwindows%5Cwin.ini",
        "c:/x", "file:secret.dat", "logs/../secret.dat", root + secret,
        "..%c0%afsecret.dat", "..%c1%9csecret.dat", "%00../secret.dat", "secret.dat%00.png",
        "x%0A..%2Fsecret.dat", longname, "../" + longname, std::string(80, '.'), "%2E", "%2E%2E",
        "..%00", "a:b", "%5C..%5Csecret.dat", "%5C%5C%3F%5CC%3A%5Csecret", "%7E%2F.ssh%2Fid_rsa",
        "..;/secret.dat", "%u002e%u002e%u2215secret", "secret.dat%09", "se%7Fcret.dat",
        "%FF%FE..%2F", slashes(root + secret), "%2e%2e/%2e%2e" + secret,
        "..%5C..%5C..%5Cwindows", "%%32%65%%32%65%%32%66secret.dat", "secret.dat",
    };
    ASSERT_GE(forms.size(), 40u);
    for (const std::string &f : forms) {
        for (const char *action : {"", "&action=totalload&time=00:02"}) {
            std::string q = "logfile=" + f + action;
            std::string tracefile = s.path("trace.txt");
            cgiopts o;
            // a leak checker cannot run under a tracer
            std::string wrap = "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=%file -o " + tracefile;
            if (traced)
                o.wrapper = wrap.c_str();
            auto r = runcgi(s, q.c_str(), o);
            EXPECT_EQ(r.status, 0) << f;
            EXPECT_EQ(r.page.find("Bytes: 66"), std::string::npos) << f;   // the secret's counters
            bool refused = r.page.find("<p>Access denided !</p><p>A log asked for by name") !=
                               std::string::npos ||
                           r.page.find("<p>Access denided !</p><p>The log ") != std::string::npos;
            bool ownlog = r.page.find("Log file name: logs/vornout.dat<br>") != std::string::npos;
            EXPECT_TRUE(refused || ownlog) << f << ": " << r.page;
            if (!traced)
                continue;
            std::ifstream in(tracefile);
            std::string trace((std::istreambuf_iterator<char>(in)), {});
            ASSERT_FALSE(trace.empty());
            for (const std::string &p : touched(trace))
                EXPECT_TRUE(systempath(p) || sitefile(p)) << f << " touched " << p;
            unlink(tracefile.c_str());
        }
    }
}

// A pipe where a file should be: nobody writes to it, and the request must
// neither wait for a writer nor keep the site's lock while it would.
TEST(Hostile, PipesAreRefusedNotWaitedFor)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("logs/vornout.dat", record(D0, 1, 1) + record(D0 + 120, 2, 2));
    ASSERT_EQ(mkfifo(s.path("logs/pipe.dat").c_str(), 0644), 0);
    cgiopts o;
    o.compare = false;   // a pipe cannot be copied
    const std::string denied =
        "<p>Access denided !</p><p>The log pipe.dat is not a file on a disk.</p></body></html>";
    auto r = runcgi(s, "logfile=pipe.dat", o);
    EXPECT_EQ(r.page, pagehead + "<p>Log file name: logs/pipe.dat<br>Channel Bandwidth: 64000<br><br></p>" + denied);
    s.write("quorlink.cfg", "logpath=logs/\nlogname=pipe.dat\n");
    EXPECT_EQ(runcgi(s, "action=totalload&time=00:02", o).page, r.page);
    const std::string gone = "<p>Access denided !</p><p>The log vornout.dat is not in the log folder.</p></body></html>";
    // a settings file that is a pipe gives the defaults
    unlink(s.path("quorlink.cfg").c_str());
    ASSERT_EQ(mkfifo(s.path("quorlink.cfg").c_str(), 0644), 0);
    EXPECT_EQ(runcgi(s, "", o).page,
              pagehead + "<p>Log file name: vornout.dat<br>Channel Bandwidth: 64000<br><br></p>" + gone);
    // and the next request of the site is answered
    unlink(s.path("quorlink.cfg").c_str());
    s.write("quorlink.cfg", "logpath=logs/\n");
    EXPECT_NE(runcgi(s, "", o).page.find("<img src="), std::string::npos);
}

// What the page may hold once its own mark-up is taken out: no mark-up.
static std::string withouttemplate(const std::string &page)
{
    std::string body = page.substr(page.find("\n\n") + 2);
    static const std::regex img("<center><img src=\"[^\"<>']*\" border=0></center>");
    body = std::regex_replace(body, img, "");
    for (const char *tag : {"<html>", "<body>", "</body>", "</html>", "<p>", "</p>", "<br>"}) {
        for (size_t at; (at = body.find(tag)) != std::string::npos;)
            body.erase(at, strlen(tag));
    }
    return body;
}

static std::string urlencode(const std::string &text)
{
    std::string out;
    char hex[4];
    for (unsigned char c : text) {
        if (isalnum(c) || c == '.' || c == '-' || c == '_') {
            out += (char)c;
        } else {
            snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

TEST(Hostile, MarkupIsNeverReflectedRaw)
{
    const std::vector<std::string> payloads = {
        "<script>alert(1)</script>", "\"><img src=x onerror=alert(1)>", "'><svg onload=alert(1)>",
        "<iframe src=javascript:alert(1)>", "<body onload=alert(1)>", "\" onmouseover=\"alert(1)",
        "' onfocus='alert(1)' autofocus='", "<a href=\"javascript:alert(1)\">x</a>",
        "<img src=x:x onerror=alert(1)//", "</p><h1>pwned</h1>", "<!--", "-->",
        "<meta http-equiv=refresh content=0;url=//x>", "<style>*{display:none}</style>",
        "<base href=//x/>", "<form action=//x><input name=q>", "<object data=//x>",
        "<embed src=//x>", "<svg><script>alert(1)</script></svg>", "<math><mi>x</mi></math>",
        "&lt;script&gt;", "<<script>script>", "<scr<script>ipt>", "\"'><", "<img/src=x/onerror=alert(1)>",
        "<details open ontoggle=alert(1)>", "<video><source onerror=alert(1)>",
        "<textarea></textarea><script>1</script>", "<x onclick=alert(1)>", "%3Cscript%3E",
        "<IMG SRC=\"jav&#x09;ascript:alert(1);\">", "\"><center><img src=\"//x\" border=0></center>",
    };
    ASSERT_GE(payloads.size(), 30u);
    site s;
    s.write("logs/vornout.dat", record(D0, 1, 1) + record(D0 + 120, 2, 2));
    s.write("logs/sumout.dat", record(D0, 1, 1) + record(D0 + 86400, 2, 2));
    int runs = 0;
    auto clean = [&](const char *query, const std::string &where, const std::string &p) {
        auto r = runcgi(s, query);
        EXPECT_EQ(withouttemplate(r.page).find_first_of("<>\"'"), std::string::npos)
            << where << " " << p << ": " << r.page;
        runs++;
    };
    for (const std::string &p : payloads) {
        std::string v = urlencode(p);
        // every parameter at once, for the load chart and for the summary
        std::string all;
        for (const char *param : {"hgrid", "vgrid", "time", "logfile", "datefrom", "days", "dates"})
            all += std::string("&") + param + "=" + v;
        s.write("quorlink.cfg", "logpath=logs/\n");
        clean(("action=" + v + all).c_str(), "query", p);
        clean(("action=sumtotalload" + all).c_str(), "summary query", p);
        // each setting that is printed, with the others sound
        s.write("quorlink.cfg", "logpath=" + p + "\n");
        clean("", "logpath", p);
        s.write("quorlink.cfg", "logpath=logs/\nlogname=" + p + "\n");
        clean("", "logname", p);
        s.write("quorlink.cfg", "logpath=logs/\nsumname=" + p + "\n");
        clean("action=sumtotalload&days=2&dates=", "sumname", p);
        s.write("quorlink.cfg", "logpath=logs/\noutvirtpath=" + p + "\n");
        clean("", "outvirtpath", p);
        clean("action=sumtotalload&days=2&dates=", "outvirtpath", p);
    }
    EXPECT_EQ(runs, (int)payloads.size() * 7);
}

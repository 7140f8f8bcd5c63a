// The head of the page, driven as a web server drives the program.
#include <gtest/gtest.h>

#include <algorithm>

#include "cgirun.h"

static const std::string tail = "</body></html>";
// "Access denided !" and the sentence that says what to fix
static std::string denied(const std::string &why)
{
    return "<p>Access denided !</p><p>" + why + "</p>" + tail;
}
static const std::string missing = denied("The log vornout.dat is not in the log folder.");

static std::string lognameline(const std::string &name, unsigned bw = 64000)
{
    return "<p>Log file name: " + name + "<br>Channel Bandwidth: " + std::to_string(bw) +
           "<br><br></p>";
}

TEST(Request, NoQueryNoSettings)
{
    site s;
    auto r = runcgi(s, nullptr);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.page, pagehead + lognameline("vornout.dat") + missing);
    // the server's log says why, in the system's words
    EXPECT_EQ(complainedof(r.err), "quorlink: quorlink.cfg\nquorlink: vornout.dat\n");
    if (!launched()) {
        EXPECT_EQ(r.err, "quorlink: quorlink.cfg: No such file or directory" + infolder(s, nullptr) + "\n" +
                         "quorlink: vornout.dat: No such file or directory" + infolder(s, nullptr) + "\n");
    }
    EXPECT_EQ(runcgi(s, "").page, r.page);
    // nothing written for a missing log
    EXPECT_FALSE(s.exists("histout.dat"));
}

TEST(Request, SettingsChooseTheLog)
{
    site s;
    // a drive is a folder of its own on Windows, and a name like any other
    // here: the pages differ in whether the folder is there
    cgiopts own;
    own.compare = false;
    const std::string nodrive = "The folder d:\\logs\\ of the log a.dat is not there.";
    s.write("quorlink.cfg", "logpath=c:\\x\\\r\nlogname=d:\\logs\\a.dat\r\nbandwidth=128000\r\n");
    EXPECT_EQ(runcgi(s, "", own).page, pagehead + lognameline("d:\\logs\\a.dat", 128000) + denied(nodrive));
    s.write("quorlink.cfg", "logpath=x\\\n");
    EXPECT_EQ(runcgi(s, "").page, pagehead + lognameline("x\\vornout.dat") +
                                      denied("The folder x\\ of the log vornout.dat is not there."));
    s.write("quorlink.cfg", "logpath=c:\\x\n");
    const std::string joined = launched() ? "The log xvornout.dat is not in the log folder."
                                          : "The folder c:\\ of the log xvornout.dat is not there.";
    EXPECT_EQ(runcgi(s, "", own).page, pagehead + lognameline("c:\\xvornout.dat") + denied(joined));
    // without activelog the request may name an archived log in the folder
    std::string old = runcgi(s, "logfile=old.dat", own).page;
    EXPECT_EQ(old.substr(0, pagehead.size() + lognameline("c:\\xold.dat").size()),
              pagehead + lognameline("c:\\xold.dat"));
    EXPECT_NE(old.find(" xold.dat is not"), std::string::npos) << old;
    EXPECT_EQ(runcgi(s, "logfile=old.dat&activelog=off", own).page,
              pagehead + lognameline("c:\\xvornout.dat") + denied(joined));
    // a negative bandwidth is printed as the unsigned number it becomes,
    // and said to be none
    s.write("quorlink.cfg", "bandwidth=-12\n");
    EXPECT_EQ(runcgi(s, "").page,
              pagehead.substr(0, pagehead.size() - 12) + "<html><body><p>Warning: quorlink.cfg: "
              "bandwidth=-12 (line 1) is negative: the channel has no capacity to judge its "
              "counters and its load by.</p>" + lognameline("vornout.dat", 4294967284u) + missing);
}

TEST(Request, ExistingLogWithSlashPathFromSettings)
{
    site s;
    s.write("quorlink.cfg", "logpath=logs\\\nlogname=day.dat\n");
    s.write("logs/day.dat", "");
    auto page = runcgi(s, "").page;
    EXPECT_EQ(page.find("Access denided"), std::string::npos) << page;
    EXPECT_EQ(page.substr(0, pagehead.size() + lognameline("logs\\day.dat").size()),
              pagehead + lognameline("logs\\day.dat"));
    EXPECT_EQ(page.substr(page.size() - tail.size()), tail);
}

// Windows editors save the settings in UTF-8 (Notepad, with or without its
// byte order mark) or in the ANSI code page (older ones). A UTF-8 name is
// the same name on every Windows, whatever its code page: here a Western
// one (1252) and UTF-8 (65001), under wine, each page and file the same as
// the Linux program's.
TEST(Request, NamesAsWindowsEditorsSaveThem)
{
    site s;
    s.write("Donn\xC3\xA9" "es/vornout.dat", record(1796428800, 1, 1) + record(1796428920, 9, 9));
    std::vector<std::vector<std::string>> locales = {{}};
    if (launched()) {
        const char *dir = getenv("QUORLINK_LOCALES");
        ASSERT_TRUE(dir && *dir) << "QUORLINK_LOCALES names no folder of locales";
        std::string path = std::string("LOCPATH=") + dir;
        locales = {{path, "LANG=fr_FR.UTF-8"}, {path, "LANG=hi_IN.UTF-8"}};
    }
    for (auto &env : locales)
        for (const char *bom : {"", "\xEF\xBB\xBF"}) {
            s.write("quorlink.cfg", std::string(bom) + "logpath=Donn\xC3\xA9" "es\\\r\n"
                                    "outpath=Donn\xC3\xA9" "es\\load.gif\r\n");
            cgiopts o;
            o.env = env;
            auto page = runcgi(s, "action=rxloaddyn", o).page;
            EXPECT_NE(page.find("<img src="), std::string::npos)
                << (env.empty() ? "" : env.back()) << ": " << page;
            EXPECT_TRUE(chart(s.read("Donn\xC3\xA9" "es/load.gif")).ok());
        }
    if (!launched())
        return;
    // the same name as a Western ANSI editor saves it, on a Western Windows
    s.write("quorlink.cfg", "logpath=Donn\xE9" "es\\\r\noutpath=Donn\xE9" "es\\ansi.gif\r\n");
    cgiopts o;
    o.compare = false;   // the Linux program takes the bytes for another name
    o.env = {std::string("LOCPATH=") + getenv("QUORLINK_LOCALES"), "LANG=fr_FR.UTF-8"};
    auto page = runcgi(s, "action=rxloaddyn", o).page;
    EXPECT_NE(page.find("<img src="), std::string::npos) << page;
    EXPECT_TRUE(chart(s.read("Donn\xC3\xA9" "es/ansi.gif")).ok());
}

TEST(Request, SummaryHead)
{
    site s;
    auto r = runcgi(s, "action=sumtotalload&days=1&datefrom=05%2F12%2F2026");
    EXPECT_EQ(r.page, pagehead +
                          "<p>Query: Porvata VORN-NX Summary Statistics for 1 days since 05 Dec "
                          "2026</p>" + tail);
    s.write("quorlink.cfg", "logpath=p\\\nsumname=s.dat\n");
    r = runcgi(s, "action=sumtotalload&days=7&datefrom=01/02/2026&logfile=..%2Fx");
    EXPECT_EQ(r.page, pagehead +
                          "<p>Query: Porvata VORN-NX Summary Statistics for 7 days since 01 Feb "
                          "2026</p>" + lognameline("p\\s.dat") +
                          denied("The folder p\\ of the daily log s.dat is not there."));
}

// Every way a request could try to name a file outside the log folder.
TEST(Request, LogfileMustBeABareName)
{
    const std::string refused =
        denied("A log asked for by name (logfile=) must be a file in the log folder.");
    site s;
    s.write("quorlink.cfg", "logpath=logs/\n");
    s.write("secret.dat", "time=1\n");
    s.write("logs/ok.dat", "");
    const char *hostile[] = {
        "..%5C..%5Cx",      "..\\secret.dat", "../secret.dat", "..%2Fsecret.dat",
        "%2Fetc%2Fpasswd",  "c:secret.dat",   "C:%5Cboot.ini", "..",
        ".",                "a%01b",          "%7F",           "a%FFb",
    };
    for (const char *h : hostile) {
        std::string q = std::string("logfile=") + h;
        auto r = runcgi(s, q.c_str());
        EXPECT_NE(r.page.find(refused), std::string::npos) << h << ": " << r.page;
        EXPECT_FALSE(s.exists("histout.dat")) << h;
        // told, but no byte of the name may break the server's log line
        EXPECT_NE(r.err.find(": refused: "), std::string::npos) << h << ": " << r.err;
        EXPECT_EQ(std::count_if(r.err.begin(), r.err.end(),
                                [](char c) { return (c > 0 && c < 0x20) || c == 0x7F; }),
                  std::count(r.err.begin(), r.err.end(), '\n'))
            << h << ": " << r.err;
    }
    EXPECT_NE(runcgi(s, "logfile=a%01b").err.find("quorlink: logs/a\\x01b: refused"), std::string::npos);
    // names Windows takes for devices or trims, or may not hold: refused on
    // both systems though a file of that name is there
    const std::string rec = "time=1796428800\n1\n2\n3\nRx: 1\n5\n6\n7\n8\n9\nTx: 1\n";
    const char *windows[] = {"nul.dat", "Com1.txt", "CON", "aux.log", "conin$", "CONOUT$.x",
                             "lpt9", "Prn.a.b", "ok.dat.", "a*b", "a?b", "a|b", "a\"b"};
    for (const char *w : windows) {
        s.write(std::string("logs/") + w, rec + rec);
        std::string q = "logfile=";
        for (const char *c = w; *c; c++) {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", (unsigned char)*c);
            q += hex;
        }
        auto page = runcgi(s, q.c_str()).page;
        EXPECT_NE(page.find(refused), std::string::npos) << w << ": " << page;
        EXPECT_FALSE(s.exists("histout.dat")) << w;
    }
    // names that only look like devices are logs like any other
    for (const char *ok : {"com10.dat", "console.dat", "nul_1.dat", "lptx"}) {
        s.write(std::string("logs/") + ok, rec + rec);
        auto page = runcgi(s, (std::string("logfile=") + ok).c_str()).page;
        EXPECT_NE(page.find("<img src="), std::string::npos) << ok << ": " << page;
    }
    std::string longname = "logfile=" + std::string(79, 'a');
    EXPECT_NE(runcgi(s, (longname + "b").c_str()).page.find(refused), std::string::npos);
    // activelog makes logfile irrelevant, hostile or not
    auto page = runcgi(s, "logfile=../secret.dat&activelog=on").page;
    EXPECT_NE(page.find(lognameline("logs/vornout.dat")), std::string::npos);
}

TEST(Request, PrintedTextsAreEscaped)
{
    site s;
    s.write("quorlink.cfg", "logpath=<b>\"x'&\n");
    auto page = runcgi(s, "logfile=%3Cscript%3Ealert(1)%3C%2Fscript%3E").page;
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos) << page;
    page = runcgi(s, "logfile=%3Ci%3E").page;
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;&quot;x&#39;&amp;&lt;i&gt;"), std::string::npos) << page;
}

TEST(Request, OverlongInputsStayInBounds)
{
    site s;
    std::string cfg;
    for (const char *k : {"logpath=", "logname=", "sumname=", "outpath=", "outvirtpath="})
        cfg += std::string(k) + std::string(500, 'v') + "\n";
    cfg += "qtime=" + std::string(500, '9') + "\n";
    s.write("quorlink.cfg", cfg);
    std::string q = "action=" + std::string(3000, 'a') + "&time=" + std::string(3000, '%');
    auto r = runcgi(s, q.c_str());
    EXPECT_EQ(r.status, 0);
    // the joined path holds both 79-character values whole
    EXPECT_NE(r.page.find(lognameline(std::string(158, 'v'))), std::string::npos) << r.page;
}

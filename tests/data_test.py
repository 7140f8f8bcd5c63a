#!/usr/bin/python3
"""The figures of periods across a rotation's archived logs, worked out here
from the raw logs by the rules the README gives, against the program's; and
its CSV, JSON and HTML answers on the same logs, each read by its own parser,
against one another.

The logs come from genlog: wraps, restarts, gaps, a steady load and Windows
line ends, split as a rotation leaves them (some gzipped, two holding the
same record). The program runs as a CGI in the site's folder, QUERY_STRING in
its environment.

  QUORLINK_BUILD     the Linux build: genlog, and the program under test
  QUORLINK_PROGRAM,  another system's program and what runs it (scripts/wine):
  QUORLINK_LAUNCHER  every answer then also byte for byte the Linux program's,
                     on a copy of the site
"""
import calendar
import csv
import gzip
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

BUILD = os.environ.get("QUORLINK_BUILD") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "build")
HOSTPROGRAM = os.path.join(BUILD, "quorlink")
PROGRAM = os.environ.get("QUORLINK_PROGRAM") or HOSTPROGRAM
LAUNCHER = os.environ.get("QUORLINK_LAUNCHER") or None

BANDWIDTH = 2000000   # bit/s, for genlog and the settings alike
QTIME = 120
LOGNAME = "vornout.dat"
T0 = calendar.timegm((2026, 12, 1, 0, 0, 0))

failures = []
passed = 0


def check(what, ok, detail=""):
    global passed
    if ok:
        passed += 1
    else:
        failures.append(what)
        print("FAILED: %s%s" % (what, "\n  " + detail if detail else ""), file=sys.stderr)
    return ok


def same(what, got, want):
    return check(what, got == want, "got  %r\n  want %r" % (got, want))


def near(what, got, want, decimals=3):
    """A rate or share printed with up to that many decimals."""
    if got is None or want is None:
        return same(what, got, want)
    ok = abs(got - want) <= 0.5 * 10 ** -decimals + 1e-9 * abs(want)
    return check(what, ok, "got %r, want %r" % (got, want))


def iso(t):
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(t))


def isodate(t):
    return time.strftime("%Y-%m-%d", time.gmtime(t))


def pagetime(isotime):
    """How the figures page names a time: "Tue 01 Dec 2026 00:00 UTC"."""
    return time.strftime("%a %d %b %Y %H:%M UTC", time.strptime(isotime, "%Y-%m-%dT%H:%M:%SZ"))


def bound(t):
    """A time as from= and to= take it, to the minute: dd/mm/yyyy+hh:mm."""
    assert t % 60 == 0
    return time.strftime("%d/%m/%Y+%H:%M", time.gmtime(t))


# --- the logs ---------------------------------------------------------------

def genlog(*args):
    return subprocess.run([os.path.join(BUILD, "genlog")] + [str(a) for a in args],
                          check=True, stdout=subprocess.PIPE).stdout


def records(text):
    """The records of a log, as the README's "The counter logs" has them:
    a time= line, then ten data lines, Rx the number after the first ":" of
    the 4th and Tx of the 10th; CR LF or LF, and a 0x1A ends the file."""
    text = text.split(b"\x1a")[0].decode("ascii")
    lines = text.replace("\r\n", "\n").split("\n")
    out = []
    for i, line in enumerate(lines):
        if line.startswith("time="):
            data = lines[i + 1:i + 11]
            value = lambda l: int(l.split(":", 1)[1])
            out.append((int(line[5:]), value(data[3]), value(data[9])))
    return out


def recordtexts(text):
    """genlog's text cut into its records' texts, in order."""
    parts = text.rstrip(b"\x1a").split(b"time=")
    assert parts[0] == b""
    return [b"time=" + p for p in parts[1:]]


def makesite(folder):
    """The site: settings, a rotation of logs and a summary log. Two runs of
    the device: the first with varied load, counters that start just under
    2^32, four gaps and a restart; then, after a gap, a restarted device at
    a steady load, with Windows line ends."""
    logs = os.path.join(folder, "logs")
    os.makedirs(logs)
    with open(os.path.join(folder, "quorlink.cfg"), "w") as f:
        f.write("logpath=logs/\nlogname=%s\nsumname=sumout.dat\noutpath=quorlinkout.gif\n"
                "qtime=%d\nbandwidth=%d\n" % (LOGNAME, QTIME, BANDWIDTH))
    first = genlog("--count", 1500, "--start", T0, "--bandwidth", BANDWIDTH, "--wrap",
                   "--restart", 900, "--gap", "400:3600", "--gap", "900:1000", "--gap", "1200:200",
                   # an interval of one and a half qtime= is no gap; a second more is
                   "--gap", "1300:60", "--gap", "1350:61", "--seed", 5)
    firstrecs = recordtexts(first)
    lastt = records(firstrecs[-1])[0][0]
    second = genlog("--count", 800, "--start", lastt + 720, "--bandwidth", BANDWIDTH,
                    "--load", 0.3, "--restart", 650, "--gap", "600:300", "--crlf", "--seed", 9)
    secondrecs = recordtexts(second)
    recs = firstrecs + secondrecs
    # oldest first; the first two both hold record 399, and the interval
    # after it is a gap; the current log keeps the 0x1A of its end
    rotation = [("vornout.dat.4.gz", 0, 400), ("vornout.dat-20261202", 399, 1000),
                ("vornout.dat.2.gz", 1000, 1500), ("vornout.dat.1", 1500, 2000),
                (LOGNAME, 2000, 2300)]
    for name, a, b in rotation:
        text = b"".join(recs[a:b]) + (b"\x1a" if b == len(recs) else b"")
        plain = os.path.join(logs, name[:-3] if name.endswith(".gz") else name)
        with open(plain, "wb") as f:
            f.write(text)
        if name.endswith(".gz"):
            subprocess.run(["gzip", "-n", plain], check=True)
    # no archive of the log: its name is not the log's followed by "." or "-"
    with open(os.path.join(logs, "vornout.dated"), "wb") as f:
        f.write(genlog("--count", 50, "--start", T0 + 86400 + 60, "--bandwidth", BANDWIDTH,
                       "--load", 1))
    with open(os.path.join(logs, "sumout.dat"), "wb") as f:
        f.write(genlog("--daily", "--count", 40, "--start", T0 - 20 * 86400 + 14 * 3600, "--wrap",
                       "--crlf"))


def readlog(path):
    with open(path, "rb") as f:
        text = f.read()
    return records(gzip.decompress(text) if path.endswith(".gz") else text)


def archives(logs):
    """The current log and its archives: the log's name followed by "." or
    "-" and more."""
    names = [LOGNAME] + [n for n in os.listdir(logs) if n.startswith(LOGNAME) and
                         len(n) > len(LOGNAME) + 1 and n[len(LOGNAME)] in ".-"]
    return names


def merged(logs):
    """Every record of the log and its archives in time order, a time that
    two logs hold taken once."""
    bytime = {}
    for name in archives(logs):
        for r in readlog(os.path.join(logs, name)):
            if r[0] in bytime:
                assert bytime[r[0]] == r, "two logs hold different records at %d" % r[0]
            bytime[r[0]] = r
    return [bytime[t] for t in sorted(bytime)]


# --- the rules --------------------------------------------------------------

def capacity(seconds):
    """What the channel carries in that many seconds, in bytes."""
    return BANDWIDTH // 8 * seconds


def counted(prev, cur, seconds):
    """The bytes a 32-bit counter counted, and how: a counter lower than
    before wrapped when the channel could have carried the difference modulo
    2^32 in the time; else the device restarted, and the new value counts,
    or nothing when the channel could not have carried that."""
    if cur >= prev:
        return cur - prev, "counted"
    modulo = (cur - prev) % 2 ** 32
    if modulo <= capacity(seconds):
        return modulo, "wrapped"
    return (cur if cur <= capacity(seconds) else 0), "restarted"


def intervals(recs):
    """The intervals between consecutive records, each with the record that
    ends it."""
    out = []
    for (t0, rx0, tx0), (t, rx, tx) in zip(recs, recs[1:]):
        seconds = t - t0
        rxbytes, rxhow = counted(rx0, rx, seconds)
        txbytes, txhow = counted(tx0, tx, seconds)
        out.append(dict(t=t, seconds=seconds, rx=rx, tx=tx, rxbytes=rxbytes, txbytes=txbytes,
                        rxhow=rxhow, txhow=txhow, gap=seconds > 1.5 * QTIME))
    return out


def inperiod(ivs, start, end):
    """An interval belongs to the period when its ending record's time t is
    start <= t < end (None: open)."""
    return [iv for iv in ivs if (start is None or iv["t"] >= start) and (end is None or iv["t"] < end)]


def flow(ivs, bytesof, seconds):
    rates = [bytesof(iv) * 8 / iv["seconds"] for iv in ivs]
    peak = max(rates)
    n = len(rates)
    # sort the rates, set aside the highest floor(n * 5 / 100), take the
    # highest left
    p95 = sorted(rates, reverse=True)[n * 5 // 100]
    total = sum(bytesof(iv) for iv in ivs)
    average = total * 8 / seconds
    share = lambda bps: bps * 100 / BANDWIDTH
    return {"bytes": total, "average_bps": average, "peak_bps": peak,
            "peak_time": iso(ivs[rates.index(peak)]["t"]), "p95_bps": p95,
            "average_percent": share(average), "peak_percent": share(peak),
            "p95_percent": share(p95)}


def figures(ivs):
    if not ivs:
        return None
    seconds = sum(iv["seconds"] for iv in ivs)
    return {
        "first": iso(ivs[0]["t"] - ivs[0]["seconds"]), "last": iso(ivs[-1]["t"]),
        "intervals": len(ivs), "gaps": sum(iv["gap"] for iv in ivs),
        "gap_seconds": sum(iv["seconds"] for iv in ivs if iv["gap"]),
        "restarts": sum(iv["rxhow"] == "restarted" or iv["txhow"] == "restarted" for iv in ivs),
        "wraps": sum((iv["rxhow"] == "wrapped") + (iv["txhow"] == "wrapped") for iv in ivs),
        # a counter that rose by more than the channel carries in the time
        "over_capacity": sum(iv["seconds"] > 0 and capacity(iv["seconds"]) > 0 and
                             max(iv["rxbytes"], iv["txbytes"]) > capacity(iv["seconds"]) for iv in ivs),
        "rx": flow(ivs, lambda iv: iv["rxbytes"], seconds),
        "tx": flow(ivs, lambda iv: iv["txbytes"], seconds),
        "total": flow(ivs, lambda iv: iv["rxbytes"] + iv["txbytes"], seconds),
    }


# --- the program ------------------------------------------------------------

def runone(folder, query, program, launcher):
    env = {"GATEWAY_INTERFACE": "CGI/1.1", "REQUEST_METHOD": "GET", "TZ": "UTC0",
           "PATH": "/usr/bin:/bin", "QUERY_STRING": query}
    for keep in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "QUORLINK_WINEPREFIX"):
        if keep in os.environ:
            env[keep] = os.environ[keep]
    argv = ([launcher] if launcher else []) + [program]
    r = subprocess.run(argv, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    err = r.stderr.decode(errors="replace")
    check("%s exits 0, query %s" % (program, query), r.returncode == 0, err)
    if not launcher:
        # the program's standard error holds its complaints and nothing else
        # (a sanitizer's report, say)
        bad = [line for line in err.splitlines() if not line.startswith("quorlink: ")]
        check("only complaints on standard error, query " + query, not bad, "\n".join(bad))
    return r.stdout


def fromwindows(raw, query):
    """A Windows program's answer: its header's lines end in CR LF; the body
    is the bytes the Linux program writes."""
    head, sep, body = raw.partition(b"\r\n\r\n")
    check("header ended in CR LF, query " + query,
          sep != b"" and b"\n" not in head.replace(b"\r\n", b""))
    return head.replace(b"\r\n", b"\n") + b"\n\n" + body


class Site:
    """The site, and under a launcher a twin of it that the Linux program
    answers from, to compare."""

    def __init__(self, folder):
        self.folder = folder
        if LAUNCHER:
            self.twin = folder + "-linux"
            shutil.copytree(folder, self.twin)

    def run(self, query):
        """The answer, split into its header lines and its body."""
        if not LAUNCHER:
            answer = runone(self.folder, query, PROGRAM, None)
        else:
            want = runone(self.twin, query, HOSTPROGRAM, None)
            answer = fromwindows(runone(self.folder, query, PROGRAM, LAUNCHER), query)
            same("the answer is the Linux program's byte for byte, query " + query, answer, want)
            same("the interval file is the Linux program's, query " + query,
                 self.read("histout.dat"), self.read("histout.dat", self.twin))
        head, _, body = answer.partition(b"\n\n")
        return head.decode().split("\n"), body

    def read(self, name, folder=None):
        path = os.path.join(folder or self.folder, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()


def headerof(head, name):
    for line in head:
        if line.lower().startswith(name.lower() + ":"):
            return line.split(":", 1)[1].strip()
    return None


def asjson(what, head, body):
    check(what + " is JSON", headerof(head, "Content-Type") == "application/json", repr(head))
    try:
        return json.loads(body.decode("utf-8"))
    except ValueError as e:
        check(what + " parses as JSON", False, "%s: %r" % (e, body[:300]))
        return {}


def ascsv(what, head, body):
    check(what + " is CSV", headerof(head, "Content-Type") == "text/csv; charset=utf-8", repr(head))
    check(what + " comes as a download", (headerof(head, "Content-Disposition") or "")
          .startswith('attachment; filename="'), repr(head))
    text = body.decode("utf-8")
    check(what + ": every CSV line ends in CR LF", text.endswith("\r\n") and
          text.count("\n") == text.count("\r\n"))
    return list(csv.DictReader(io.StringIO(text, newline="")))


def number(text):
    """A CSV cell as the JSON number it stands for; empty for null."""
    if text == "":
        return None
    return float(text) if "." in text else int(text)


# --- the checks -------------------------------------------------------------

CHART = b'<img src="data:image/gif;base64,'

FLOWKEYS = ["bytes", "average_bps", "peak_bps", "peak_time", "p95_bps", "average_percent",
            "peak_percent", "p95_percent"]
COUNTKEYS = ["first", "last", "intervals", "gaps", "gap_seconds", "restarts", "wraps", "over_capacity"]


def checkfigures(what, got, want):
    if want is None or got is None:
        return same(what + ": figures", got, want)
    for k in COUNTKEYS:
        same("%s: %s" % (what, k), got.get(k), want[k])
    for name in ("rx", "tx", "total"):
        for k in FLOWKEYS:
            g, w = got.get(name, {}).get(k), want[name][k]
            if isinstance(w, float):
                near("%s: %s %s" % (what, name, k), g, w)
            else:
                same("%s: %s %s" % (what, name, k), g, w)


def checkfigurescsv(what, rows, fig):
    """The CSV's rows, one a flow, hold the JSON's figures."""
    if fig is None:
        return same(what + ": no rows for no figures", rows, [])
    same(what + ": a row a flow", [r["flow"] for r in rows], ["rx", "tx", "total"])
    for r in rows:
        if r["flow"] not in fig:
            continue
        for k in COUNTKEYS:
            same("%s CSV %s: %s" % (what, r["flow"], k), number(r[k]) if k not in ("first", "last")
                 else r[k], fig[k])
        for k in FLOWKEYS:
            same("%s CSV %s: %s" % (what, r["flow"], k), r[k] if k == "peak_time" else number(r[k]),
                 fig[r["flow"]][k])


def scaledvalue(text, units, step):
    """"1.23 MB" or "40.0 kbit/s" as the number it rounds."""
    value, unit = text.split(" ")
    return float(value) * step ** units.index(unit)


def checkusagepage(what, page, fig):
    """The figures page says the JSON's figures in words: the counts exactly,
    bytes in full and to three digits in decimal units, rates to three."""
    if fig is None:
        return same(what + ": the page says the period holds no record",
                    page.endswith("<p>The logs hold no record in that period.</p></body></html>"), True)
    m = re.search(r"(\d+) intervals?, from the record of (.*?) to that of (.*?); (\d+) gaps?"
                  r"(?: \((\d+) h (\d+) min in all\))?, (\d+) restarts?, (\d+) wraps?\.</p>", page)
    if not check(what + ": the page has its counts", m is not None, page[:400]):
        return
    hours, minutes = divmod(fig["gap_seconds"] // 60, 60)
    gaplength = (str(hours), str(minutes)) if fig["gaps"] else (None, None)
    same(what + ": the page's counts", m.groups(),
         (str(fig["intervals"]), pagetime(fig["first"]), pagetime(fig["last"]), str(fig["gaps"]))
         + gaplength + (str(fig["restarts"]), str(fig["wraps"])))
    rows = dict(re.findall(r'<tr><th scope="row">([^<]*)</th>(.*?)</tr>', page))
    cells = {k: re.findall(r"<td>(.*?)</td>", v) for k, v in rows.items()}
    same(what + ": the page's table", {k: len(v) for k, v in cells.items()},
         {"Carried": 3, "Average": 3, "Peak": 3, "95th percentile": 3})
    flows = ("rx", "tx", "total")
    for name, cell in zip(flows, cells.get("Carried", [])):
        m = re.fullmatch(r"([\d,]+) bytes(?: \((.*)\))?", cell)
        if not check("%s: %s bytes on the page" % (what, name), m is not None, cell):
            continue
        # in full, with thousands separators
        same("%s: %s bytes on the page" % (what, name), m.group(1), "{:,}".format(fig[name]["bytes"]))
        if fig[name]["bytes"] >= 1000:
            short = scaledvalue(m.group(2), ["B", "KB", "MB", "GB", "TB"], 1000)
            check("%s: %s bytes in decimal units (%s)" % (what, name, m.group(2)),
                  abs(short - fig[name]["bytes"]) <= 0.005 * fig[name]["bytes"])
    units = ["bit/s", "kbit/s", "Mbit/s", "Gbit/s"]
    for row, key in (("Average", "average"), ("Peak", "peak"), ("95th percentile", "p95")):
        for name, cell in zip(flows, cells.get(row, [])):
            m = re.match(r"([\d.]+ \S+) \(([\d.]+)% of the channel\)", cell)
            if not check("%s: %s %s on the page" % (what, name, key), m is not None, cell):
                continue
            bps = fig[name][key + "_bps"]
            check("%s: %s %s on the page (%s)" % (what, name, key, m.group(1)),
                  abs(scaledvalue(m.group(1), units, 1000) - bps) <= 0.005 * bps)
            near("%s: %s %s share on the page" % (what, name, key), float(m.group(2)),
                 fig[name][key + "_percent"], 1)
            if key == "peak":
                check("%s: %s peak time on the page" % (what, name),
                      cell.endswith("in the interval to " + pagetime(fig[name]["peak_time"])), cell)


def checkintervals(site, what, query, want):
    """The intervals of a period as JSON, as CSV and in the interval file that
    the load chart's page writes: each the intervals worked out here."""
    head, body = site.run("action=rxloaddyn&" + query + "&format=json")
    got = asjson(what + " intervals", head, body).get("intervals")
    same(what + ": JSON intervals", got, [{"time": iso(iv["t"]), "seconds": iv["seconds"],
                                           "rx_bytes": iv["rxbytes"], "tx_bytes": iv["txbytes"]}
                                          for iv in want])
    head, body = site.run("action=rxloaddyn&" + query + "&format=csv")
    rows = ascsv(what + " intervals", head, body)
    keys = ("time", "seconds", "rx_bytes", "tx_bytes")
    same(what + ": CSV intervals are the JSON's",
         [{k: number(r[k]) if k != "time" else r[k] for k in keys} for r in rows], got)
    for r in rows:
        for d in ("rx", "tx"):
            near("%s: CSV %s_bps at %s" % (what, d, r["time"]), number(r[d + "_bps"]),
                 int(r[d + "_bytes"]) * 8 / int(r["seconds"]))
    head, body = site.run("action=rxloaddyn&hgrid=on&vgrid=on&" + query)
    check(what + ": the chart page holds its chart", CHART in body, body[:300])
    same(what + ": the interval file", (site.read("histout.dat") or b"").decode().splitlines(),
         ["%(t)d %(rx)d %(rxbytes)d %(tx)d %(txbytes)d" % iv for iv in want])


def steps(ivs, step):
    """The intervals summed into steps of that many seconds from the Unix
    epoch, each by its ending record's time; the peaks the highest interval
    rates in each."""
    out = {}
    for iv in ivs:
        start = iv["t"] - iv["t"] % step
        s = out.setdefault(start, {"time": iso(start), "seconds": 0, "rx_bytes": 0, "tx_bytes": 0,
                                   "rx_peak_bps": 0.0, "tx_peak_bps": 0.0})
        s["seconds"] += iv["seconds"]
        for d in ("rx", "tx"):
            s[d + "_bytes"] += iv[d + "bytes"]
            s[d + "_peak_bps"] = max(s[d + "_peak_bps"], iv[d + "bytes"] * 8 / iv["seconds"])
    return [out[t] for t in sorted(out)]


def checksteps(site, what, query, want):
    """The period's intervals summed into steps, as JSON and CSV, against the
    sums worked out here; a day's steps add up to the period's figures."""
    for step in (120, 900, 3600, 86400):
        asked = "action=txloaddyn&%s&step=%d" % (query, step)
        head, body = site.run(asked + "&format=json")
        answer = asjson("%s steps of %d s" % (what, step), head, body)
        got, expect = answer.get("steps") or [], steps(want, step)
        same("%s, steps of %d s: step_s" % (what, step), answer.get("step_s"), step)
        keys = ("time", "seconds", "rx_bytes", "tx_bytes")
        same("%s, steps of %d s: times, seconds and bytes" % (what, step),
             [{k: g.get(k) for k in keys} for g in got], [{k: e[k] for k in keys} for e in expect])
        for g, e in zip(got, expect):
            for k in ("rx_peak_bps", "tx_peak_bps"):
                near("%s, step %s: %s" % (what, e["time"], k), g.get(k), e[k])
        head, body = site.run(asked + "&format=csv")
        same("%s, steps of %d s: CSV is the JSON" % (what, step),
             [{k: number(r[k]) if k != "time" else r[k] for k in r}
              for r in ascsv("%s steps" % what, head, body)], got)
        for d in ("rx", "tx"):
            same("%s, steps of %d s: %s bytes in all" % (what, step, d),
                 sum(g.get(d + "_bytes", 0) for g in got), sum(iv[d + "bytes"] for iv in want))
            if want:
                near("%s, steps of %d s: the highest %s peak is the period's" % (what, step, d),
                     max(g.get(d + "_peak_bps", 0) for g in got),
                     max(iv[d + "bytes"] * 8 / iv["seconds"] for iv in want))


def checklookup(site, current, hhmm, start):
    """The time lookup: the counters of the first interval of the current
    log whose time of day, in whole minutes, lies within 3 minutes of hh:mm,
    as the page, JSON and CSV give them."""
    target = int(hhmm[:2]) * 3600 + int(hhmm[3:]) * 60
    found = [iv for iv in current if abs(iv["t"] % 86400 // 60 * 60 - target) <= 180]
    want = found[0] if found else None
    what = "lookup of " + hhmm
    if start is not None:
        same(what + " finds the record chosen", want and want["t"], start)
    head, body = site.run("action=totalload&time=" + hhmm)
    page = body.decode()
    m = re.search(r"<br>Rx Bytes: (\d+)<br>Tx Bytes: (\d+)</p>", page)
    same(what + ": the page's counters", m and (int(m.group(1)), int(m.group(2))),
         want and (want["rx"], want["tx"]))
    head, body = site.run("action=totalload&time=%s&format=json" % hhmm)
    same(what + ": JSON", asjson(what, head, body).get("counters", "missing"),
         want and {"time": iso(want["t"]), "rx": want["rx"], "tx": want["tx"]})
    head, body = site.run("action=totalload&time=%s&format=csv" % hhmm)
    same(what + ": CSV", [(r["time"], int(r["rx_counter"]), int(r["tx_counter"]))
                          for r in ascsv(what, head, body)],
         [(iso(want["t"]), want["rx"], want["tx"])] if want else [])


def checkdays(site, folder):
    """The summary's days: each dated by its record, counting to the next
    day's record by the same counter rules; as JSON, as CSV, and the raw
    counters in the interval file of the summary's page, which holds the
    records of the 20 days (the last day's count ends at the record after)."""
    recs = readlog(os.path.join(folder, "logs", "sumout.dat"))[5:26]
    share = lambda iv, n: n * 8 / iv["seconds"] * 100 / BANDWIDTH
    want = [{"date": isodate(iv["t"] - iv["seconds"]), "rx_bytes": iv["rxbytes"],
             "tx_bytes": iv["txbytes"], "rx_percent": share(iv, iv["rxbytes"]),
             "tx_percent": share(iv, iv["txbytes"])} for iv in intervals(recs)]
    check("the summary log wraps", any(iv["rxhow"] == "wrapped" for iv in intervals(recs)))
    query = "action=sumtotalload&datefrom=%s&days=20" % time.strftime("%d/%m/%Y",
                                                                       time.gmtime(recs[0][0]))
    head, body = site.run(query + "&format=json")
    days = asjson("days", head, body).get("days") or []
    keys = ("date", "rx_bytes", "tx_bytes")
    same("days: JSON dates and bytes", [{k: d.get(k) for k in keys} for d in days],
         [{k: d[k] for k in keys} for d in want])
    for d, w in zip(days, want):
        near("days: JSON rx_percent of " + w["date"], d.get("rx_percent"), w["rx_percent"])
        near("days: JSON tx_percent of " + w["date"], d.get("tx_percent"), w["tx_percent"])
    head, body = site.run(query + "&format=csv")
    same("days: CSV is the JSON", [{k: number(r[k]) if k != "date" else r[k] for k in r}
                                   for r in ascsv("days", head, body)], days)
    head, body = site.run(query + "&hgrid=on")
    check("days: the summary page holds its chart", CHART in body, body[:300])
    same("days: the summary's interval file", (site.read("histout.dat") or b"").decode().splitlines(),
         ["%d %d %d" % r for r in recs[:20]])


def main():
    started = time.monotonic()
    work = tempfile.mkdtemp(prefix="quorlinkdata.")
    try:
        folder = os.path.join(work, "site")
        makesite(folder)
        site = Site(folder)
        logs = os.path.join(folder, "logs")
        allrecs = merged(logs)
        current = intervals(readlog(os.path.join(logs, LOGNAME)))
        every = intervals(allrecs)
        t = [r[0] for r in allrecs]
        newest = t[-1]

        # what the logs hold, so that the checks below check something
        whole = figures(every)
        check("the logs hold wraps, restarts and gaps",
              whole["wraps"] >= 4 and whole["restarts"] >= 3 and whole["gaps"] >= 4, repr(whole)[:300])
        held = sum(len(readlog(os.path.join(logs, n))) for n in archives(logs))
        check("two logs hold the same record", (held, len(allrecs)) == (2301, 2300),
              str((held, len(allrecs))))
        check("a record 6 hours before the newest", newest - 6 * 3600 in t)

        def between(start, end):   # to the minute
            return "from=%s&to=%s" % (bound(start), bound(end)), start, end

        # (name, query, start, end): start <= t < end, None where open
        periods = [
            ("the current log, without a period", "", None, None),
            ("every log, by whole days", "from=01/12/2026&to=05/12/2026", T0, T0 + 4 * 86400),
            # from the first archive into the second across the shared record
            # and a gap: bounds on records, the first in, the last out
            ("across the first archives",) + between(t[390], t[800]),
            # the second run's start: a gap and a restart at once, between a
            # gzipped archive and a plain one, and on into the current log
            ("across the restart",) + between(t[1440] // 60 * 60, t[2100] // 60 * 60 + 60),
            ("the last 30 hours", "hours=30", newest - 30 * 3600 + 1, newest + 1),
            # a record right at the newest's time less 6 hours: not in it
            ("the last 6 hours", "hours=6", newest - 6 * 3600 + 1, newest + 1),
            ("from a day on", "from=03/12/2026", T0 + 2 * 86400, None),
            ("up to a time", "to=02/12/2026+06:00", None, T0 + 86400 + 6 * 3600),
            ("a period inside a gap",) + between(t[399] + 60, t[400]),
            ("a period of the first record alone",) + between(T0, T0 + 60),
        ]
        for what, query, start, end in periods:
            ivs = current if not query else inperiod(every, start, end)
            want = figures(ivs)
            print("%s (%s): %s" % (what, query or "-", "no interval" if not want else
                  "%(intervals)d intervals, %(gaps)d gaps, %(restarts)d restarts, "
                  "%(wraps)d wraps" % want))
            usage = "action=usage" + ("&" + query if query else "")
            head, body = site.run(usage + "&format=json")
            got = asjson(what, head, body)
            same(what + ": the period as JSON gives it", (got.get("from"), got.get("to")),
                 (start and iso(start), end and iso(end)) if query else (None, None))
            checkfigures(what, got.get("figures", "missing"), want)
            head, body = site.run(usage + "&format=csv")
            checkfigurescsv(what, ascsv(what, head, body), got.get("figures"))
            head, body = site.run(usage)
            checkusagepage(what, body.decode(), got.get("figures"))
            if want:
                checkintervals(site, what, query or "activelog=on", ivs)
            checksteps(site, what, query or "activelog=on", ivs)

        # a record in the middle of the current log, and a time of day that
        # the current log does not reach
        middle = current[len(current) // 2]
        checklookup(site, current, time.strftime("%H:%M", time.gmtime(middle["t"] + 120)),
                    middle["t"])
        away = (current[0]["t"] + (current[-1]["t"] - current[0]["t"]) // 2 + 12 * 3600) % 86400
        checklookup(site, current, "%02d:%02d" % (away // 3600, away % 3600 // 60), None)
        checkdays(site, folder)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed, in %.1f s" % (passed, len(failures), time.monotonic() - started))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

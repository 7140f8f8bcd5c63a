"""A device's log rotated by logrotate under a writer and readers.

  rotation.py BASE PROGRAM LOGS NAME CONFIG [ROTATE-COMMAND...]

A writer appends a record to LOGS/vornout.dat every 50 ms, by its name, the
way a device that opens its log for each record does, and keeps the list of
what it wrote. Two readers ask the program through the server, over and
over: the intervals as CSV from a day before the first record, the last
hours as JSON, and the current log's figures as JSON. Meanwhile CONFIG is
run twelve times (ROTATE-COMMAND before logrotate, as faketime). Then the
writer stops, and every answer is judged against what it wrote:

- whole: 200, and its records are the writer's, none missing between the
  first and the last, the bytes of each interval the counters' difference,
  and none older than what the writer had written when it was asked;
- said: the answer stopped, or refused, and says why in its own format (a
  CSV error row, a JSON error);
- bad: anything else (a 404, a CSV or JSON cut short with nothing said,
  a record missing or counted twice, an archive named as not read).

Records that are in none of the logs at the end are lost by the rotation
itself (copytruncate, between its copy and its truncate); the answers are
judged against the others. Prints one line per check, "pass WHAT" or
"fail WHAT", then the evidence of the first bad answers.
"""

import bisect
import calendar
import gzip
import json
import os
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.request

base, program, logs, name, config = sys.argv[1:6]
rotatecmd = sys.argv[6:]
log = os.path.join(logs, "vornout.dat")
STEP = 120                 # seconds between the records' times
PAUSE = 0.05               # between two records written
ROTATIONS, APART = 12, 0.6  # rotations, and seconds between them
HOURS = 3
T0 = (int(time.time()) // 86400 - 30) * 86400   # a midnight a month ago
FROM = time.strftime("%d/%m/%Y", time.gmtime(T0 - 86400))
QUERIES = {
    "csv": f"action=rxloaddyn&from={FROM}&format=csv",
    "hours": f"action=rxloaddyn&hours={HOURS}&format=json",
    "usage": "action=usage&format=json",
}


def counters(t):
    i = (t - T0) // STEP
    return 1000 * i + 7, 500 * i + 3


def record(t):
    rx, tx = counters(t)
    return (f"time={t}\nchannel: 1\nstate: up\nspeed: 64000\nRx bytes: {rx}\n"
            f"Rx packets: {rx // 512}\nRx errors: 0\nRx dropped: 0\n"
            f"Tx packets: {tx // 512}\nTx errors: 0\nTx bytes: {tx}\n")


written = []               # the writer's own list: appended to only
stop = threading.Event()


def writer():
    t = T0
    while not stop.is_set():
        fd = os.open(log, os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644)
        os.write(fd, record(t).encode())
        os.close(fd)
        written.append(t)
        t += STEP
        time.sleep(PAUSE)


def listing():
    out = []
    for f in sorted(os.listdir(logs)):
        try:
            out.append(f"{f} {os.path.getsize(os.path.join(logs, f))}")
        except OSError:
            out.append(f"{f} (gone)")
    return ", ".join(out)


def ask(kind, query=None):
    answer = {"kind": kind, "query": query or QUERIES[kind], "before": listing(),
              "known": len(written)}
    url = f"{base}/cgi-bin/{program}?{answer['query']}"
    try:
        with urllib.request.urlopen(url, timeout=30) as r:
            answer["status"], headers, answer["body"] = r.status, r.headers, r.read()
    except urllib.error.HTTPError as e:
        answer["status"], headers, answer["body"] = e.code, e.headers, e.read()
    answer["notread"] = headers.get_all("Quorlink-Not-Read") or []
    answer["after"] = listing()
    return answer


answers = []


def reader():
    while not stop.is_set():
        for kind in QUERIES:
            answers.append(ask(kind))


def epoch(iso):
    return calendar.timegm(time.strptime(iso, "%Y-%m-%dT%H:%M:%SZ"))


def ondisk():
    """The record times in the logs as they are now, each file read whole."""
    times = set()
    for f in os.listdir(logs):
        with open(os.path.join(logs, f), "rb") as fh:
            data = fh.read()
        if data[:2] == b"\x1f\x8b":
            data = gzip.decompress(data)
        times.update(int(line[5:]) for line in data.decode().splitlines() if line.startswith("time="))
    return times


class Judge:
    """Answers against the records written. A record in a log at the end
    (kept) is in every answer that reaches past it; one that copytruncate
    lost may be there or not, as the answer was read before the truncate or
    after it."""

    def __init__(self, kept):
        self.kept = kept               # in time order
        self.keptset = set(kept)
        self.first = written[0]
        self.written = set(written)

    def between(self, a, b):
        """The kept records after a and before b."""
        return bisect.bisect_left(self.kept, b) - bisect.bisect_right(self.kept, a)

    def intervals(self, rows, start=False):
        """rows: (time, seconds, rx, tx), each counted from the record
        before it, with none passed over; from the first record if start."""
        prev = self.first if start else None
        for k, (t, seconds, rx, tx) in enumerate(rows):
            before = t - seconds
            if t not in self.written or before not in self.written or seconds <= 0:
                return f"row {k + 1}: {t} counted from {before}, records the writer did not write"
            if prev is not None and before != prev:
                return f"row {k + 1} ({t}) counts from {before}, not from {prev}"
            if self.between(before, t):
                return f"row {k + 1} ({t}) passes over a record after {before}"
            if (rx, tx) != tuple(a - b for a, b in zip(counters(t), counters(before))):
                return f"row {k + 1} ({t}) counts {rx}/{tx} bytes from {before}"
            prev = t
        return None

    def fresh(self, last, known):
        """Whether an answer ends at the newest kept record written before
        it was asked (one record is no interval yet)."""
        seen = [t for t in written[:known] if t in self.keptset]
        if seen and seen[-1] != self.first and (last is None or last < seen[-1]):
            return f"ends at {last}, older than {seen[-1]}, written before it was asked"
        return None

    def csv(self, a):
        if a["status"] == 404:
            return "bad", "a 404 for a log being rotated"
        text = a["body"].decode(errors="replace")
        if not text.endswith("\r\n"):
            return "bad", "does not end with a line end"
        lines = text[:-2].split("\r\n")
        if a["status"] != 200:
            return ("said", lines[1]) if lines[0] == "error" and len(lines) == 2 else ("bad", "an error unsaid")
        if lines[0] != "time,seconds,rx_bytes,tx_bytes,rx_bps,tx_bps":
            return "bad", f"header {lines[0]!r}"
        if a["notread"]:
            return "bad", f"not read: {a['notread']}"
        said = lines[-1].startswith("error,")
        rows = []
        for line in lines[1:len(lines) - said]:
            f = line.split(",")
            if len(f) != 6:
                return "bad", f"row {line!r}"
            rows.append((epoch(f[0]), int(f[1]), int(f[2]), int(f[3])))
        wrong = self.intervals(rows, start=True)
        if not wrong and not said:
            wrong = self.fresh(rows[-1][0] if rows else None, a["known"])
        return ("bad", wrong) if wrong else ("said", lines[-1]) if said else ("whole", None)

    def json(self, a):
        if a["status"] == 404:
            return "bad", "a 404 for a log being rotated"
        try:
            doc = json.loads(a["body"])
        except ValueError:
            return "bad", "not whole JSON"
        if a["status"] != 200:
            return ("said", doc["error"]) if "error" in doc else ("bad", "an error unsaid")
        if doc["not_read"]:
            return "bad", f"not read: {doc['not_read']}"
        if a["kind"] == "usage":
            return self.figures(doc["figures"])
        rows = [(epoch(i["time"]), i["seconds"], i["rx_bytes"], i["tx_bytes"]) for i in doc["intervals"]]
        wrong = self.intervals(rows) or self.fresh(rows[-1][0] if rows else None, a["known"])
        if not wrong and rows:
            # the last hours: after the newest record less that many hours
            edge = rows[-1][0] - HOURS * 3600
            before = rows[0][0] - rows[0][1]
            if rows[0][0] <= edge or (before > edge and before != self.first):
                wrong = f"the last {HOURS} hours up to {rows[-1][0]} start at {rows[0][0]}"
        return ("bad", wrong) if wrong else ("whole", None)

    def figures(self, f, whole=False):
        if f is None:
            return ("bad", "no figures") if whole else ("whole", None)
        first, last = epoch(f["first"]), epoch(f["last"])
        if first not in self.written or last not in self.written:
            return "bad", f"figures from {f['first']} to {f['last']}: no records the writer wrote"
        # the kept records after the first, and the lost ones there may be
        kept = self.between(first, last) + (last in self.keptset)
        lost = (last - first) // STEP - kept
        bytes_ = counters(last)[0] - counters(first)[0]
        if not kept <= f["intervals"] <= kept + lost or f["rx"]["bytes"] != bytes_:
            return "bad", f"{f['intervals']} intervals, {f['rx']['bytes']} bytes; the logs hold {kept}, {bytes_}"
        if whole and (first, last) != (self.kept[0], self.kept[-1]):
            return "bad", f"figures from {f['first']} to {f['last']}, not the whole of the logs"
        return "whole", None


def main():
    for f in os.listdir(logs):
        if f.startswith("vornout.dat"):
            os.remove(os.path.join(logs, f))
    state = os.path.join(os.path.dirname(config), f"{name}.state")
    threads = [threading.Thread(target=writer)] + [threading.Thread(target=reader) for _ in range(2)]
    threads[0].start()
    while not written:   # a log that is not there yet is not being rotated
        time.sleep(0.01)
    for th in threads[1:]:
        th.start()
    rotated = []
    for k in range(ROTATIONS):
        time.sleep(APART)
        command = [c.replace("@N@", str(k + 1)) for c in rotatecmd] + ["logrotate", "-f", "-s", state, config]
        r = subprocess.run(command, capture_output=True, text=True)
        rotated.append(r.returncode == 0)
        if r.returncode:
            print(r.stderr, file=sys.stderr)
    time.sleep(0.5)
    stop.set()
    for th in threads:
        th.join()
    onfiles = listing()
    disk = ondisk()
    lost = [t for t in written if t not in disk]
    judge = Judge([t for t in written if t in disk])
    final = [ask("csv"), ask("usage", f"action=usage&from={FROM}&format=json")]

    def check(ok, what):
        print(("pass " if ok else "fail ") + f"{name}: {what}")

    check(all(rotated), f"logrotate rotated {sum(rotated)} times of {ROTATIONS}")
    check(sum(1 for f in os.listdir(logs) if f != "vornout.dat") >= ROTATIONS,
          f"{ROTATIONS} archives or more: {onfiles}")
    if "copytruncate" in open(config).read():
        print(f"note {name}: copytruncate lost {len(lost)} of {len(written)} records in {ROTATIONS} rotations")
    else:
        check(not lost, f"every record written is in a log ({len(lost)} of {len(written)} are not)")
    counts, bad = {}, []
    for a in answers:
        verdict, why = judge.csv(a) if a["kind"] == "csv" else judge.json(a)
        counts.setdefault(a["kind"], {}).setdefault(verdict, 0)
        counts[a["kind"]][verdict] += 1
        if verdict == "bad":
            bad.append((a, why))
        elif verdict == "said":
            counts.setdefault("why", {}).setdefault(why, 0)
            counts["why"][why] += 1
    for kind in QUERIES:
        c = counts.get(kind, {})
        check(not c.get("bad") and c.get("whole"),
              f"{kind}: {sum(c.values())} answers, {c.get('whole', 0)} whole, {c.get('said', 0)} said why, "
              f"{c.get('bad', 0)} bad")
    for why, n in counts.get("why", {}).items():
        print(f"note {name}: {n} answers said: {why}")
    v, why = judge.csv(final[0])
    check(v == "whole" and final[0]["body"].count(b"\r\n") == len(judge.kept),
          f"after the rotations the CSV from {FROM} holds all {len(judge.kept) - 1} intervals ({why or v})")
    try:
        v, why = judge.figures(json.loads(final[1]["body"])["figures"], whole=True)
    except (ValueError, KeyError) as e:
        v, why = "bad", repr(e)
    check(v == "whole", f"after the rotations the figures from {FROM} count every interval once ({why or v})")
    for a, why in bad[:5]:
        print(f"evidence {name}: {a['query']} -> {a['status']}: {why}\n  body: {a['body'][:200]!r} ... "
              f"{a['body'][-200:]!r}\n  not read: {a['notread']}\n  logs before: {a['before']}\n"
              f"  logs after: {a['after']}", file=sys.stderr)


main()

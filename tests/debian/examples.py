#!/usr/bin/python3
"""Runs the examples that the documentation marks as runnable for one
install, and compares what comes back with what the text shows.

  examples.py [--list] --install NAME FILE... [-- RUNNER...]

A runnable example is marked where it stands:
  Markdown   a line <!-- example: NAME --> before a fenced block
  troff      a line .\\" example: NAME before .EX
  plain text (README.Debian) an indented block whose first line starts
             with a prompt, "$ " or "# ": the package's
A block that starts with a prompt (in Markdown, a ```console block) is a
transcript: each command after that prompt (its lines ending in a backslash go on)
and what it printed below it; any other block is one script, which must
succeed. Each command runs as RUNNER... sh -c COMMAND, standard error
joined to its output as a terminal shows both. What the text shows is
compared by its form:
  HTTP/...   the status code of the first line
  {...}      JSON: every key shown is there, at every depth; the values
             of the top-level ones that the question and the settings
             decide are the same ("..." stands for any value, or for keys
             left out)
  else       the first line, "..." standing for any text
  nothing    the command succeeds
Each example is told, ok or FAILED with the reason; the exit status is 1
when one failed.
"""
import json
import re
import subprocess
import sys

PROMPT = re.compile(r"^[$#] ")
TROFF = [(r"\-", "-"), (r"\(aq", "'"), (r"\(dq", '"'), (r"\(lq", '"'), (r"\(rq", '"'),
         (r"\(ti", "~"), (r"\(ha", "^"), (r"\&", ""), (r"\fB", ""), (r"\fI", ""),
         (r"\fR", ""), (r"\fP", ""), (r"\e", "\\")]


def troffline(line):
    out, i = [], 0
    while i < len(line):
        for code, text in TROFF:
            if line.startswith(code, i):
                out.append(text)
                i += len(code)
                break
        else:
            out.append(line[i])
            i += 1
    return "".join(out)


def blocks(path, install):
    """(line, text lines, transcript?) of each block marked for install"""
    lines = open(path, encoding="utf-8").read().split("\n")
    found = []
    if path.endswith(".md"):
        marker = re.compile(r"^\s*<!--\s*example:\s*(\S+)\s*-->\s*$")
        i = 0
        while i < len(lines):
            m = marker.match(lines[i])
            i += 1
            if not m:
                continue
            while i < len(lines) and not lines[i].strip():
                i += 1
            fence = re.match(r"^(\s*)(```+)\s*(\S*)", lines[i]) if i < len(lines) else None
            if not fence:
                raise SystemExit(f"{path}:{i}: an example marker without a fenced block")
            indent, start, body = len(fence.group(1)), i + 1, []
            i += 1
            while i < len(lines) and not lines[i].strip().startswith(fence.group(2)):
                body.append(lines[i][indent:])
                i += 1
            i += 1
            if m.group(1) == install:
                found.append((start + 1, body, fence.group(3) == "console"))
    elif re.search(r"\.[1-8]$", path):
        marker = re.compile(r'^\.\\"\s*example:\s*(\S+)')
        i = 0
        while i < len(lines):
            m = marker.match(lines[i])
            i += 1
            if not m:
                continue
            while i < len(lines) and lines[i].strip() != ".EX":
                i += 1
            start, body = i + 2, []
            i += 1
            while i < len(lines) and lines[i].strip() != ".EE":
                if not lines[i].startswith("."):
                    body.append(troffline(lines[i]))
                i += 1
            if m.group(1) == install:
                found.append((start, body, bool(body) and bool(PROMPT.match(body[0]))))
    elif install == "package":
        i = 0
        while i < len(lines):
            if re.match(r"^\s{2,}[$#] ", lines[i]) and (i == 0 or not lines[i - 1].strip()):
                indent = len(lines[i]) - len(lines[i].lstrip())
                start, body = i + 1, []
                while i < len(lines) and lines[i].strip() and lines[i].startswith(" " * indent):
                    body.append(lines[i][indent:])
                    i += 1
                found.append((start, body, True))
            i += 1
    return found


def examples(path, install):
    """(line, command, shown output) of each example"""
    out = []
    for start, body, transcript in blocks(path, install):
        if not transcript:
            out.append((start, "\n".join(body), None))
            continue
        # the block's first prompt is its prompt: a "# " line in a block
        # of "$ " commands is output (a metrics answer's # HELP)
        prompt = body[0][:2] if body else "$ "
        i = 0
        while i < len(body):
            if not body[i].startswith(prompt):
                raise SystemExit(f"{path}:{start + i}: a transcript line that follows no command")
            line, command = start + i, body[i][2:]
            while command.endswith("\\") and i + 1 < len(body):
                i += 1
                command += "\n" + body[i]
            i += 1
            shown = []
            while i < len(body) and not body[i].startswith(prompt):
                shown.append(body[i])
                i += 1
            out.append((line, command, "\n".join(shown)))
    return out


# JSON as the text shows it: "..." for any value, or for members and
# elements left out
class Any:
    pass


def shownjson(text):
    pos = 0

    def blank():
        nonlocal pos
        while pos < len(text) and text[pos] in " \t\r\n":
            pos += 1

    def value():
        nonlocal pos
        blank()
        if text.startswith("...", pos):
            pos += 3
            return Any
        c = text[pos]
        if c in "{[":
            closing, items = "}" if c == "{" else "]", {} if c == "{" else []
            pos += 1
            while True:
                blank()
                if text[pos] == closing:
                    pos += 1
                    return items
                if text.startswith("...", pos):
                    pos += 3
                elif c == "{":
                    key = json.JSONDecoder().raw_decode(text, pos)
                    pos = key[1]
                    blank()
                    if text[pos] != ":":
                        raise ValueError(f"no ':' after {key[0]!r}")
                    pos += 1
                    items[key[0]] = value()
                else:
                    items.append(value())
                blank()
                if text[pos] == ",":
                    pos += 1
        got, pos = json.JSONDecoder().raw_decode(text, pos)
        return Any if got == "..." else got

    return value()


def comparejson(shown, got, where="", depth=0):
    """what differs, or None"""
    if shown is Any:
        return None
    if isinstance(shown, dict):
        if not isinstance(got, dict):
            return f"{where or 'the answer'} is not an object"
        for key, value in shown.items():
            if key not in got:
                return f"no key {where}{key}"
            why = comparejson(value, got[key], f"{where}{key}.", depth + 1)
            if why:
                return why
        return None
    if isinstance(shown, list):
        if not isinstance(got, list):
            return f"{where} is not a list"
        for i, value in enumerate(v for v in shown if v is not Any):
            if i >= len(got):
                return f"{where} has {len(got)} elements"
            why = comparejson(value, got[i], f"{where}{i}.", depth + 1)
            if why:
                return why
        return None
    # a top-level value is the question's or the settings'; deeper ones
    # are the log's
    if depth == 1 and shown != got:
        return f"{where[:-1]} is {json.dumps(got)}, not {json.dumps(shown)}"
    return None


def likeline(shown, got):
    pattern = ".*".join(re.escape(part) for part in shown.split("..."))
    return re.fullmatch(pattern, got) is not None


def check(command, shown, runner):
    """what is wrong, or None"""
    try:
        run = subprocess.run(runner + ["sh", "-c", command], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    except subprocess.TimeoutExpired:
        return "no end in 120 s"
    got = run.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    first = got.split("\n", 1)[0]
    if not shown:
        return None if run.returncode == 0 else \
            f"exit status {run.returncode}: {got.strip()[:300]}"
    if shown.startswith("HTTP/"):
        want, have = shown.split()[1], (first.split() + ["", ""])[1]
        return None if first.startswith("HTTP/") and have == want else \
            f"status {have or first!r}, the text shows {want}"
    if shown.lstrip().startswith("{"):
        try:
            answer = json.loads(got)
        except ValueError:
            return f"not JSON: {got[:200]!r}"
        return comparejson(shownjson(shown), answer)
    want = shown.split("\n", 1)[0]
    return None if likeline(want, first) else f"the first line is {first!r}, the text shows {want!r}"


def main(argv):
    listing = "--list" in argv
    argv = [a for a in argv if a != "--list"]
    runner = argv[argv.index("--") + 1:] if "--" in argv else []
    argv = argv[:argv.index("--")] if "--" in argv else argv
    if len(argv) < 3 or argv[0] != "--install":
        raise SystemExit(__doc__)
    install, files = argv[1], argv[2:]
    ran = failed = 0
    for path in files:
        for line, command, shown in examples(path, install):
            title = f"{path}:{line}: {command.splitlines()[0] if command else ''}"
            if listing:
                print(title)
                continue
            ran += 1
            why = check(command, shown, runner)
            if why:
                failed += 1
                print(f"FAILED: {title}: {why}")
            else:
                print(f"ok: {title}")
    if not listing:
        print(f"examples for {install}: {ran} run, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

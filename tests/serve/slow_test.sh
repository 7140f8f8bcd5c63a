#!/usr/bin/env bash
# A visitor who opens a long chart and stops reading holds up nobody: the
# request lock guards the interval file and the chart file, and is let go
# once the chart is in place, before the page goes out. A reader with a
# tiny receive window stops for 12 s in the middle of a month's chart; a
# plain chart asked meanwhile is answered while the reader still waits.
# Under Apache's mod_cgi, which stops reading the program once the
# visitor's socket is full.
source "$(dirname "$0")/lib.sh"
# a thin path to the visitor: what the server holds for a reader that
# stops is a few kilobytes, not the megabytes of a loopback socket
export QUORLINK_APACHE_EXTRA="SendBufferSize 4096"
startsite apache2
"$build/genlog" --count 70000 --start $(( $(date +%s) - 70000 * 120 )) > "$SITE/logs/long.dat"

python3 - "$BASE" "$program" "$work/slow.out" <<'EOF' &
import socket, sys, time, urllib.parse
base, program, out = sys.argv[1:4]
host, port = urllib.parse.urlparse(base).netloc.split(":")
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 2048)
s.connect((host, int(port)))
s.sendall(("GET /cgi-bin/%s?action=rxloaddyn&hgrid=on&vgrid=on&logfile=long.dat HTTP/1.0\r\nHost: x\r\n\r\n" % program).encode())
first = s.recv(2048)              # the answer has started
open(out + ".started", "w").write(str(len(first)))
time.sleep(12)                    # and the reader stops
open(out + ".resumed", "w").write("")
got = len(first)
while True:
    b = s.recv(65536)
    if not b:
        break
    got += len(b)
open(out, "w").write(str(got))
EOF
slow=$!
for _ in $(seq 100); do [ -e "$work/slow.out.started" ] && break; sleep 0.1; done
check "the slow reader's answer started" [ -e "$work/slow.out.started" ]
sleep 1
start=$(date +%s)
code="$(curl -s -m 30 -o "$work/other.html" -w '%{http_code}' "$BASE/cgi-bin/$program?action=rxloaddyn")"
took=$(( $(date +%s) - start ))
check "another chart is answered ($code)" [ "$code" = 200 ]
check "another chart holds its chart" grep -q 'base64,' "$work/other.html"
# the reader still waits: the page above was not waiting for it
check "answered while the slow reader still waited (${took} s)" [ ! -e "$work/slow.out.resumed" ]
wait "$slow"; echo "slow reader got $(cat "$work/slow.out") bytes" >&2
check "the slow reader got its whole page in the end" [ "$(cat "$work/slow.out")" -gt 200000 ]
finish

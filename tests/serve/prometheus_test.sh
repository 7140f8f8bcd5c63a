#!/usr/bin/env bash
# The metrics as Prometheus takes them: promtool checks the answer, then
# Debian's Prometheus scrapes the program through lighttpd and gives back,
# through its HTTP API, the counters and time of the log's newest record.
# Then channels of 2, 20 and 200 Mbit/s, whose logs a writer grows while
# Prometheus scrapes them: increase() over the scrapes is what the channel
# carried, however often the device's counters wrapped between them.
source "$(dirname "$0")/lib.sh"
startsite lighttpd
prom="$work/prometheus"
mkdir -p "$prom"
stopall() {   # Prometheus first: its storage is in the site's folder
  if [ -n "${prompid:-}" ]; then
    kill -TERM "$prompid" 2>/dev/null || true
    wait "$prompid" 2>/dev/null || true
  fi
  stopsite
}
trap stopall EXIT
trap 'exit 1' INT TERM HUP   # a test stopped from outside stops Prometheus too

# Counters just under 2^32 (they never reach it at this load), in a log
# longer than the end the program reads, with Windows line ends.
"$build/genlog" --count 721 --wrap --load 0.001 --crlf > "$SITE/logs/vornout.dat"
# the newest record as the README describes it: the time= line, then the
# number after the first ":" of the 4th and the 10th data line
read -r lasttime lastrx lasttx < <(awk '{ sub(/\r$/, "") }
  /^time=/ { t = substr($0, 6); n = 0; next }
  { n++; v = substr($0, index($0, ":") + 1); gsub(/ /, "", v) }
  n == 4 { rx = v } n == 10 { tx = v; last = t " " rx " " tx }
  END { print last }' "$SITE/logs/vornout.dat")
check "the log's newest counters are past 2^31" [ "$lastrx" -gt 2147483648 ]

metrics="/cgi-bin/$program?action=metrics"
curl -s -D "$work/headers" -o "$work/metrics" "$BASE$metrics"
check "metrics are Prometheus' text format" \
  grep -qi '^content-type: text/plain; version=0.0.4' "$work/headers"
# the linter of a monitoring team's CI: names in base units, help and type
# for each
promtool check metrics < "$work/metrics" > "$work/promtool.out" 2>&1 && lint=0 || lint=$?
cat "$work/promtool.out"
check "promtool check metrics passes (exit $lint)" [ "$lint" = 0 ]
# the bytes the log's intervals carried, as the program's own figures say
carried() {  # carried rx|tx
  curl -s "$BASE/cgi-bin/$program?action=usage&format=json" |
    python3 -c "import json, sys; print(json.load(sys.stdin)['figures']['$1']['bytes'])"
}
rxcarried="$(carried rx)" txcarried="$(carried tx)"

# One scrape job for the channel, as the README's, every second here.
cat > "$prom/prometheus.yml" <<EOF
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: quorlink
    metrics_path: /cgi-bin/$program
    params: {action: [metrics]}
    static_configs:
      - targets: ['${BASE#http://}']
rule_files: ['$top/examples/quorlink-alerts.yml']
EOF
check "promtool takes the scrape configuration" promtool check config "$prom/prometheus.yml" >/dev/null

# query EXPR: the value of each series, "NAME VALUE" a line
query() {
  curl -s -m 5 -G --data-urlencode "query=$1" "$promurl/api/v1/query" | python3 -c '
import json, sys
answer = json.load(sys.stdin)
for series in answer["data"]["result"]:
    print(series["metric"].get("__name__", ""), series["value"][1])'
}
started=$SECONDS
for _ in 1 2 3; do   # a port free when drawn may be taken before it binds
  promurl="http://127.0.0.1:$(freeport)"
  prometheus --config.file="$prom/prometheus.yml" --storage.tsdb.path="$prom/data" \
    --web.listen-address="${promurl#http://}" > "$prom/prometheus.log" 2>&1 &
  prompid=$!
  for _ in $(seq 100); do
    curl -fs -m 5 -o /dev/null "$promurl/-/ready" && break
    kill -0 "$prompid" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$prompid" 2>/dev/null && break
  wait "$prompid" 2>/dev/null || true
  grep -q "address already in use" "$prom/prometheus.log" || break
done
# the first scrape, within a minute
scraped=""
for _ in $(seq 120); do
  scraped="$(query '{job="quorlink",__name__=~"quorlink_.*"}' 2>/dev/null || true)"
  [ -n "$scraped" ] && break
  sleep 0.5
done
echo "Prometheus started and scraped in $((SECONDS - started)) s"
[ -n "$scraped" ] || cat "$prom/prometheus.log" >&2
echo "$scraped"
value() { awk -v n="$1" '$1 == n { print $2 }' <<<"$scraped"; }
check "the scrape succeeded" [ "$(query 'up{job="quorlink"}')" = "up 1" ]
check "Prometheus reads the bytes received back" [ "$(value quorlink_receive_bytes_total)" = "$rxcarried" ]
check "Prometheus reads the bytes sent back" [ "$(value quorlink_transmit_bytes_total)" = "$txcarried" ]
check "Prometheus reads the device's Rx counter back" [ "$(value quorlink_device_receive_bytes)" = "$lastrx" ]
check "Prometheus reads the device's Tx counter back" [ "$(value quorlink_device_transmit_bytes)" = "$lasttx" ]
check "Prometheus reads the newest record's time back" \
  [ "$(value quorlink_last_record_timestamp_seconds)" = "$lasttime" ]
check "Prometheus reads the settings back" \
  [ "$(value quorlink_bandwidth_bytes_per_second) $(value quorlink_interval_seconds)" = "8000 120" ]
check "the alert rules are loaded" bash -c "curl -s '$promurl/api/v1/rules' | grep -q QuorlinkChannelDown"

# Fast channels. A writer appends a record every fifth of a second, each
# two minutes of the device's time at 30 to 95 % of the channel, its
# counters wrapping as the device's do, and keeps what it really added;
# Prometheus scrapes every second. Over the scrapes of each channel,
# increase() from the first to the last is the bytes added between the two
# records those scrapes saw as the newest.
fastchannel() {  # fastchannel MBITS START: one channel's turn
  local mbit="$1" start="$2"
  printf 'logpath=%s\nbandwidth=%sM\n' "$logdir" "$mbit" > "$SITE/cgi-bin/quorlink.cfg"
  python3 - "$SITE/logs/vornout.dat" "$work/truth.$mbit" "$mbit" "$start" <<'PY'
import random, sys, time
log, truth, mbit, counter = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
rand = random.Random(mbit)
t, total, lines = 1796428800, 0, []
with open(log, "w") as out, open(truth, "w") as kept:
    for i in range(int(12 / 0.2)):
        add = 0 if i == 0 else int(mbit * 1e6 / 8 * 120 * rand.uniform(0.30, 0.95))
        total += add
        counter = (counter + add) % 2 ** 32
        t += 120
        out.write("time=%d\nchannel: 1\nstate: up\nspeed: %d\nRx bytes: %d\nRx packets: 1\n"
                  "Rx errors: 0\nRx dropped: 0\nTx packets: 1\nTx errors: 0\nTx bytes: 0\n"
                  % (t, mbit * 1000000, counter))
        out.flush()
        kept.write("%d %d %d\n" % (t, total, counter))
        kept.flush()
        time.sleep(0.2)
PY
}
carriedover() {  # carriedover MBITS FROM TO: increase() against what was added
  python3 - "$promurl" "$work/truth.$1" "$2" "$3" <<'PY'
import json, sys, urllib.parse, urllib.request
prom, truthfile, start, end = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
def ask(query, at):
    url = prom + "/api/v1/query?" + urllib.parse.urlencode({"query": query, "time": at})
    return json.load(urllib.request.urlopen(url))["data"]["result"]
window = "%dms" % int((end - start) * 1000 + 1000)
samples = lambda name: [(float(ts), int(float(v))) for ts, v in
                        ask('%s{job="quorlink"}[%s]' % (name, window), end)[0]["values"]
                        if start <= float(ts) <= end]
bytes_, times = samples("quorlink_receive_bytes_total"), samples("quorlink_last_record_timestamp_seconds")
kept = [tuple(map(int, line.split())) for line in open(truthfile)]
truth = {t: total for t, total, _ in kept}
# the scrapes of the turn after its log had two records and before it ended
pairs = [(b, t) for b, t in zip(bytes_, times) if b[0] == t[0] and t[1] in truth]
first, last = pairs[1], pairs[-1]
span = "%dms" % int(round((last[0][0] - first[0][0]) * 1000))
increase = float(ask('increase(quorlink_receive_bytes_total{job="quorlink"}[%s])' % span, last[0][0])[0]["value"][1])
added = truth[last[1][1]] - truth[first[1][1]]
counters = [c for t, _, c in kept if first[1][1] <= t <= last[1][1]]
wraps = sum(b < a for a, b in zip(counters, counters[1:]))
print("%d scrapes, the device's counter wrapped %d times, increase() %.0f, added %d, %+.4f %%" %
      (len(pairs) - 1, wraps, increase, added, (increase - added) * 100 / added))
sys.exit(0 if abs(increase - added) <= added * 0.001 else 1)
PY
}
for turn in "2 3794967296" "20 3294967296" "200 0"; do
  read -r mbit start <<<"$turn"
  from=$(date +%s.%N)
  fastchannel "$mbit" "$start"
  sleep 3   # the last records scraped
  check "$mbit Mbit/s: increase() is what the channel carried" carriedover "$mbit" "$from" "$(date +%s.%N)"
done
finish

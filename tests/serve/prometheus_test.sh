#!/usr/bin/env bash
# The metrics as Prometheus takes them: promtool checks the answer, then
# Debian's Prometheus scrapes the program through lighttpd and gives back,
# through its HTTP API, the counters and time of the log's newest record.
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
# promtool's linter wants names in base units, bytes and not bits: its one
# complaint, about the bandwidth's name as the README gives it, is let
# through, and nothing else
promtool check metrics < "$work/metrics" > "$work/promtool.out" 2>&1 && lint=0 || lint=$?
cat "$work/promtool.out"
check "promtool parses the metrics (exit $lint)" [ "$lint" = 0 -o "$lint" = 3 ]
check "promtool finds nothing else to lint" [ -z "$(grep -v \
  '^quorlink_bandwidth_bits_per_second use base unit "bytes" instead of "bits"$' "$work/promtool.out")" ]

# One scrape job for the channel, as the README's, every two seconds here
# (a run through wine may take one).
cat > "$prom/prometheus.yml" <<EOF
global:
  scrape_interval: 2s
  scrape_timeout: 2s
scrape_configs:
  - job_name: quorlink
    metrics_path: /cgi-bin/$program
    params: {action: [metrics]}
    static_configs:
      - targets: ['${BASE#http://}']
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
check "Prometheus reads the Rx counter back" [ "$(value quorlink_receive_bytes_total)" = "$lastrx" ]
check "Prometheus reads the Tx counter back" [ "$(value quorlink_transmit_bytes_total)" = "$lasttx" ]
check "Prometheus reads the newest record's time back" \
  [ "$(value quorlink_last_record_timestamp_seconds)" = "$lasttime" ]
check "Prometheus reads the settings back" \
  [ "$(value quorlink_bandwidth_bits_per_second) $(value quorlink_interval_seconds)" = "64000 120" ]
finish

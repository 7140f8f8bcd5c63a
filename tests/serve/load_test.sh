#!/usr/bin/env bash
# The three actions, 300 requests 8 at a time, through lighttpd: every
# response 200 and the whole page. Then two visitors at once, one asking
# for the load chart and one for a summary, 100 times each: every page
# holds the chart its own request drew.
source "$(dirname "$0")/lib.sh"
startsite lighttpd
queries=("action=rxloaddyn&hgrid=on&vgrid=on" "action=totalload&time=12:00"
         "action=sumtotalload&days=30&dates=on&hgrid=on")
for k in 0 1 2; do
  curl -s -o "$work/want$k" "$BASE/cgi-bin/$program?${queries[$k]}"
done
check "reference pages end the page" grep -q '</body></html>$' "$work/want0" "$work/want1" "$work/want2"
mkdir -p "$work/got"
seq 0 299 | xargs -P 8 -I{} sh -c '
  k=$(({} % 3)); q=$(echo "$0" | cut -d" " -f$((k + 1)))
  code=$(curl -s -o "$1/got/{}.$k" -w "%{http_code}" "$2/cgi-bin/$3?$q")
  echo "$code" > "$1/got/{}.status"' "${queries[*]}" "$work" "$BASE" "$program"
bad=0
for i in $(seq 0 299); do
  k=$((i % 3))
  if [ "$(cat "$work/got/$i.status")" != 200 ] || ! cmp -s "$work/got/$i.$k" "$work/want$k"; then
    bad=$((bad + 1))
  fi
done
check "300 responses, all 200 and whole ($bad bad)" [ "$bad" -eq 0 ]
check "no temporary chart left" [ -z "$(ls "$SITE/charts" | grep tmp || true)" ]

visitor() {  # visitor NAME QUERY: 100 pages, and the width of the chart in each
  for i in $(seq 100); do
    curl -s "$BASE/cgi-bin/$program?$2" | grep -o 'base64,[A-Za-z0-9+/=]*' | cut -c8- |
      base64 -d > "$work/$1.gif"
    "$build/tests/gifinfo" "$work/$1.gif" || echo "no chart"
  done > "$work/$1.widths"
}
visitor load "${queries[0]}" &
other=$!
visitor summary "${queries[2]}"
wait "$other"   # not the server, which runs in the background too
mismatched() { grep -cv "^$1 300\$" "$work/$2.widths" || true; }
allown() { [ "$(mismatched "$1" "$2")" = 0 ] && [ "$(grep -c . "$work/$2.widths")" = 100 ]; }
check "100 load charts, each its own ($(mismatched 750 load) not)" allown 750 load
check "100 summaries, each its own ($(mismatched 930 summary) not)" allown 930 summary
finish

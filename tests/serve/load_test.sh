#!/usr/bin/env bash
# The three actions, 300 requests 8 at a time, through lighttpd: every
# response 200 and the whole page.
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
finish

#!/usr/bin/env bash
# Builds the program, generates a day of two-minute records and sixty daily
# records, and answers one request as a web server would; prints the page
# and where the chart is. Pass a query string to ask something else.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build >/dev/null
site=build/demo-site
rm -rf "$site" && mkdir -p "$site" && cp demo/site/quorlink.cfg "$site"/
build/genlog --count 721 > "$site"/vornout.dat
build/genlog --daily --count 60 > "$site"/sumout.dat
cd "$site"
QUERY_STRING="${1-action=rxloaddyn&hgrid=on&vgrid=on&activelog=on}" TZ=UTC ../quorlink
printf '\n\nchart: %s\n' "$PWD/quorlinkout.gif"

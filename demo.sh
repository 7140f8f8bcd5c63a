#!/usr/bin/env bash
# Builds the program and the sample-log tool (not the tests: they would
# take half a minute more), lays out a demo site with generated logs (a day
# of two-minute records ending now, the day before as an archived log, sixty
# daily records) and serves it with lighttpd on 127.0.0.1 until Ctrl-C.
#   ./demo.sh [PORT]     (default 8080, or $PORT)
set -euo pipefail
cd "$(dirname "$0")"
port="${1:-${PORT:-8080}}"
scripts/deps lighttpd
scripts/build --target quorlink genlog >/dev/null
site=build/demo
rm -rf "$site"
scripts/mksite "$site"
cat <<EOT
Serving the demo on http://127.0.0.1:$port/ (Ctrl-C stops it)
  front page:      http://127.0.0.1:$port/
  load chart:      http://127.0.0.1:$port/cgi-bin/quorlink?action=rxloaddyn&hgrid=on&vgrid=on
  time of day:     http://127.0.0.1:$port/cgi-bin/quorlink?action=totalload&time=12:00
  daily summary:   http://127.0.0.1:$port/cgi-bin/quorlink?action=sumtotalload&days=30&dates=on&hgrid=on
EOT
exec scripts/serve lighttpd "$site" "$port"

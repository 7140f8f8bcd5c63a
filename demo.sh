#!/usr/bin/env bash
# Builds the program and runs it once, as a web server would, on the demo
# site; prints the page.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build >/dev/null
rm -rf build/demo-site && cp -r demo/site build/demo-site
cd build/demo-site
QUERY_STRING="${1-action=rxloaddyn&hgrid=on&vgrid=on&activelog=on}" TZ=UTC ../quorlink
echo

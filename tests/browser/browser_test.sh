#!/usr/bin/env bash
# Debian's chromium, headless, goes through the front page served by
# lighttpd: each form sends only what was chosen, each answer renders in the
# page's frame, its chart loads at its size and the page tells what came
# (axe-core checks both), and following the channel redraws the chart as
# records are added to the site's log.
source "$(dirname "$0")/../serve/lib.sh"
here="$top/tests/browser"
# playwright-core drives the browser, axe-core checks what it shows
if [ ! -d "$here/node_modules/playwright-core" ] || [ ! -d "$here/node_modules/axe-core" ]; then
  npm ci --prefix "$here" --no-audit --no-fund >/dev/null
fi
startsite lighttpd
shots="$build/browser-shots"
mkdir -p "$shots"
node "$here/front.mjs" "$BASE" "$shots" "$SITE" "$build/genlog"

#!/usr/bin/env bash
# Builds everything and runs every test: unit tests, the program driven as
# a CGI, lighttpd, Apache and nginx serving it, and a browser on the front
# page.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps lighttpd apache2 nginx-light fcgiwrap chromium curl ca-certificates
command -v npm >/dev/null || scripts/deps nodejs npm
scripts/build
cd build && ctest --output-on-failure -j"$(nproc)"

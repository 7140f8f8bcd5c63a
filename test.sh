#!/usr/bin/env bash
# Builds everything and runs every test: unit tests, the program driven as
# a CGI (hostile requests, failing disks, parallel load), lighttpd, Apache
# and nginx serving it, Prometheus scraping it, logrotate rotating its log
# while lighttpd answers periods across the archives, the figures against a
# computation of their own, a browser on the front page; then the Debian
# package: lintian, piuparts, and an install, upgrade and purge in a
# throwaway Debian root; then the Windows program (mingw-w64) under wine:
# its unit tests, the same CGI tests with every page and file compared with
# the Linux program's, lighttpd serving it, and its zip; then the suite
# built with AddressSanitizer and UndefinedBehaviorSanitizer, and a short
# run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps lighttpd apache2 nginx-light fcgiwrap chromium curl ca-certificates strace \
  prometheus logrotate faketime python3 clang libclang-rt-dev unzip libxml2-utils locales lintian \
  piuparts mmdebstrap
command -v npm >/dev/null || scripts/deps nodejs npm
jobs="$(nproc)"

scripts/build
(cd build && ctest --output-on-failure -j"$jobs")

echo "== the Debian package: lintian, piuparts, an operator's round in a throwaway root"
scripts/build --deb
tests/debian/package_test.sh

echo "== the Windows program under wine"
scripts/build --windows
scripts/package-windows
(cd build-windows && ctest --output-on-failure -j"$jobs")

echo "== the suite again under AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build --sanitize
(cd build-sanitize &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs")

echo "== fuzzers, 15 seconds each"
scripts/fuzz

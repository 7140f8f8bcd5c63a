# Shared by the server tests: a throw-away site served on a free loopback
# port, and checks that count their failures.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${QUORLINK_BUILD:-$top/build}"
export QUORLINK_BUILD="$build"
# QUORLINK_WINDOWS_BUILD: the site is the Windows one, quorlink.exe under
# wine, asked for by its file name; its example settings use backslashes
if [ -n "${QUORLINK_WINDOWS_BUILD:-}" ]; then
  program=quorlink.exe logdir='..\logs\'
else
  program=quorlink logdir=../logs/
fi
passed=0
failed=0

check() {  # check "what" test-command...
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what" >&2; fi
}

# A port below the kernel's range for outgoing connections: a client
# socket (a curl, the browser's) may sit on any port in that range and
# keep a server off it.
freeport() {
  local low _high p
  read -r low _high </proc/sys/net/ipv4/ip_local_port_range
  [ "$low" -gt 10000 ] || low=32768
  for _ in $(seq 50); do
    p=$((10000 + RANDOM % (low - 10000)))
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
  return 1
}

# startsite SERVER: lays out a site, serves it, sets SITE, BASE and work.
startsite() {
  local server="$1"
  work="$(mktemp -d /tmp/quorlinkserve.XXXXXX)"
  SITE="$work/site"
  "$top/scripts/mksite" "$SITE"
  if [ "$server" != lighttpd ] && [ "$(id -u)" -eq 0 ]; then
    # the README's permissions: the account the server runs the program as
    # writes the program's two working files and the chart folder, and
    # nothing else; cgi-bin/, the program and its settings stay root's
    chown www-data:www-data "$SITE/cgi-bin/histout.dat" "$SITE/cgi-bin/histout.lck" "$SITE/charts"
    chmod 755 "$work"
  fi
  [ -n "${QUORLINK_WINDOWS_BUILD:-}" ] && server="$server-wine"
  trap stopsite EXIT
  # a port free when drawn may be taken before the server binds it (two
  # tests at once): a server that ends before it answers gets another
  local port
  for _ in 1 2 3; do
    port="$(freeport)"
    BASE="http://127.0.0.1:$port"
    setsid "$top/scripts/serve" "$server" "$SITE" "$port" "$work/run" >"$work/serve.log" 2>&1 &
    servepid=$!
    for _ in $(seq 100); do
      curl -fs -m 5 -o /dev/null "$BASE/" && return 0
      kill -0 "$servepid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$servepid" 2>/dev/null && break
    wait "$servepid" 2>/dev/null || true
    grep -q "in use" "$work/serve.log" "$work"/run/*.log 2>/dev/null || break
  done
  echo "server did not start:" >&2
  cat "$work/serve.log" "$work"/run/*.log >&2 || true
  return 1
}

stopsite() {
  kill -TERM "$servepid" 2>/dev/null || true
  wait "$servepid" 2>/dev/null || true
  rm -rf "$work"
}

finish() {
  # the program's standard error lands in the server's logs: a sanitizer's
  # report there fails the test
  [ -z "${servepid:-}" ] || check "no sanitizer report in the server logs" \
    bash -c "! grep -lE 'Sanitizer|runtime error' '$work/serve.log' '$work'/run/*.log 2>/dev/null"
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

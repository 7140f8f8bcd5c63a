#!/usr/bin/env bash
# Debian's logrotate rotates the device's log under a writer that appends a
# record every 50 ms, while readers ask lighttpd for periods across the
# archives (tests/serve/rotation.py says what is asked and how the answers
# are judged). The configurations operators use, each rotated twelve times:
# compress and delaycompress with and without create, dateext with compress
# at once, copytruncate, and deploy/quorlink.logrotate itself, its days
# passed by faketime.
source "$(dirname "$0")/lib.sh"
startsite lighttpd
conf="$work/logrotate"
mkdir -p "$conf"
mkconf() {  # mkconf NAME DIRECTIVE...: a configuration for the site's log
  local name="$1"; shift
  { printf '%s {\n' "$SITE/logs/vornout.dat"; printf '\t%s\n' "rotate 100" missingok "$@"; echo "}"; } \
    > "$conf/$name.conf"
}
mkconf delaycompress compress delaycompress create
mkconf delaycompress-nocreate compress delaycompress nocreate
mkconf dateext dateext compress nocreate
mkconf copytruncate copytruncate compress delaycompress
# the example as shipped, for this site's log and this test's account
sed -e "s|^/srv/quorlink/logs/vornout.dat /var/lib/quorlink/\*/logs/vornout.dat {|$SITE/logs/vornout.dat {|" \
  -e "s|create 0644 root root|create 0644 $(id -un) $(id -gn)|" \
  "$top/deploy/quorlink.logrotate" > "$conf/example.conf"
check "the example names this site's log" grep -q "^$SITE/logs/vornout.dat {" "$conf/example.conf"

run() {  # run NAME [COMMAND...]: one configuration's rotations, and their checks
  local name="$1"; shift
  python3 "$top/tests/serve/rotation.py" "$BASE" "$program" "$SITE/logs" "$name" "$conf/$name.conf" "$@" \
    > "$work/$name.out" 2> "$work/$name.err" || echo "fail $name: rotation.py ended with $?" >> "$work/$name.out"
  cat "$work/$name.err" >&2
  local verdict what
  while read -r verdict what; do
    echo "$verdict $what"
    case "$verdict" in pass|fail) check "$what" [ "$verdict" = pass ] ;; esac
  done < "$work/$name.out"
}
for name in delaycompress delaycompress-nocreate copytruncate; do
  run "$name"
done
# a day later at each rotation: dateext names an archive by its day
run dateext faketime -f "+@N@d"
run example faketime -f "+@N@d"
finish

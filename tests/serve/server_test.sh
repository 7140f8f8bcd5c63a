#!/usr/bin/env bash
# One web server (lighttpd, apache2 or nginx) runs the program as a CGI from
# the configuration in serve/: every action answers over HTTP with a page
# that holds its own chart, the same chart as the file at the chart folder's
# address, which decodes at the right size.
source "$(dirname "$0")/lib.sh"
server="$1"
startsite "$server"
cgi="$SITE/cgi-bin"
installed="$(cd "$cgi" && sha256sum $program quorlink.cfg quorlink.cfg.example)"

# fetch PATH: sets body, status, type and cache of the response
fetch() {
  local headers="$work/headers"
  body="$(curl -s -D "$headers" "$BASE$1")"
  status="$(head -1 "$headers" | cut -d' ' -f2)"
  type="$(grep -i '^content-type:' "$headers" | tr -d '\r' | cut -d' ' -f2- || true)"
  cache="$(grep -i '^cache-control:' "$headers" | tr -d '\r' | cut -d' ' -f2- || true)"
}

logline() { echo "<p>Log file name: $logdir$1<br>Channel Bandwidth: 64000<br><br></p>"; }
# the chart comes inside the page; the pattern stands for it in a page
img='<center><img src="data:image/gif;base64,CHART" border=0></center>'
chartless() { sed -E 's|base64,[A-Za-z0-9+/=]+"|base64,CHART"|' <<<"$body"; }

chartsize() {  # chartsize WIDTH: the page's chart, and the same at the chart folder's address
  grep -o 'base64,[A-Za-z0-9+/=]*' <<<"$body" | cut -c8- | base64 -d > "$work/inpage.gif" &&
    curl -s -D "$work/gifheaders" -o "$work/chart.gif" "$BASE/charts/quorlinkout.gif" &&
    grep -qi '^cache-control: no-cache' "$work/gifheaders" &&
    grep -qi '^content-type: image/gif' "$work/gifheaders" &&
    cmp -s "$work/inpage.gif" "$work/chart.gif" &&
    [ "$("$build/tests/gifinfo" "$work/chart.gif")" = "$1 300" ]
}

fetch "/"
check "front page" [ "$status" = 200 ]
check "front page is html" grep -q '^text/html' <<<"$type"
check "front page has the forms" grep -q 'name="action" value="sumtotalload"' <<<"$body"
check "its forms ask for the program" [ "$(grep -c "action=\"/cgi-bin/$program\"" <<<"$body")" = 4 ]
# the picture's script and dygraphs, beside the page, as JavaScript
for file in picture.js dygraphs/dygraph.min.js; do
  fetch "/$file"
  check "$file beside the front page" bash -c "[ '$status' = 200 ] && [[ '$type' == *javascript* ]]"
done
fetch "/cgi-bin/$program?step=3600&format=json"
check "the hours as data (step=)" grep -q '"step_s":3600,.*"steps":\[{"time":' <<<"$body"

fetch "/cgi-bin/$program?action=rxloaddyn&hgrid=on&vgrid=on&activelog=on"
check "load chart status" [ "$status" = 200 ]
check "load chart type" [ "$type" = text/html ]
check "pages are never kept by the browser" [ "$cache" = no-store ]
check "load chart page" [ "$(chartless)" = "<html><body>$(logline vornout.dat)$img</body></html>" ]
check "load chart decodes, a day is 750 wide" chartsize 750

fetch "/cgi-bin/$program?action=txloaddyn&logfile=vornout-prev.dat"
check "archived log page" [ "$(chartless)" = "<html><body>$(logline vornout-prev.dat)$img</body></html>" ]
check "archived log chart" chartsize 749

fetch "/cgi-bin/$program?action=totalload&time=$(date -u +%H:%M -d '-3 hours')"
check "time lookup status" [ "$status" = 200 ]
check "time lookup answers" grep -q '<br>Rx Bytes: [0-9]*<br>Tx Bytes: [0-9]*</p></body></html>$' <<<"$body"

fetch "/cgi-bin/$program?action=sumtotalload&days=30&dates=on&hgrid=on"
literal() { sed 's/[][\\.*^$]/\\&/g' <<<"$1"; }   # a text as a grep pattern
check "summary page" grep -q "^<html><body><p>Query: Porvata VORN-NX Summary Statistics for 30 days since .*$(literal "$(logline sumout.dat)$img")</body></html>$" <<<"$(chartless)"
check "summary chart decodes, 30 days are 930 wide" chartsize 930

# a query without "=" reaches the program as arguments too: it ignores them
fetch "/cgi-bin/$program?rxloaddyn+x"
check "query words" [ "$status" = 200 ]
check "query words page" [ "$(chartless)" = "<html><body>$(logline vornout.dat)$img</body></html>" ]

fetch "/cgi-bin/$program?logfile=..%2F..%2Fetc%2Fpasswd"
check "hostile log name refused" [ "$body" = "<html><body><p>Log file name: ../../etc/passwd<br>Channel Bandwidth: 64000<br><br></p><p>Access denided !</p><p>A log asked for by name (logfile=) must be a file in the log folder.</p></body></html>" ]

# a site-caused failure leaves its line in the server's own error log
fetch "/cgi-bin/$program?logfile=gone.dat"
check "a missing log is denied, and the page says what to fix" \
  grep -q '<p>Access denided !</p><p>The log gone.dat is not in the log folder.</p></body></html>$' <<<"$body"
inerrorlog() {  # the line may be written a moment after the answer
  for _ in $(seq 50); do
    grep -qF "$1" "$work"/run/*error*.log 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
check "the server's error log tells which log is missing" inerrorlog "quorlink: ${logdir}gone.dat: "
# the line names its request, appears once, and has one time: the server's
# where it reads the program's standard error through a pipe (mod_cgi,
# nginx), the program's own where the server hands it the log itself
# (mod_cgid, lighttpd)
complaint="$(grep -hF "quorlink: ${logdir}gone.dat: " "$work"/run/*error*.log || true)"
check "the complaint names the query and the client" \
  grep -qF "; query \"logfile=gone.dat\"; client 127.0.0.1)" <<<"$complaint"
check "the complaint is written once" [ "$(grep -c . <<<"$complaint")" = 1 ]
case "$server" in
  apache2|nginx) stamped=0 ;;
  *) stamped=1 ;;
esac
ownstamp() { grep -qE '\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} UTC\] quorlink: ' <<<"$complaint"; }
if [ "$stamped" = 1 ]; then
  check "the complaint carries its time, which $server adds to none" ownstamp
else
  check "the complaint leaves the time to $server" eval '! ownstamp'
  check "$server puts its time on the line" grep -qE '^(\[|[0-9]{4}/)' <<<"$complaint"
fi

for private in quorlink.cfg histout.dat; do
  fetch "/cgi-bin/$private"
  check "$private is not served" grep -qE '^40[34]$' <<<"$status"
done

# Apache and nginx, started as root, run the program as www-data, which may
# write the two working files and the chart folder and nothing else: a
# request that went wrong cannot replace the program or its settings.
if [ "$server" != lighttpd ] && [ "$(id -u)" -eq 0 ]; then
  asserver() { setpriv --reuid=www-data --regid=www-data --init-groups "$@" 2>/dev/null; }
  denied() { ! asserver "$@"; }
  check "the server account ran the program" [ "$(stat -c %U "$SITE/charts/quorlinkout.gif")" = www-data ]
  check "the interval file was written in place" \
    [ "$(find "$cgi/histout.dat" -size +0 -user www-data)" = "$cgi/histout.dat" ]
  check "the server account writes its files and the chart folder" \
    asserver sh -c ": >> '$cgi/histout.lck' && : > '$SITE/charts/probe' && rm '$SITE/charts/probe'"
  check "it cannot write the settings" denied sh -c "echo logpath=/ >> '$cgi/quorlink.cfg'"
  check "it cannot write the program" denied sh -c ": > '$cgi/quorlink'"
  check "it cannot add a file beside the program" denied sh -c ": > '$cgi/quorlink.new'"
  check "it cannot rename the settings away" denied mv "$cgi/quorlink.cfg" "$cgi/quorlink.old"
  check "it cannot change the program's mode" denied chmod 777 "$cgi/quorlink"
  check "program and settings unchanged" [ "$(cd "$cgi" && sha256sum quorlink quorlink.cfg quorlink.cfg.example)" = "$installed" ]
  check "cgi-bin holds what the install put there" \
    [ "$(ls "$cgi" | tr '\n' ' ')" = "histout.dat histout.lck quorlink quorlink.cfg quorlink.cfg.example " ]
fi
# a doubt is told like a failure: a table where a log should be holds no
# record in the device's format, which the page says after its "not found"
printf 'time,seconds,rx_bytes\n2026-12-08T00:02:00Z,120,5\n' > "$SITE/logs/foreign.dat"
fetch "/cgi-bin/$program?logfile=foreign.dat"
check "a log of no record says why after its not found" grep -q \
  "<p>The entered date is not found !</p><p>The log holds no record in the device&#39;s format.</p></body></html>$" <<<"$body"
check "and the server's error log says it with its request" \
  inerrorlog "quorlink: foreign.dat: The log holds no record in the device's format. (in "
finish

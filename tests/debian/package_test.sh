#!/usr/bin/env bash
# The Debian package of scripts/build --deb, checked as Debian checks its
# own: lintian; piuparts installing and purging it, and upgrading to it from
# the version before, in a clean Debian 12; its autopkgtest; and, in
# throwaway Debian 12 roots where Apache may start and restart as on a real
# host, an operator's rounds. The first: install the version before, sample
# logs, the front page and a chart, this machine only, two more channels
# made by quorlink-channel and the overview of the three in chromium, the
# nginx example, the site opened to a network, the upgrade under a loop of
# requests (none may fail) keeping the edited conffiles, a channel removed,
# removal, purge. Then Apache installed after the package; the examples of
# the README, doc/reference.md, README.Debian and the manual pages, each
# file's run as written in a root of its own; and the README's steps from
# source on a host without systemd, with its examples for that install.
# The roots come once from mmdebstrap with this machine's own apt sources.
# Each round's root runs in namespaces of its own (processes, mounts,
# network), so that Apache's init script finds its own Apache, and Apache
# and nginx take the ports a host's would. Run as root.
source "$(dirname "$0")/../serve/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "the package checks need root (chroot, mmdebstrap, piuparts)" >&2; exit 1; }
version="$("$top/scripts/version")"
arch="$(dpkg --print-architecture)"
deb="$top/build-deb/quorlink_${version}_$arch.deb"
[ -f "$deb" ] || { echo "no $deb: run scripts/build --deb" >&2; exit 1; }
for tool in quorlink genlog tests/gifinfo; do
  [ -x "$build/$tool" ] || { echo "no $build/$tool: run scripts/build" >&2; exit 1; }
done
work="$(mktemp -d /tmp/quorlinkdeb.XXXXXX)"
started=$SECONDS
took() { echo "$1: $((SECONDS - started)) s"; started=$SECONDS; }

declare -A nspids=()
cleanup() {
  [ -z "${mmpid:-}" ] || kill "$mmpid" 2>/dev/null || true
  # a namespace's first process takes every other one with it
  local p
  for p in "${nspids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  # piuparts unmounts what it mounted in its chroots when it ends
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# the roots: Apache, nginx with fcgiwrap for the example, the package's
# libjs-dygraphs, curl and autopkgtest for the autopkgtest, ip for a
# loopback; made while the version before is built. Apache's own package is kept, to install it
# after ours.
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$f" ] && sources+=("$f")
done
mkdir "$work/apache2"
mmdebstrap --variant=minbase --include=apache2,nginx-light,fcgiwrap,spawn-fcgi,curl,autopkgtest,iproute2,libjs-dygraphs \
  --customize-hook="cp \"\$1\"/var/cache/apt/archives/apache2_*.deb '$work/apache2/'" \
  bookworm "$work/base" "${sources[@]}" >"$work/mmdebstrap.log" 2>&1 &
mmpid=$!

# the version before: the same source package, a lower version in both
# places that name it (the build refuses them apart); 1.0.0 gives 0.9.9. Its
# settings differ, as a new version's may, so that the upgrade meets an
# edited conffile that the package changed too.
earlier="$(awk -F. '{ for (i = NF; i > 0 && $i == 0; i--) $i = 9; $i--; print }' OFS=. <<<"$version")"
dpkg-source -x "$top/build-deb/quorlink_$version.dsc" "$work/quorlink-$earlier" >/dev/null 2>&1
sed -i "s/^project(quorlink VERSION $version /project(quorlink VERSION $earlier /" \
  "$work/quorlink-$earlier/CMakeLists.txt"
sed -i "1s/^quorlink ($version)/quorlink ($earlier)/" "$work/quorlink-$earlier/debian/changelog"
echo "# the settings of $earlier" >>"$work/quorlink-$earlier/debian/quorlink.cfg"
(cd "$work/quorlink-$earlier" && dpkg-buildpackage -b -us -uc -j"$(nproc)") >"$work/earlier.log" 2>&1 ||
  tail -n 30 "$work/earlier.log" >&2
olddeb="$work/quorlink_${earlier}_$arch.deb"
check "the version before, $earlier, builds" [ -f "$olddeb" ]
took "version $earlier built"

# info tags too: immediate binding is one
lintian -I --fail-on error,warning "$top/build-deb/quorlink_${version}_$arch.changes" 2>&1 |
  grep -v '^running with root privileges' | tee "$work/lintian.log" || true
check "lintian: no error, no warning" bash -c "! grep -q '^[EW]: ' '$work/lintian.log'"
check "lintian: the programs bind at once (hardening)" bash -c "! grep -q hardening-no-bindnow '$work/lintian.log'"
# a path or an address broken at the end of a line with a hyphen (U+2010)
# cannot be pasted
nohyphen() {  # nohyphen PAGE WIDTH
  local text
  text="$(LC_ALL=C.UTF-8 MANWIDTH="$2" man -l "$1" 2>/dev/null)" && [ -n "$text" ] &&
    ! grep -q $'\u2010' <<<"$text"
}
for page in "$top"/man/*.[18]; do
  for width in 40 52 64 80; do
    check "$(basename "$page") at $width columns breaks nothing with a hyphen" nohyphen "$page" "$width"
  done
done
took "lintian and the manual pages"

wait "$mmpid" || { tail -n 30 "$work/mmdebstrap.log" >&2; mmpid=; exit 1; }
mmpid=
check "Apache's package kept" [ -f "$(echo "$work"/apache2/apache2_*.deb)" ]
took "roots made by mmdebstrap"

# piuparts, in the background: install and purge in the root as it is; and
# in a copy that knows the version before, that version from apt, then the
# upgrade to this one. Each makes its chroots as copies of its root. The
# package turns on a CGI module and mod_headers for its configuration and
# leaves them on when purged, as other sites may use them; and the first
# configuration turned off makes apache2's empty folders for such records:
# that is all it may leave. (The root holds autopkgtest, whose apt-utils
# has apt extract every package's debconf templates in tmp.ci.)
examplefiles=(README.md doc/reference.md debian/README.Debian man/quorlink.8 man/quorlink-channel.8)
for name in round second source autopkgtest upgrade "${examplefiles[@]//\//-}"; do
  cp -ax "$work/base" "$work/$name"
done
mkdir "$work/repo"
cp "$olddeb" "$work/repo/"
(cd "$work/repo" && dpkg-scanpackages . >Packages 2>/dev/null)
echo "deb [trusted=yes] file://$work/repo ./" >"$work/upgrade/etc/apt/sources.list.d/quorlink-earlier.list"
for test in install-purge upgrade; do
  if [ "$test" = upgrade ]; then
    only=(-e "$work/upgrade" --bindmount "$work/repo" --no-install-purge-test)
  else
    only=(-e "$work/base" --no-upgrade-test)
  fi
  piuparts -d bookworm --keep-sources-list "${only[@]}" \
    -I ':/etc/apache2/mods-enabled/(cgid\.conf|cgid\.load|headers\.load)' \
    -I ':/var/lib/apache2/module/enabled_by_maint/(cgid|headers)' \
    -I ':/var/lib/apache2/conf/disabled_by_(admin|maint)/' \
    -i /var/cache/debconf/tmp.ci/ \
    -l "$work/piuparts-$test.log" "$deb" >/dev/null 2>&1 &
done

# boot NAME: the root $work/NAME in namespaces of its own; its first
# process brings up the loopback, then reaps what Apache's init script stops
boot() {
  local dir="$work/$1" up pid=
  printf '%s\n' 'ip link set lo up' \
    "exec perl -e '\$SIG{CHLD} = sub { 1 while waitpid(-1, 1) > 0 }; sleep 1000 while 1'" >"$dir/tmp/init"
  unshare --pid --mount --net --fork --kill-child \
    sh -c 'mount -t proc proc "$1/proc" && exec chroot "$1" sh -e /tmp/init' sh "$dir" >>"$work/boot.log" 2>&1 &
  up=$!
  for _ in $(seq 100); do
    pid="$(pgrep -P "$up" || true)"
    # in the root, and past the loopback
    [ -n "$pid" ] && [ "$(readlink "/proc/$pid/root")" = "$dir" ] &&
      grep -q perl "/proc/$pid/cmdline" 2>/dev/null && break
    pid=
    sleep 0.1
  done
  [ -n "$pid" ] || { echo "the root $1 did not start:" >&2; cat "$work/boot.log" >&2; exit 1; }
  nspids[$1]="$pid"
}
# enter NAME: the root the functions below work in
enter() { here="$1"; root="$work/$1"; }
inroot() { nsenter -t "${nspids[$here]}" -p -m -n -r -w "$@"; }
innet() { nsenter -t "${nspids[$here]}" -n "$@"; }
# Apache may start, stop and restart in the root, as on a real host
letapache() {
  printf '#!/bin/sh\n[ "$1" = apache2 ] && exit 0\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
}
aptget() {
  inroot env DEBIAN_FRONTEND=noninteractive \
    apt-get -y -q -o Dpkg::Use-Pty=0 "$@" </dev/null >>"$work/apt.log" 2>&1 || tail -n 20 "$work/apt.log" >&2
}

# the autopkgtest, in the background, in a root of its own that knows no
# archive: its dependencies are there already. A tree that holds only
# debian/tests and the changelog is taken as built.
enter autopkgtest
boot autopkgtest
rm -f "$root"/etc/apt/sources.list "$root"/etc/apt/sources.list.d/*
mkdir -p "$root/tmp/quorlink/debian"
cp -r "$top/debian/tests" "$top/debian/changelog" "$root/tmp/quorlink/debian/"
cp "$deb" "$root/tmp/"
inroot autopkgtest "/tmp/$(basename "$deb")" /tmp/quorlink -- null >"$work/autopkgtest.log" 2>&1 &
autopkgtestpid=$!

# The operator's round
enter round
boot round
letapache
rm -f "$root/etc/nginx/sites-enabled/default"
cp "$olddeb" "$deb" "$root/tmp/"
# a client of another network, as a proxy on this machine would name it:
# what "Require local" is about
inroot a2enmod -q remoteip >>"$work/apt.log"
printf 'RemoteIPHeader X-Forwarded-For\nRemoteIPInternalProxy 127.0.0.1\n' \
  >"$root/etc/apache2/conf-available/fromafar.conf"
inroot a2enconf -q fromafar >>"$work/apt.log"
# the root's files and folders with owner and mode, but for the package
# system's own records and what the servers keep while they run
state() {
  (cd "$root" && find etc usr var/lib -xdev \( -path var/lib/dpkg -o -path var/lib/apt \
     -o -path var/lib/nginx \) -prune -o -printf '%p %y %u %m\n' | LC_ALL=C sort)
}
get() {  # get PORT PATH [CLIENT]: the response in $work/body and $work/headers; the status
  local from=()
  [ $# -eq 3 ] && from=(-H "X-Forwarded-For: $3")
  innet curl -s -m 20 ${from[@]+"${from[@]}"} -o "$work/body" -D "$work/headers" \
    -w '%{http_code}' "http://127.0.0.1:$1$2" || true
}
fetch() {  # fetch [PORT] PATH: sets status and body
  local p=80
  [ $# -eq 2 ] && { p="$1"; shift; }
  status="$(get "$p" "$1")"
  body="$(cat "$work/body")"
}
chartat() {  # chartat [PORT] PATH WIDTH: the chart at PATH decodes at that width
  local p=80
  [ $# -eq 3 ] && { p="$1"; shift; }
  [ "$(get "$p" "$1")" = 200 ] && grep -qi '^cache-control: no-cache' "$work/headers" &&
    [ "$("$build/tests/gifinfo" "$work/body")" = "$2 300" ]
}
gone() {  # gone PATH: answered 404 within five seconds (a graceful restart takes a moment)
  for _ in $(seq 50); do
    [ "$(get 80 "$1")" = 404 ] && return 0
    sleep 0.1
  done
  return 1
}
inerrorlog() {  # the line may be written a moment after the answer
  for _ in $(seq 50); do
    grep -qF "$1" "$root/var/log/apache2/error.log" && return 0
    sleep 0.1
  done
  return 1
}
page() {  # the page of a load chart at bandwidth $1, the chart inside it standing as CHART
  echo "<html><body><p>Log file name: logs/vornout.dat<br>Channel Bandwidth: $1<br><br></p><center><img src=\"data:image/gif;base64,CHART\" border=0></center></body></html>"
}
chartless() {  # the body, its chart standing as CHART
  sed -E 's|base64,[A-Za-z0-9+/=]+"|base64,CHART"|' <<<"$body"
}
load="cgi-bin/quorlink?action=rxloaddyn&hgrid=on&vgrid=on"
channel=/var/lib/quorlink/default
before="$(state)"

# the install turns on the modules and starts Apache's daemons, the CGI
# daemon among them
aptget install "/tmp/quorlink_${earlier}_$arch.deb"
check "apt installs the package" [ "$(inroot dpkg-query -W -f='${Version}' quorlink)" = "$earlier" ]
cat >"$work/want" <<EOT
$channel d root 755
$channel/charts d www-data 755
$channel/histout.dat f www-data 644
$channel/histout.lck f www-data 644
$channel/logs d root 755
$channel/quorlink l root 777 /usr/lib/quorlink/quorlink
$channel/quorlink.cfg l root 777 /etc/quorlink/quorlink.cfg
EOT
check "the channel folder: the server account writes its two files and the charts, nothing else" \
  diff -u "$work/want" <(cd "$root" && find "${channel#/}" -printf '/%p %y %u %m %l\n' | sed 's/ $//' | LC_ALL=C sort)
check "its Apache configuration and modules are on" \
  [ -L "$root/etc/apache2/conf-enabled/quorlink.conf" -a -L "$root/etc/apache2/mods-enabled/cgid.load" \
    -a -L "$root/etc/apache2/mods-enabled/headers.load" ]

inroot sh -c "quorlink-genlog --count 721 > $channel/logs/vornout.dat"
fetch /quorlink/default/
check "the front page at /quorlink/default/, Apache started by the install" [ "$status" = 200 ]
check "its four forms ask for the program beside the page" \
  [ "$(grep -c 'action="cgi-bin/quorlink"' <<<"$body")" = 4 ]
for what in /quorlink/ /quorlink/index.html; do
  fetch "$what"
  check "the overview at $what, the channel default's old front page" \
    bash -c "[ '$status' = 200 ] && grep -q '<title>VORN-NX channels</title>' '$work/body'"
done
fetch /quorlink/channels.json
check "the install lists the channel default for the overview" \
  [ "$status $body" = '200 {"channels":[
{"name":"default","page":"default/","program":"default/cgi-bin/quorlink"}]}' ]
# the picture's script, and dygraphs through the link to libjs-dygraphs
fetch /quorlink/default/picture.js
check "the front page's picture.js" [ "$status" = 200 ]
get 80 /quorlink/default/dygraphs/dygraph.min.js >"$work/status"
check "dygraphs is libjs-dygraphs', beside the front page" \
  bash -c "[ \"\$(cat '$work/status')\" = 200 ] && cmp -s '$work/body' '$root/usr/share/javascript/dygraphs/dygraph.min.js'"
fetch "/quorlink/cgi-bin/quorlink?step=3600&format=csv"
check "the hours of the log as data (step=)" \
  [ "$status $(sed -n 1p <<<"$body")" = $'200 time,seconds,rx_bytes,tx_bytes,rx_peak_bps,tx_peak_bps\r' ]
fetch "/quorlink/$load"
check "the program answers at /quorlink/cgi-bin/quorlink" \
  [ "$status $(chartless)" = "200 $(page 64000)" ]
check "the chart decodes, a day is 750 wide" chartat /quorlink/charts/quorlinkout.gif 750
fetch /quorlink/cgi-bin/quorlink.cfg
check "the settings have no address" [ "$status" = 404 ]
fetch "/quorlink/cgi-bin/quorlink?logfile=gone.dat"
check "a missing log is told in Apache's error log, with the channel" \
  inerrorlog "quorlink: logs/gone.dat: No such file or directory (in $channel; query \"logfile=gone.dat\"; client "
for what in /quorlink/ "/quorlink/$load" /quorlink/charts/quorlinkout.gif; do
  check "this machine only: $what refused to 192.0.2.7" [ "$(get 80 "$what" 192.0.2.7)" = 403 ]
done

# Two more channels made by quorlink-channel, which refuses the names of
# the first channel's addresses and one that is taken, and makes nothing
# for them; then a folder, its settings, no change to the server
made() { ls "$root/var/lib/quorlink" "$root/etc/quorlink"; cat "$root/var/lib/quorlink/channels.json"; }
was="$(made)"
for name in charts cgi-bin default East -x '' 'a b' ../x; do
  check "quorlink-channel refuses the channel name '$name'" \
    bash -c "! nsenter -t ${nspids[$here]} -p -m -n -r -w quorlink-channel add '$name' 2>/dev/null"
done
check "and makes nothing for them" [ "$(made)" = "$was" ]
check "quorlink-channel --help: its commands on standard output" \
  bash -c "nsenter -t ${nspids[$here]} -p -m -n -r -w quorlink-channel --help | grep -q '^usage: quorlink-channel add NAME | list | remove NAME'"
check "quorlink-channel without a command: the usage, status 2" \
  bash -c "nsenter -t ${nspids[$here]} -p -m -n -r -w quorlink-channel 2>&1 >/dev/null | grep -q '^usage:'; [ \${PIPESTATUS[0]} = 2 ]"
check "quorlink-channel add makes the channel east" inroot quorlink-channel add east >>"$work/apt.log"
check "quorlink-channel add west" inroot quorlink-channel add west >>"$work/apt.log"
check "a name taken is refused" bash -c "! nsenter -t ${nspids[$here]} -p -m -n -r -w quorlink-channel add east 2>/dev/null"
cat >"$work/want" <<EOT
/var/lib/quorlink/east d root 755
/var/lib/quorlink/east/charts d www-data 755
/var/lib/quorlink/east/histout.dat f www-data 644
/var/lib/quorlink/east/histout.lck f www-data 644
/var/lib/quorlink/east/logs d root 755
/var/lib/quorlink/east/quorlink l root 777 /usr/lib/quorlink/quorlink
/var/lib/quorlink/east/quorlink.cfg l root 777 /etc/quorlink/east.cfg
EOT
check "its folder: the server account writes its two files and the charts, nothing else" \
  diff -u "$work/want" <(cd "$root" && find var/lib/quorlink/east -printf '/%p %y %u %m %l\n' | sed 's/ $//' | LC_ALL=C sort)
check "its settings' comment names its own folder, its chart its own address" \
  bash -c "grep -q /var/lib/quorlink/east '$root/etc/quorlink/east.cfg' && ! grep -q /default '$root/etc/quorlink/east.cfg' &&
           grep -qx outvirtpath=/quorlink/east/charts/quorlinkout.gif '$root/etc/quorlink/east.cfg'"
check "quorlink-channel list names the three" [ "$(inroot quorlink-channel list | tr '\n' ' ')" = "default east west " ]
inroot sh -c "quorlink-genlog --count 361 > /var/lib/quorlink/east/logs/vornout.dat"
# west's device stopped three days ago: the overview says it is stale
inroot sh -c "quorlink-genlog --count 721 --start \$((\$(date +%s) - 4 * 86400)) --seed 5 > /var/lib/quorlink/west/logs/vornout.dat"
# the check an operator runs after editing the settings, as www-data: east
# holds, west's device has stopped, a typo in east's settings is found
checkof() { nsenter -t "${nspids[$here]}" -p -m -n -r -w quorlink-check "$@" >"$work/check.out" 2>&1; echo $?; }
inroot sh -c "quorlink-genlog --daily --count 30 > /var/lib/quorlink/east/logs/sumout.dat"
status=$(checkof east)
check "quorlink-check east: all holds, status 0 ($status)" \
  bash -c "[ '$status' = 0 ] && tail -1 '$work/check.out' | grep -qx SUCCESS"
check "quorlink-check east: the log and its intervals" grep -q '^OK: log logs/vornout.dat: 360 intervals' "$work/check.out"
status=$(checkof west)
check "quorlink-check west: the device has stopped, status 1 ($status)" \
  bash -c "[ '$status' = 1 ] && grep -q '^WARNING: vornout.dat: the newest record is 3 days old: is the device still writing?' '$work/check.out'"
cp "$root/etc/quorlink/east.cfg" "$work/east.cfg"
echo "bandwith=2000000" >> "$root/etc/quorlink/east.cfg"
status=$(checkof east)
check "quorlink-check east: a settings typo and the key it means" \
  bash -c "grep -q '^WARNING: quorlink.cfg: bandwith=2000000 (line [0-9]*) is no setting of this program (did you mean bandwidth=?)' '$work/check.out'"
cp "$work/east.cfg" "$root/etc/quorlink/east.cfg"
chmod 640 "$root/var/lib/quorlink/east/logs/vornout.dat"
status=$(checkof east)
check "quorlink-check east: a log the server's account cannot read is an error, status 2 ($status)" \
  bash -c "[ '$status' = 2 ] && grep -q '^ERROR: The log vornout.dat cannot be read by the web server' '$work/check.out'"
chmod 644 "$root/var/lib/quorlink/east/logs/vornout.dat"
check "quorlink-check nosuch: no such channel, status 2" [ "$(checkof nosuch)" = 2 ]
rm "$root/var/lib/quorlink/east/logs/sumout.dat"
fetch /quorlink/east/
check "a second channel's front page at /quorlink/east/" \
  [ "$status $(grep -c 'action="cgi-bin/quorlink"' <<<"$body")" = "200 4" ]
for file in picture.js dygraphs/dygraph.min.js dygraphs/dygraph.min.css; do
  fetch "/quorlink/east/$file"
  check "its front page's $file" [ "$status" = 200 ]
done
fetch "/quorlink/east/$load"
check "its program answers" [ "$status $(chartless)" = "200 $(page 64000)" ]
check "its chart is its own, 390 wide" chartat /quorlink/east/charts/quorlinkout.gif 390
fetch "/quorlink/east/cgi-bin/quorlink?logfile=gone.dat"
check "its complaints name its folder" \
  inerrorlog "quorlink: logs/gone.dat: No such file or directory (in /var/lib/quorlink/east; query "
fetch /quorlink/channels.json
check "the overview's list holds the three" [ "$(grep -o '"name":"[a-z]*"' <<<"$body" | tr '\n' ' ')" = \
  '"name":"default" "name":"east" "name":"west" ' ]

# the overview of the three in chromium, from inside the root's network
# (playwright-core and axe-core from the browser test's folder)
browser="$top/tests/browser"
if [ ! -d "$browser/node_modules/playwright-core" ] || [ ! -d "$browser/node_modules/axe-core" ]; then
  npm ci --prefix "$browser" --no-audit --no-fund >/dev/null
fi
mkdir -p "$build/browser-shots"
check "chromium: the overview of three channels, each card its channel's own" \
  innet node "$browser/overview.mjs" http://127.0.0.1/quorlink/ "$build/browser-shots" "$root" west default east west

# the nginx example as it is, with fcgiwrap as its note starts it
cp "$root/usr/share/doc/quorlink/examples/nginx-quorlink" "$root/etc/nginx/sites-enabled/quorlink"
inroot spawn-fcgi -s /run/fcgiwrap.socket -M 0660 -U www-data -G www-data \
  -u www-data -g www-data -P /run/fcgiwrap.pid -- /usr/sbin/fcgiwrap -f >/dev/null
inroot nginx
fetch 8080 /quorlink/default/
check "nginx: the front page" [ "$status $(grep -c 'action="cgi-bin/quorlink"' <<<"$body")" = "200 4" ]
for what in /quorlink/ /quorlink/index.html; do
  fetch 8080 "$what"
  check "nginx: the overview at $what" \
    bash -c "[ '$status' = 200 ] && grep -q '<title>VORN-NX channels</title>' '$work/body'"
done
fetch 8080 /quorlink/channels.json
check "nginx: the list of channels" bash -c "[ '$status' = 200 ] && grep -q '\"name\":\"west\"' '$work/body'"
fetch 8080 "/quorlink/$load"
check "nginx: the program" [ "$status $(chartless)" = "200 $(page 64000)" ]
fetch 8080 /quorlink/east/dygraphs/dygraph.min.js
check "nginx: dygraphs for the second channel" [ "$status" = 200 ]
fetch 8080 "/quorlink/east/$load"
check "nginx: the second channel" [ "$status $(chartless)" = "200 $(page 64000)" ]
check "nginx: its chart" chartat 8080 /quorlink/east/charts/quorlinkout.gif 390
inroot nginx -s stop 2>/dev/null
inroot sh -c 'kill "$(cat /run/fcgiwrap.pid)"'
rm "$root/etc/nginx/sites-enabled/quorlink"

# the one line README.Debian gives opens the site to a network
conf="$root/etc/apache2/conf-available/quorlink.conf"
check "the Apache configuration lets this machine in" grep -qx '    Require local' "$conf"
sed -i 's|^    Require local$|&\n    Require ip 192.0.2.0/24|' "$conf"
inroot service apache2 reload >/dev/null 2>&1
for _ in $(seq 50); do [ "$(get 80 /quorlink/ 192.0.2.7)" = 200 ] && break; sleep 0.1; done
check "opened: 192.0.2.7 sees the program" [ "$(get 80 "/quorlink/$load" 192.0.2.7)" = 200 ]
check "opened: 198.51.100.7 does not" [ "$(get 80 "/quorlink/$load" 198.51.100.7)" = 403 ]
check "opened: this machine still does" [ "$(get 80 "/quorlink/$load")" = 200 ]
took "the operator's round, to the upgrade"

# The upgrade, with requests in a loop: a page and its chart each time.
# Both settings files were edited, and the package changed quorlink.cfg
# too: the options README.Debian gives keep the edits without a question.
requests() {
  local pairs=0 bad=0 a b
  while [ ! -e "$work/stop" ]; do
    pairs=$((pairs + 1))
    a="$(innet curl -s -m 20 -o "$work/loadpage" -w '%{http_code}' "http://127.0.0.1/quorlink/$load" || true)"
    b="$(innet curl -s -m 20 -o /dev/null -w '%{http_code}' http://127.0.0.1/quorlink/charts/quorlinkout.gif || true)"
    if [ "$a $b" != "200 200" ] || ! grep -q 'Channel Bandwidth: 128000<br>' "$work/loadpage"; then
      bad=$((bad + 1))
      echo "$a $b" >>"$work/refused"
    fi
    echo "$pairs $bad" >"$work/requests"
  done
}
sed -i 's/^bandwidth=.*/bandwidth=128000/' "$root/etc/quorlink/quorlink.cfg"
owners() { stat -c '%n %U %s' "$root$channel/histout.dat" "$root$channel/histout.lck" "$root$channel/charts"; }
kept="$(owners)"
logged="$(wc -l <"$root/var/log/apache2/error.log")"
requests &
requestspid=$!
for _ in $(seq 100); do [ "$(cut -d' ' -f1 "$work/requests" 2>/dev/null)" -gt 5 ] 2>/dev/null && break; sleep 0.1; done
aptget install -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
  "/tmp/quorlink_${version}_$arch.deb"
sleep 1
touch "$work/stop"
wait "$requestspid"
read -r pairs refused <"$work/requests"
echo "the upgrade under requests: $refused of $pairs pairs of a page and its chart failed"
[ "$refused" = 0 ] || sort "$work/refused" | uniq -c >&2
check "the upgrade under requests: $refused of $pairs page and chart pairs failed" [ "$pairs" -gt 10 -a "$refused" = 0 ]
tail -n +"$((logged + 1))" "$root/var/log/apache2/error.log" >"$work/upgradelog"
check "the upgrade reloaded Apache gracefully" grep -q 'Doing graceful restart' "$work/upgradelog"
check "and did not stop it" bash -c "! grep -q 'caught SIGTERM' '$work/upgradelog'"
check "apt upgrades it to $version" [ "$(inroot dpkg-query -W -f='${Version}' quorlink)" = "$version" ]
check "the edited bandwidth= is kept" grep -qx 'bandwidth=128000' "$root/etc/quorlink/quorlink.cfg"
check "the package's new settings beside them" grep -qx 'bandwidth=64000' "$root/etc/quorlink/quorlink.cfg.dpkg-dist"
check "the working files are kept, www-data's" [ "$(owners)" = "$kept" ]
check "the opened site stays open" [ "$(get 80 "/quorlink/$load" 192.0.2.7)" = 200 ]
fetch "/quorlink/$load"
check "the upgraded program reads the edited settings" [ "$status $(chartless)" = "200 $(page 128000)" ]

fetch /quorlink/channels.json
check "the upgrade keeps the list of the three" [ "$(grep -c '"name":' <<<"$body")" = 3 ]

# a channel taken away by quorlink-channel: its address goes, its logs stay
check "quorlink-channel remove west" inroot quorlink-channel remove west >>"$work/apt.log"
check "the channel default is the package's, not removed" \
  bash -c "! nsenter -t ${nspids[$here]} -p -m -n -r -w quorlink-channel remove default 2>/dev/null"
check "west's program has no address" [ "$(get 80 "/quorlink/west/$load")" = 404 ]
check "west's logs stay, nothing else of it" \
  [ "$(cd "$root" && find var/lib/quorlink/west etc/quorlink -name '*west*' -o -path '*west/*' | LC_ALL=C sort | tr '\n' ' ')" = \
    "var/lib/quorlink/west var/lib/quorlink/west/logs var/lib/quorlink/west/logs/vornout.dat " ]
check "the list and the overview's list hold the two left" \
  bash -c "[ \"\$(nsenter -t ${nspids[$here]} -p -m -n -r -w quorlink-channel list | tr '\n' ' ')\" = 'default east ' ] &&
           ! grep -q west '$root/var/lib/quorlink/channels.json'"

# removal turns the site off; purge leaves only the operator's logs
aptget remove quorlink
check "removal disables the configuration" [ ! -e "$root/etc/apache2/conf-enabled/quorlink.conf" ]
check "the front page's address is gone" gone /quorlink/
check "the program's address is gone" gone "/quorlink/$load"
aptget purge quorlink
kill -KILL "${nspids[round]}"
unset 'nspids[round]'
cat >"$work/want" <<EOT
etc/apache2/mods-enabled/cgid.conf l root 777
etc/apache2/mods-enabled/cgid.load l root 777
etc/apache2/mods-enabled/headers.load l root 777
var/lib/apache2/conf/disabled_by_admin d root 755
var/lib/apache2/conf/disabled_by_maint d root 755
var/lib/apache2/module/enabled_by_maint/cgid f root 644
var/lib/apache2/module/enabled_by_maint/headers f root 644
var/lib/quorlink d root 755
var/lib/quorlink/default d root 755
var/lib/quorlink/default/logs d root 755
var/lib/quorlink/default/logs/vornout.dat f root 644
var/lib/quorlink/east d root 755
var/lib/quorlink/east/logs d root 755
var/lib/quorlink/east/logs/vornout.dat f root 644
var/lib/quorlink/west d root 755
var/lib/quorlink/west/logs d root 755
var/lib/quorlink/west/logs/vornout.dat f root 644
EOT
check "purge leaves every channel's logs, the modules it turned on and apache2's records, nothing else" \
  diff -u "$work/want" <(LC_ALL=C comm -13 <(echo "$before") <(state))
check "purge takes nothing that was there before" \
  [ -z "$(LC_ALL=C comm -23 <(echo "$before") <(state))" ]
took "the operator's round, from the upgrade"

# Apache installed after the package: no step between
enter second
boot second
letapache
inroot dpkg --purge apache2 >>"$work/apt.log" 2>&1
cp "$deb" "$work"/apache2/apache2_*.deb "$root/tmp/"
aptget install --no-install-recommends "/tmp/$(basename "$deb")"
check "installed without Apache" [ "$(inroot dpkg-query -W -f='${Status}' quorlink)" = "install ok installed" ]
inroot sh -c "quorlink-genlog --count 721 > $channel/logs/vornout.dat"
aptget install "/tmp/$(basename "$work"/apache2/apache2_*.deb)"
fetch "/quorlink/$load"
check "Apache installed second serves the program" \
  bash -c "[ '$status' = 200 ] && grep -q 'Channel Bandwidth: 64000<br>' '$work/body'"
check "and its chart" chartat /quorlink/charts/quorlinkout.gif 750
kill -KILL "${nspids[second]}"
unset 'nspids[second]'
took "Apache installed after the package"

# The examples that the README, doc/reference.md, README.Debian and the
# manual pages mark as runnable for the package, each file's in order in a root of its own with
# the package just installed, as a reader who follows that file alone. In
# README.Debian's root, the mistakes the README once made, each caught.
examples() {  # examples INSTALL FILE LOG: the file's examples run in the root entered
  python3 "$top/tests/debian/examples.py" --install "$1" "$2" -- \
    nsenter -t "${nspids[$here]}" -p -m -n -r -w >"$3" 2>&1 || { grep -v '^ok: ' "$3" >&2; return 1; }
  echo "$(basename "$2"): $(tail -n 1 "$3")"
}
cat >"$work/mistakes.md" <<'EOT'
<!-- example: package -->
```console
$ curl -s 'http://localhost/cgi-bin/quorlink?action=rxloaddyn&hours=1&format=csv'
time,seconds,rx_bytes,tx_bytes,rx_bps,tx_bps
$ curl -s 'http://localhost/quorlink/cgi-bin/quorlink?action=usage&from=01/11/2026&format=json'
{"log":"../logs/vornout.dat","figures":{...}}
$ curl -s 'http://localhost/quorlink/cgi-bin/quorlink?action=usage&format=json'
{"log":"logs/vornout.dat","figures":{"rx":{"p95":...}}}
$ curl -sI http://localhost/quorlink/nochannel/cgi-bin/quorlink
HTTP/1.1 200 OK
```
<!-- example: package -->
```sh
quorlink-channel add charts
```
EOT
for file in "${examplefiles[@]}"; do
  name="${file//\//-}"
  enter "$name"
  boot "$name"
  letapache
  cp "$deb" "$root/tmp/"
  aptget install "/tmp/$(basename "$deb")"
  check "the examples of $file for the package, as written" examples package "$top/$file" "$work/examples-$name.log"
  check "$file has examples for the package" grep -q '^examples for package: [1-9][0-9]* run' "$work/examples-$name.log"
  if [ "$file" = debian/README.Debian ]; then
    examples package "$work/mistakes.md" "$work/mistakes.log" 2>/dev/null || true
    for why in ': the first line is .<!DOCTYPE' 'log is "logs/vornout.dat", not "../logs/vornout.dat"' \
               'no key figures.rx.p95' "status '404', the text shows 200" 'exit status 1: quorlink-channel: charts' \
               '^examples for package: 5 run, 5 failed$'; do
      check "a wrong example fails: $why" grep -q "$why" "$work/mistakes.log"
    done
  fi
  kill -KILL "${nspids[$name]}"
  unset "nspids[$name]"
done
took "the examples for the package"

# the README's steps from source, on a host without systemd whose Apache
# runs already: the CGI module they turn on starts its daemon only when
# Apache is stopped and started
enter source
boot source
letapache
inroot service apache2 start >>"$work/apt.log" 2>&1
cmake --install "$build" --prefix "$root/srv/quorlink" >/dev/null
cp "$root/srv/quorlink/cgi-bin/quorlink.cfg.example" "$root/srv/quorlink/cgi-bin/quorlink.cfg"
"$build/genlog" >"$root/srv/quorlink/logs/vornout.dat"
inroot chown www-data: /srv/quorlink/cgi-bin/histout.dat /srv/quorlink/cgi-bin/histout.lck /srv/quorlink/charts
# the Apache step as the README words it: its copy, done from here; its
# a2en* lines; its restart without systemd
cp "$top/deploy/apache2-quorlink.conf" "$root/etc/apache2/sites-available/quorlink.conf"
steps="$(sed -n '/^### From source/,/^### /p' "$top/README.md" | sed -n '/^   ```sh/,/^   ```/p')"
restart="$(sed -n 's/.*# without systemd: //p' <<<"$steps")"
check "the README's Apache steps: two a2en lines, a restart without systemd" \
  [ "$(grep -c '^ *a2en' <<<"$steps")" = 2 -a -n "$restart" ]
while read -r line; do
  inroot $line >>"$work/apt.log" 2>&1
done < <(grep '^ *a2en' <<<"$steps")
inroot $restart >>"$work/apt.log" 2>&1
fetch 8080 "/cgi-bin/quorlink?action=rxloaddyn"
check "from source: the program answers" \
  bash -c "[ '$status' = 200 ] && grep -q 'Channel Bandwidth: 64000<br>' '$work/body'"
check "from source: its chart, 720 records 749 wide" chartat 8080 /charts/quorlinkout.gif 749
check "from source: the README's examples for its site, as written" \
  examples source "$top/README.md" "$work/examples-source.log"
check "the README has examples for the source install" \
  grep -q '^examples for source: [1-9][0-9]* run' "$work/examples-source.log"
kill -KILL "${nspids[source]}"
unset 'nspids[source]'
took "from source without systemd"

wait "$autopkgtestpid" || true
grep -E '^(apache-chart|ok:|FAIL:)' "$work/autopkgtest.log" || tail -n 30 "$work/autopkgtest.log" >&2
check "autopkgtest: apache-chart passes" grep -qE '^apache-chart +PASS' "$work/autopkgtest.log"
kill -KILL "${nspids[autopkgtest]}"
unset 'nspids[autopkgtest]'
took "the autopkgtest, the rest of it"

wait || true
for test in install-purge upgrade; do
  log="$work/piuparts-$test.log"
  grep -q 'PASS: All tests' "$log" || grep -E 'FAIL|ERROR' "$log" >&2 || tail -n 40 "$log" >&2
  grep -E 'INFO: (PASS|IGNORED)' "$log" | cut -d' ' -f3- || true
done
check "piuparts: install and purge" grep -q "PASS: Installation and purging test" "$work/piuparts-install-purge.log"
check "piuparts: upgrade from $earlier and purge" \
  grep -q "PASS: Installation, upgrade and purging tests" "$work/piuparts-upgrade.log"
took "piuparts, the rest of it"
finish

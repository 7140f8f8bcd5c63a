#!/usr/bin/env bash
# The Debian package of scripts/build --deb, checked as Debian checks its
# own: lintian; piuparts installing and purging it, and upgrading to it from
# the version before, in a clean Debian 12; and an operator's round in a
# throwaway Debian 12 root served by that root's Apache: install the version
# before, sample logs, the front page and a chart, a second channel, the
# nginx example, an edited conffile kept across the upgrade, removal, purge.
# The root comes once from mmdebstrap with this machine's own apt sources
# and serves both piuparts and the round. Run as root.
source "$(dirname "$0")/../serve/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "the package checks need root (chroot, mmdebstrap, piuparts)" >&2; exit 1; }
version="$("$top/scripts/version")"
arch="$(dpkg --print-architecture)"
deb="$top/build-deb/quorlink_${version}_$arch.deb"
[ -f "$deb" ] || { echo "no $deb: run scripts/build --deb" >&2; exit 1; }
work="$(mktemp -d /tmp/quorlinkdeb.XXXXXX)"
root="$work/root"
started=$SECONDS
took() { echo "$1: $((SECONDS - started)) s"; started=$SECONDS; }

stopservers() {
  [ -d "$root" ] || return 0
  [ ! -f "$root/run/apache2/apache2.pid" ] || chroot "$root" apache2ctl stop 2>/dev/null || true
  [ ! -f "$root/run/nginx.pid" ] || chroot "$root" nginx -s stop 2>/dev/null || true
  [ ! -f "$root/run/fcgiwrap.pid" ] || kill "$(cat "$root/run/fcgiwrap.pid")" 2>/dev/null || true
  for _ in $(seq 50); do
    [ -f "$root/run/apache2/apache2.pid" ] || [ -f "$root/run/nginx.pid" ] || break
    sleep 0.1
  done
}
cleanup() {
  [ -z "${mmpid:-}" ] || kill "$mmpid" 2>/dev/null || true
  stopservers
  # piuparts unmounts what it mounted in its chroots when it ends
  wait ${piupartspids[@]+"${piupartspids[@]}"} 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# the root: Apache, and nginx with fcgiwrap for the example; made while the
# version before is built
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$f" ] && sources+=("$f")
done
mmdebstrap --variant=minbase --include=apache2,nginx-light,fcgiwrap,spawn-fcgi \
  bookworm "$root" "${sources[@]}" >"$work/mmdebstrap.log" 2>&1 &
mmpid=$!

# the version before: the same source package, a lower version in both
# places that name it (the build refuses them apart); 1.0.0 gives 0.9.9
earlier="$(awk -F. '{ for (i = NF; i > 0 && $i == 0; i--) $i = 9; $i--; print }' OFS=. <<<"$version")"
dpkg-source -x "$top/build-deb/quorlink_$version.dsc" "$work/quorlink-$earlier" >/dev/null 2>&1
sed -i "s/^project(quorlink VERSION $version /project(quorlink VERSION $earlier /" \
  "$work/quorlink-$earlier/CMakeLists.txt"
sed -i "1s/^quorlink ($version)/quorlink ($earlier)/" "$work/quorlink-$earlier/debian/changelog"
(cd "$work/quorlink-$earlier" && dpkg-buildpackage -b -us -uc -j"$(nproc)") >"$work/earlier.log" 2>&1 ||
  tail -n 30 "$work/earlier.log" >&2
olddeb="$work/quorlink_${earlier}_$arch.deb"
check "the version before, $earlier, builds" [ -f "$olddeb" ]
took "version $earlier built"

lintian --fail-on error,warning "$top/build-deb/quorlink_${version}_$arch.changes" 2>&1 |
  grep -v '^running with root privileges' | tee "$work/lintian.log" || true
check "lintian: no error, no warning" bash -c "! grep -q '^[EW]: ' '$work/lintian.log'"
took "lintian"

wait "$mmpid" || { tail -n 30 "$work/mmdebstrap.log" >&2; mmpid=; exit 1; }
mmpid=
took "root made by mmdebstrap"

# piuparts, in the background: install and purge in the root as it is; and
# in a copy that knows the version before, that version from apt, then the
# upgrade to this one. Each makes its chroots as copies of its root. The
# package turns on a CGI module and mod_headers for its configuration and
# leaves them on when purged, as other sites may use them; and the first
# configuration turned off makes apache2's empty folders for such records:
# that is all it may leave.
cp -ax "$root" "$work/round"
cp -ax "$root" "$work/upgrade"
mkdir "$work/repo"
cp "$olddeb" "$work/repo/"
(cd "$work/repo" && dpkg-scanpackages . >Packages 2>/dev/null)
echo "deb [trusted=yes] file://$work/repo ./" >"$work/upgrade/etc/apt/sources.list.d/quorlink-earlier.list"
piupartspids=()
for test in install-purge upgrade; do
  if [ "$test" = upgrade ]; then
    only=(-e "$work/upgrade" --bindmount "$work/repo" --no-install-purge-test)
  else
    only=(-e "$root" --no-upgrade-test)
  fi
  piuparts -d bookworm --keep-sources-list "${only[@]}" \
    -I ':/etc/apache2/mods-enabled/(cgid\.conf|cgid\.load|headers\.load)' \
    -I ':/var/lib/apache2/module/enabled_by_maint/(cgid|headers)' \
    -I ':/var/lib/apache2/conf/disabled_by_(admin|maint)/' \
    -l "$work/piuparts-$test.log" "$deb" >/dev/null 2>&1 &
  piupartspids+=($!)
done
root="$work/round"

# The operator's round. The root has no init system, so the package's
# reloads are left undone (invoke-rc.d declines): the test reloads Apache
# where a package's action would.
port="$(freeport)"
printf 'Listen 127.0.0.1:%s\nServerName 127.0.0.1\n' "$port" >"$root/etc/apache2/ports.conf"
rm -f "$root/etc/nginx/sites-enabled/default"
cp "$olddeb" "$deb" "$root/tmp/"
inroot() { chroot "$root" "$@"; }
aptget() {
  chroot "$root" env DEBIAN_FRONTEND=noninteractive \
    apt-get -y -q -o Dpkg::Use-Pty=0 "$@" >>"$work/apt.log" 2>&1 || tail -n 20 "$work/apt.log" >&2
}
# the root's files and folders with owner and mode, but for the package
# system's own records and what the servers keep while they run
state() {
  (cd "$root" && find etc usr var/lib -xdev \( -path var/lib/dpkg -o -path var/lib/apt \
     -o -path var/lib/nginx \) -prune -o -printf '%p %y %u %m\n' | LC_ALL=C sort)
}
get() {  # get PORT PATH: the response in $work/body and $work/headers; the status
  curl -s -o "$work/body" -D "$work/headers" -w '%{http_code}' "http://127.0.0.1:$1$2" || true
}
fetch() {  # fetch [PORT] PATH: sets status and body
  local p="$port"
  [ $# -eq 2 ] && { p="$1"; shift; }
  status="$(get "$p" "$1")"
  body="$(cat "$work/body")"
}
chartat() {  # chartat [PORT] PATH WIDTH: the chart at PATH decodes at that width
  local p="$port"
  [ $# -eq 3 ] && { p="$1"; shift; }
  [ "$(get "$p" "$1")" = 200 ] && grep -qi '^cache-control: no-cache' "$work/headers" &&
    [ "$("$build/tests/gifinfo" "$work/body")" = "$2 300" ]
}
gone() {  # gone PATH: answered 404 within five seconds (a graceful restart takes a moment)
  for _ in $(seq 50); do
    [ "$(get "$port" "$1")" = 404 ] && return 0
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
page() {  # the page of a load chart of the channel whose charts are at $1
  echo "<html><body><p>Log file name: logs/vornout.dat<br>Channel Bandwidth: $2<br><br></p><center><img src=\"$1/quorlinkout.gif\" border=0></center></body></html>"
}
load="cgi-bin/quorlink?action=rxloaddyn&hgrid=on&vgrid=on"
channel=/var/lib/quorlink/default
before="$(state)"

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
inroot apache2ctl start
fetch /quorlink/
check "the front page at /quorlink/" [ "$status" = 200 ]
check "its three forms ask for the program beside the page" \
  [ "$(grep -c 'action="cgi-bin/quorlink"' <<<"$body")" = 3 ]
fetch "/quorlink/$load"
check "the program answers at /quorlink/cgi-bin/quorlink" \
  [ "$status $body" = "200 $(page /quorlink/charts 64000)" ]
check "the chart decodes, a day is 750 wide" chartat /quorlink/charts/quorlinkout.gif 750
fetch /quorlink/cgi-bin/quorlink.cfg
check "the settings have no address" [ "$status" = 404 ]
fetch "/quorlink/cgi-bin/quorlink?logfile=gone.dat"
check "a missing log is told in Apache's error log" inerrorlog "quorlink: logs/gone.dat: No such file or directory"

# a second channel as quorlink(8) makes it: a folder, its settings, no
# change to the server
inroot sh -ec "
  cd /var/lib/quorlink
  mkdir -p east/logs
  ln -s /usr/lib/quorlink/quorlink east/quorlink
  sed 's|^outvirtpath=.*|outvirtpath=/quorlink/east/charts/quorlinkout.gif|' \
    /etc/quorlink/quorlink.cfg > /etc/quorlink/east.cfg
  ln -s /etc/quorlink/east.cfg east/quorlink.cfg
  install -m 644 -o www-data -g www-data /dev/null east/histout.dat
  install -m 644 -o www-data -g www-data /dev/null east/histout.lck
  install -d -o www-data -g www-data east/charts
  quorlink-genlog --count 361 > east/logs/vornout.dat"
fetch /quorlink/east/
check "a second channel's front page at /quorlink/east/" \
  [ "$status $(grep -c 'action="cgi-bin/quorlink"' <<<"$body")" = "200 3" ]
fetch "/quorlink/east/$load"
check "its program answers" [ "$status $body" = "200 $(page /quorlink/east/charts 64000)" ]
check "its chart is its own, 390 wide" chartat /quorlink/east/charts/quorlinkout.gif 390

# the nginx example with fcgiwrap as its note starts it, on a port of its own
nginxport="$(freeport)"
sed "s/listen 8080;/listen 127.0.0.1:$nginxport;/; /listen \[::\]:8080;/d" \
  "$root/usr/share/doc/quorlink/examples/nginx-quorlink" >"$root/etc/nginx/sites-enabled/quorlink"
inroot spawn-fcgi -s /run/fcgiwrap.socket -M 0660 -U www-data -G www-data \
  -u www-data -g www-data -P /run/fcgiwrap.pid -- /usr/sbin/fcgiwrap -f >/dev/null
inroot nginx
fetch "$nginxport" /quorlink/
check "nginx: the front page" [ "$status $(grep -c 'action="cgi-bin/quorlink"' <<<"$body")" = "200 3" ]
fetch "$nginxport" "/quorlink/$load"
check "nginx: the program" [ "$status $body" = "200 $(page /quorlink/charts 64000)" ]
fetch "$nginxport" "/quorlink/east/$load"
check "nginx: the second channel" [ "$status $body" = "200 $(page /quorlink/east/charts 64000)" ]
check "nginx: its chart" chartat "$nginxport" /quorlink/east/charts/quorlinkout.gif 390
inroot nginx -s stop 2>/dev/null
kill "$(cat "$root/run/fcgiwrap.pid")"
rm "$root/etc/nginx/sites-enabled/quorlink"

# the upgrade keeps an edited conffile and the working files
sed -i 's/^bandwidth=.*/bandwidth=128000/' "$root/etc/quorlink/quorlink.cfg"
owners() { stat -c '%n %U %s' "$root$channel/histout.dat" "$root$channel/histout.lck" "$root$channel/charts"; }
kept="$(owners)"
aptget install "/tmp/quorlink_${version}_$arch.deb"
check "apt upgrades it to $version" [ "$(inroot dpkg-query -W -f='${Version}' quorlink)" = "$version" ]
check "the edited bandwidth= is kept" grep -qx 'bandwidth=128000' "$root/etc/quorlink/quorlink.cfg"
check "the working files are kept, www-data's" [ "$(owners)" = "$kept" ]
fetch "/quorlink/$load"
check "the upgraded program reads the edited settings" [ "$status $body" = "200 $(page /quorlink/charts 128000)" ]

# removal turns the site off; purge leaves only the operator's logs
aptget remove quorlink
check "removal disables the configuration" [ ! -e "$root/etc/apache2/conf-enabled/quorlink.conf" ]
inroot apache2ctl graceful
check "the front page's address is gone" gone /quorlink/
check "the program's address is gone" gone "/quorlink/$load"
inroot rm -r /var/lib/quorlink/east /etc/quorlink/east.cfg
aptget purge quorlink
stopservers
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
EOT
check "purge leaves the logs, the modules it turned on and apache2's records, nothing else" \
  diff -u "$work/want" <(LC_ALL=C comm -13 <(echo "$before") <(state))
check "purge takes nothing that was there before" \
  [ -z "$(LC_ALL=C comm -23 <(echo "$before") <(state))" ]
took "the operator's round"

wait "${piupartspids[@]}" || true
piupartspids=()
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

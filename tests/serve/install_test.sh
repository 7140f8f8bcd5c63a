#!/usr/bin/env bash
# cmake --install lays out a whole site, and installing again replaces what
# the operator is not to edit, the program by a rename, and keeps everything
# else: settings, logs, working files, their owners and modes.
source "$(dirname "$0")/lib.sh"
work="$(mktemp -d /tmp/quorlinkinstall.XXXXXX)"
trap 'rm -rf "$work"' EXIT
site="$work/site"
install() { cmake --install "$build" --prefix "$1" >/dev/null; }
# each folder and file with its mode, and each file's size
layout() { (cd "$1" && find . \( -type f -printf '%p %y %m %s\n' \) -o -printf '%p %y %m\n' | LC_ALL=C sort); }
install "$site"

# the working files empty, no quorlink.cfg
cat > "$work/want" <<EOT
. d 755
./cgi-bin d 755
./cgi-bin/histout.dat f 644 0
./cgi-bin/histout.lck f 644 0
./cgi-bin/quorlink f 755 $(stat -c %s "$build/quorlink")
./cgi-bin/quorlink.cfg.example f 644 $(stat -c %s "$top/demo/site/quorlink.cfg")
./charts d 755
./htdocs d 755
./htdocs/channels.json f 644 $(printf '{"channels":[\n{"name":null,"page":"./","program":"/cgi-bin/quorlink"}]}\n' | wc -c)
./htdocs/dygraphs d 755
./htdocs/dygraphs/LICENSE.txt f 644 $(stat -c %s "$top/web/dygraphs/LICENSE.txt")
./htdocs/dygraphs/dygraph.min.css f 644 $(stat -c %s "$top/web/dygraphs/dygraph.min.css")
./htdocs/dygraphs/dygraph.min.js f 644 $(stat -c %s "$top/web/dygraphs/dygraph.min.js")
./htdocs/index.html f 644 $(stat -c %s "$top/web/index.html")
./htdocs/overview.html f 644 $(stat -c %s "$top/web/overview.html")
./htdocs/picture.js f 644 $(stat -c %s "$top/web/picture.js")
./htdocs/style.css f 644 $(stat -c %s "$top/web/style.css")
./logs d 755
EOT
check "a fresh install lays out the whole site, quorlink.cfg left to the operator" \
  diff -u "$work/want" <(layout "$site")
check "the program is the one built" cmp "$build/quorlink" "$site/cgi-bin/quorlink"
check "the overview's list names the site's one channel by the host, its program where the front page asks" \
  bash -c "python3 -c 'import json, sys; c = json.load(open(sys.argv[1]))[\"channels\"]; sys.exit(c != [{\"name\": None, \"page\": \"./\", \"program\": \"/cgi-bin/quorlink\"}])' '$site/htdocs/channels.json' &&
           grep -q 'action=\"/cgi-bin/quorlink\"' '$site/htdocs/index.html'"

# the operator's site: settings, logs, a chart, working files in use, and
# the permissions the README gives them
cp "$site/cgi-bin/quorlink.cfg.example" "$site/cgi-bin/quorlink.cfg"
echo "bandwidth=128000" >> "$site/cgi-bin/quorlink.cfg"
"$build/genlog" --count 5 > "$site/logs/vornout.dat"
echo "1 2 3 4 5" > "$site/cgi-bin/histout.dat"
echo chart > "$site/charts/quorlinkout.gif"
chmod 750 "$site/logs"
chmod 600 "$site/cgi-bin/histout.lck"
if [ "$(id -u)" -eq 0 ]; then
  chown www-data: "$site/cgi-bin/histout.dat" "$site/cgi-bin/histout.lck" "$site/charts"
fi
echo "edited" >> "$site/htdocs/index.html"
# the operator's list of channels, with another site's
printf '{"channels":[{"name":"here","page":"./","program":"/cgi-bin/quorlink"},{"name":"there","page":"/there/","program":"/there/cgi-bin/quorlink"}]}\n' \
  > "$site/htdocs/channels.json"
before="$(cd "$site" && find . -path ./htdocs -prune -o -printf '%p %y %m %u %g %s\n' | LC_ALL=C sort)"
sums="$(cd "$site" && sha256sum cgi-bin/quorlink.cfg cgi-bin/histout.dat logs/vornout.dat charts/quorlinkout.gif)"
# traced: a server may start the program at any moment, so the new one must
# go beside it and be renamed over it, never written where it runs from
strace -f -o "$work/trace" -e trace=open,openat,creat,truncate,unlink,unlinkat,rename,renameat,renameat2 \
  cmake --install "$build" --prefix "$site" >/dev/null
cgi="$site/cgi-bin"
check "a reinstall renames the new program over the old one" \
  grep -qE "rename(at2?)?\(.*\"$cgi/quorlink.new\", .*\"$cgi/quorlink\"" "$work/trace"
check "and never opens, truncates or unlinks it in place" \
  bash -c "! grep -E '\"$cgi/quorlink\"' '$work/trace' | grep -qvE 'O_RDONLY|rename'"
check "a reinstall keeps the operator's files, owners and modes" \
  diff -u <(echo "$before") <(cd "$site" && find . -path ./htdocs -prune -o -printf '%p %y %m %u %g %s\n' | LC_ALL=C sort)
check "a reinstall keeps their contents" \
  diff -u <(echo "$sums") <(cd "$site" && sha256sum cgi-bin/quorlink.cfg cgi-bin/histout.dat logs/vornout.dat charts/quorlinkout.gif)
check "a reinstall brings the front page back" cmp "$top/web/index.html" "$site/htdocs/index.html"
check "a reinstall keeps the operator's list of channels" grep -q '"name":"there"' "$site/htdocs/channels.json"

# a package build installs into a staging folder
DESTDIR="$work/stage" cmake --install "$build" --prefix /srv/quorlink >/dev/null
check "DESTDIR stages the same layout" diff -u "$work/want" <(layout "$work/stage/srv/quorlink")
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

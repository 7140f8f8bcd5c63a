#!/usr/bin/env bash
# The Windows zip as an operator gets it (scripts/package-windows), named
# with the version: the site's files, a program and a log tool that import
# only Windows' own DLLs, a manifest that asks for long paths, IIS
# configurations that are well-formed XML, texts with CR LF line ends, a
# guide that names the version, and, once unpacked with the example
# settings taken as they are and a log from genlog.exe as the guide says, a
# program that answers under wine with a chart.
source "$(dirname "$0")/serve/lib.sh"
version="$("$top/scripts/version")"
zip="$QUORLINK_WINDOWS_BUILD/quorlink-$version-windows.zip"
work="$(mktemp -d /tmp/quorlinkzip.XXXXXX)"
trap 'rm -rf "$work"' EXIT
[ -f "$zip" ] || { echo "no $zip: run scripts/package-windows" >&2; exit 1; }

want="README-windows.txt apache-quorlink.conf genlog.exe cgi-bin/ cgi-bin/histout.dat cgi-bin/histout.lck
cgi-bin/quorlink.cfg.example cgi-bin/quorlink.exe cgi-bin/web.config charts/ charts/web.config
htdocs/ htdocs/index.html htdocs/style.css htdocs/picture.js htdocs/dygraphs/ htdocs/dygraphs/dygraph.min.js
htdocs/dygraphs/dygraph.min.css htdocs/dygraphs/LICENSE.txt logs/"
check "the zip holds the site" [ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "$(tr ' \n' '\n\n' <<<"$want" | sort | tr '\n' ' ')" ]
unzip -q "$zip" -d "$work/site"
site="$work/site"
exe="$site/cgi-bin/quorlink.exe"
check "a 64-bit Windows program" bash -c "x86_64-w64-mingw32-objdump -f '$exe' | grep -q 'file format pei-x86-64'"
imports="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')"
check "it imports only Windows' own DLLs: $imports" [ "$imports" = "ADVAPI32.dll KERNEL32.dll msvcrt.dll " ]
imports="$(x86_64-w64-mingw32-objdump -p "$site/genlog.exe" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')"
check "genlog.exe imports only Windows' own DLLs: $imports" [ "$imports" = "KERNEL32.dll msvcrt.dll " ]
# the loader (wine's, as Windows') reads the manifest's setting
loaded="$(cd "$work" && QUORLINK_WINEDEBUG=-all,+actctx "$top/scripts/wine" "$exe" 2>&1 >/dev/null || true)"
check "its manifest asks for long paths" grep -q 'parse_settings_elem got L"longPathAware" L"true"' <<<"$loaded"
for x in cgi-bin/web.config charts/web.config; do
  check "$x is well-formed XML" xmllint --noout "$site/$x"
done
for t in README-windows.txt apache-quorlink.conf cgi-bin/quorlink.cfg.example cgi-bin/web.config charts/web.config; do
  check "$t has CR LF line ends" bash -c "[ -s '$site/$t' ] && ! grep -qv $'\r\$' '$site/$t'"
done
check "the guide names the version" grep -qx "Version $version"$'\r' "$site/README-windows.txt"
check "the front page asks for quorlink.exe" [ "$(grep -c 'action="/cgi-bin/quorlink.exe"' "$site/htdocs/index.html")" = 4 ]

# unpacked and set up as README-windows.txt says
cp "$site/cgi-bin/quorlink.cfg.example" "$site/cgi-bin/quorlink.cfg"
(cd "$site" && "$top/scripts/wine" genlog.exe --count 721 --start 1796428800 > logs/vornout.dat)
page="$(cd "$site/cgi-bin" && QUERY_STRING="action=rxloaddyn&hgrid=on&vgrid=on" "$top/scripts/wine" quorlink.exe)"
# the page carries the chart written to charts\ inside it
chart="<center><img src=\"data:image/gif;base64,$(base64 -w0 "$site/charts/quorlinkout.gif")\" border=0></center>"
check "it answers with the chart, its header in CR LF" [ "$page" = "Content-Type: text/html"$'\r\n'"Cache-Control: no-store"$'\r\n\r\n'"<html><body><p>Log file name: ..\\logs\\vornout.dat<br>Channel Bandwidth: 64000<br><br></p>$chart</body></html>" ]
check "the chart is in charts\\" [ "$("$build/tests/gifinfo" "$site/charts/quorlinkout.gif")" = "750 300" ]
finish

#!/usr/bin/env bash
# The Command Prompt lines of README-windows.txt, run by wine's cmd.exe as
# the guide gives them, in their order: cd /d into %windir%\system32\inetsrv,
# appcmd, netsh, icacls, powershell.exe, reg and iisreset there (stand-ins
# that print the arguments they get), then genlog.exe, the real one. Each
# stand-in must be reached with no quote left in an argument and no grant
# split at its blank, and genlog.exe must write the logs the guide names.
# C:\quorlink becomes a scratch folder; the PowerShell lines are not run.
source "$(dirname "$0")/serve/lib.sh"
guide="$QUORLINK_WINDOWS_BUILD/README-windows.txt"
work="$(mktemp -d /tmp/quorlinkguide.XXXXXX)"
trap 'rm -rf "$work"' EXIT
dos() { echo "Z:${1//\//\\}"; }

stand="appcmd icacls netsh powershell reg iisreset"
mkdir -p "$work/windows/system32/inetsrv" "$work/quorlink/logs"
for name in $stand; do
  cp "$QUORLINK_WINDOWS_BUILD/tests/showargs.exe" "$work/windows/system32/inetsrv/$name.exe"
done
cp "$QUORLINK_WINDOWS_BUILD/genlog.exe" "$work/quorlink/"

# the indented lines that start with a Command Prompt command
site="$(dos "$work/quorlink")"
tr -d '\r' <"$guide" | sed -n 's/^     \([^ ]\)/\1/p' |
  grep -E '^(cd|appcmd|netsh|icacls|powershell\.exe|reg|iisreset|genlog\.exe)( |$)' >"$work/lines"
{
  echo "@echo off"
  echo "set windir=$(dos "$work/windows")"
  sed "s|C:\\\\quorlink|${site//\\/\\\\}|g" "$work/lines"
} | sed 's/$/\r/' >"$work/guide.cmd"
(cd "$work" && "$top/scripts/wine" cmd /c guide.cmd 2>&1) | tr -d '\r' >"$work/out"
cat "$work/out"

want="$(grep -cE '^(appcmd|netsh|icacls|powershell\.exe|reg|iisreset)( |$)' "$work/lines")"
check "every stand-in line reached its program ($want)" \
  [ "$(grep -cE '^(appcmd|netsh|icacls|powershell|reg|iisreset)\.exe:' "$work/out")" = "$want" ]
check "no argument keeps a quote" bash -c "! grep -qE '\\[[^]]*\"' '$work/out'"
check "every grant to the pool is one argument" \
  bash -c "! grep -qF '[IIS]' '$work/out' && grep -qF '[IIS AppPool\\quorlink:(OI)(CI)RX]' '$work/out'"
check "genlog.exe wrote a day of records" [ "$(grep -c '^time=' "$work/quorlink/logs/vornout.dat")" = 721 ]
check "and a month of daily ones" [ "$(grep -c '^time=' "$work/quorlink/logs/sumout.dat")" = 31 ]
finish

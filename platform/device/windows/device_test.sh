#!/usr/bin/env bash
# quorvafix-cli.exe --device under Wine against the stand-in rapi.dll
# (platform/device/testing), installed into the Wine prefix's system folder
# as the synchronisation software installs the real one. The stand-in serves
# a registry export file as the handheld's registry, with faults on demand.
# - A rapi.dll planted beside the program and in the current folder, with
#   none in the system folder, is not loaded.
# - detect --device prints what the Linux tool's detect prints for the file
#   (report, --verbose lines, exit status); export --device gives a file the
#   Linux tool reads as the same registry; fix --device leaves the served
#   file as the Linux tool's fix leaves its copy, and its undo file, imported
#   after the repaired file into Wine's registry, gives back the registry as
#   it was.
# - Each fault of the table gives its own message, exit status and file.
# Usage: device_test.sh LINUX_TOOL WINDOWS_TOOL.exe RAPI_DLL EXAMPLES_DIR
# WINEPREFIX names the Wine prefix to run in.
set -uo pipefail
linux_tool=$1 windows_tool=$2 rapi_dll=$3 examples=$4
command -v wine >/dev/null || { echo "wine is missing (Debian package wine)" >&2; exit 1; }
export WINEDEBUG=-all
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvafix-device.XXXXXX")
system_dll=$WINEPREFIX/drive_c/windows/system32/rapi.dll
trap 'rm -rf "$work" "$WINEPREFIX"/drive_c/users/*/AppData/Local/quorvafix; wine reg delete "HKLM\\Drivers" /f >/dev/null 2>&1' EXIT

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}
same() {
  cmp -s "$2" "$3" || { fail "$1"; diff "$2" "$3" | head -10; }
}
served=$work/handheld.reg
export QUORVAFIX_RAPI_REGISTRY
QUORVAFIX_RAPI_REGISTRY=$(winepath -w "$served")
# Runs the Windows tool with ARGS on the stand-in, keeping its streams and status.
device() {
  wine "$windows_tool" "$@" >"$work/out" 2>"$work/err"
  echo $? >"$work/status"
}
# The undo file the last fix named, as a Linux path.
undo_file() { winepath -u "$(sed -n 's/^Undo file: //p' "$work/out")" 2>/dev/null; }

# Planted copies are never loaded: the program and a rapi.dll side by side,
# another in the current folder, none in the system folder.
rm -f "$system_dll"
mkdir -p "$work/bin" "$work/cwd"
cp "$windows_tool" "$rapi_dll" "$work/bin/"
cp "$rapi_dll" "$work/cwd/"
cp "$examples/quorva-driver.reg" "$served"
(cd "$work/cwd" && wine "$work/bin/$(basename "$windows_tool")" detect --device --wait=2 \
  >"$work/out" 2>"$work/err"; echo $? >"$work/status")
grep -q 'synchronisation software is not installed' "$work/err" && [ "$(cat "$work/status")" = 2 ] ||
  fail "planted rapi.dll: status $(cat "$work/status"): $(cat "$work/err")"
cp "$rapi_dll" "$system_dll"

for example in "$examples"/*.reg; do
  name=$(basename "$example" .reg)
  cp "$example" "$served"
  for args in "detect" "detect --verbose"; do
    "$linux_tool" $args "$served" >"$work/linux.out" 2>/dev/null
    echo $? >"$work/linux.status"
    device $args --device
    same "$name: $args" "$work/linux.out" "$work/out"
    same "$name: $args status" "$work/linux.status" "$work/status"
  done
  device export --device "$work/export.reg"
  "$linux_tool" detect --verbose "$work/export.reg" >"$work/export.out" 2>&1
  "$linux_tool" detect --verbose "$served" >"$work/linux.out" 2>&1
  same "$name: export read back" "$work/linux.out" "$work/export.out"
  wine "$windows_tool" export --device - >"$work/export-stdout.reg"
  same "$name: export to standard output" "$work/export.reg" "$work/export-stdout.reg"
  head -c 76 "$work/export.reg" | iconv -f UTF-16 -t UTF-8 | grep -q '^Windows Registry Editor Version 5.00' ||
    fail "$name: export header"

  cp "$example" "$work/linux.reg"
  "$linux_tool" fix "$work/linux.reg" >"$work/linux.out" 2>/dev/null
  echo $? >"$work/linux.status"
  device fix --device
  grep -v '^Undo file: ' "$work/out" >"$work/report"
  same "$name: fix report" "$work/linux.out" "$work/report"
  same "$name: fix status" "$work/linux.status" "$work/status"
  same "$name: the handheld after fix" "$work/linux.reg" "$served"
  if cmp -s "$example" "$served"; then
    [ -z "$(undo_file)" ] || fail "$name: an undo file with nothing repaired"
    continue
  fi
  undo=$(undo_file)
  [ -f "$undo" ] || { fail "$name: no undo file ($(cat "$work/out"))"; continue; }
  wine reg delete 'HKLM\Drivers' /f >/dev/null 2>&1
  wine reg import "$example" >/dev/null 2>&1
  wine reg query 'HKLM\Drivers' /s >"$work/before.query"
  wine reg import "$served" >/dev/null 2>&1
  wine reg import "$(winepath -w "$undo")" >/dev/null 2>&1
  wine reg query 'HKLM\Drivers' /s >"$work/undone.query"
  same "$name: undo file" "$work/before.query" "$work/undone.query"
  echo "example $name: fix exit $(cat "$work/status")"
done

# Two faulty drivers: the scan makes 21 calls, then each repair 4 (open,
# write, read back, close).
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_LOCAL_MACHINE\Drivers\Active\1]' '"Name"="COM1:"' \
  '"Key"="Drivers\\A"' '' '[HKEY_LOCAL_MACHINE\Drivers\Active\2]' '"Name"="COM2:"' \
  '"Key"="Drivers\\B"' '' '[HKEY_LOCAL_MACHINE\Drivers\A]' '"Dll"="QVBTDEV.DLL"' '' \
  '[HKEY_LOCAL_MACHINE\Drivers\B]' '"Dll"="---BTCEIF.DLL"' >"$work/two.reg"
NAME="handheld:HKEY_LOCAL_MACHINE\\Drivers\\Active"
LOST="the connection to the handheld was lost during the repair"
# name | environment | arguments | status | stderr holds ("-": is empty) | Dll of A and B after
while IFS='|' read -r fault environment args status message dlls; do
  cp "$work/two.reg" "$served"
  env $environment wine "$windows_tool" $args >"$work/out" 2>"$work/err"
  got=$?
  [ "$got" = "$status" ] || fail "$fault: status $got, not $status"
  if [ "$message" = - ]; then
    [ -s "$work/err" ] && fail "$fault: $(cat "$work/err")"
  else
    grep -qF -- "$message" "$work/err" || fail "$fault: $(cat "$work/err")"
  fi
  after=$(grep -o '"Dll"="[^"]*"' "$served" | cut -d'"' -f4 | paste -sd,)
  [ "$after" = "$dlls" ] || fail "$fault: the handheld holds $after"
  grep -q 'FIXED!' "$work/out" && [[ $dlls != BTCEIF.DLL* ]] && fail "$fault: FIXED! claimed"
  echo "fault $fault: exit $got"
done <<TABLE
no handheld|QUORVAFIX_RAPI_REGISTRY=|detect --device --wait=1|2|no handheld answered within 1 second: connect it|QVBTDEV.DLL,---BTCEIF.DLL
slow handheld|QUORVAFIX_RAPI_CONNECT_MS=3000|fix --device --wait=1|2|no handheld answered within 1 second|QVBTDEV.DLL,---BTCEIF.DLL
slow handheld waited for|QUORVAFIX_RAPI_CONNECT_MS=1500|fix --device --wait=8|0|-|BTCEIF.DLL,BTCEIF.DLL
refused write|QUORVAFIX_RAPI_WRITES=refuse|fix --device|1|$NAME: cannot repair Drivers\\A\\Dll: CeRegSetValueEx: the handheld refused: access denied (error 5): its security policy|QVBTDEV.DLL,---BTCEIF.DLL
write stored nothing|QUORVAFIX_RAPI_WRITES=drop|fix --device|1|cannot repair Drivers\\B\\Dll: the handheld reported the write done but still holds "---BTCEIF.DLL"|QVBTDEV.DLL,---BTCEIF.DLL
lost while reading|QUORVAFIX_RAPI_LOSE_AFTER=10|fix --device|2|$NAME: the connection to the handheld was lost while reading its registry; nothing was changed|QVBTDEV.DLL,---BTCEIF.DLL
lost at the write|QUORVAFIX_RAPI_LOSE_AFTER=22|fix --device|2|$LOST; repaired: none; not repaired: COM2: (Drivers\\B); unknown: COM1: (Drivers\\A);|BTCEIF.DLL,---BTCEIF.DLL
lost at the read-back|QUORVAFIX_RAPI_LOSE_AFTER=23|fix --device|2|$LOST; repaired: none; not repaired: COM2: (Drivers\\B); unknown: COM1: (Drivers\\A);|BTCEIF.DLL,---BTCEIF.DLL
lost between drivers|QUORVAFIX_RAPI_LOSE_AFTER=25|fix --device|2|$LOST; repaired: COM1: (Drivers\\A); not repaired: COM2: (Drivers\\B); unknown: none;|BTCEIF.DLL,---BTCEIF.DLL
lost while exporting|QUORVAFIX_RAPI_LOSE_AFTER=3|export --device $work/lost.reg|2|lost.reg: not written: HKEY_LOCAL_MACHINE\\Drivers|QVBTDEV.DLL,---BTCEIF.DLL
TABLE
[ -e "$work/lost.reg" ] && fail "lost while exporting: the export was written"

# One repair at a time: a second fix while the first waits for the handheld.
cp "$work/two.reg" "$served"
QUORVAFIX_RAPI_CONNECT_MS=4000 wine "$windows_tool" fix --device --wait=10 >/dev/null 2>&1 &
first=$!
sleep 2
device fix --device --wait=1
grep -q 'another repair of the handheld is running' "$work/err" && [ "$(cat "$work/status")" = 2 ] ||
  fail "second repair: status $(cat "$work/status"): $(cat "$work/err")"
wait $first || fail "first repair: status $?"
cp "$work/two.reg" "$served"
device fix --device --format=json
grep -q '"undo_file": "C:' "$work/out" && grep -q '"status": "repaired"' "$work/out" ||
  fail "json: $(head -c 400 "$work/out")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "every example and fault as expected"

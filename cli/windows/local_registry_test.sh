#!/usr/bin/env bash
# quorvafix-cli.exe --local-registry under Wine on Wine's own registry: each
# example is imported with `wine reg import`; detect and fix must print what
# the Linux tool prints for the file, with the same exit status, and after
# the fix `wine reg query` must show HKEY_LOCAL_MACHINE\Drivers exactly as it
# shows once the file repaired by the Linux tool is imported instead.
# Usage: local_registry_test.sh LINUX_TOOL WINDOWS_TOOL.exe EXAMPLES_DIR
# WINEPREFIX names the Wine prefix to run in (made on first use).
set -uo pipefail
linux_tool=$1 windows_tool=$2 examples=$3
command -v wine >/dev/null || { echo "wine is missing (Debian package wine)" >&2; exit 1; }
export WINEDEBUG=-all
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvafix-local-registry.XXXXXX")
trap 'rm -rf "$work"; wine reg delete "HKLM\\Drivers" /f >/dev/null 2>&1' EXIT

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}
# The registry holding only FILE's keys under HKEY_LOCAL_MACHINE\Drivers.
load() {
  wine reg delete 'HKLM\Drivers' /f >/dev/null 2>&1
  wine reg import "$1" >/dev/null 2>&1 || fail "wine reg import $1"
}
# Wine's view of HKEY_LOCAL_MACHINE\Drivers, line ends as Linux has them.
query() { wine reg query 'HKLM\Drivers' /s | tr -d '\r'; }
same() {
  local what=$1 expected=$2 got=$3
  cmp -s "$expected" "$got" || { fail "$what"; diff "$expected" "$got" | head -20; }
}

for example in "$examples"/*.reg; do
  name=$(basename "$example" .reg)
  cp "$example" "$work/$name.reg"
  for command in detect fix; do
    [ $command = fix ] && cp "$example" "$work/$name.reg"
    "$linux_tool" $command "$work/$name.reg" >"$work/linux.out" 2>/dev/null
    echo $? >"$work/linux.status"
    [ $command = detect ] && load "$example"
    wine "$windows_tool" $command --local-registry >"$work/windows.out" 2>"$work/windows.err"
    echo $? >"$work/windows.status"
    same "$name: $command report" "$work/linux.out" "$work/windows.out"
    same "$name: $command exit status" "$work/linux.status" "$work/windows.status"
    [ -s "$work/windows.err" ] && fail "$name: $command said $(cat "$work/windows.err")"
  done
  query >"$work/windows.query"
  load "$work/$name.reg"  # the file the Linux tool repaired
  query >"$work/linux.query"
  same "$name: the registry after fix" "$work/linux.query" "$work/windows.query"
  grep -q 'QVBTDEV' "$work/windows.query" && [ "$name" = quorva-driver ] &&
    fail "$name: QVBTDEV.DLL is still in the registry"
  echo "example $name: exit $(cat "$work/linux.status")"
done

# The JSON form names the registry it scanned, which has no file form.
load "$examples/quorva-driver.reg"
wine "$windows_tool" detect --local-registry --format=json >"$work/json.out"
grep -q '"path": *"HKEY_LOCAL_MACHINE\\\\Drivers\\\\Active"' "$work/json.out" &&
  grep -q '"dialect": *null' "$work/json.out" && grep -q '"status": *"faulty"' "$work/json.out" ||
  fail "json: $(head -c 300 "$work/json.out")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "every example the same"

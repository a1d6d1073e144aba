#!/usr/bin/env bash
# The Windows tool under Wine against the Linux tool: for every case of the
# table, both run in fresh copies of the same files, and their standard
# output, standard error, exit status and the files they leave must be the
# same, byte for byte.
# Usage: parity_test.sh LINUX_TOOL WINDOWS_TOOL.exe EXAMPLES_DIR TESTDATA_DIR
# WINEPREFIX names the Wine prefix to run in (made on first use).
set -uo pipefail
linux_tool=$1 windows_tool=$2 examples=$3 testdata=$4
command -v wine >/dev/null || { echo "wine is missing (Debian package wine)" >&2; exit 1; }
[ -x "$linux_tool" ] || { echo "no Linux tool at $linux_tool" >&2; exit 1; }
[ -f "$windows_tool" ] || { echo "no Windows tool at $windows_tool" >&2; exit 1; }
export WINEDEBUG=-all
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvafix-parity.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
# run CASE-NAME SETUP ARGS...: SETUP is a shell snippet run in each copy first
# (it may chmod or plant files); ARGS are the tool's, "<FILE" feeds FILE on
# standard input.
run() {
  local name=$1 setup=$2
  shift 2
  local side
  for side in linux windows; do
    mkdir -p "$work/$side"
    cp "$examples"/*.reg "$testdata"/*.reg "$work/$side/"
    (cd "$work/$side" && eval "$setup")
  done
  local input=/dev/null args=()
  for a in "$@"; do
    if [ "${a:0:1}" = "<" ]; then input=$work/$side/${a:1}; else args+=("$a"); fi
  done
  (cd "$work/linux" && "$linux_tool" "${args[@]}" <"${input/windows/linux}" >../linux.out 2>../linux.err)
  echo $? >"$work/linux.status"
  (cd "$work/windows" && wine "$windows_tool" "${args[@]}" <"$input" >../windows.out 2>../windows.err)
  echo $? >"$work/windows.status"
  local what
  for what in status out err; do
    if ! cmp -s "$work/linux.$what" "$work/windows.$what"; then
      echo "FAIL $name: the $what differs"
      diff <(od -c "$work/linux.$what") <(od -c "$work/windows.$what") | head -20
      failures=$((failures + 1))
    fi
  done
  if ! diff -r "$work/linux" "$work/windows" >"$work/files.diff"; then
    echo "FAIL $name: the files differ"
    head -20 "$work/files.diff"
    failures=$((failures + 1))
  fi
  echo "case $name: exit $(cat "$work/linux.status")"
  rm -rf "$work/linux" "$work/windows"
}

for f in quorva-driver healthy disabled-lowercase; do
  run "detect $f" : detect "$f.reg"
  run "fix $f" : fix "$f.reg"
done
for f in serial_regedit4_crlf serial_regedit4_lf serial_v5_utf16_crlf serial_v5_utf16_lf serial_v5_utf8_lf; do
  run "fix $f" : fix "$f.reg"
done
run "detect several" : detect quorva-driver.reg healthy.reg disabled-lowercase.reg
run "detect json" : detect --format json quorva-driver.reg healthy.reg
run "detect verbose" : detect --verbose disabled-lowercase.reg
run "fix summary" : fix --summary quorva-driver.reg disabled-lowercase.reg
run "fix patch" : fix --patch out.reg quorva-driver.reg
run "fix patch is input" : fix --patch quorva-driver.reg quorva-driver.reg
run "detect stdin" : detect - "<quorva-driver.reg"
run "fix stdin" : fix - "<serial_v5_utf16_crlf.reg"
run "fix patch to stdout" : fix --patch - quorva-driver.reg
run "fix stdin into patch to stdout" : fix --patch - - "<quorva-driver.reg"
run "stdin not a registry" "echo hello > plain.txt" detect - "<plain.txt"
run "missing file" : detect missing.reg
run "folder" "mkdir sub.reg" detect sub.reg
run "read-only" "chmod 0444 quorva-driver.reg" fix quorva-driver.reg
run "lock exists" "echo x > quorva-driver.reg.lock" fix quorva-driver.reg
run "not a registry" "echo hello > plain.reg" detect plain.reg
run "help" : --help
run "version" : --version
run "unknown option" : detect --colour quorva-driver.reg
run "no command" :

if [ "$failures" -ne 0 ]; then
  echo "$failures differences"
  exit 1
fi
echo "every case the same"

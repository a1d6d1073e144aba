#!/usr/bin/env bash
# quorvafix-cli.exe under Wine with a console (a terminal made by script(1),
# which Wine turns into one): reports and messages reach it in UTF-16, so
# names in any script show as they are, in the order they were written; a
# wildcard is expanded by the tool.
# Usage: console_test.sh WINDOWS_TOOL.exe EXAMPLES_DIR
# WINEPREFIX names the Wine prefix to run in (made on first use).
set -uo pipefail
windows_tool=$1 examples=$2
command -v wine >/dev/null || { echo "wine is missing (Debian package wine)" >&2; exit 1; }
command -v script >/dev/null || { echo "script is missing (Debian package bsdutils)" >&2; exit 1; }
export WINEDEBUG=-all
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvafix-console.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$examples/quorva-driver.reg" "$work/régistre.reg"
cd "$work" || exit 1
# What the terminal received, without the console's cursor controls and CRs.
# The tool expands the wildcard itself, as cmd passes it on as typed.
script -q -e -c "wine '$windows_tool' detect 'r*.reg' manquant-€.reg" /dev/null |
  sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r' >shown
cat >expected <<'TEXT'
==> régistre.reg <==
COM1:
Dll: SERIAL_PXA.DLL
COM3:
Dll: IRSIR.DLL
COM5:
Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!
COM6:
Dll: BTCEIF.DLL
==> manquant-€.reg <==
quorvafix-cli: manquant-€.reg: cannot read: No such file or directory
2 files: 0 healthy, 1 faulty, 0 repaired, 1 refused, 0 incomplete
TEXT
if ! cmp -s expected shown; then
  echo "FAIL: the console showed"
  diff expected shown
  exit 1
fi
echo "the console shows every character"

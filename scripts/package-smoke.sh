#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made, the way a user
# meets it: lintian reports no error; `apt-get install ./build/quorvafix_*.deb`
# installs it; the installed tool, sample exports, manual pages, completion,
# desktop entry and window program work; then the package is removed (also
# when a check fails). Run as root on a Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."

debs=(build/quorvafix_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package-smoke.sh: expected one build/quorvafix_*.deb; run scripts/package.sh" >&2
  exit 2
fi
deb=${debs[0]}
version=$(dpkg-deb --field "$deb" Version)
examples=/usr/share/doc/quorvafix/examples
work=$(mktemp -d)

check() {
  echo "--- $1"
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

check "lintian $deb"
lintian --fail-on error --display-info "$deb" || fail "lintian reports an error"

check "apt-get install ./$deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "the package does not install"; }
cleanup() {
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quorvafix >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

check "quorvafix-cli --version"
[ "$(quorvafix-cli --version)" = "quorvafix-cli $version" ] || fail "the version is not $version"

check "quorvafix-cli detect on the installed examples"
quorvafix-cli detect "$examples/healthy.reg" >"$work/out" || fail "healthy.reg: exit $?"
grep -q "All OK" "$work/out" || fail "healthy.reg: no 'All OK' in the report"
status=0
quorvafix-cli detect "$examples/quorva-driver.reg" >"$work/out" || status=$?
[ $status -eq 1 ] || fail "quorva-driver.reg: exit $status, expected 1"
grep -q "QVBTDEV.DLL <<<< BUG DETECTED HERE!" "$work/out" || fail "quorva-driver.reg: the fault is not marked"
status=0
quorvafix-cli detect - <"$examples/disabled-lowercase.reg" >"$work/out" || status=$?
[ $status -eq 1 ] || fail "detect - : exit $status, expected 1"

check "quorvafix-cli fix --patch on a copy"
cp "$examples/quorva-driver.reg" "$work/handheld.reg"
quorvafix-cli fix --patch "$work/repair.reg" "$work/handheld.reg" >/dev/null || fail "fix --patch: exit $?"
cmp -s "$examples/quorva-driver.reg" "$work/handheld.reg" || fail "fix --patch changed its FILE"
[ -s "$work/repair.reg" ] || fail "fix --patch wrote no patch"

check "man -w quorvafix-cli quorvafix"
[ "$(man -w quorvafix-cli)" = /usr/share/man/man1/quorvafix-cli.1.gz ] || fail "man -w quorvafix-cli"
[ "$(man -w quorvafix)" = /usr/share/man/man1/quorvafix.1.gz ] || fail "man -w quorvafix"

check "bash completion"
completion=/usr/share/bash-completion/completions/quorvafix-cli
[ "$(bash -c ". $completion && complete -p quorvafix-cli")" = "complete -F _quorvafix_cli quorvafix-cli" ] ||
  fail "the completion does not register"

check "desktop-file-validate"
desktop-file-validate /usr/share/applications/quorvafix.desktop || fail "the desktop entry is not valid"

check "the copyright file"
grep -q "^License: " /usr/share/doc/quorvafix/copyright || fail "no license in the copyright file"

check "quorvafix under the offscreen platform for a second"
cp "$examples/quorva-driver.reg" "$work/window.reg"
mkdir -m 700 "$work/runtime"
status=0
HOME=$work XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen \
  timeout 1 quorvafix "$work/window.reg" >"$work/window.log" 2>&1 || status=$?
[ $status -eq 124 ] || { cat "$work/window.log"; fail "quorvafix ended with $status before the second was up"; }

check "apt-get remove quorvafix"
trap 'rm -rf "$work"' EXIT
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quorvafix >/dev/null
for file in /usr/bin/quorvafix /usr/bin/quorvafix-cli /usr/share/man/man1/quorvafix-cli.1.gz "$completion"; do
  [ ! -e "$file" ] || fail "$file is left after removal"
done
echo "=== the package passed every check"

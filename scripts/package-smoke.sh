#!/usr/bin/env bash
# Checks the two Debian packages that scripts/package.sh made, the way a user
# meets them: lintian --pedantic reports no error and no warning on either,
# and the README's packaging notes list exactly the tags it does report;
# quorvafix-cli depends on nothing graphical and installs alone; the installed
# tool, sample exports, manual page and completion work; then quorvafix (the
# window program) installs beside it, and its manual page, desktop entry and
# window work; removing it keeps the tool, and the tool removes cleanly (both
# are removed also when a check fails). Run as root on a Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/package-files.sh
version=$(dpkg-deb --field "$cli_deb" Version)
examples=/usr/share/doc/quorvafix-cli/examples
work=$(mktemp -d)

check() {
  echo "--- $1"
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
apt_quiet() {  # apt_quiet ARGS...: apt-get -y, its output shown only on failure
  DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600 "$@" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; return 1; }
}

for deb in "$cli_deb" "$window_deb"; do
  check "lintian --pedantic $deb"
  lintian --pedantic --fail-on error,warning --display-info "$deb" 2>&1 | tee -a "$work/lintian.log" ||
    fail "lintian reports an error or warning"
done
check "the README's packaging notes list what lintian notes"
# The README lists each tag as "- `TAG ...`: why it stays" under "Packaging notes".
noted=$(sed -n '/^Packaging notes/,/^#/s/^- `\([a-z0-9-]*\).*/\1/p' README.md | sort -u)
said=$(sed -n 's/^[EWIPX]: [^ ]*: \([a-z0-9-]*\).*/\1/p' "$work/lintian.log" | sort -u)
[ "$noted" = "$said" ] || fail "the README notes [$(echo $noted)], lintian [$(echo $said)]"

check "$cli_deb needs no Qt and no graphics"
cli_depends=$(dpkg-deb --field "$cli_deb" Depends)
echo "Depends: $cli_depends"
if grep -Eiq 'qt|libx|libgl|libegl|libfontconfig|libfreetype|libwayland' <<<"$cli_depends"; then
  fail "quorvafix-cli depends on a graphical library"
fi
check "$window_deb depends on the tool's package of its own version"
grep -Fq "quorvafix-cli (= $version)" <<<"$(dpkg-deb --field "$window_deb" Depends)" ||
  fail "quorvafix does not depend on quorvafix-cli (= $version)"

cleanup() {
  apt_quiet remove quorvafix quorvafix-cli || true
  rm -rf "$work"
}
trap cleanup EXIT
check "apt-get install $cli_deb alone"
apt_quiet install "$cli_deb" || fail "quorvafix-cli does not install"
[ ! -e /usr/bin/quorvafix ] || fail "quorvafix-cli installed the window program"

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

check "man -w quorvafix-cli"
[ "$(man -w quorvafix-cli)" = /usr/share/man/man1/quorvafix-cli.1.gz ] || fail "man -w quorvafix-cli"

check "bash completion"
completion=/usr/share/bash-completion/completions/quorvafix-cli
[ "$(bash -c ". $completion && complete -p quorvafix-cli")" = "complete -F _quorvafix_cli quorvafix-cli" ] ||
  fail "the completion does not register"

check "apt-get install $window_deb"
apt_quiet install "$window_deb" || fail "quorvafix does not install"

check "man -w quorvafix"
[ "$(man -w quorvafix)" = /usr/share/man/man1/quorvafix.1.gz ] || fail "man -w quorvafix"

check "desktop-file-validate"
desktop-file-validate /usr/share/applications/quorvafix.desktop || fail "the desktop entry is not valid"

check "the copyright files"
for package in quorvafix-cli quorvafix; do
  grep -q "^License: Expat" "/usr/share/doc/$package/copyright" || fail "$package: no MIT (Expat) license"
done

check "quorvafix under the offscreen platform for a second"
cp "$examples/quorva-driver.reg" "$work/window.reg"
mkdir -m 700 "$work/runtime"
status=0
HOME=$work XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen \
  timeout 1 quorvafix "$work/window.reg" >"$work/window.log" 2>&1 || status=$?
[ $status -eq 124 ] || { cat "$work/window.log"; fail "quorvafix ended with $status before the second was up"; }

check "apt-get remove quorvafix keeps the tool"
apt_quiet remove quorvafix || fail "quorvafix does not remove"
for file in /usr/bin/quorvafix /usr/share/applications/quorvafix.desktop /usr/share/man/man1/quorvafix.1.gz; do
  [ ! -e "$file" ] || fail "$file is left after removal"
done
[ "$(quorvafix-cli --version)" = "quorvafix-cli $version" ] || fail "the tool went with the window program"

check "apt-get remove quorvafix-cli"
apt_quiet remove quorvafix-cli || fail "quorvafix-cli does not remove"
for file in /usr/bin/quorvafix-cli /usr/share/man/man1/quorvafix-cli.1.gz "$completion" "$examples"; do
  [ ! -e "$file" ] || fail "$file is left after removal"
done
trap 'rm -rf "$work"' EXIT
echo "=== both packages passed every check"

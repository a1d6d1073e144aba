#!/usr/bin/env bash
# Checks the two packages that scripts/package.sh made on a bare Debian 12
# system (scripts/bare-system.sh), as a command-line user meets them:
# `apt-get install ./quorvafix-cli_*.deb` there pulls in nothing graphical
# (no Qt, X, Wayland, OpenGL or fonts) and the installed tool finds the fault
# in its installed sample; then piuparts installs, removes and purges each
# package on the same minbase system (the tool alone, the window program with
# it) and finds nothing left behind.
#
# Usage (as root): package-bare-system.sh [--no-piuparts]
set -euo pipefail
cd "$(dirname "$0")/.."
piuparts=1
case ${1:-} in
  --no-piuparts) piuparts=0 ;;
  "") ;;
  *) echo "usage: package-bare-system.sh [--no-piuparts]" >&2; exit 2 ;;
esac
. scripts/package-files.sh
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
bash scripts/install-deps.sh --fresh-system --piuparts
. scripts/bare-system.sh

bare_system "$BARE_WORK/packages"
cp "$cli_deb" "$window_deb" "$BARE_ROOT/tmp/"
cli=/tmp/$(basename "$cli_deb")
window=/tmp/$(basename "$window_deb")
log=$BARE_WORK/packages.log
in_bare "apt-get update -qq" >"$log" 2>&1 || { cat "$log"; fail "apt-get update in the bare system"; }

echo "--- apt-get install ./$(basename "$cli_deb") pulls nothing graphical"
in_bare "apt-get install -s --no-install-recommends $cli" >"$log" 2>&1 || { cat "$log"; fail "apt-get install -s"; }
pulled=$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$log")
echo "    packages it installs: $(tr '\n' ' ' <<<"$pulled")"
graphical=$(grep -Ei '^(libqt|qt6|libx|libgl|libegl|mesa|libwayland|libfontconfig|libfreetype|fonts-|libdrm|libxcb)' \
  <<<"$pulled" || true)
[ -z "$graphical" ] || fail "quorvafix-cli pulls in $(tr '\n' ' ' <<<"$graphical")"
for recommends in --no-install-recommends ""; do
  in_bare "apt-get install -s $recommends $cli $window" >"$log" 2>&1 || { cat "$log"; fail "apt-get install -s"; }
  echo "    packages both install ${recommends:-with recommends}: $(grep -c '^Inst ' "$log")"
done

echo "--- the tool installed there"
in_bare "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $cli" >"$log" 2>&1 ||
  { cat "$log"; fail "quorvafix-cli does not install"; }
status=0
in_bare "quorvafix-cli detect /usr/share/doc/quorvafix-cli/examples/quorva-driver.reg" >"$log" 2>&1 ||
  status=$?
[ $status -eq 1 ] && grep -q "QVBTDEV.DLL <<<< BUG DETECTED HERE!" "$log" ||
  { cat "$log"; fail "the installed tool does not find the fault (exit $status)"; }
bare_cleanup

if [ $piuparts -eq 1 ]; then
  extra=()
  [ -z "$BARE_SECURITY" ] || extra=(--extra-repo="deb $BARE_SECURITY $BARE_SUITE-security main")
  for debs in "$cli_deb" "$cli_deb $window_deb"; do
    echo "--- piuparts $(for deb in $debs; do basename "$deb"; done | tr '\n' ' ')"
    # shellcheck disable=SC2086 # the package files, split on purpose
    piuparts --basetgz="$(bare_tarball)" --distribution="$BARE_SUITE" --mirror="$BARE_MIRROR main" \
      "${extra[@]}" --tmpdir="$BARE_WORK" --no-upgrade-test $debs >"$log" 2>&1 ||
      { tail -n 40 "$log"; fail "piuparts (log: $log)"; }
    grep "INFO: PASS:" "$log" | sed 's/^[^ ]* INFO: /    /' 
  done
fi
echo "=== both packages passed on a bare Debian 12 system"

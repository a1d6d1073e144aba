#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on a sample registry:
# detect on a copy of a faulty handheld export, then fix --patch, showing the
# patch that would repair the handheld.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only what the demo runs: the tool, and the window program where there is a
# display to show it on.
targets=quorvafix-cli
[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || targets+=" quorvafix"
QUORVAFIX_TARGETS=$targets bash scripts/build.sh build
cli=$(pwd)/build/cli/quorvafix-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/disabled-lowercase.reg "$work/handheld.reg"

echo "\$ quorvafix-cli detect handheld.reg"
(cd "$work" && "$cli" detect handheld.reg) || echo "(exit status $?: a faulty driver remains)"
echo
echo "\$ quorvafix-cli fix --patch repair.reg handheld.reg"
(cd "$work" && "$cli" fix --patch repair.reg handheld.reg)
echo
echo "\$ cat repair.reg"
cat "$work/repair.reg"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo
  echo "\$ quorvafix handheld.reg   (the window: Tools > Detect / Fix; Ctrl+Q quits)"
  ./build/shell/quorvafix "$work/handheld.reg"
fi

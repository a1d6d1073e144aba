#!/usr/bin/env bash
# Renders the window on the bundled sample examples/quorva-driver.reg as a
# desktop shows it (Xvfb with the openbox window manager, frame and title
# bar included): after Tools > Detect QUORVA Bug to docs/quorvafix.png, and
# after Tools > Fix QUORVA Bluetooth Bug (its outcome box closed) to
# docs/quorvafix-fixed.png. Builds build/ first when needed; the sample
# itself is never changed (each picture is made on a copy). Needs xvfb,
# xauth and openbox (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in xvfb-run:xvfb xauth:xauth openbox:openbox; do
  command -v "${tool%%:*}" >/dev/null || { echo "screenshot.sh: install ${tool##*:}" >&2; exit 1; }
done
[ -f build/CMakeCache.txt ] || cmake -S . -B build >/dev/null
cmake --build build --target quorvafix_screenshot >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs

# shoot NAME [--fix]: the picture docs/NAME.png, in a private runtime of its own.
shoot() {
  local name=$1 run
  shift
  run="$work/$name"
  mkdir -p "$run"
  mkdir -m 0700 "$run/runtime"
  cp examples/quorva-driver.reg "$run/quorva-driver.reg"
  env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$run/runtime" TMPDIR="$run" \
      XDG_CONFIG_HOME="$run/config" XDG_DATA_HOME="$run/data" \
      xvfb-run -a -s "-screen 0 640x480x24" bash -c '
        openbox >/dev/null 2>&1 &
        manager=$!
        sleep 1
        "$@"
        status=$?
        kill $manager
        exit $status' shoot \
      build/shell/quorvafix_screenshot "$@" "$run/quorva-driver.reg" "docs/$name.png"
  echo "docs/$name.png"
}

shoot quorvafix
shoot quorvafix-fixed --fix

#!/usr/bin/env bash
# Renders the window on the bundled sample examples/quorva-driver.reg
# (offscreen, Qt's own grab): after Tools > Detect QUORVA Bug to
# docs/quorvafix.png, and after Tools > Fix QUORVA Bluetooth Bug (its outcome
# box closed) to docs/quorvafix-fixed.png. Builds build/ first when needed;
# the sample itself is never changed (each picture is made on a copy).
set -euo pipefail
cd "$(dirname "$0")/.."
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
  env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$run/runtime" TMPDIR="$run" \
      XDG_CONFIG_HOME="$run/config" XDG_DATA_HOME="$run/data" \
      build/shell/quorvafix_screenshot "$@" "$run/quorva-driver.reg" "docs/$name.png"
  echo "docs/$name.png"
}

shoot quorvafix
shoot quorvafix-fixed --fix

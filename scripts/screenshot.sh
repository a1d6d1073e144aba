#!/usr/bin/env bash
# Renders the window after Tools > Detect QUORVA Bug on the bundled sample
# examples/quorva-driver.reg (offscreen, Qt's own grab) to docs/quorvafix.png.
# Builds build/ first when needed; the sample itself is never changed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build >/dev/null
cmake --build build --target quorvafix_screenshot >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 0700 "$work/runtime"
cp examples/quorva-driver.reg "$work/quorva-driver.reg"
mkdir -p docs
env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work" \
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    build/shell/quorvafix_screenshot "$work/quorva-driver.reg" docs/quorvafix.png
echo "docs/quorvafix.png"

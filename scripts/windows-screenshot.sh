#!/usr/bin/env bash
# Renders quorvafix.exe under Wine on the bundled sample
# examples/quorva-driver.reg as a desktop shows it (Xvfb with the openbox
# window manager, frame, title bar and menu bar included), after
# Tools > Detect QUORVA Bug chosen from the keyboard (F10, the arrow keys,
# Enter), to docs/windows-window.png, cropped to the frame. Uses the
# build-windows/ build (scripts/windows-test.sh makes it) and a Wine prefix
# of its own; the sample itself is never changed (the picture is made on a
# copy). Needs wine, xvfb, xauth, openbox, xdotool, x11-apps (xwd),
# x11-utils (xwininfo) and netpbm (xwdtopnm, pamcut, pnmtopng).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in wine:wine xvfb-run:xvfb xauth:xauth openbox:openbox xdotool:xdotool xwd:x11-apps \
  xwininfo:x11-utils xwdtopnm:netpbm pamcut:netpbm pnmtopng:netpbm; do
  command -v "${tool%%:*}" >/dev/null || {
    echo "windows-screenshot.sh: install ${tool##*:}" >&2
    exit 1
  }
done
program=$PWD/build-windows/shell/quorvafix.exe
[ -f "$program" ] || { echo "windows-screenshot.sh: build $program first" >&2; exit 1; }
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
cp examples/quorva-driver.reg "$work/quorva-driver.reg"
wineboot -i >/dev/null 2>&1
mkdir -p docs
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  set -euo pipefail
  openbox >/dev/null 2>&1 &
  sleep 1
  wine "$1" "$2" >/dev/null 2>&1 &
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "quorva-driver.reg - QUORVAFIX" | head -1) || true
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { echo "windows-screenshot.sh: no window" >&2; exit 1; }
  xdotool windowactivate --sync "$window"
  sleep 1
  # Tools, then its fourth item: Detect QUORVA Bug.
  xdotool key F10 Down Down Down Down Return
  sleep 3
  # The frame openbox drew around the window: its outermost ancestor below the root.
  frame=$window
  while parent=$(xwininfo -children -id "$frame" | sed -n "s/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p") &&
    [ -n "$parent" ] && ! xwininfo -id "$parent" | grep -q "(the root window)"; do
    frame=$parent
  done
  eval "$(xwininfo -id "$frame" | awk "/Absolute upper-left X/ {print \"x=\" \$4} /Absolute upper-left Y/ {print \"y=\" \$4} /Width:/ {print \"w=\" \$2} /Height:/ {print \"h=\" \$2}")"
  xwd -root -silent | xwdtopnm 2>/dev/null | pamcut -left "$x" -top "$y" -width "$w" -height "$h" |
    pnmtopng >"$3"
' shoot "$program" "$work/quorva-driver.reg" docs/windows-window.png
echo docs/windows-window.png

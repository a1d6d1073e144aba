#!/usr/bin/env bash
# Builds the Windows tool, the window manager and the platform-independent test suites with
# mingw-w64 into build-windows/ (or $1, with extra CMake arguments after it)
# and runs them under Wine, in a fresh Wine prefix of that folder, with the
# parity test against the Linux tool of build/ (built there if missing).
# Needs g++-mingw-w64-x86-64-posix, googletest, wine and, without a DISPLAY,
# xvfb (install-deps.sh --windows).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
shift || true
tools=(x86_64-w64-mingw32-g++-posix wine)
[ -n "${DISPLAY:-}" ] || tools+=(xvfb-run)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || {
    echo "windows-test.sh: $tool is missing (scripts/install-deps.sh --windows)" >&2
    exit 1
  }
done
linux_tool=$PWD/build/cli/quorvafix-cli
if [ ! -x "$linux_tool" ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target quorvafix-cli
fi
cmake -S . -B "$dir" -G Ninja --toolchain cmake/mingw-w64.cmake \
  -DQUORVAFIX_LINUX_CLI="$linux_tool" "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
export WINEPREFIX=$PWD/$dir/wine-prefix WINEDEBUG=-all
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
# The window manager's tests make real windows: without a display of the
# caller's, Wine gets an X server of its own. No window manager runs there,
# so Wine places the windows itself instead of waiting (some 2 s a window)
# for one.
display=()
if [ -z "${DISPLAY:-}" ]; then
  display=(xvfb-run -a)
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
# The tests' windows need a desktop started on their display: the one
# started here (without it) goes first. Then one Wine server, and its
# desktop on the display, are up before the tests start side by side, so
# that no two of them race to start their own.
wineserver -w
status=0
"${display[@]}" bash -c 'wineserver -p && { wine cmd /c exit >/dev/null 2>&1 || true; } &&
  ctest --test-dir "$1" --output-on-failure --no-tests=error --parallel "$(nproc)"' \
  windows-test "$dir" || status=$?
wineserver -k || true
exit $status

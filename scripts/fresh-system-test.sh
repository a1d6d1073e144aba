#!/usr/bin/env bash
# Runs the test suite on a bare Debian 12 system, as a newcomer's machine has
# it (scripts/bare-system.sh): scripts/install-deps.sh installs what it lists
# there, and the tests already built in BUILD run inside it with the checkout
# mounted at its own path. A program or library that a test needs and
# install-deps.sh does not install fails here, even where this machine has it
# from earlier work. The build's configuration is also run there once, so a
# missing build-time package fails too.
#
# Usage (as root): fresh-system-test.sh [BUILD]   BUILD: a build folder inside
# the checkout made by scripts/build.sh (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
build=$(realpath "${1:-build}")
case $build/ in
  "$source"/*/) ;;
  *) echo "fresh-system-test.sh: $build is not inside $source" >&2; exit 2 ;;
esac
if [ ! -f "$build/CTestTestfile.cmake" ]; then
  echo "fresh-system-test.sh: no tests built in $build; run scripts/build.sh first" >&2
  exit 2
fi
bash scripts/install-deps.sh --fresh-system
. scripts/bare-system.sh

bare_system "$BARE_WORK/tests"
bare_bind "$source"
log=$BARE_WORK/install-deps.log
echo "--- scripts/install-deps.sh in it"
in_bare "cd '$source' && bash scripts/install-deps.sh" >"$log" 2>&1 || { tail -n 30 "$log"; exit 1; }
echo "    $(grep -c '^Setting up' "$log") packages set up (log: $log)"
echo "--- the build's configuration in it"
in_bare "cmake -S '$source' -B /tmp/configure-check -G Ninja >/tmp/configure.log ||
  { cat /tmp/configure.log; exit 1; }"
echo "--- the tests of $build in it"
in_bare "cd '$source' && ctest --test-dir '$build' --output-on-failure --no-tests=error \
  --parallel \$(nproc)"

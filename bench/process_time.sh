#!/usr/bin/env bash
# Whole-process times a user sees, on the typical handheld export (20,000
# keys, 120,000 values, 40 active drivers, one faulty) in both dialects:
#   - quorvafix-cli detect (exits 1: the faulty driver is left), and fix of a
#     fresh copy (exits 0: repaired, the file rewritten durably);
#   - a fleet: detect on ten exports in one command;
#   - the window program from start to first paint under the offscreen
#     platform (quorvafix-bench-first-paint), with the export as its registry.
# Uses hyperfine (installed with apt-get when missing).
#
#   bash bench/process_time.sh [BUILD_DIR] [RUNS]      (defaults: build, 20)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-20}

if ! command -v hyperfine >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends hyperfine
fi

cli=$build/cli/quorvafix-cli
window=$build/shell/quorvafix
for tool in "$cli" "$build/bench/quorvafix-make-registry"; do
  [ -x "$tool" ] || { echo "process_time.sh: $tool is missing; build first" >&2; exit 1; }
done

data=$build/bench-data/process
mkdir -p "$data"
"$build/bench/quorvafix-make-registry" "$data/typical4.reg" > /dev/null
"$build/bench/quorvafix-make-registry" --dialect 5 "$data/typical5.reg" > /dev/null
fleet=()
for seed in 1 2 3 4 5 6 7 8 9 10; do
  "$build/bench/quorvafix-make-registry" --seed "$seed" "$data/fleet-$seed.reg" > /dev/null
  fleet+=("$data/fleet-$seed.reg")
done

# The results are right before they are timed: detect finds the one faulty
# driver (exit 1) and fix repairs it (exit 0).
status=0
"$cli" detect "$data/typical4.reg" > "$data/detect.out" || status=$?
[ "$status" -eq 1 ] && grep -q "BUG DETECTED HERE" "$data/detect.out" ||
  { echo "process_time.sh: detect did not report the faulty driver" >&2; exit 1; }
cp "$data/typical4.reg" "$data/work.reg"
"$cli" fix "$data/work.reg" | grep -q "We have solved the Bug" ||
  { echo "process_time.sh: fix did not repair" >&2; exit 1; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
# Detect exits 1 on these exports (a fault is left), hence --ignore-failure.
hyperfine -N --ignore-failure --warmup 3 --runs "$runs" --export-json "$data/detect.json" \
  -n "detect REGEDIT4" "$cli detect $data/typical4.reg" \
  -n "detect UTF-16" "$cli detect $data/typical5.reg" \
  -n "detect fleet of 10" "$cli detect ${fleet[*]}" \
  -n "wc -l" "wc -l $data/typical4.reg"
hyperfine -N --warmup 3 --runs "$runs" --export-json "$data/fix.json" \
  --prepare "cp $data/typical4.reg $data/work.reg" -n "fix REGEDIT4" "$cli fix $data/work.reg"

if [ -x "$window" ]; then
  "$build/bench/quorvafix-bench-first-paint" "$window" "$build/bench/libquorvafix-first-paint-probe.so" \
    "$data/typical4.reg" "$runs" | tail -1
else
  echo "process_time.sh: $window was not built (no Qt): no first-paint time"
fi

#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang-14, ASan and UBSan into
# build-fuzz/ and runs each for SECONDS (default 60). Usage:
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
# The corpus each run grows is kept in build-fuzz/corpus/<target> and reused by
# the next run; the committed seeds in fuzz/corpus/<target> are read, never
# written. An input that breaks a target is saved as
# build-fuzz/findings/<target>-crash-* (or -leak-, -timeout-, -oom-) and fails
# the run; replay it with build-fuzz/fuzz/<target>_fuzz FILE. A timeout whose
# input runs within a second when replayed alone is the machine stalling, not
# a finding: it is reported and does not fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=build-fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(ls fuzz/corpus))
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQUORVAFIX_FUZZ=ON -DQUORVAFIX_BUILD_TESTS=OFF -DQUORVAFIX_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p "$dir/findings"

# True when the run's one finding is a timeout whose input, replayed alone,
# finishes within a second: a stall of a shared machine, not a slow input.
# A crash, a leak or an input that is slow again is a finding.
stall_only() {
  local target=$1 log=$2 unit
  grep -q "ERROR: libFuzzer: timeout" "$log" || return 1
  unit=$(sed -n 's/.*Test unit written to \(.*-timeout-[0-9a-f]*\).*/\1/p' "$log" | head -1)
  [ -n "$unit" ] || return 1
  local start end
  start=$(date +%s%N)
  "$dir/fuzz/${target}_fuzz" -timeout=1 "$unit" >>"$log" 2>&1 || return 1
  end=$(date +%s%N)
  replay_seconds=$(awk "BEGIN { printf \"%.2f\", ($end - $start) / 1e9 }")
}

status=0
for target in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$target"
  log="$dir/findings/$target.log"
  echo "== $target: fuzzing for ${seconds}s"
  if "$dir/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/findings/$target-" \
      "$dir/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "   $runs inputs run, corpus $(ls "$dir/corpus/$target" | wc -l) entries, no finding"
  elif stall_only "$target" "$log"; then
    echo "   an input timed out once but runs in $replay_seconds s when replayed alone:"
    echo "   the machine stalled (log $log); no finding"
  else
    status=1
    echo "   FINDING (log $log):"
    grep -E "ERROR|failed|SUMMARY|Test unit written" "$log" | head -20 | sed 's/^/   /'
  fi
done
exit $status

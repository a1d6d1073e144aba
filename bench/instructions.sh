#!/usr/bin/env bash
# Instructions a whole `quorvafix-cli detect` process executes per byte of the
# typical handheld export (20,000 keys, 120,000 values, 40 active drivers, one
# faulty), in both dialects, counted by callgrind: the same on any machine of
# the same instruction set and build, unlike times. Writes each run's profile
# beside the exports (callgrind_annotate FILE shows where they go).
#
#   bash bench/instructions.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
command -v valgrind >/dev/null || { echo "instructions.sh: needs valgrind (Debian package valgrind)" >&2; exit 1; }
cli=$build/cli/quorvafix-cli
make=$build/bench/quorvafix-make-registry
for tool in "$cli" "$make"; do
  [ -x "$tool" ] || { echo "instructions.sh: $tool is missing; build first" >&2; exit 1; }
done

data=$build/bench-data/instructions
mkdir -p "$data"
"$make" "$data/typical4.reg" > /dev/null
"$make" --dialect 5 "$data/typical5.reg" > /dev/null
for dialect in 4 5; do
  file=$data/typical$dialect.reg
  profile=$data/detect$dialect.callgrind
  # Detect exits 1 on these exports: the faulty driver is left.
  status=0
  valgrind --tool=callgrind --callgrind-out-file="$profile" "$cli" detect "$file" \
    > "$data/detect$dialect.out" 2> "$data/detect$dialect.log" || status=$?
  [ "$status" -eq 1 ] && grep -q "BUG DETECTED HERE" "$data/detect$dialect.out" ||
    { echo "instructions.sh: detect did not report the faulty driver in $file" >&2; exit 1; }
  count=$(sed -n 's/^==[0-9]*== Collected : \([0-9]*\)$/\1/p' "$data/detect$dialect.log")
  bytes=$(stat -c %s "$file")
  name=$([ "$dialect" = 4 ] && echo "REGEDIT4" || echo "UTF-16  ")
  awk -v n="$name" -v c="$count" -v b="$bytes" \
    'BEGIN { printf "detect %s %12d instructions  %10d bytes  %5.2f per byte\n", n, c, b, c / b }'
done

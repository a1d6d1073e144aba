#!/usr/bin/env bash
# Formats every tracked .h and .cpp file by .clang-format, in place; with
# --check only lists the files that differ from it and exits 1 if any does.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
if [[ -n $mode && $mode != --check ]]; then
  echo "usage: scripts/format.sh [--check]" >&2
  exit 2
fi
command -v clang-format >/dev/null || { echo "format.sh: clang-format is not installed" >&2; exit 2; }
mapfile -d '' files < <(git ls-files -z -- '*.h' '*.cpp')
if [[ $mode != --check ]]; then
  clang-format -i -- "${files[@]}"
  exit 0
fi
differing=0
for file in "${files[@]}"; do
  if ! clang-format --dry-run --Werror -- "$file" >/dev/null 2>&1; then
    echo "$file"
    differing=1
  fi
done
exit "$differing"

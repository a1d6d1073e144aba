#!/usr/bin/env bash
# Configures and builds into build/ (or $1 with extra CMake arguments after it):
# every target, or only those named in QUORVAFIX_TARGETS (separated by spaces).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B "$dir" "${generator[@]}" "$@" >/dev/null
targets=()
for target in ${QUORVAFIX_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"

#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $1) and runs them all; the first report of either stops the
# test that made it, and any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-asan}
bash scripts/build.sh "$dir" -DQUORVAFIX_SANITIZE=ON
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure --no-tests=error --parallel "$(nproc)"

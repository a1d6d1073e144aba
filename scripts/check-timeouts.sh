#!/usr/bin/env bash
# Checks that every test of the build folder $1 (default build) has a CTest
# TIMEOUT, so that no test can hang the suite; names those that have none and
# exits 1.
set -euo pipefail
dir=${1:-build}
untimed=$(ctest --test-dir "$dir" --show-only=json-v1 |
  jq -r '.tests[] | select([.properties[]? | select(.name == "TIMEOUT")] | length == 0) | .name')
if [ -n "$untimed" ]; then
  echo "check-timeouts.sh: tests without a TIMEOUT:" $untimed >&2
  exit 1
fi

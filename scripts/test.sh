#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
bash scripts/check-timeouts.sh build
ctest --test-dir build --output-on-failure --no-tests=error --parallel "$(nproc)"

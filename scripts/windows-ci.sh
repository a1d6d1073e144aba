#!/usr/bin/env bash
# CI stage for Windows, on a fresh Debian 12 machine as root: installs the
# cross compiler, GoogleTest's sources, Wine and Xvfb with apt, builds the
# Windows programs and test suites, runs them under Wine in a fresh prefix of
# the build folder (with the parity and --local-registry tests against the
# Linux tool of build/, built if missing), then makes and checks the release
# ZIP.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows
bash scripts/windows-test.sh build-windows
bash scripts/package-windows.sh

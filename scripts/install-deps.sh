#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; skips apt-get
# when everything is already there. Run as root (or through sudo). --fuzz adds
# clang-14 and its runtimes for the fuzz targets (scripts/fuzz.sh); --package
# the tools that make and check the Debian package (scripts/package.sh);
# --format clang-format for scripts/format.sh; --windows the cross compiler,
# GoogleTest's sources, Wine and Xvfb for the Windows build and its tests
# (scripts/windows-test.sh).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-dejavu-core nlohmann-json3-dev
  locales man-db jq
  desktop-file-utils appstream librsvg2-bin
)
for option in "$@"; do
  case $option in
    --fuzz) packages+=(clang-14 libclang-rt-14-dev llvm-14) ;;
    --package) packages+=(dpkg-dev file lintian desktop-file-utils) ;;
    --format) packages+=(clang-format) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64 xvfb xauth) ;;
    *) echo "install-deps.sh: unknown option '$option'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number-formatting tests switch the process to a locale with a decimal
# comma to show that numbers are still written and read with '.'.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; skips apt-get
# when everything is already there. Run as root (or through sudo). --fuzz adds
# clang-14 and its runtimes for the fuzz targets (scripts/fuzz.sh); --package
# the tools that make and check the Debian package (scripts/package.sh);
# --format clang-format for scripts/format.sh; --fresh-system debootstrap
# for the scripts that use a bare Debian system (scripts/bare-system.sh);
# --piuparts piuparts for scripts/package-bare-system.sh; --bench the
# counters and timers of bench/instructions.sh, bench/process_time.sh and
# bench/beside_baseline.sh; --windows the cross compiler, GoogleTest's
# sources, Wine and Xvfb for the Windows build and its tests
# (scripts/windows-test.sh).
set -euo pipefail

# Besides the build's own: the programs the tests run. Debian's essential
# packages (bash, coreutils, util-linux's setpriv, bsdutils' script, gzip,
# diffutils) are on every Debian system and so not listed.
packages=(
  cmake ninja-build g++ pkg-config                # the build
  libgtest-dev libgmock-dev libbenchmark-dev      # tests and benchmarks
  qt6-base-dev fonts-dejavu-core                  # the window program; text in its tests
  nlohmann-json3-dev                              # the tool's JSON form
  locales                                         # the de_DE.UTF-8 locale of the number tests
  jq                                              # every test has a timeout (check-timeouts.sh)
  acl                                             # setfacl: ACLs on the files the tests repair
  man-db                                          # man and groff: the manual pages render cleanly
  desktop-file-utils appstream                    # the desktop entry and metainfo validate
  librsvg2-bin                                    # rsvg-convert: the icons rendered from the SVG
  strace                                          # faults and pauses injected into the real tool
  e2fsprogs                                       # chattr: folders that refuse a rename
  fusefat dosfstools                              # an export on a FAT memory card image
  # The window read through AT-SPI in an X server and a session bus of its
  # own, under a window manager (shell/atspi_test.cpp), and scripts/screenshot.sh.
  at-spi2-core python3-pyatspi dbus dbus-x11 xvfb xauth openbox xdotool
  # Orca itself reading the window there, its speech written to a file by a
  # speech server of the test's own (shell/testing/orca_speech_log.py).
  orca
)
for option in "$@"; do
  case $option in
    --fuzz) packages+=(clang-14 libclang-rt-14-dev llvm-14) ;;
    --package) packages+=(dpkg-dev file lintian desktop-file-utils) ;;
    --format) packages+=(clang-format) ;;
    --fresh-system) packages+=(debootstrap) ;;
    --piuparts) packages+=(piuparts) ;;
    --bench) packages+=(valgrind hyperfine time) ;;
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
  # Waits for another apt-get that holds the package database.
  lock=(-o DPkg::Lock::Timeout=600)
  $SUDO apt-get "${lock[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${lock[@]}" install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

# The number-formatting tests switch the process to a locale with a decimal
# comma to show that numbers are still written and read with '.'.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

#!/usr/bin/env bash
# Installs what is missing, builds the programs (Release, with Debian's
# hardening flags) into build-release/ and makes the Debian package
# build/quorvafix_VERSION_ARCH.deb with CPack. Check it with
# scripts/package-smoke.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
dir=build-release
# Every hardening feature Debian offers, bind-now included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
bash scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUORVAFIX_BUILD_TESTS=OFF -DQUORVAFIX_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@"
rm -f "$dir"/quorvafix_*.deb build/quorvafix_*.deb
(cd "$dir" && cpack -G DEB)
mkdir -p build
mv "$dir"/quorvafix_*.deb build/
ls build/quorvafix_*.deb

#!/usr/bin/env bash
# Installs what is missing, builds the programs (Release, with Debian's
# hardening flags) into build-release/ and makes the Debian packages with
# CPack: build/quorvafix-cli_VERSION_ARCH.deb (the tool) and
# build/quorvafix_VERSION_ARCH.deb (the window program). Check them with
# scripts/package-smoke.sh.
# Reproducible, as Debian's reproducible builds ask: every time stamp in the
# packages is SOURCE_DATE_EPOCH, taken from the last commit when not set, so
# two runs on one commit give byte-identical packages.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
dir=build-release
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "package.sh: not a git checkout; set SOURCE_DATE_EPOCH" >&2
    exit 2
  }
fi
export SOURCE_DATE_EPOCH
# Every hardening feature Debian offers, bind-now included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
bash scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUORVAFIX_BUILD_TESTS=OFF -DQUORVAFIX_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@"
rm -f "$dir"/quorvafix*.deb build/quorvafix*.deb
(cd "$dir" && cpack -G DEB >cpack.log) || { cat "$dir/cpack.log"; exit 1; }
mkdir -p build
mv "$dir"/quorvafix*.deb build/
# Made again a few seconds later, each package must come out byte-identical:
# nothing of the moment of making (file times, archive headers) gets in.
sleep 1
(cd "$dir" && cpack -G DEB >cpack.log) || { cat "$dir/cpack.log"; exit 1; }
for deb in build/quorvafix*.deb; do
  cmp "$deb" "$dir/${deb#build/}" ||
    { echo "package.sh: $deb is not reproducible (made twice, it differs)" >&2; exit 1; }
done
rm -f "$dir"/quorvafix*.deb
ls build/quorvafix*.deb

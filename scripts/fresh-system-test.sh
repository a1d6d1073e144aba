#!/usr/bin/env bash
# Runs the test suite on a bare Debian 12 system, as a newcomer's machine has
# it: debootstrap makes a minbase bookworm system (from the Debian mirror this
# machine's apt uses), scripts/install-deps.sh installs what it lists there,
# and the tests already built in BUILD run inside it with the checkout
# mounted at its own path. A program or library that a test needs and
# install-deps.sh does not install fails here, even where this machine has it
# from earlier work. The build's configuration is also run there once, so a
# missing build-time package fails too.
#
# Usage (as root): fresh-system-test.sh [BUILD]   BUILD: a build folder inside
# the checkout made by scripts/build.sh (default build).
# The minbase system is kept as a tarball in $QUORVAFIX_FRESH_SYSTEM_DIR
# (default /var/tmp/quorvafix-fresh-system) and unpacked anew for every run.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
build=$(realpath "${1:-build}")
case $build/ in
  "$source"/*/) ;;
  *) echo "fresh-system-test.sh: $build is not inside $source" >&2; exit 2 ;;
esac
if [ ! -f "$build/CTestTestfile.cmake" ]; then
  echo "fresh-system-test.sh: no tests built in $build; run scripts/build.sh first" >&2
  exit 2
fi
bash scripts/install-deps.sh --fresh-system

work=${QUORVAFIX_FRESH_SYSTEM_DIR:-/var/tmp/quorvafix-fresh-system}
tarball=$work/bookworm-minbase.tar.gz
root=$work/root
suite=bookworm

# The first address this machine's apt fetches SUITE from (one-line and
# deb822 sources alike); nothing when none does.
apt_uri() {
  local suite=$1 file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    awk -v s="$suite" '$1 == "deb" {
      i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) == s) { print $i; exit }
    }' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk -v s="$suite" 'BEGIN { RS = ""; FS = "\n" } {
      uri = ""; deb = 0; found = 0; enabled = 1
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^Types:/ && $i ~ /[ \t]deb([ \t]|$)/) deb = 1
        if ($i ~ /^Enabled:[ \t]*no/) enabled = 0
        if ($i ~ /^URIs:/) { split($i, u, /[ \t]+/); uri = u[2] }
        if ($i ~ /^Suites:/) { n = split($i, w, /[ \t]+/); for (j = 2; j <= n; j++) if (w[j] == s) found = 1 }
      }
      if (deb && found && enabled && uri != "") { print uri; exit }
    }' "$file"
  done | head -n 1
}
mirror=$(apt_uri "$suite")
security=$(apt_uri "$suite-security")
: "${mirror:=http://deb.debian.org/debian}"

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" || umount -l "${mounted[i]}" || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
# mount_in TARGET MOUNT-ARGUMENTS...: mounts at TARGET, kept from
# propagating to this machine's own mounts, and recorded for the cleanup.
mount_in() {
  local target=$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
  mount --make-private "$target"
}
# Whether anything is still mounted under the folder $1 (left by a run that
# was killed): removing the folder then would remove the checkout or /dev.
mounts_under() {
  awk -v dir="$1/" 'index($5 "/", dir) == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo
}

mkdir -p "$work"
if [ ! -f "$tarball" ]; then
  echo "--- debootstrap --variant=minbase $suite from $mirror"
  rm -rf "$work/new"
  debootstrap --variant=minbase "$suite" "$work/new" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log"; exit 1; }
  tar -C "$work/new" -czf "$tarball.part" . && mv "$tarball.part" "$tarball"
  rm -rf "$work/new"
fi
echo "--- a bare $suite system from $tarball"
if mounts_under "$root"; then
  echo "fresh-system-test.sh: something is still mounted under $root; unmount it first" >&2
  exit 2
fi
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xzf "$tarball"
{
  echo "deb $mirror $suite main"
  echo "deb $mirror $suite-updates main"
  [ -z "$security" ] || echo "deb $security $suite-security main"
} >"$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount_in "$root/proc" -t proc proc
mount_in "$root/sys" -t sysfs sysfs
mount_in "$root/dev" --bind /dev
mount_in "$root/dev/pts" --bind /dev/pts
mount_in "$root$source" --bind "$source"

# As a newcomer's root shell: nothing of this machine's environment.
in_root() {
  env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb chroot "$root" bash -c "$1"
}
echo "--- scripts/install-deps.sh in it"
in_root "cd '$source' && bash scripts/install-deps.sh" >"$work/install-deps.log" 2>&1 ||
  { tail -n 30 "$work/install-deps.log"; exit 1; }
echo "    $(grep -c '^Setting up' "$work/install-deps.log") packages set up (log: $work/install-deps.log)"
echo "--- the build's configuration in it"
in_root "cmake -S '$source' -B /tmp/configure-check -G Ninja >/tmp/configure.log ||
  { cat /tmp/configure.log; exit 1; }"
echo "--- the tests of $build in it"
in_root "cd '$source' && ctest --test-dir '$build' --output-on-failure --no-tests=error \
  --parallel \$(nproc)"

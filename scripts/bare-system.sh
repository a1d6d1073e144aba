# shellcheck shell=bash
# Sourced by the scripts that try something on a bare Debian 12 system:
# a debootstrap minbase bookworm system from the Debian mirror this machine's
# apt uses, kept as a tarball in $QUORVAFIX_FRESH_SYSTEM_DIR (default
# /var/tmp/quorvafix-fresh-system) and unpacked anew for every use, with
# /proc, /sys, /dev and /dev/pts mounted and unmounted again when the
# sourcing script exits. Needs root and debootstrap
# (scripts/install-deps.sh --fresh-system).
#
#   bare_tarball          the minbase tarball's path, made first if missing
#   bare_system ROOT      a new system at ROOT (a folder under the work folder)
#   bare_bind PATH        PATH of this machine mounted at the same path in it
#   in_bare COMMAND       COMMAND run by bash in it as a newcomer's root shell

BARE_SUITE=bookworm
BARE_WORK=${QUORVAFIX_FRESH_SYSTEM_DIR:-/var/tmp/quorvafix-fresh-system}
BARE_ROOT=
bare_mounted=()

# The first address this machine's apt fetches SUITE from (one-line and
# deb822 sources alike); nothing when none does.
bare_apt_uri() {
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
BARE_MIRROR=$(bare_apt_uri "$BARE_SUITE")
: "${BARE_MIRROR:=http://deb.debian.org/debian}"
BARE_SECURITY=$(bare_apt_uri "$BARE_SUITE-security")

bare_cleanup() {
  local i
  for ((i = ${#bare_mounted[@]} - 1; i >= 0; i--)); do
    umount "${bare_mounted[i]}" || umount -l "${bare_mounted[i]}" || true
  done
  bare_mounted=()
}
trap bare_cleanup EXIT
trap 'exit 130' INT TERM HUP

# bare_mount TARGET MOUNT-ARGUMENTS...: mounts at TARGET, kept from
# propagating to this machine's own mounts, and recorded for the cleanup.
bare_mount() {
  local target=$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  bare_mounted+=("$target")
  mount --make-private "$target"
}

# Whether anything is still mounted under the folder $1 (left by a run that
# was killed): removing the folder then would remove what is mounted there.
bare_mounts_under() {
  awk -v dir="$1/" 'index($5 "/", dir) == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo
}

bare_tarball() {
  local tarball=$BARE_WORK/$BARE_SUITE-minbase.tar.gz
  if [ ! -f "$tarball" ]; then
    mkdir -p "$BARE_WORK"
    echo "--- debootstrap --variant=minbase $BARE_SUITE from $BARE_MIRROR" >&2
    rm -rf "$BARE_WORK/new"
    debootstrap --variant=minbase "$BARE_SUITE" "$BARE_WORK/new" "$BARE_MIRROR" \
      >"$BARE_WORK/debootstrap.log" 2>&1 || { tail -n 20 "$BARE_WORK/debootstrap.log" >&2; return 1; }
    tar -C "$BARE_WORK/new" -czf "$tarball.part" . && mv "$tarball.part" "$tarball"
    rm -rf "$BARE_WORK/new"
  fi
  echo "$tarball"
}

bare_system() {
  local tarball
  tarball=$(bare_tarball)
  BARE_ROOT=$1
  echo "--- a bare $BARE_SUITE system at $BARE_ROOT"
  if bare_mounts_under "$BARE_ROOT"; then
    echo "bare-system.sh: something is still mounted under $BARE_ROOT; unmount it first" >&2
    return 2
  fi
  rm -rf "$BARE_ROOT"
  mkdir -p "$BARE_ROOT"
  tar -C "$BARE_ROOT" -xzf "$tarball"
  {
    echo "deb $BARE_MIRROR $BARE_SUITE main"
    echo "deb $BARE_MIRROR $BARE_SUITE-updates main"
    [ -z "$BARE_SECURITY" ] || echo "deb $BARE_SECURITY $BARE_SUITE-security main"
  } >"$BARE_ROOT/etc/apt/sources.list"
  cp /etc/resolv.conf "$BARE_ROOT/etc/resolv.conf"
  bare_mount "$BARE_ROOT/proc" -t proc proc
  bare_mount "$BARE_ROOT/sys" -t sysfs sysfs
  bare_mount "$BARE_ROOT/dev" --bind /dev
  bare_mount "$BARE_ROOT/dev/pts" --bind /dev/pts
}

bare_bind() {
  bare_mount "$BARE_ROOT$1" --bind "$1"
}

in_bare() {
  env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb chroot "$BARE_ROOT" bash -c "$1"
}

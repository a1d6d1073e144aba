#!/usr/bin/env bash
# Checks that the papers say one thing: LICENSE is the MIT license, and the
# AppStream metainfo (<project_license>MIT</project_license>), the Debian
# copyright file (License: Expat, Debian's name for it, with LICENSE's own
# terms) and the README say the same; and that no address in the metainfo is
# on a name reserved never to resolve (.example, .invalid, .test,
# .localhost). Prints what disagrees and exits 1; 0 when all agree.
#
# Usage: check-papers.sh LICENSE METAINFO COPYRIGHT README
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: check-papers.sh LICENSE METAINFO COPYRIGHT README" >&2
  exit 2
fi
license=$1 metainfo=$2 copyright=$3 readme=$4
status=0
disagree() {
  echo "check-papers.sh: $*" >&2
  status=1
}

[ "$(head -n 1 "$license")" = "MIT License" ] || disagree "$license is not the MIT license"
grep -q '<project_license>MIT</project_license>' "$metainfo" ||
  disagree "$metainfo does not say <project_license>MIT</project_license>"
grep -qx 'License: Expat' "$copyright" || disagree "$copyright does not say License: Expat"
# The copyright file's terms are LICENSE's, indented, empty lines as " .".
terms=$(sed -n '/^Permission is hereby granted/,$p' "$license" | sed 's/^$/./; s/^/ /')
grep -qF -- "$(head -n 1 <<<"$terms")" "$copyright" && grep -qF -- "$(tail -n 1 <<<"$terms")" "$copyright" ||
  disagree "$copyright does not hold the terms of $license"
grep -q 'MIT license' "$readme" || disagree "$readme does not name the MIT license"

while read -r address; do
  host=${address#*://}
  host=${host%%[/:?#]*}
  case ${host,,} in
    *.example | example | *.invalid | *.test | *.localhost | localhost)
      disagree "$metainfo: $address is on a name that never resolves" ;;
  esac
done < <(grep -oE '[a-zA-Z][a-zA-Z0-9+.-]*://[^<>" ]+' "$metainfo" || true)
exit $status

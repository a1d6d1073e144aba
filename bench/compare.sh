#!/usr/bin/env bash
# Times `quorvafix-cli detect` on a generated handheld export beside what a
# user would otherwise run on the same file, in the same run:
#   - hivexregedit --merge into an empty hive (libwin-hivex-perl, with hivex's
#     libhivex-bin), reading the export as it is;
#   - reged -I into an empty hive (chntpw), which insists on the version 5.00
#     header, so it reads a copy of the export with that first line;
#   - the floor: cat FILE > /dev/null and wc -l FILE.
# Both tools import into a binary hive; neither creates one, so an empty hive
# comes from quorvafix-make-empty-hive and is copied afresh before each run.
# Prints hyperfine's table and the ratios. Installs its tools with apt-get
# when they are missing (run as root or with sudo).
#
#   bash bench/compare.sh [BUILD_DIR] [RUNS]      (defaults: build, 10)
#   SHAPE="--megabytes 20 --drivers 10000" bash bench/compare.sh   (another export)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
# reged takes tens of seconds on the typical export: fewer runs for it.
reged_runs=${REGED_RUNS:-3}

packages=(hyperfine libhivex-bin libwin-hivex-perl chntpw python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cli=$build/cli/quorvafix-cli
for tool in "$cli" "$build/bench/quorvafix-make-registry" "$build/bench/quorvafix-make-empty-hive"; do
  [ -x "$tool" ] || { echo "compare.sh: $tool is missing; build first (bash scripts/build.sh $build)" >&2; exit 1; }
done

data=$build/bench-data/compare
mkdir -p "$data"
file=$data/export.reg
# shellcheck disable=SC2086  # SHAPE holds several options
"$build/bench/quorvafix-make-registry" ${SHAPE:-} "$file"
"$build/bench/quorvafix-make-empty-hive" "$data/empty.hive"
# The same export with the header reged accepts.
{ printf 'Windows Registry Editor Version 5.00\r\n'; tail -n +2 "$file"; } > "$data/export-v5-header.reg"
# Reads the whole registry from the export file; exit 1 means a faulty driver was found.
detect="$cli detect $file > /dev/null; test \$? -le 1"

json=$data/results.json
# One --prepare per command, in order: only the hive needs a fresh copy.
hyperfine --warmup 2 --runs "$runs" --export-json "$json" \
  --prepare true --prepare true --prepare true --prepare "cp $data/empty.hive $data/hivex.hive" \
  -n "cat FILE > /dev/null" "cat $file > /dev/null" \
  -n "wc -l FILE" "wc -l $file" \
  -n "quorvafix-cli detect" "$detect" \
  -n "hivexregedit --merge" "hivexregedit --merge $data/hivex.hive $file"
# reged exits 2 after writing its changes; its progress goes to /dev/null.
hyperfine --runs "$reged_runs" --export-json "$data/reged.json" \
  -n "reged -C -I" --prepare "cp $data/empty.hive $data/reged.hive" \
  "reged -C -I $data/reged.hive HKEY $data/export-v5-header.reg > /dev/null; test \$? -le 2"

python3 - "$json" "$data/reged.json" "$file" <<'EOF'
import json, os, sys
results = {}
for path in sys.argv[1:3]:
    for r in json.load(open(path))["results"]:
        results[r["command"]] = r["median"]
size = os.path.getsize(sys.argv[3])
detect = results["quorvafix-cli detect"]
print(f"\nexport: {size / 1e6:.2f} MB; medians:")
for name, seconds in results.items():
    print(f"  {name:<24} {seconds * 1000:10.1f} ms")
print(f"hivexregedit --merge / detect: {results['hivexregedit --merge'] / detect:8.1f} x")
print(f"reged -C -I / detect:          {results['reged -C -I'] / detect:8.1f} x")
print(f"detect / wc -l:                {detect / results['wc -l FILE']:8.1f} x")
print(f"detect / cat:                  {detect / results['cat FILE > /dev/null']:8.1f} x")
EOF

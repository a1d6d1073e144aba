#!/usr/bin/env bash
# The performance targets, measured in one run on this build and beside it on
# a baseline build of an earlier commit (both built the same way), on the same
# generated exports:
#   - detect on the typical REGEDIT4 export: CPU (user + system, hyperfine's
#     means) against wc -l on the same file, no shell;
#   - the UTF-16 load speed (BM_LoadUnicode, MB/s of the file);
#   - fix of 1,000 faulty drivers among 10,000 against detect of the same
#     file (wall medians);
#   - the window's first paint with the typical export against
#     examples/healthy.reg (medians, runs of the two files interleaved);
#   - peak resident memory of detect (the whole process, /usr/bin/time %M,
#     less that of detect on examples/healthy.reg) against the file, for the
#     typical export and for an export whose driver key holds a 50 MB string.
# hivexregedit stands beside detect in bench/compare.sh.
#
#   git worktree add ../baseline REV && bash scripts/build.sh ../baseline/build
#   bash bench/beside_baseline.sh [BUILD_DIR] BASELINE_BUILD_DIR [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
baseline=${2:?usage: beside_baseline.sh BUILD_DIR BASELINE_BUILD_DIR [RUNS]}
runs=${3:-15}
command -v hyperfine >/dev/null || { echo "beside_baseline.sh: needs hyperfine" >&2; exit 1; }

data=$build/bench-data/beside
mkdir -p "$data"
make=$build/bench/quorvafix-make-registry
"$make" "$data/typical4.reg" > /dev/null
"$make" --drivers 10000 --faulty 1000 "$data/many.reg" > /dev/null
python3 - "$data/string50.reg" <<'PY'
import sys
head = ('REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\n"Name"="COM5:"\n'
        '"Key"="Drivers\\\\BuiltIn\\\\BtSerialA"\n\n'
        '[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialA]\n"Dll"="QVBTDEV.DLL"\n')
with open(sys.argv[1], "w") as f:
    f.write(head + '"Text"="' + "x" * (50 * 1024 * 1024) + '"\n')
PY
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== detect on the typical export against wc -l"
hyperfine -N --ignore-failure --warmup 3 --runs "$runs" --export-json "$data/detect.json" \
  -n "detect" "$build/cli/quorvafix-cli detect $data/typical4.reg" \
  -n "baseline detect" "$baseline/cli/quorvafix-cli detect $data/typical4.reg" \
  -n "wc -l" "wc -l $data/typical4.reg" > /dev/null
python3 - "$data/detect.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
cpu = {n: x["user"] + x["system"] for n, x in r.items()}  # hyperfine's means
for n in r:
    print(f"  {n:<16} wall median {r[n]['median'] * 1000:7.1f} ms  cpu mean {cpu[n] * 1000:7.1f} ms"
          f"  cpu / wc -l {cpu[n] / cpu['wc -l']:5.1f} x")
PY

echo "== UTF-16 load (BM_LoadUnicode/0, the typical export)"
for b in "$build" "$baseline"; do
  "$b/bench/quorvafix-bench-store" --benchmark_filter='BM_LoadUnicode/0$' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_min_time=0.3 2>/dev/null |
    grep -E "median" | sed "s|^|  $b: |"
done

echo "== fix of 1,000 faulty drivers among 10,000 against detect (wall medians)"
hyperfine -N --ignore-failure --warmup 2 --runs "$runs" --export-json "$data/many-detect.json" \
  -n "detect" "$build/cli/quorvafix-cli detect $data/many.reg" > /dev/null
hyperfine -N --warmup 2 --runs "$runs" --export-json "$data/many-fix.json" \
  --prepare "cp $data/many.reg $data/many-work.reg" \
  -n "fix" "$build/cli/quorvafix-cli fix $data/many-work.reg" > /dev/null
cp "$data/many.reg" "$data/many-work.reg"
/usr/bin/time -f "%e" -o "$data/baseline-fix.time" "$baseline/cli/quorvafix-cli" fix "$data/many-work.reg" > /dev/null
python3 - "$data/many-detect.json" "$data/many-fix.json" "$data/baseline-fix.time" <<'PY'
import json, sys
detect, fix = (json.load(open(p))["results"][0]["median"] for p in sys.argv[1:3])
old = float(open(sys.argv[3]).read().split()[-1])
print(f"  detect {detect * 1000:.1f} ms, fix {fix * 1000:.1f} ms: fix / detect {fix / detect:.1f} x; baseline fix (one run) {old:.1f} s")
PY

echo "== first paint, typical export against examples/healthy.reg (medians of interleaved runs)"
for b in "$build" "$baseline"; do
  python3 - "$b" "$runs" "$data/typical4.reg" <<'PY'
import re, statistics, subprocess, sys
b, runs, typical = sys.argv[1], int(sys.argv[2]), sys.argv[3]
times = {"healthy": [], "typical": []}
for _ in range(runs):
    for name, f in (("healthy", "examples/healthy.reg"), ("typical", typical)):
        out = subprocess.run([f"{b}/bench/quorvafix-bench-first-paint", f"{b}/shell/quorvafix",
                              f"{b}/bench/libquorvafix-first-paint-probe.so", f, "1"],
                             capture_output=True, text=True).stdout
        times[name].append(float(re.search(r"median ([0-9.]+) ms", out).group(1)))
h, t = statistics.median(times["healthy"]), statistics.median(times["typical"])
print(f"  {b}: healthy {h:.1f} ms, typical {t:.1f} ms: {t / h:.2f} x")
PY
done

echo "== peak resident memory of detect, less that of detect on examples/healthy.reg"
for b in "$build" "$baseline"; do
  # detect exits 1 on a faulty export: the status is not what is measured here.
  base=$( { /usr/bin/time -f "%M" "$b/cli/quorvafix-cli" detect examples/healthy.reg > /dev/null || true; } 2>&1 | tail -1)
  for f in "$data/typical4.reg" "$data/string50.reg"; do
    peak=$( { /usr/bin/time -f "%M" "$b/cli/quorvafix-cli" detect "$f" > /dev/null || true; } 2>&1 | tail -1)
    size=$(stat -c %s "$f")
    python3 -c "import sys; b,p,s=map(int,sys.argv[1:4]); print(f'  {sys.argv[4]}: {sys.argv[5]}: peak {p/1024:.1f} MiB, {(p-b)*1024/s:.2f} x the file over the {b/1024:.1f} MiB of a tiny export ({p*1024/s:.2f} x whole)')" \
      "$base" "$peak" "$size" "$b" "$(basename "$f")"
  done
done

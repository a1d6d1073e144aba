#!/usr/bin/env python3
"""Whole-process runs of two builds of quorvafix-cli, interleaved, on one file.

Runs `BINARY detect FILE` RUNS times for each binary, alternating which one
goes first, after one warm-up run of each (the file then sits in the page
cache), and prints for each binary the medians and minima of wall time and
of CPU time (user + system, from wait4) and the median of minor page faults.
Interleaving spreads the load of a shared machine over both builds alike.

    python3 bench/interleaved_runs.py RUNS FILE BINARY_A BINARY_B
"""
import os
import statistics
import sys
import time


def run_once(binary, path):
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.dup2(null, 2)
        os.execv(binary, [binary, "detect", path])
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit(f"{binary} detect {path} exited with {code}")
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_minflt


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    runs, path, binaries = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    for binary in binaries:
        run_once(binary, path)
    results = {binary: [] for binary in binaries}
    for i in range(runs):
        order = binaries if i % 2 == 0 else binaries[::-1]
        for binary in order:
            results[binary].append(run_once(binary, path))
    for binary in binaries:
        wall, cpu, faults = zip(*results[binary])
        print(f"{binary}: wall median {statistics.median(wall):.1f} ms (best {min(wall):.1f}), "
              f"CPU median {statistics.median(cpu):.1f} ms (best {min(cpu):.1f}), "
              f"minor faults median {statistics.median(faults):.0f}")
    print("load average %.1f %.1f %.1f" % os.getloadavg())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Prints the string library's cost beside its std equivalent.

Reads the JSON that a benchmark executable writes with
--benchmark_out=FILE --benchmark_out_format=json (with or without
--benchmark_repetitions; medians are used when present) and pairs each
BM_<Operation>_Dyn[/arg] with BM_<Operation>_Std[/arg] (and with
BM_<Operation>_Snprintf where there is one), printing CPU time per
iteration and the ratio Dyn / baseline as a Markdown table.

    python3 bench/ratios.py build/bench-strings.json
"""
import json
import sys


def cpu_times(runs):
    """Run name -> CPU time in ns: the median when repetitions ran."""
    times = {}
    medians = {}
    for run in runs:
        name = run.get("run_name", run["name"])
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[run.get("time_unit", "ns")]
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[name] = run["cpu_time"] * scale
        else:
            times.setdefault(name, run["cpu_time"] * scale)
    times.update(medians)
    return times


def main(path):
    with open(path) as f:
        times = cpu_times(json.load(f)["benchmarks"])
    print("| operation | DynString ns | baseline | baseline ns | ratio |")
    print("|---|---:|---|---:|---:|")
    for name in times:
        operation, _, arg = name.partition("/")
        if not operation.endswith("_Dyn"):
            continue
        stem = operation[: -len("_Dyn")]
        for baseline in ("Std", "Snprintf"):
            other = stem + "_" + baseline + ("/" + arg if arg else "")
            if other in times:
                label = stem[len("BM_"):] + ("/" + arg if arg else "")
                ratio = times[name] / times[other]
                print(f"| {label} | {times[name]:.1f} | {baseline} | {times[other]:.1f} | {ratio:.2f} |")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])

#!/usr/bin/env python3
"""Prints median times and ours/peer ratios from Google Benchmark JSON files.

CPU time per call. Benchmarks are named IMPL/OPERATION/CASE, IMPL being "ours" or a peer
("icu", "libc", "memcpy", ...). For every OPERATION/CASE the table shows each
implementation's median time and the ratio ours/peer (below 1: ours is faster).
"""
import json
import sys
from collections import defaultdict


def load(paths):
    times = defaultdict(dict)
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data["benchmarks"]:
            name = b.get("run_name", b["name"])
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            impl, _, rest = name.partition("/")
            t = b["cpu_time"]  # steadier than wall time on a shared machine
            unit = b.get("time_unit", "ns")
            t *= {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]
            # With repetitions, the median aggregate wins over single runs.
            if b.get("run_type") == "aggregate" or rest not in times or impl not in times[rest]:
                times[rest][impl] = t
    return times


def main():
    times = load(sys.argv[1:])
    peers = sorted({i for v in times.values() for i in v if i != "ours"})
    header = f"{'operation/case':44} {'ours ns':>12}" + "".join(f" {p + ' ns':>12} {'ours/' + p:>10}" for p in peers)
    print(header)
    print("-" * len(header))
    for case in sorted(times):
        row = times[case]
        ours = row.get("ours")
        line = f"{case:44} {ours if ours is not None else float('nan'):12.1f}"
        for p in peers:
            t = row.get(p)
            if t is None:
                line += f" {'':>12} {'':>10}"
            else:
                ratio = f"{ours / t:10.2f}" if ours else f"{'':>10}"
                line += f" {t:12.1f} {ratio}"
        print(line)


if __name__ == "__main__":
    main()

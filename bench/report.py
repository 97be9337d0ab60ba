#!/usr/bin/env python3
"""Prints median times and ours/peer ratios from Google Benchmark JSON files and,
with --svg PATH, draws the ratios against ICU, the C library and {fmt} as one chart.

CPU time per call. Benchmarks are named IMPL/OPERATION/CASE, IMPL being "ours" or a peer
("icu", "libc", "fmt", "memcpy", ...). For every OPERATION/CASE the table shows each
implementation's median time and the ratio ours/peer (below 1: ours is faster).

Arguments: [--svg PATH] FILES..., or [--svg PATH] --level NAME FILES... --level NAME FILES...
for runs of the same programs at several CPU levels: a table per level, and the chart
shows each level's ratios side by side (the first level in full colour).

A run need not time every row: ICU and {fmt} do not depend on the CPU level, so a level
after the first may leave them out and takes the first level's times (glibc does: it is
timed at each level, capped as that level's CPU would run it); a row that repeats
one of ours under another name is left out at every level and takes that row's time.
--plan INDEX reads benchmark names (one a line) and prints those to run at the level of
that index (0: the first).
"""
import json
import re
import sys
import time
from collections import defaultdict
from math import log10
from xml.sax.saxutils import escape


# Peers whose time does not depend on the CPU level: measured at the first level only.
# glibc's ("libc", "memcpy") choose their kernels by CPU and are timed at every level.
LEVEL_FREE = ("icu", "fmt")
# Rows that time one of ours under a peer's name, for a ratio between two of ours:
# (IMPL, OPERATION) -> the OPERATION whose "ours" row of the same case times the same call.
REPEATS = {("u2s", "realUtf8"): "toUtf8", ("writer", "realUtf8"): "fputs", ("snprintf", "scprintf"): "snprintf"}


def to_run(name, index, names):
    """A repeat runs only when the run leaves out the row it repeats (a filter)."""
    impl, op, rest = (name.split("/", 2) + ["", ""])[:3]
    repeated = (impl, op) in REPEATS and f"ours/{REPEATS[(impl, op)]}/{rest}" in names
    return not repeated and (index == 0 or impl not in LEVEL_FREE)


def complete(levels):
    """Fills the rows a run left out: repeats from the row they repeat, level-free peers
    from the first level."""
    for k, (_, times) in enumerate(levels):
        if k:
            for case, row in levels[0][1].items():
                for impl in LEVEL_FREE:
                    if impl in row and case in times:
                        times[case].setdefault(impl, row[impl])
        for case, row in times.items():
            op, _, rest = case.partition("/")
            for (impl, repeat_op), source in REPEATS.items():
                ours = times.get(f"{source}/{rest}", {}).get("ours")
                if op == repeat_op and ours is not None:
                    row.setdefault(impl, ours)


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


CHART_PEERS = (("icu", "ICU", "#3b6fb6"), ("libc", "glibc", "#e08a1e"), ("fmt", "{fmt}", "#3a9a4a"))


def lighter(colour):
    """The colour halfway to white: the bars of the levels after the first."""
    rgb = [int(colour[i:i + 2], 16) for i in (1, 3, 5)]
    return "#" + "".join(f"{(c + 255) // 2:02x}" for c in rgb)


def main_cases(times):
    """One case per operation where the cases are sizes or texts of one
    operation (the 4096-unit one, the multilingual text where there is one);
    every case where they are different jobs (printf's formats)."""
    by_op = defaultdict(list)
    for case in sorted(times):
        by_op[case.split("/")[0]].append(case)
    chosen = []
    for op, cases in by_op.items():
        sized = [c for c in cases if re.search(r"(?<![0-9])4096(?![0-9])", c)]
        if len(cases) == 1 or not sized:
            chosen += cases
        else:
            mixed = [c for c in sized if re.search(r"mixed(:1|/|$)", c)]
            chosen.append((mixed or sized)[0])
    return chosen


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def write_svg(levels, path):
    """Horizontal bars of ours/peer on a log scale, a line at 1.0: for each peer one bar per level."""
    rows = []
    first = levels[0][1]
    for case in main_cases(first):
        bars = []
        for peer, label, colour in CHART_PEERS:
            for k, (level, times) in enumerate(levels):
                ours = times.get(case, {}).get("ours")
                if ours and times[case].get(peer):
                    name = f"{label} ({level})" if level else label
                    bars.append((name, colour if k == 0 else lighter(colour), ours / times[case][peer]))
        if bars:
            rows.append((case, bars))
    ratios = [r for _, bars in rows for _, _, r in bars] or [1.0]
    ticks = [0.001, 0.003, 0.01, 0.03, 0.1, 0.3, 1, 3, 10, 30]
    lo = max([t for t in ticks if t < min(ratios)] or [ticks[0]])
    hi = min([t for t in ticks if t >= max(max(ratios), 1.5)] or [ticks[-1]])
    left, plot_w, bar_h, top = 250, 560, 9, 70
    row_h = bar_h * max([len(bars) for _, bars in rows] or [1]) + 8
    height = top + row_h * len(rows) + 60

    def x(r):
        r = min(max(r, lo), hi)
        return left + plot_w * (log10(r) - log10(lo)) / (log10(hi) - log10(lo))

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{left + plot_w + 60}" height="{height}" '
           f'font-family="sans-serif" font-size="11">',
           f'<rect width="100%" height="100%" fill="white"/>',
           f'<text x="10" y="20" font-size="15" font-weight="bold">qorucum speed: time of ours / time of the peer '
           f'(below 1: ours is faster)</text>',
           f'<text x="10" y="38">{escape(cpu_name())}, {time.strftime("%Y-%m-%d")}; median CPU time, '
           f'log scale</text>']
    legend_x = 10
    for _, label, colour in CHART_PEERS:
        out.append(f'<rect x="{legend_x}" y="48" width="12" height="10" fill="{colour}"/>'
                   f'<text x="{legend_x + 16}" y="57">against {label}</text>')
        legend_x += 110
    if len(levels) > 1:
        names = ", ".join(f"{level}" for level, _ in levels[1:])
        out.append(f'<text x="{legend_x}" y="57">full colour: {escape(levels[0][0])} CPU level; '
                   f'light: {escape(names)}</text>')
    bottom = top + row_h * len(rows)
    for t in ticks:
        if lo <= t <= hi:
            colour, width = ("#c00000", 2) if t == 1 else ("#dddddd", 1)
            out.append(f'<line x1="{x(t):.1f}" y1="{top - 4}" x2="{x(t):.1f}" y2="{bottom}" stroke="{colour}" '
                       f'stroke-width="{width}"/><text x="{x(t):.1f}" y="{bottom + 14}" text-anchor="middle">{t}</text>')
    for i, (case, bars) in enumerate(rows):
        y = top + i * row_h
        out.append(f'<text x="{left - 6}" y="{y + bar_h + 4}" text-anchor="end">{escape(case)}</text>')
        for j, (label, colour, r) in enumerate(bars):
            by = y + j * bar_h
            out.append(f'<rect x="{left}" y="{by}" width="{x(r) - left:.1f}" height="{bar_h - 1}" fill="{colour}">'
                       f'<title>{escape(case)} against {escape(label)}: {r:.2f}</title></rect>'
                       f'<text x="{x(r) + 3:.1f}" y="{by + bar_h - 1}" font-size="9">{r:.2f}</text>')
    out.append(f'<text x="{x(1):.1f}" y="{bottom + 28}" text-anchor="middle" fill="#c00000">1.0: as fast as the peer</text>')
    out.append("</svg>")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def print_table(times):
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


def main():
    args = sys.argv[1:]
    if len(args) == 2 and args[0] == "--plan":
        names = sys.stdin.read().split()
        for name in names:
            if to_run(name, int(args[1]), set(names)):
                print(name)
        return
    svg = None
    if len(args) >= 2 and args[0] == "--svg":
        svg, args = args[1], args[2:]
    groups = [["", []]]  # files before any --level form one unnamed level
    while args:
        arg = args.pop(0)
        if arg == "--level" and args:
            groups.append([args.pop(0), []])
        else:
            groups[-1][1].append(arg)
    levels = [(name, load(paths)) for name, paths in groups if paths or name]
    levels = [(name, times) for name, times in levels if times]
    if not levels:
        sys.exit("no benchmark results")
    complete(levels)
    if svg:
        write_svg(levels, svg)
    for k, (name, times) in enumerate(levels):
        if name:
            reused = f" (the times of {', '.join(LEVEL_FREE)} are the first level's)" if k else ""
            print(("\n" if k else "") + f"== CPU level: {name} =={reused}")
        print_table(times)


if __name__ == "__main__":
    main()

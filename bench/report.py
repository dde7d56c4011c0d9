#!/usr/bin/env python3
"""Turns the benchmark results into docs/performance.md and docs/performance.png, or into CSV.

Every case was timed beside its limit (the bytes copied and nothing else) and its hand-written peer
(one SafeArrayGetElement or SafeArrayPutElement per element); the ratio to the limit is the limit's
time divided by the case's, the speed-up the peer's time divided by the case's. The fastest
repetition of each counts.
"""

import argparse
import csv
import datetime
import json
import os
import platform
import subprocess
import sys

SIZES_WITH_TARGETS = 1000000  # targets apply from this many elements on


def load_results(path):
    """{(id, elements): {variant: seconds per run}} and {id: counters} from Google Benchmark's JSON."""
    with open(path) as source:
        document = json.load(source)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    times, counters, order = {}, {}, []
    for entry in document["benchmarks"]:
        if entry.get("run_type", "iteration") != "iteration":
            continue
        case_id, variant, elements = entry["name"].split("/")[:3]
        seconds = entry["real_time"] * scale[entry.get("time_unit", "ns")]
        key = (case_id, int(elements))
        runs = times.setdefault(key, {})
        runs[variant] = min(seconds, runs.get(variant, seconds))
        if case_id not in order:
            order.append(case_id)
        counters[key] = entry
    return times, counters, order, document.get("context", {})


def figures(times, counters):
    """One row per case and size with everything the report shows."""
    rows = []
    for (case_id, elements), runs in times.items():
        if not {"library", "limit", "peer"} <= runs.keys():
            continue
        library = runs["library"]
        entry = counters[(case_id, elements)]
        row = {
            "case": case_id,
            "elements": elements,
            "ns_per_element": library * 1e9 / elements,
            "gb_per_s": entry["bytes"] / library / 1e9,
            "ratio_to_limit": runs["limit"] / library,
            "speedup_vs_peer": runs["peer"] / library,
            "expected_ratio": entry.get("expected_ratio", 0),
            "expected_speedup": entry.get("expected_speedup", 0),
        }
        if "fresh" in runs:
            row["fresh_ns_per_element"] = runs["fresh"] * 1e9 / elements
            row["fresh_ratio"] = runs["limit"] / runs["fresh"]
        rows.append(row)
    return rows


def by_case(rows, order):
    grouped = {case_id: [] for case_id in order}
    for row in rows:
        grouped.setdefault(row["case"], []).append(row)
    for case_rows in grouped.values():
        case_rows.sort(key=lambda row: row["elements"])
    return {case_id: case_rows for case_id, case_rows in grouped.items() if case_rows}


def targeted(row):
    """Targets apply from about a million elements on (whole points: 999,999), and to the string lists."""
    return row["elements"] >= SIZES_WITH_TARGETS * 0.99 or row["case"] in STRING_CASES


def check(held):
    return {None: "", True: "✓", False: "✗"}[held]


def holds(row):
    """(ratio target held, speed-up target held), None where no target applies."""
    if not targeted(row):
        return None, None
    ratio = row["ratio_to_limit"] >= row["expected_ratio"] if row["expected_ratio"] else None
    speedup = None
    if row["expected_speedup"] > 1:
        speedup = row["speedup_vs_peer"] >= row["expected_speedup"]
    elif row["expected_speedup"]:
        speedup = row["speedup_vs_peer"] > 1.0
    return ratio, speedup


STRING_CASES = {"strings-read", "strings-write"}


def write_csv(rows, order, output):
    writer = csv.writer(output, lineterminator="\n")
    writer.writerow(["case", "elements", "ns_per_element", "ratio_to_limit", "speedup_vs_peer"])
    for case_rows in by_case(rows, order).values():
        for row in case_rows:
            writer.writerow([row["case"], row["elements"], f"{row['ns_per_element']:.4f}",
                             f"{row['ratio_to_limit']:.3f}", f"{row['speedup_vs_peer']:.2f}"])


def command_output(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=False).stdout.strip()
    except OSError:
        return ""


def machine():
    model = ""
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    memory = ""
    with open("/proc/meminfo") as meminfo:
        for line in meminfo:
            if line.startswith("MemTotal"):
                memory = f"{int(line.split()[1]) / 1024 / 1024:.0f} GiB"
                break
    return {
        "CPU": f"{model}, {os.cpu_count()} cores",
        "Memory": memory,
        "System": f"{platform.system()} {platform.release()}",
    }


def number(value, digits=2):
    return f"{value:,.{digits}f}"


def markdown(native, wine, order, peaks, context, args):
    native_cases = by_case(native, order)
    wine_cases = by_case(wine, order) if wine else {}
    titles = {case_id: entry.get("title", case_id) for case_id, entry in args.titles.items()}
    lines = ["# Performance", ""]
    lines += [
        "How fast the conversions move large arrays, measured by `scripts/bench` (this page and the chart",
        "are its output; do not edit them by hand). Every case is timed beside two baselines over the same",
        "data, in the same run:",
        "",
        "- **limit**: for a reader, one `memcpy` of the input's bytes into a buffer that is already",
        "  allocated and written; for a writer, `SafeArrayCreateVector` of the same size, one `memcpy` into",
        "  its data and `SafeArrayDestroy`. A ratio to the limit of 1 means the conversion costs what copying",
        "  its bytes costs.",
        "- **peer**: what a conversion written without this library does: a loop of `SafeArrayGetElement`",
        "  (plus `VariantChangeType` for `VARIANT` elements) into the same container, or of",
        "  `SafeArrayPutElement` from it.",
        "",
        "A reader's output container is reused from one run to the next, so it already has its capacity:",
        "the figure is the conversion, not the page faults. The *fresh* columns read into a new container",
        "every run (allocation and page faults included). Writers create and destroy their array in every",
        "run, as the limit does. Each figure is the fastest of a few repetitions. The string lists are",
        "measured with 100,000 strings of 16 characters; their limit copies the characters in one block.",
        "",
        "## Machine",
        "",
    ]
    info = machine()
    info["Compiler"] = args.compiler
    info["Build"] = "Release (-O3), shared libraries, the Linux stand-ins of the Windows components"
    info["Harness"] = f"Google Benchmark {args.harness_version}, CPU time".strip()
    if context.get("load_avg"):
        info["Load average at start"] = ", ".join(f"{value:.1f}" for value in context["load_avg"])
    info["Date"] = datetime.date.today().isoformat()
    lines += [f"- {key}: {value}" for key, value in info.items()]
    if wine:
        lines += [f"- Windows build: {args.wine_compiler}, run under {args.wine_version} (self-timed driver, "
                  "same cases; Wine's own `SafeArrayPutElement` and `VariantChangeType`)"]
    elif args.wine_note:
        lines += [f"- Windows build: {args.wine_note}"]
    lines += ["", "## Targets", "",
              "Ratio to the limit and speed-up over the peer at 1,000,000 and 8,000,000 elements (the string "
              "lists: 100,000 strings, in the first column), each marked held (✓) or missed (✗); a case "
              "without a mark has no target there.", "",
              "| Case | Ratio target | at 1M | at 8M | Speed-up target | at 1M | at 8M |",
              "|---|---:|---:|---:|---:|---:|---:|"]
    for case_id, case_rows in native_cases.items():
        large = [row for row in case_rows if targeted(row)]
        if not large:
            continue
        expected = large[0]
        ratio_target = number(expected["expected_ratio"], 2) if expected["expected_ratio"] else ""
        speedup_target = ""
        if expected["expected_speedup"] > 1:
            speedup_target = f"≥ {number(expected['expected_speedup'], 0)}×"
        elif expected["expected_speedup"]:
            speedup_target = "> 1×"
        ratios = [f"{number(row['ratio_to_limit'], 2)} {check(holds(row)[0])}".strip() for row in large]
        speedups = [f"{number(row['speedup_vs_peer'], 1)} {check(holds(row)[1])}".strip() for row in large]
        ratios += [""] * (2 - len(ratios))
        speedups += [""] * (2 - len(speedups))
        lines.append(f"| `{case_id}` | {ratio_target} | {' | '.join(ratios)} | {speedup_target} | "
                     f"{' | '.join(speedups)} |")
    lines += ["", "![Ratio to the limit per case and size](performance.png)", ""]
    if peaks:
        lines += ["## Memory", "",
                  "Peak memory of one read into a new output, in a process that did nothing else: the growth "
                  "of the resident set's high-water mark during the call, beside the bytes the filled output "
                  "takes.", "",
                  "| Case | Elements | Peak growth | Output | Peak / output |", "|---|---:|---:|---:|---:|"]
        for peak in peaks:
            lines.append(f"| `{peak['case']}` | {int(peak['elements']):,} | {int(peak['peak']) / 2**20:,.1f} MiB | "
                         f"{int(peak['output']) / 2**20:,.1f} MiB | {int(peak['peak']) / int(peak['output']):.2f} |")
        lines.append("")
    lines += ["## Cases", ""]
    for case_id, case_rows in native_cases.items():
        lines += [f"### `{case_id}`", "", titles.get(case_id, case_id), ""]
        header = "| Elements | ns/element | GB/s | Ratio to limit | Speed-up over peer | Fresh ns/element | Fresh ratio"
        rule = "|---:|---:|---:|---:|---:|---:|---:"
        wine_rows = {row["elements"]: row for row in wine_cases.get(case_id, [])}
        if wine_rows:
            header += " | Wine ns/element | Wine ratio | Wine speed-up"
            rule += "|---:|---:|---:"
        lines += [header + " |", rule + "|"]
        for row in case_rows:
            fresh = ("–", "–")
            if "fresh_ns_per_element" in row:
                fresh = (number(row["fresh_ns_per_element"], 3), number(row["fresh_ratio"], 3))
            cells = [f"{row['elements']:,}", number(row["ns_per_element"], 3), number(row["gb_per_s"], 2),
                     number(row["ratio_to_limit"], 3), number(row["speedup_vs_peer"], 1), *fresh]
            if wine_rows:
                other = wine_rows.get(row["elements"])
                cells += [number(other["ns_per_element"], 3), number(other["ratio_to_limit"], 3),
                          number(other["speedup_vs_peer"], 1)] if other else ["–"] * 3
            lines.append("| " + " | ".join(cells) + " |")
        lines.append("")
    lines += ["## Where the time goes", ""] + args.notes + [""]
    return "\n".join(lines)


def chart(native, order, path, titles):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    cases = by_case(native, order)
    sizes = sorted({row["elements"] for row in native if row["case"] not in STRING_CASES})
    size_groups = [("1,000", lambda n: n < 10000), ("1,000,000", lambda n: 10000 <= n < 4000000),
                   ("8,000,000", lambda n: n >= 4000000)]
    names = list(cases)
    figure, axes = plt.subplots(1, len(size_groups), figsize=(15, 0.42 * len(names) + 2.2), sharey=True)
    for axis, (label, in_group) in zip(axes, size_groups):
        for position, case_id in enumerate(names):
            row = next((row for row in cases[case_id] if in_group(row["elements"]) or
                        (case_id in STRING_CASES and label == "1,000,000")), None)
            if row is None:
                continue
            ratio = row["ratio_to_limit"]
            target = row["expected_ratio"]
            if not target:
                colour = "#9e9e9e"
            elif label == "1,000" and case_id not in STRING_CASES:
                colour = "#90caf9"
            else:
                colour = "#43a047" if ratio >= target else "#e53935"
            axis.barh(position, ratio, color=colour, height=0.7)
            if target:
                axis.plot([target, target], [position - 0.4, position + 0.4], color="black", linewidth=1.5)
            axis.text(max(ratio, 1.2e-3) * 1.08, position, f"{ratio:.2g}", va="center", fontsize=7)
        axis.set_xscale("log")
        axis.set_xlim(1e-3, 4)
        axis.axvline(1.0, color="#555555", linestyle="--", linewidth=0.8)
        axis.set_title(f"{label} elements" + (" (strings: 100,000)" if label == "1,000,000" else ""),
                       fontsize=10)
        axis.set_xlabel("ratio to the limit (limit time / case time), log scale")
        axis.grid(axis="x", which="both", alpha=0.2)
    axes[0].set_yticks(range(len(names)))
    axes[0].set_yticklabels(names, fontsize=8)
    axes[0].invert_yaxis()
    figure.suptitle("How close each conversion comes to copying its bytes: 1 = as fast as memcpy (dashed line)\n"
                    "black tick = target; green = held, red = missed, grey = no target, blue = below the sizes "
                    "targets apply to", fontsize=10)
    figure.tight_layout()
    figure.savefig(path, dpi=110)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("native")
    parser.add_argument("--wine")
    parser.add_argument("--wine-note", default="")
    parser.add_argument("--wine-compiler", default="")
    parser.add_argument("--wine-version", default="")
    parser.add_argument("--peaks")
    parser.add_argument("--compiler", default="")
    parser.add_argument("--harness-version", default="")
    parser.add_argument("--cases", help="id<TAB>title per line")
    parser.add_argument("--notes", help="markdown appended as the last section")
    parser.add_argument("--csv", action="store_true")
    parser.add_argument("--markdown")
    parser.add_argument("--chart")
    args = parser.parse_args()

    times, counters, order, context = load_results(args.native)
    native = figures(times, counters)
    if args.csv:
        write_csv(native, order, sys.stdout)
        return
    wine = []
    if args.wine and os.path.exists(args.wine):
        wine_times, wine_counters, _, _ = load_results(args.wine)
        wine = figures(wine_times, wine_counters)
    peaks = []
    if args.peaks and os.path.exists(args.peaks):
        with open(args.peaks) as source:
            peaks = [dict(zip(["case", "elements", "peak", "output"], line.strip().split(",")))
                     for line in source if line.strip()]
    args.titles = {}
    if args.cases:
        with open(args.cases) as source:
            for line in source:
                case_id, title = line.rstrip("\n").split("\t")[:2]
                args.titles[case_id] = {"title": title}
    args.notes = open(args.notes).read().splitlines() if args.notes else []
    with open(args.markdown, "w") as output:
        output.write(markdown(native, wine, order, peaks, context, args))
    chart(native, order, args.chart, args.titles)


if __name__ == "__main__":
    main()

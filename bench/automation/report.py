#!/usr/bin/env python3
"""Writes the automation host's section of docs/performance.md from RoundTrip.vbs's output lines.

The section lies between two marker lines and is replaced in place (appended when absent), so the rest
of the report, and other sections beside it, stay as they are."""
import argparse
import re
import sys

BEGIN = "<!-- automation-host: begin -->"
END = "<!-- automation-host: end -->"
LINE = re.compile(r"^automation case=(\S+) points=(\d+) script_ms=([\d.]+) invoke_ms=([\d.]+) library_ms=([\d.]+)$")
TITLES = {
    "Points-Integer-elements": "`Host.Points(list)`, whole-number elements (`VT_I2`, `VT_I4`)",
    "Points-Double-elements": "`Host.Points(list)`, Double elements (`VT_R8`)",
    "Move-Double-elements": "`Host.Move list, 1, 1, 1`, in place",
}


def milliseconds(value):
    return f"{value:.1f} ms" if value >= 10 else f"{value:.2f} ms"


def section(rows, wine_version, load):
    lines = [
        BEGIN,
        "## Inside an automation object: a VBScript's call",
        "",
        "A VBScript (`bench/automation/RoundTrip.vbs`) run by the platform's script engine inside",
        "`automation_host.exe` sends 100,000 points (a variable holding 300,000 numbers, built by a script",
        "loop) to the host's `Host` object and reads them back; each figure is the median of 7 calls.",
        "*Script* is the call as the script sees it (VBScript's `Timer`), *Invoke* the time inside the",
        "host's `Invoke` (`Host.LastCallSeconds`), *Library* the part of it spent in the library's",
        "functions (`Host.LastLibrarySeconds`, `QueryPerformanceCounter`). Windows build (Release) under",
        f"{wine_version}, load average {load} when the run began; refreshed alone by",
        "`scripts/bench --automation`.",
        "",
        "| Call | Script | Invoke | Library | Library's share of Invoke |",
        "| --- | ---: | ---: | ---: | ---: |",
    ]
    for name, _, script, invoke, library in rows:
        share = f"{100 * library / invoke:.0f} %" if invoke > 0 else "-"
        lines.append(f"| {TITLES.get(name, name)} | {milliseconds(script)} | {milliseconds(invoke)} | "
                     f"{milliseconds(library)} | {share} |")
    lines += [
        "",
        "Between *Library* and *Invoke* is the host's own work: the argument checked (one pass over the",
        "elements) and, for `Points`, the library's `VT_ARRAY|VT_R8` widened into the `VT_ARRAY|VT_VARIANT`",
        "a script can index, a new 4.8 MB array of 300,000 `VARIANT`s. Between *Invoke* and *Script* is the",
        "engine's: it passes the variable by reference, so nothing is copied on the way in, and stores the",
        "returned array in the script's variable, releasing the one it held. `Move` returns nothing and",
        "writes into the script's own array, so almost all of its time is the library's. VBScript's `Timer`",
        "counts in steps of 1/1024 s, so a *Script* figure near 1 ms is only its order of magnitude.",
        "",
        "Before the host kit (the host of release 1.0.0, Release build, alternated with the new one on the",
        "same machine at load average 2.7-3.1, medians of five runs) *Invoke* was 32.4 ms against 21.1 ms",
        "of *Library* for whole-number elements and 22.0 ms against 10.4 ms for Doubles: the old host",
        "copied the widened array once more on return. What is left of the host's share for Doubles is",
        "almost all the platform's: creating an empty 300,000-element `VT_VARIANT` array alone takes",
        "3.1-3.2 ms under Wine (`bench_hostkit`, [host-kit-performance.md](host-kit-performance.md)).",
        END,
    ]
    return "\n".join(lines) + "\n"


def replace_section(text, new, begin, end_marker):
    """The report with the section between the two marker lines replaced by `new`, or `new` appended."""
    if begin in text and end_marker in text:
        start = text.index(begin)
        end = text.index(end_marker) + len(end_marker)
        if text[end:end + 1] == "\n":
            end += 1
        return text[:start] + new + text[end:]
    return text.rstrip("\n") + ("\n\n" if text.strip() else "") + new


def update_section(path, new, begin, end_marker):
    """Writes `new` between the marker lines of the report at `path` (a new report if there is none)."""
    try:
        with open(path, encoding="utf-8") as report:
            text = report.read()
    except FileNotFoundError:
        text = ""
    with open(path, "w", encoding="utf-8") as report:
        report.write(replace_section(text, new, begin, end_marker))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output", help="RoundTrip.vbs's standard output")
    parser.add_argument("report", help="the performance report to update")
    parser.add_argument("--wine-version", default="Wine")
    parser.add_argument("--load", default="unknown", help="the load average when the run began")
    args = parser.parse_args()

    rows = []
    with open(args.output, encoding="utf-8") as lines:
        for line in lines:
            match = LINE.match(line.strip())
            if match:
                name, points = match.group(1), int(match.group(2))
                rows.append((name, points, *(float(match.group(index)) for index in (3, 4, 5))))
    if not rows:
        sys.exit(f"{args.output}: no figures from the automation benchmark")

    update_section(args.report, section(rows, args.wine_version, args.load), BEGIN, END)


if __name__ == "__main__":
    main()

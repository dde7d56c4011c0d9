#!/usr/bin/env python3
"""Writes the out-of-process section of docs/performance.md from automation_round_trip.exe's lines.

The section lies between its own two marker lines and is replaced in place (appended when absent)."""
import argparse
import re
import sys

from report import milliseconds, update_section

BEGIN = "<!-- automation-out-of-process: begin -->"
END = "<!-- automation-out-of-process: end -->"
LINE = re.compile(r"^out-of-process case=(\S+) where=(in|out) points=(\d+) client_ms=([\d.]+) invoke_ms=([\d.]+) "
                  r"library_ms=([\d.]+)$")
TITLES = {
    "Points-R8-array": "`Points(list)`, a `VT_R8` array",
    "Points-VARIANT-array": "`Points(list)`, a `VARIANT` array of `VT_R8`",
    "Move-R8-array": "`Move list, 1, 1, 1` by reference, a `VT_R8` array",
    "Move-VARIANT-array": "`Move list, 1, 1, 1` by reference, a `VARIANT` array of `VT_R8`",
}


def section(cases, wine_version, load):
    lines = [
        BEGIN,
        "## Clients in other processes: what the marshaler adds",
        "",
        "A C++ client (`examples/automation-client/RoundTripBench.cpp`) sends 100,000 points (300,000",
        "numbers) to the `Host` object through `IDispatch::Invoke`, once on an object made in its own",
        "process (`CreateHostObject`) and once on the one `automation_host.exe` serves as a COM local server,",
        "where every argument and result crosses the platform's standard marshaling. Each figure is the",
        "median of 5 calls. *In process* and *Out of process* are `Invoke` as the client sees it",
        "(`QueryPerformanceCounter`); *Invoke* is the time inside the server's object",
        "(`Host.LastCallSeconds`), *Library* the part of it spent in the library",
        "(`Host.LastLibrarySeconds`); *Crossing* is the out-of-process call less *Invoke*: copying the",
        "values into the server and back, and the server's answer to the client.",
        f"Windows build (Release) under {wine_version}, load average {load} when the run began (the",
        "figures move by several times with the machine's load); refreshed alone by",
        "`scripts/bench --out-of-process`.",
        "",
        "| Call | In process | Out of process | Crossing | Invoke | Library | Library's share out of process |",
        "| --- | ---: | ---: | ---: | ---: | ---: | ---: |",
    ]
    for name, figures in cases.items():
        if "in" not in figures or "out" not in figures:
            continue
        inside, outside = figures["in"], figures["out"]
        client, invoke, library = outside
        share = f"{100 * library / client:.1f} %" if client > 0 else "-"
        lines.append(f"| {TITLES.get(name, name)} | {milliseconds(inside[0])} | {milliseconds(client)} | "
                     f"{milliseconds(client - invoke)} | {milliseconds(invoke)} | {milliseconds(library)} | {share} |")
    lines += [
        "",
        "The marshaler copies every array into the server and, for a by-reference argument, back again; a",
        "typed array travels as one block, a `VARIANT` array element by element. `Points` answers a",
        "`VT_ARRAY|VT_VARIANT` of 300,000 numbers (the form scripts can index), which is most of its",
        "crossing even when the client sent a typed array. `Move` by reference copies the list in and the",
        "moved list back, and leaves the client a new array in place of the one it sent.",
        END,
    ]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output", help="automation_round_trip.exe's standard output")
    parser.add_argument("report", help="the performance report to update")
    parser.add_argument("--wine-version", default="Wine")
    parser.add_argument("--load", default="unknown", help="the load average when the run began")
    args = parser.parse_args()

    cases = {}
    with open(args.output, encoding="utf-8") as lines:
        for line in lines:
            match = LINE.match(line.strip())
            if match:
                figures = tuple(float(match.group(index)) for index in (4, 5, 6))
                cases.setdefault(match.group(1), {})[match.group(2)] = figures
    if not cases:
        sys.exit(f"{args.output}: no figures from the out-of-process benchmark")

    update_section(args.report, section(cases, args.wine_version, args.load), BEGIN, END)


if __name__ == "__main__":
    main()

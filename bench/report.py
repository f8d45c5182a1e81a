#!/usr/bin/env python3
"""Reads the benchmark programs' JSON output and prints one table of the figures with their targets.

Usage: report.py RESULTS_DIR [REPORT_FILE]. RESULTS_DIR holds <program>.json as --benchmark_out wrote it.
Exits 1 when a figure misses its target or was not measured.
"""
import json
import sys
from pathlib import Path

# program, benchmark, what is read, target (at most), unit, measure, the figures shown beside it
ROWS = [
    ("runner_bench", "RunnerAgainstBareSpawn", "ratio", 1.3, "x",
     "Runner vs bare posix_spawn + waitpid of /bin/true", ("runner_ms", "bare_ms")),
    ("scan_bench", "BM_ScanAgainstBareChecks", "ratio", 1.5, "x",
     "Scan of 10,000 locations vs bare stat loop + one tmutil", ("scan_ms", "bare_ms")),
    ("menu_bench", "MenuOpenToShown", "real_time", 50, "ms",
     "Menu open request to menu shown, every tool 1 s slow", ()),
    ("menu_bench", "MenuRefreshAgainstBareSpawns", "ratio", 1.2, "x",
     "Menu refresh vs bare spawns of the same 8 tools", ("refresh_ms", "bare_ms")),
    ("profile_bench", "BM_FirstRunAgainstListing", "ratio", 3.0, "x",
     "First profile run (20,000 entries) vs bare listing", ("run_ms", "listing_ms", "cpu_ratio")),
    ("report_log_bench", "BM_PreviousStepRatio", "ratio", 1.5, "x",
     "Report log previous step, 200 MB vs 10 MB log", ("10MB_us", "200MB_us")),
    ("search_bench", "BM_NameSearchAgainstBareFind", "ratio", 1.5, "x",
     "Deep name search (100,000 files) vs bare find", ("search_ms", "find_ms")),
    ("search_bench", "BM_FirstRowLatency", "first_row_ms", 100, "ms",
     "Search: find prints a line to its row shown (mean)", ()),
    ("search_bench", "BM_FirstRowLatency", "worst_ms", 100, "ms",
     "Search: find prints a line to its row shown (worst)", ()),
    ("taskpad_bench", "BM_TaskPadLoad", "ratio", 2.0, "x",
     "Task pad decode (10,000 tasks) vs plist_from_bin", ("taskpad_ms", "libplist_ms", "ratio_best")),
    ("taskpad_bench", "BM_TaskPadSave", "ratio", 2.0, "x",
     "Task pad encode after a load vs plist_to_bin", ("taskpad_ms", "libplist_ms", "ratio_best")),
    ("taskpad_bench", "BM_TaskPadSaveNewNotes", "ratio", 2.0, "x",
     "Task pad encode of new notes vs plist_to_bin", ("taskpad_ms", "libplist_ms", "ratio_best")),
    ("taskpad_bench", "BM_TaskPadFileLoad", "ratio", 2.0, "x",
     "Task pad file load vs read + plist_from_bin", ("taskpad_ms", "libplist_ms", "ratio_best")),
    ("taskpad_bench", "BM_TaskPadFileSave", "ratio", 2.0, "x",
     "Task pad file save vs plist_to_bin + atomic write", ("taskpad_ms", "libplist_ms", "ratio_best")),
]

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(results):
    """Every benchmark entry by (program, name); a program without readable output has none."""
    entries = {}
    for path in sorted(Path(results).glob("*.json")):
        try:
            data = json.loads(path.read_text())
        except (OSError, ValueError):
            continue
        for entry in data.get("benchmarks", []):
            # The name carries the benchmark's settings after a slash: "RunnerAgainstBareSpawn/real_time".
            if entry.get("run_type", "iteration") == "iteration":
                entries.setdefault((path.stem, entry["name"].split("/")[0]), entry)
    return entries


def number(value):
    return f"{value:.3g}" if abs(value) < 100 else f"{value:.0f}"


def row(entries, program, name, field, target, unit, measure, details):
    """The table's cells for one figure, and whether it meets its target."""
    entry = entries.get((program, name))
    if entry is None or entry.get("error_occurred"):
        why = entry.get("error_message", "failed") if entry else "not measured"
        return [measure, "—", f"≤ {number(target)} {unit}", "MISS", f"{program}: {why}"], False
    value = entry.get(field)
    if field == "real_time" and value is not None:
        value *= TO_MS[entry.get("time_unit", "ns")]
    if value is None:
        return [measure, "—", f"≤ {number(target)} {unit}", "MISS", f"{program}: no {field}"], False
    figures = ", ".join(f"{d} {number(entry[d])}" for d in details if d in entry)
    figures = f"{program} {name}" + (f": {figures}" if figures else "")
    ok = value <= target
    return [measure, f"{number(value)} {unit}", f"≤ {number(target)} {unit}", "PASS" if ok else "MISS",
            figures], ok


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    entries = load(sys.argv[1])
    header = ["Measure", "Value", "Target", "Result", "Figures"]
    lines = []
    passed = True
    for measure in ROWS:
        cells, ok = row(entries, *measure)
        lines.append(cells)
        passed = passed and ok
    widths = [max(len(c[i]) for c in [header] + lines) for i in range(len(header))]

    def render(cells):
        return "| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |"

    table = [render(header), "|" + "|".join("-" * (w + 2) for w in widths) + "|"]
    table += [render(c) for c in lines]
    text = "\n".join(table) + "\n"
    print(text, end="")
    if len(sys.argv) == 3:
        Path(sys.argv[2]).write_text(text)
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())

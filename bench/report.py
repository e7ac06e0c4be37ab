#!/usr/bin/env python3
"""Turns the benchmark's JSON output into the lines bench/run.sh prints.

stdout: one line per state and snapshot size, the settings load, the DLL size;
with a folder of callgrind dumps (bench/pass_count.cpp), the instructions per
pass of the pass and its floor at 1024 objects and their ratio.
stderr: spread of the repetitions and the cost per object.

  report.py BENCH.json DLL [CALLGRIND_DIR]
"""
import glob
import json
import os
import sys

STATES = ["idle", "blade", "explosive", "shots", "all"]
SIZES = [0, 64, 256, 1024]
UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def instruction_counts(folder):
    """{"pass/idle/1024": instructions, ...} and the passes per count, from the dumps."""
    counts, passes = {}, None
    for path in glob.glob(os.path.join(folder, "callgrind.out.*")):
        name = total = None
        with open(path) as f:
            for line in f:
                trigger = "desc: Trigger: Client Request: "
                if line.startswith(trigger):
                    name = line[len(trigger):].strip()
                elif line.startswith("summary: "):
                    total = int(line.split()[1])
        if name and total is not None:
            counts[name] = total
    stdout = os.path.join(folder, "stdout.txt")
    if os.path.exists(stdout):
        for line in open(stdout):
            if line.startswith("passes per count: "):
                passes = int(line.split(": ")[1])
    return counts, passes


def print_instructions(folder):
    counts, passes = instruction_counts(folder)
    if not passes:
        raise SystemExit(f"no instruction counts in {folder}")
    for state in STATES:
        name = f"{state}/1024"
        if f"pass/{name}" not in counts or f"floor/{name}" not in counts:
            raise SystemExit(f"no instruction count for {name}")
        p, fl = counts[f"pass/{name}"] / passes, counts[f"floor/{name}"] / passes
        print(f"instructions {state} 1024: pass {p:.0f}, floor {fl:.0f} per pass, ratio {p / fl:.3f}")


def main(json_path, dll_path, callgrind_dir=None):
    with open(json_path) as f:
        runs = json.load(f)["benchmarks"]

    medians, spread, failed = {}, {}, []
    for run in runs:
        name = run.get("run_name", run["name"])
        if run.get("error_occurred"):
            failed.append(f"{name}: {run.get('error_message', 'error')}")
            continue
        aggregate = run.get("aggregate_name")
        ns = run["cpu_time"] * UNIT_NS[run.get("time_unit", "ns")]
        if aggregate == "median":
            medians[name] = dict(run, ns=ns)
        elif aggregate is None and run.get("run_type") == "iteration":
            # A single repetition reports no aggregates: its one run stands for the median.
            medians.setdefault(name, dict(run, ns=ns))
        elif aggregate == "cv":
            spread[name] = run["cpu_time"]  # coefficient of variation, as a fraction
    for f in failed:
        print(f"FAILED {f}", file=sys.stderr)

    def get(name):
        if name not in medians:
            raise SystemExit(f"no result for {name}")
        return medians[name]

    for state in STATES:
        for n in SIZES:
            p, fl = get(f"pass/{state}/{n}"), get(f"floor/{state}/{n}")
            print(f"pass {state} {n}: {p['ns']:.1f} ns, floor {fl['ns']:.1f} ns, "
                  f"ratio {p['ns'] / fl['ns']:.2f}, natives {int(p['natives'])}, "
                  f"allocations {p['allocations']:g}")

    shipped, large = get("settings/shipped"), get("settings/1MiB")
    # Start-up only, once per start of the script: nothing of it runs per pass.
    shipped_us, large_ms = shipped["ns"] / 1e3, large["ns"] / 1e6
    print(f"settings load: {shipped_us:.1f} us (shipped; budget 1000 us, "
          f"{'met' if shipped_us < 1000 else 'MISSED'}), {large_ms:.2f} ms (1 MiB; budget 50 ms, "
          f"{'met' if large_ms < 50 else 'MISSED'})")
    print(f"dll size: {os.path.getsize(dll_path)} bytes")
    if callgrind_dir:
        print_instructions(callgrind_dir)

    if spread:
        print_spread(spread)
    print_per_object(get)
    return 1 if failed else 0


def print_spread(spread):
    print("-- spread of the repetitions (coefficient of variation, pass / floor):", file=sys.stderr)
    for state in STATES:
        cells = []
        for n in SIZES:
            cv_p = spread.get(f"pass/{state}/{n}", float("nan"))
            cv_f = spread.get(f"floor/{state}/{n}", float("nan"))
            cells.append(f"{n}: {cv_p * 100:.1f}% / {cv_f * 100:.1f}%")
        print(f"   {state}: " + ", ".join(cells), file=sys.stderr)


def print_per_object(get):
    print("-- cost per snapshot object, (pass(N) - pass(0)) / N, pass and floor:", file=sys.stderr)
    for state in STATES:
        p0, f0 = get(f"pass/{state}/0")["ns"], get(f"floor/{state}/0")["ns"]
        cells = []
        for n in SIZES[1:]:
            per_p = (get(f"pass/{state}/{n}")["ns"] - p0) / n
            per_f = (get(f"floor/{state}/{n}")["ns"] - f0) / n
            cells.append(f"{n}: {per_p:.2f} / {per_f:.2f} ns")
        print(f"   {state}: " + ", ".join(cells), file=sys.stderr)


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))

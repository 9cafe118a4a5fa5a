#!/usr/bin/python3
"""morvane.patterns against IsoSpecPy in a Python loop: tryptic peptides per second.

    PYTHONPATH=build/python /usr/bin/python3 python/bench/bench_patterns.py [--count N] [--threshold T]
        [--formulas FILE] [--only CALL]

The peptides are those of tools/make_batch_formulas.py (fixed seed), 100,000
by default, or the formulas of FILE (that tool's output: the last word of
each line), at the threshold 1e-3 by default. morvane gives each pattern
sorted by mass and merged at 0.1 u, as numpy arrays; IsoSpecPy (Debian
python3-isospec) gives each formula's configurations above the same
fraction of the most probable one, unsorted and unmerged, read out as numpy
arrays. Each figure is the median of three runs; the CPU time counts every
thread. --only runs one call once
(morvane1, morvane2, loop, isospec; setup runs none), for timing whole
processes from outside.
"""

import argparse
import pathlib
import random
import re
import statistics
import sys
import time

import morvane

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE_DIR / "tools"))
import make_batch_formulas  # noqa: E402

RUNS = 3


def median_rate(count, calculate):
    """Formulas per wall-clock second, and CPU microseconds per formula (all threads)."""
    walls, cpus = [], []
    for _ in range(RUNS):
        wall, cpu = time.perf_counter(), time.process_time()
        calculate()
        walls.append(time.perf_counter() - wall)
        cpus.append(time.process_time() - cpu)
    return count / statistics.median(walls), statistics.median(cpus) / count * 1e6


def isospec_loop(formulas, threshold):
    import IsoSpecPy

    for formula in formulas:
        result = IsoSpecPy.IsoThreshold(threshold, formula=formula, absolute=False)
        result.np_masses(), result.np_probs()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=100_000)
    parser.add_argument("--threshold", type=float, default=1e-3)
    parser.add_argument("--formulas", type=pathlib.Path)
    parser.add_argument("--only", choices=["morvane1", "morvane2", "loop", "isospec", "setup"])
    args = parser.parse_args()
    if args.formulas:
        formulas = [line.split()[-1] for line in args.formulas.read_text().splitlines()]
    else:
        rng = random.Random(make_batch_formulas.SEED)
        formulas = [formula for _, formula in make_batch_formulas.peptides(rng, args.count)]
    # IsoSpecPy wants every count written out: S becomes S1.
    explicit = [re.sub(r"([A-Z][a-z]?)(?![a-z0-9])", r"\g<1>1", f) for f in formulas]
    table = morvane.IsotopeTable(SOURCE_DIR / "morvanetable.txt")
    t = args.threshold

    calls = {
        "morvane1": ("morvane.patterns, 1 thread", lambda: morvane.patterns(formulas, table, threshold=t, threads=1)),
        "morvane2": ("morvane.patterns, 2 threads", lambda: morvane.patterns(formulas, table, threshold=t, threads=2)),
        "loop": ("morvane.pattern in a Python loop", lambda: [morvane.pattern(f, table, threshold=t) for f in formulas]),
        "isospec": ("IsoSpecPy.IsoThreshold in a Python loop", lambda: isospec_loop(explicit, t)),
    }
    if args.only:
        if args.only != "setup":
            calls[args.only][1]()
        return
    rates = {name: median_rate(len(formulas), run) for name, run in calls.values()}
    peer = rates[calls["isospec"][0]][0]
    print(f"{len(formulas)} tryptic peptides, threshold {t:g}")
    print("| call | formulas per second | times IsoSpecPy's rate | CPU us per formula |")
    print("|---|---|---|---|")
    for name, (rate, cpu) in rates.items():
        print(f"| {name} | {rate:,.0f} | {rate / peer:.1f} | {cpu:.1f} |")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""morvane.patterns against IsoSpecPy in a Python loop: tryptic peptides per second.

    PYTHONPATH=build/python /usr/bin/python3 python/bench/bench_patterns.py [count] [threshold]

The peptides are those of tools/make_batch_formulas.py (fixed seed), 100,000
by default, at the threshold 1e-3 by default. morvane gives each pattern
sorted by mass and merged at 0.1 u, as numpy arrays; IsoSpecPy (Debian
python3-isospec) gives each formula's configurations above the same
fraction of the most probable one, unsorted and unmerged, read out as numpy
arrays. Each figure is the median of three runs.
"""

import pathlib
import random
import re
import statistics
import sys
import time

import IsoSpecPy

import morvane

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE_DIR / "tools"))
import make_batch_formulas  # noqa: E402

RUNS = 3


def median_rate(count, calculate):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        calculate()
        times.append(time.perf_counter() - start)
    return count / statistics.median(times)


def isospec_loop(formulas, threshold):
    for formula in formulas:
        result = IsoSpecPy.IsoThreshold(threshold, formula=formula, absolute=False)
        result.np_masses(), result.np_probs()


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    threshold = float(sys.argv[2]) if len(sys.argv) > 2 else 1e-3
    rng = random.Random(make_batch_formulas.SEED)
    formulas = [formula for _, formula in make_batch_formulas.peptides(rng, count)]
    # IsoSpecPy wants every count written out: S becomes S1.
    explicit = [re.sub(r"([A-Z][a-z]?)(?![a-z0-9])", r"\g<1>1", f) for f in formulas]
    table = morvane.IsotopeTable(SOURCE_DIR / "morvanetable.txt")

    rows = [
        ("morvane.patterns, 1 thread", lambda: morvane.patterns(formulas, table, threshold=threshold, threads=1)),
        ("morvane.patterns, 2 threads", lambda: morvane.patterns(formulas, table, threshold=threshold, threads=2)),
        ("morvane.pattern in a Python loop", lambda: [morvane.pattern(f, table, threshold=threshold) for f in formulas]),
        ("IsoSpecPy.IsoThreshold in a Python loop", lambda: isospec_loop(explicit, threshold)),
    ]
    rates = {name: median_rate(count, run) for name, run in rows}
    peer = rates[rows[-1][0]]
    print(f"{count} tryptic peptides, threshold {threshold:g}")
    print("| call | formulas per second | times IsoSpecPy's rate |")
    print("|---|---|---|")
    for name, rate in rates.items():
        print(f"| {name} | {rate:,.0f} | {rate / peer:.1f} |")


if __name__ == "__main__":
    main()

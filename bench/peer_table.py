#!/usr/bin/python3
"""morvane against the peer IsoSpec on every workload of the speed goals, in one command.

    bench/peer_table.py [--build build] [--runs 5] [--only ROW ...]

Each row runs our command and the peer's in turn (ours, peer, ours, peer...,
after one warm-up run of each), takes every figure from the operating
system's accounting of the finished process (wait4: user and system CPU
seconds, peak resident memory) and the wall clock around it, and prints the
medians and the median of the pairwise ratios ours / peer, so that a
machine whose speed drifts during the run still gives a fair ratio. On a
shared machine the CPU ratio is the one to trust; the load average is
printed before and after.

Rows (the formulas from tools/make_batch_formulas.py, fixed seed):
  peptides    morvane-batch -j 1 -t 0.001 on 100,000 tryptic peptides, whole
              process, against build/bench/isospec_batch (IsoSpec's C++ API
              in one process, no table written); the ratio to the peer's
              compute loop alone (its own clock) is given too
  peptidesdefault
              the same at the front-ends' default, coverage 0.999999,
              against the peer's total-probability mode at that coverage
  molecules   the same as peptides on 10,000 small molecules
  python1     morvane.patterns(threshold=1e-3, threads=1) on 10,000 peptides
              against a loop of IsoSpecPy's IsoThreshold, in one Python
              process (needs python3-isospec with python3-cffi, and the
              module in build/python, configured with -DMORVANE_PYTHON=ON);
              the figure is how many times faster ours is
  python2     the same with two threads
  pythondefault
              morvane.patterns(threads=1) at its default, coverage 0.999999,
              against a loop of IsoSpecPy's IsoTotalProb at that coverage
  large1      morvane C12000H19000N3300O3600S80 at 1e-3 on one processor
              (taskset -c 0) against build/bench/isospec_peer
  large2      the same on two processors
  large1sys   the same as large1, its system time: the medians ours / peer,
              our least and greatest, and the median of the pairwise ratios
              in the CPU ratio column (the page faults of the variants'
              memory, which the load does not inflate as it does user time)
  protein1    morvane C2934H4615N781O897S39 -t 1e-6 on one processor
  protein2    the same on two processors
  largecoverage
              morvane-batch --coverage 0.9999 on C12000H19000N3300O3600S80,
              one processor, against isospec_peer's total-probability mode
The last column of the molecule rows is the ratio of peak memories.
"""

import argparse
import os
import pathlib
import statistics
import subprocess
import sys
import time

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[1]
TABLE = SOURCE_DIR / "morvanetable.txt"
LARGE = "C12000H19000N3300O3600S80"
PROTEIN = "C2934H4615N781O897S39"
FRONT_END_COVERAGE = 0.999999


class Run:
    """One finished process: wall, CPU and system seconds, peak MiB and its standard output."""

    def __init__(self, argv):
        start = time.perf_counter()
        child = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=SOURCE_DIR)
        out = child.stdout.read()
        _, status, usage = os.wait4(child.pid, 0)
        self.wall = time.perf_counter() - start
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"failed: {' '.join(map(str, argv))}")
        self.cpu = usage.ru_utime + usage.ru_stime
        self.sys = usage.ru_stime
        self.peak = usage.ru_maxrss / 1024
        self.out = out.decode()


def alternate(ours, peer, runs):
    """Runs ours and the peer in turn after a warm-up of each; pairs of Run."""
    Run(ours), Run(peer)
    return [(Run(ours), Run(peer)) for _ in range(runs)]


def median_ratio(pairs, figure):
    return statistics.median(figure(a) / figure(b) for a, b in pairs)


def process_row(name, ours, peer, runs, loop_seconds=None):
    pairs = alternate(ours, peer, runs)
    med = lambda side, f: statistics.median(f(p[side]) for p in pairs)  # noqa: E731
    cells = [
        name,
        f"{med(0, lambda r: r.wall):.3f} / {med(1, lambda r: r.wall):.3f}",
        f"{med(0, lambda r: r.cpu):.3f} / {med(1, lambda r: r.cpu):.3f}",
        f"{median_ratio(pairs, lambda r: r.wall):.2f}",
        f"{median_ratio(pairs, lambda r: r.cpu):.2f}",
    ]
    if loop_seconds:
        loops = [loop_seconds(p[1].out) for p in pairs]
        cells.append(f"{statistics.median(a.wall / loop for (a, _), loop in zip(pairs, loops)):.2f}")
    else:
        cells.append("")
    cells.append(f"{med(0, lambda r: r.peak):.1f} / {med(1, lambda r: r.peak):.1f} "
                 f"({median_ratio(pairs, lambda r: r.peak):.2f})")
    print("| " + " | ".join(cells) + " |", flush=True)


def system_row(name, ours, peer, runs):
    """The system time of alternated runs, in the CPU columns, and the peak memory."""
    pairs = alternate(ours, peer, runs)
    sys_ours = [a.sys for a, _ in pairs]
    sys_peer = [b.sys for _, b in pairs]
    med = lambda side, f: statistics.median(f(p[side]) for p in pairs)  # noqa: E731
    cells = [
        name,
        "",
        f"sys {statistics.median(sys_ours):.3f} / {statistics.median(sys_peer):.3f} "
        f"(ours {min(sys_ours):.3f} to {max(sys_ours):.3f})",
        "",
        f"{median_ratio(pairs, lambda r: max(r.sys, 0.001)):.2f}",
        "",
        f"{med(0, lambda r: r.peak):.1f} / {med(1, lambda r: r.peak):.1f} "
        f"({median_ratio(pairs, lambda r: r.peak):.2f})",
    ]
    print("| " + " | ".join(cells) + " |", flush=True)


def isospec_loop_seconds(out):
    """The peer's own clock of its compute loop: 'N formulas, P peaks, S s, R formulas/s'."""
    return float(out.split(",")[2].split()[0])


PYTHON_ROUND = """
import statistics, sys, time
sys.path.insert(0, {tools!r})
import make_batch_formulas, random, re, IsoSpecPy, morvane
rng = random.Random(make_batch_formulas.SEED)
formulas = [f for _, f in make_batch_formulas.peptides(rng, 10000)]
explicit = [re.sub(r"([A-Z][a-z]?)(?![a-z0-9])", r"\\g<1>1", f) for f in formulas]
table = morvane.IsotopeTable({table!r})
def ours():
    morvane.patterns(formulas, table, {cut}threads={threads})
def peer():
    for f in explicit:
        r = IsoSpecPy.{peer}
        r.np_masses(), r.np_probs()
def timed(call):
    start = time.perf_counter()
    call()
    return time.perf_counter() - start
ours(), peer()
pairs = [(timed(ours), timed(peer)) for _ in range({runs})]
print(statistics.median(b / a for a, b in pairs), statistics.median(a for a, _ in pairs),
      statistics.median(b for _, b in pairs))
"""


def python_row(name, threads, runs, build, default=False):
    """Threshold 1e-3 against IsoThreshold, or our default against IsoTotalProb at its coverage."""
    cut, peer = ("", "IsoTotalProb(COVERAGE, formula=f)") if default else \
        ("threshold=1e-3, ", "IsoThreshold(1e-3, formula=f, absolute=False)")
    code = PYTHON_ROUND.format(tools=str(SOURCE_DIR / "tools"), table=str(TABLE), threads=threads, runs=runs,
                               cut=cut, peer=peer.replace("COVERAGE", str(FRONT_END_COVERAGE)))
    env = dict(os.environ, PYTHONPATH=str(build / "python"))
    out = subprocess.run(["/usr/bin/python3", "-c", code], env=env, check=True, capture_output=True, text=True)
    faster, ours, peer = map(float, out.stdout.split())
    print(f"| {name} | {ours:.3f} / {peer:.3f} | | {1 / faster:.2f} | | {faster:.1f} times faster | |", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=pathlib.Path, default=SOURCE_DIR / "build")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", nargs="*")
    args = parser.parse_args()
    build = args.build.resolve()
    work = build / "peer_table"
    work.mkdir(exist_ok=True)
    sets = {}
    for name in ("peptides", "molecules"):
        sets[name] = work / f"{name}.txt"
        with open(sets[name], "w") as out:
            subprocess.run([str(SOURCE_DIR / "tools" / "make_batch_formulas.py"), name], stdout=out, check=True)

    one = ["taskset", "-c", "0"]
    batch = lambda s, *o: [str(build / "morvane-batch"), str(TABLE), "-i", str(sets[s]), "-j", "1", "-o", "/dev/null", *o]  # noqa: E731
    peer_batch = lambda s, cut="0.001": [str(build / "bench" / "isospec_batch"), str(sets[s]), cut]  # noqa: E731
    sets["large"] = work / "large.txt"
    sets["large"].write_text(LARGE + "\n")
    ours = lambda f, *o: [str(build / "morvane"), f, str(TABLE), *o]  # noqa: E731
    peer = lambda f, t: [str(build / "bench" / "isospec_peer"), f, t, str(TABLE)]  # noqa: E731
    rows = {
        "peptides": lambda: process_row("100,000 peptides, -j 1", one + batch("peptides", "-t", "0.001"),
                                        one + peer_batch("peptides"), args.runs, isospec_loop_seconds),
        "peptidesdefault": lambda: process_row(f"100,000 peptides, -j 1, default (coverage {FRONT_END_COVERAGE})",
                                               one + batch("peptides"),
                                               one + peer_batch("peptides", f"coverage={FRONT_END_COVERAGE}"),
                                               args.runs, isospec_loop_seconds),
        "molecules": lambda: process_row("10,000 small molecules, -j 1", one + batch("molecules", "-t", "0.001"),
                                         one + peer_batch("molecules"), args.runs, isospec_loop_seconds),
        "python1": lambda: python_row("Python patterns(), 10,000 peptides, 1 thread", 1, args.runs, build),
        "python2": lambda: python_row("Python patterns(), 10,000 peptides, 2 threads", 2, args.runs, build),
        "pythondefault": lambda: python_row("Python patterns(), 10,000 peptides, 1 thread, default", 1, args.runs,
                                            build, default=True),
        "large1": lambda: process_row(f"{LARGE} 1e-3, 1 thread", one + ours(LARGE), one + peer(LARGE, "0.001"),
                                      args.runs),
        "large2": lambda: process_row(f"{LARGE} 1e-3, 2 threads", ours(LARGE), peer(LARGE, "0.001"), args.runs),
        "large1sys": lambda: system_row(f"{LARGE} 1e-3, 1 thread, system time", one + ours(LARGE),
                                        one + peer(LARGE, "0.001"), args.runs),
        "protein1": lambda: process_row(f"{PROTEIN} 1e-6, 1 thread", one + ours(PROTEIN, "-t", "1e-6"),
                                        one + peer(PROTEIN, "1e-6"), args.runs),
        "protein2": lambda: process_row(f"{PROTEIN} 1e-6, 2 threads", ours(PROTEIN, "-t", "1e-6"),
                                        peer(PROTEIN, "1e-6"), args.runs),
        "largecoverage": lambda: process_row(f"{LARGE} coverage 0.9999, 1 thread",
                                             one + batch("large", "--coverage", "0.9999"),
                                             one + peer(LARGE, "coverage=0.9999"), args.runs),
    }
    print(f"load average {' '.join(f'{x:.2f}' for x in os.getloadavg())}; {args.runs} alternated runs each")
    print("| workload | wall s, ours / peer | cpu s, ours / peer | wall ratio | cpu ratio "
          "| wall ratio to the peer's loop alone | peak MiB, ours / peer (ratio) |")
    print("|---|---|---|---|---|---|---|")
    for name in args.only or rows:
        rows[name]()
    print(f"load average {' '.join(f'{x:.2f}' for x in os.getloadavg())}")


if __name__ == "__main__":
    main()

"""Many patterns at once: threads, order, failures."""

import os
import pathlib
import subprocess
import sys
import threading

import pytest

import morvane
from conftest import peptide_formulas


def same(a, b):
    return (
        a.formula == b.formula
        and a.mass.tobytes() == b.mass.tobytes()
        and a.abundance.tobytes() == b.abundance.tobytes()
    )


@pytest.fixture(scope="module")
def formulas():
    return peptide_formulas(400, 7) + ["C6H12O6", "C254H377N65O75S6", "Br2", "C2934H4615N781O897S39"]


@pytest.mark.parametrize("threads", [0, 1, 2, 3, 16])
def test_threads_give_the_results_of_one_pattern_each_in_input_order(table, formulas, threads):
    settings = {"charge": 2, "mz": True, "threshold": 1e-4, "merge": 0.05}
    expected = [morvane.pattern(f, table, **settings) for f in formulas]
    got = morvane.patterns(formulas, table, threads=threads, **settings)
    assert len(got) == len(expected)
    assert all(same(g, e) for g, e in zip(got, expected))


def test_any_iterable_of_formulas(table):
    got = morvane.patterns((f for f in ["H2O", "C6H12O6"]), table)
    assert [p.formula for p in got] == ["H2O", "C6H12O6"]
    assert morvane.patterns([], table) == []


def test_first_failure_in_input_order_is_raised(table):
    with pytest.raises(morvane.FormulaError, match="Xx"):
        morvane.patterns(["H2O", "Xx", "C169719H270464N45688O52237S911", "Yy"], table)
    with pytest.raises(morvane.CalculationError):
        morvane.patterns(["H2O", "C169719H270464N45688O52237S911", "Xx"], table)


def test_failures_returned_in_place(table):
    got = morvane.patterns(["H2O", "Xx", "C169719H270464N45688O52237S911", "C6H12O6", "Ca(OH"], table, errors="return")
    assert [type(r) for r in got] == [
        morvane.Pattern,
        morvane.FormulaError,
        morvane.CalculationError,
        morvane.Pattern,
        morvane.FormulaError,
    ]
    assert "Xx" in str(got[1]) and "(" in str(got[4])


def test_bad_arguments(table):
    with pytest.raises(ValueError, match="threshold must be between 0 and 1"):
        morvane.patterns(["H2O"], table, threshold=2)
    with pytest.raises(ValueError, match="errors must be"):
        morvane.patterns(["H2O"], table, errors="ignore")
    with pytest.raises(ValueError, match="threads must be an integer >= 0"):
        morvane.patterns(["H2O"], table, threads=-1)
    with pytest.raises(TypeError):
        morvane.patterns([5], table)


def test_calculation_releases_the_gil(table, formulas):
    # A Python thread keeps counting while the library calculates: with the
    # GIL held it could not run until the call returned.
    ticks = []
    done = threading.Event()

    def count():
        while not done.is_set():
            ticks.append(None)

    # A fine threshold: long enough a call for the counter to be seen running.
    settings = morvane._pattern._settings(0, False, 1e-8, 0.1, False, 0.0)
    counter = threading.Thread(target=count)
    counter.start()
    try:
        before = len(ticks)
        morvane._core.calculate_many(table._table, formulas[:400] * 3, settings, 1, morvane.Pattern)
        during = len(ticks) - before
    finally:
        done.set()
        counter.join()
    assert during > 1000


def test_more_threads_than_can_be_started(tmp_path):
    # With its address space capped, the process cannot start a thousand
    # threads (each wants its stack); the call goes on with those it has.
    code = """
import resource, morvane
from conftest import TABLE_PATH
table = morvane.IsotopeTable(TABLE_PATH)
size = next(int(l.split()[1]) for l in open('/proc/self/status') if l.startswith('VmSize')) * 1024
resource.setrlimit(resource.RLIMIT_AS, (size + 200 * 2**20, resource.RLIM_INFINITY))
got = morvane.patterns(['H2O', 'C6H12O6'] * 1000, table, threads=1000)
print(len(got), got[1].mass[0] == morvane.pattern('C6H12O6', table).mass[0])
"""
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([str(pathlib.Path(__file__).parent), os.environ.get("PYTHONPATH", "")]))
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=env)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == ["2000", "True"]

"""Tables, patterns and errors pickle, so they pass between processes."""

import pickle
import subprocess
import sys

import numpy as np
import pytest

import morvane
from conftest import TABLE_PATH


def test_pattern_round_trip(table):
    p = morvane.pattern("C254H377N65O75S6", table, charge=3, mz=True, threshold=1e-5)
    q = pickle.loads(pickle.dumps(p))
    assert type(q) is morvane.Pattern
    assert (q.formula, q.charge, q.mz) == ("C254H377N65O75S6", 3, True)
    assert q.mass.tobytes() == p.mass.tobytes() and q.abundance.tobytes() == p.abundance.tobytes()


def test_table_round_trip_keeps_every_double(table):
    copy = pickle.loads(pickle.dumps(table))
    assert copy.symbols == table.symbols and copy.path == table.path
    for symbol in table:
        assert copy[symbol].number == table[symbol].number
        assert copy[symbol].masses.tobytes() == table[symbol].masses.tobytes()
        assert copy[symbol].abundances.tobytes() == table[symbol].abundances.tobytes()
    p, q = morvane.pattern("C63H98N18O13S", table), morvane.pattern("C63H98N18O13S", copy)
    assert p.mass.tobytes() == q.mass.tobytes() and p.abundance.tobytes() == q.abundance.tobytes()


def test_pickled_table_needs_no_file(tmp_path):
    # The table travels with its contents: another process reads it after
    # the file is gone.
    path = tmp_path / "table.txt"
    path.write_text(TABLE_PATH.read_text() + "C* 6\n13.0033548378 0.99\n12.0 0.01\n")
    data = pickle.dumps(morvane.IsotopeTable(path))
    path.unlink()
    code = "import pickle, sys, morvane; t = pickle.load(sys.stdin.buffer); print(repr(morvane.pattern('C*6', t).mass[0]))"
    done = subprocess.run([sys.executable, "-c", code], input=data, capture_output=True, check=True)
    assert float(done.stdout) == morvane.pattern("C*6", pickle.loads(data)).mass[0]


def test_errors_round_trip(table):
    for formula, kind in [("Xx", morvane.FormulaError), ("C169719H270464N45688O52237S911", morvane.CalculationError)]:
        with pytest.raises(kind) as caught:
            morvane.pattern(formula, table)
        again = pickle.loads(pickle.dumps(caught.value))
        assert type(again) is kind and str(again) == str(caught.value)


def test_malformed_table_state_is_refused():
    with pytest.raises(ValueError):
        morvane._core.Table.__new__(morvane._core.Table).__setstate__([("Abcd", 1, np.zeros(1), np.zeros(1))])

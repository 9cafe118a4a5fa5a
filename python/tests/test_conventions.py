"""The module as a Python user expects it: its own errors for wrong types,
failures that say which formula, several adducts, Ctrl-C that stops a long
run, tables from pickles and dicts checked as files are, and patterns that
compare, index and convert like the containers they resemble."""

import io
import os
import pathlib
import pickle
import signal
import threading
import time

import numpy as np
import pytest

import morvane
from morvane import _core
from conftest import TABLE_PATH, peptide_formulas


def test_a_single_str_is_not_a_sequence_of_formulas(table):
    with pytest.raises(TypeError, match="^patterns takes a sequence of formulas, not a single str"):
        morvane.patterns("C6H12O6", table)
    with pytest.raises(TypeError, match="^patterns takes a sequence of formulas, not int$"):
        morvane.patterns(5, table)
    with pytest.raises(TypeError, match="^formula 1 must be a str, not bytes$"):
        morvane.patterns(["H2O", b"C6H6"], table)
    with pytest.raises(TypeError, match="^formula must be a str, not int$"):
        morvane.pattern(5, table)
    with pytest.raises(TypeError, match="^table must be an IsotopeTable or a path, not int$"):
        morvane.pattern("H2O", 5)


def test_more_threads_than_formulas_is_no_error(table):
    # 2**32 threads for two formulas: two are enough.
    found = morvane.patterns(["H2O", "C6H6"], table, threads=2**32)
    assert found == [morvane.pattern("H2O", table), morvane.pattern("C6H6", table)]
    with pytest.raises(ValueError, match="^threads must be an integer >= 0$"):
        morvane.patterns(["H2O"], table, threads=1.5)


def test_a_raised_failure_names_the_formula_and_its_index(table):
    with pytest.raises(morvane.FormulaError) as raised:
        morvane.patterns(["H2O", "C6H6", "C6Xx"], table)
    assert str(raised.value) == "formula 2 ('C6Xx'): unknown element symbol 'Xx' at position 3"
    with pytest.raises(morvane.FormulaError) as raised:
        morvane.patterns(["H2O", "CH4"], table, adduct=["[M+H]+", "[M-H2O+H]+"])
    assert str(raised.value) == (
        "formula 1 ('CH4' as [M-H2O+H]+): [M-H2O+H]+ of CH4: removes O, which CH4 lacks"
    )


def test_several_adducts_per_formula_in_the_order_given(table):
    adducts = ["[M+H]+", "[M+Na]+", "[M-H]-"]
    found = morvane.patterns(["C6H12O6", "C50H71N13O12"], table, adduct=adducts)
    expected = [morvane.pattern(f, table, adduct=a) for f in ("C6H12O6", "C50H71N13O12") for a in adducts]
    assert found == expected
    assert [p.adduct for p in found] == adducts * 2
    assert [p.charge for p in found] == [1, 1, -1] * 2
    assert morvane.pattern("C6H12O6", table, adduct=adducts) == expected[:3]
    # Deprotonated glucose at positive m/z, ascending.
    assert found[2].mass[0] == pytest.approx(179.0561117, abs=5e-8)
    assert list(found[2].mass) == sorted(found[2].mass)


@pytest.mark.parametrize("threads", [1, 2])
def test_ctrl_c_stops_a_long_run_between_formulas(table, threads):
    # 200,000 peptides take tens of seconds on this machine; the interrupt,
    # 0.3 s in, must end the call long before, also when the calling thread
    # is the one that calculates.
    formulas = peptide_formulas(2000, 5) * 100
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        morvane.patterns(formulas, table, threshold=1e-6, threads=threads)
    elapsed = time.monotonic() - start
    timer.join()
    assert elapsed < 3, elapsed


def crafted_pickle(state):
    """A pickle of a table whose element states are `state`, as someone
    might craft one."""

    class Crafting(pickle.Pickler):
        def reducer_override(self, obj):
            if isinstance(obj, _core.Table):
                made = obj.__reduce_ex__(2)
                return made[0], made[1], state
            return NotImplemented

    out = io.BytesIO()
    Crafting(out).dump(morvane.IsotopeTable(TABLE_PATH))
    return out.getvalue()


H = (1.0078250321, 0.999885)
D = (2.014101778, 0.000115)


@pytest.mark.parametrize(
    "state, message",
    [
        ([("H", 1, [H[0], D[0]], [H[1], D[1]]), ("H", 1, [1.0], [1.0])], "line 2, word 'H': element symbol given twice"),
        ([("H", 1, [1.0, 2.0], [0.9, 0.9])], "line 1, word 'H': abundances of H sum to 1.8, more than 1 + 0.001"),
        ([("H", 1, [1.0, 2.0], [1.1, -0.1])], "line 1, word '1.1': abundance outside 0 to 1"),
        ([("H", 1, [1.0, 2.0], [0.5, -0.1])], "line 1, word '-0.1': abundance outside 0 to 1"),
        ([("C 6", 6, [12.0], [1.0])], "element symbol 'C 6' is empty or holds whitespace"),
    ],
)
def test_crafted_pickles_meet_the_file_readers_checks(state, message):
    with pytest.raises(morvane.TableError, match="^" + message.replace("+", r"\+")):
        pickle.loads(crafted_pickle(state))
    as_dict = {}
    for symbol, _, masses, abundances in state:
        if symbol in as_dict:  # a dict cannot hold a symbol twice
            return
        as_dict[symbol] = list(zip(masses, abundances))
    with pytest.raises(morvane.TableError, match="^" + message.replace("+", r"\+")):
        morvane.IsotopeTable(as_dict)


def test_tables_from_data_are_sorted_as_the_reader_sorts(table):
    unsorted = pickle.loads(crafted_pickle([("H", 1, [D[0], H[0]], [D[1], H[1]])]))
    assert unsorted["H"].masses.tolist() == [H[0], D[0]]
    # The shipped table as a dict gives the very same patterns.
    as_dict = {s: (e.number, list(zip(e.masses, e.abundances))) for s, e in table.items()}
    rebuilt = morvane.IsotopeTable(as_dict)
    assert rebuilt.symbols == table.symbols and rebuilt.path is None
    for formula in ("C6H12O6", "C254H377N65O75S6", "Br2Cl3SnFe"):
        assert morvane.pattern(formula, rebuilt) == morvane.pattern(formula, table)
    glucose = morvane.IsotopeTable({"C": [(12.0, 0.9893), (13.0033548378, 0.0107)], "H": [H, D], "O": [(15.9949146221, 1.0)]})
    assert glucose["C"].number == 0 and len(morvane.pattern("C6H12O6", glucose, threshold=1e-3)) == 3


def test_table_as_a_path(table):
    expected = morvane.pattern("C6H12O6", table)
    assert morvane.pattern("C6H12O6", str(TABLE_PATH)) == expected
    assert morvane.pattern("C6H12O6", pathlib.Path(TABLE_PATH)) == expected
    assert morvane.patterns(["C6H12O6"], pathlib.Path(TABLE_PATH), adduct="[M+H]+") == [
        morvane.pattern("C6H12O6", table, adduct="[M+H]+")
    ]
    assert morvane.IsotopeTable(pathlib.Path(TABLE_PATH)).path == str(TABLE_PATH)
    with pytest.raises(morvane.TableError):
        morvane.pattern("H2O", "/nonexistent/table.txt")


def test_patterns_compare_index_and_convert(table):
    glucose = morvane.pattern("C6H12O6", table, threshold=1e-3)
    assert glucose == morvane.pattern("C6H12O6", table, threshold=1e-3)
    assert glucose != morvane.pattern("C6H12O6", table, threshold=1e-6)
    assert glucose != morvane.pattern("C6H12O6", table, charge=1)
    assert glucose != "C6H12O6"
    assert glucose[0] == (glucose.mass[0], glucose.abundance[0]) and glucose[-1] == list(glucose)[-1]
    with pytest.raises(IndexError):
        glucose[len(glucose)]
    first_two = glucose[:2]
    assert isinstance(first_two, morvane.Pattern) and list(first_two) == list(glucose)[:2]
    assert first_two.formula == "C6H12O6"
    array = np.asarray(glucose)
    assert array.shape == (3, 2) and array.dtype == np.float64
    assert array[:, 0].tobytes() == glucose.mass.tobytes()
    assert array[:, 1].tobytes() == glucose.abundance.tobytes()


def test_to_pandas_names_the_positions_and_carries_the_settings(table):
    pytest.importorskip("pandas")
    ion = morvane.pattern("C6H12O6", table, adduct="[M-H]-").to_pandas()
    assert list(ion.columns) == ["mz", "abundance"]
    assert ion.attrs == {"formula": "C6H12O6", "adduct": "[M-H]-", "charge": -1}
    molecule = morvane.pattern("C6H12O6", table).to_pandas()
    assert list(molecule.columns) == ["mass", "abundance"]
    assert molecule.attrs == {"formula": "C6H12O6", "adduct": "", "charge": 0}

"""The isotope table object: reading, inspection, refusals."""

import math
import os
import shutil

import numpy as np
import pytest

import morvane
from conftest import TABLE_PATH


def file_elements(path):
    """The shipped table read word by word, independently of the library:
    {symbol: (number, [(mass, abundance), ...])} in file order."""
    words = path.read_text().split()
    elements, i = {}, 0
    while i < len(words):
        symbol, number, i = words[i], int(words[i + 1]), i + 2
        pairs = []
        while i < len(words) and not words[i][0].isalpha():
            pairs.append((float(words[i]), float(words[i + 1])))
            i += 2
        elements[symbol] = (number, pairs)
    return elements


def test_shipped_table_is_inspected_as_written(table):
    expected = file_elements(TABLE_PATH)
    assert table.symbols == list(expected) == list(table)
    assert len(table) == len(expected) == 84
    for symbol, (number, pairs) in expected.items():
        element = table[symbol]
        assert element.symbol == symbol and element.number == number
        assert element.masses.dtype == np.float64 and element.abundances.dtype == np.float64
        # Entries come in decreasing abundance; the file's order may differ.
        assert sorted(zip(element.masses.tolist(), element.abundances.tolist())) == sorted(pairs)
        assert list(element.abundances) == sorted(element.abundances, reverse=True)


def test_carbon_entries(table):
    carbon = table["C"]
    assert carbon.masses.tolist() == [12.0, 13.0033548378]
    assert carbon.abundances.tolist() == [0.9893, 0.0107]
    assert not carbon.masses.flags.writeable


def test_mapping_behaviour(table):
    assert "Na" in table and "Xx" not in table
    with pytest.raises(KeyError):
        table["Xx"]
    assert dict(table.items())["O"].number == 8
    assert "84 elements" in repr(table)


def test_default_table_is_the_shipped_one(table, monkeypatch, tmp_path):
    monkeypatch.chdir(tmp_path)
    default = morvane.IsotopeTable()
    assert default.symbols == table.symbols
    assert all(np.array_equal(default[s].masses, table[s].masses) for s in table)


@pytest.mark.parametrize(
    "text, words",
    [
        ("H 1\n1.0078 0.99\n2.0141 98.9\n", ["line 3", "98.9", "abundance"]),
        ("H 1 1.0078 0.5\nXabc 2 3.0 1.0\n", ["line 2", "Xabc"]),
        ("H 1 1.0 1.0\nH 1 1.0 1.0\n", ["line 2", "H"]),
        ("H 1\n-1.0 1.0\n", ["line 2", "-1.0"]),
        ("", []),
    ],
)
def test_malformed_table_raises_table_error(tmp_path, text, words):
    path = tmp_path / "bad.txt"
    path.write_text(text)
    with pytest.raises(morvane.TableError) as caught:
        morvane.IsotopeTable(path)
    assert isinstance(caught.value, ValueError)
    for word in words:
        assert word in str(caught.value)


def test_missing_file_raises_table_error(tmp_path):
    with pytest.raises(morvane.TableError, match="cannot open"):
        morvane.IsotopeTable(tmp_path / "missing.txt")


def test_labelled_element_of_a_table_of_ones_own(tmp_path):
    # The 13C-enriched carbon of docs/isotope-tables.md: C*6H12O6 is 99 % 13C6-glucose, so its
    # most abundant peak lies 6 x 1.0033548378 u above unlabelled glucose.
    path = tmp_path / "labelled.txt"
    path.write_text(TABLE_PATH.read_text() + "C* 6\n13.0033548378 0.99\n12.0 0.01\n")
    labelled = morvane.IsotopeTable(path)
    assert labelled["C*"].masses.tolist() == [13.0033548378, 12.0]
    plain = morvane.pattern("C6H12O6", labelled, threshold=1e-3)
    heavy = morvane.pattern("C*6H12O6", labelled, threshold=1e-3)
    top = heavy.mass[np.argmax(heavy.abundance)]
    assert top == pytest.approx(plain.mass[0] + 6 * 1.0033548378, abs=1e-9)


def test_a_path_with_a_nul_character_is_refused(tmp_path):
    with pytest.raises(ValueError, match="the path of an isotope table holds a NUL character"):
        morvane.IsotopeTable(str(TABLE_PATH) + "\0y")


def test_a_file_name_that_is_not_utf8_is_read_and_named(tmp_path):
    # os.fsdecode leaves the byte 0xe9 as the surrogate U+DCE9.
    name = os.fsdecode(os.fsencode(str(tmp_path)) + b"/table\xe9.txt")
    with pytest.raises(morvane.TableError, match=r"cannot open .*table\\xe9\.txt: No such file"):
        morvane.IsotopeTable(name)
    shutil.copy(TABLE_PATH, os.fsencode(name))
    assert len(morvane.IsotopeTable(name)) == len(morvane.IsotopeTable(TABLE_PATH))


@pytest.mark.parametrize(
    "elements, error, message",
    [
        ({"X": (2**40, [(1.0, 1.0)])}, morvane.TableError, "element number 1099511627776 is not a whole number"),
        ({"X": (-1, [(1.0, 1.0)])}, morvane.TableError, "element number -1 is not a whole number"),
        ({"X": (1, [(math.nan, 1.0)])}, morvane.TableError, "element X: mass nan is not a finite number"),
        ({"X": (1, [(1.0, math.inf)])}, morvane.TableError, "element X: abundance inf is not a finite number"),
        ({"\udce9": [(1.0, 1.0)]}, ValueError, "element symbol holds a character that is no Unicode text"),
    ],
)
def test_elements_out_of_range_are_refused_with_the_reason(elements, error, message):
    with pytest.raises(error, match=message):
        morvane.IsotopeTable(elements)

"""Hostile arguments to morvane.pattern(): each is refused with the exception
its documentation names, and what is accepted is the pattern of the molecule
written out."""

import math

import pytest

import morvane


@pytest.mark.parametrize(
    "kwargs, error",
    [
        ({"formula": None}, TypeError),
        ({"formula": 123}, TypeError),
        ({"formula": b"C6H12O6"}, TypeError),
        ({"formula": "C6H12O6", "sequence": "PEPTIDE"}, TypeError),
        ({"formula": "C6H12O6", "table": 42}, TypeError),
        ({"formula": ""}, morvane.FormulaError),
        ({"formula": "Xx"}, morvane.FormulaError),
        ({"formula": "C-1"}, morvane.FormulaError),
        ({"formula": "C2147483648"}, morvane.FormulaError),
        ({"formula": "Fe0.95O"}, morvane.FormulaError),
        ({"formula": "C6H12\x00O6"}, morvane.FormulaError),
        ({"formula": "C\u2086H\u2081\u2082O\u2086"}, morvane.FormulaError),
        ({"formula": "(" * 10000}, morvane.FormulaError),
        ({"formula": "C6H12O6", "threshold": math.nan}, ValueError),
        ({"formula": "C6H12O6", "threshold": math.inf}, ValueError),
        ({"formula": "C6H12O6", "threshold": 1}, ValueError),
        ({"formula": "C6H12O6", "threshold": "abc"}, ValueError),
        ({"formula": "C6H12O6", "coverage": 1}, ValueError),
        ({"formula": "C6H12O6", "coverage": math.nan}, ValueError),
        ({"formula": "C6H12O6", "coverage": 0.9, "threshold": 1e-3}, ValueError),
        ({"formula": "C6H12O6", "charge": 1.5}, ValueError),
        ({"formula": "C6H12O6", "charge": 1001}, ValueError),
        ({"formula": "C6H12O6", "mz": True}, ValueError),
        ({"formula": "C6H12O6", "merge": -1}, ValueError),
        ({"formula": "C6H12O6", "merge": math.nan}, ValueError),
        ({"formula": "C6H12O6", "filter": 100}, ValueError),
        ({"formula": "C6H12O6", "filter": math.nan}, ValueError),
        ({"formula": "C6H12O6", "adduct": "[M+Xx]+"}, morvane.AdductError),
        ({"formula": "C6H12O6", "adduct": []}, ValueError),
        ({"formula": "C6H12O6", "adduct": "[M-C7]+"}, morvane.FormulaError),
        ({"formula": "C6H12O6", "adduct": "[M+H]+", "charge": 1}, ValueError),
        ({"formula": "C6H12O6", "resolution": 0}, ValueError),
        ({"formula": "C6H12O6", "resolution": math.nan}, ValueError),
        ({"formula": "C6H12O6", "resolution": "1000@"}, ValueError),
        ({"formula": "C6H12O6", "binning": "neutrons"}, ValueError),
        ({"formula": "C6H12O6", "intensity": "peak"}, ValueError),
        ({"sequence": "PEM[Nonesuch]K"}, morvane.FormulaError),
        ({"sequence": "PEPTIDE/0"}, morvane.FormulaError),
        ({"sequence": "PEPTIDE", "fixed": ["Carbamidomethyl@X"]}, ValueError),
        ({"formula": "[13C]6H12O6", "enrichment": {"13C": 1.5}}, ValueError),
        ({"formula": "C6H12O6", "enrichment": {"13C": 0.99}}, morvane.FormulaError),
    ],
)
def test_hostile_arguments_are_refused(kwargs, error):
    with pytest.raises(error):
        morvane.pattern(**kwargs)


@pytest.mark.parametrize(
    "written, canonical",
    [
        ("Ca(OH)2", "CaO2H2"),
        ("CuSO4.5H2O", "CuSO9H10"),
        ("(" * 2000 + "H" + ")" * 2000, "H"),
        ("H2O" * 3000, "H6000O3000"),
        (" C6H12O6 ", "C6H12O6"),
    ],
)
def test_hostile_but_valid_formulas_are_the_molecule_written_out(written, canonical):
    a = morvane.pattern(written, threshold=1e-3)
    b = morvane.pattern(canonical, threshold=1e-3)
    assert a.mass.tobytes() == b.mass.tobytes() and a.abundance.tobytes() == b.abundance.tobytes()
    assert 0 < a.abundance.sum() <= 1 + 1e-12

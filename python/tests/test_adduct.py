"""Ions in the adduct notation: the pattern of an ion equals, bit for bit,
what morvane -p 17 prints for the ion's formula written out by hand with
-mtz and the ion's charge."""

import pickle

import pytest

import morvane
from conftest import TABLE_PATH, parse_table, peptide_formulas, run_morvane

# Molecule, adduct, the ion's formula written out, its charge. Glucose,
# angiotensin II (C50H71N13O12) and insulin.
IONS = [
    ("C6H12O6", "[M+H]+", "C6H13O6", 1),
    ("C6H12O6", "[M+Na]+", "C6H12NaO6", 1),
    ("C6H12O6", "[M-H]-", "C6H11O6", -1),
    ("C6H12O6", "[2M+H]+", "C12H25O12", 1),
    ("C6H12O6", "[M-H2O+H]+", "C6H11O5", 1),
    ("C6H12O6", "[M+HCOO]-", "C7H13O8", -1),
    ("C50H71N13O12", "[M+2H]2+", "C50H73N13O12", 2),
    ("C50H71N13O12", "[M+3H]3+", "C50H74N13O12", 3),
    ("C254H377N65O75S6", "[M+5H]5+", "C254H382N65O75S6", 5),
]


def same(a, b):
    return a.mass.tobytes() == b.mass.tobytes() and a.abundance.tobytes() == b.abundance.tobytes()


@pytest.mark.parametrize("molecule, adduct, written, charge", IONS)
def test_ion_equals_morvane_on_the_written_formula(table, molecule, adduct, written, charge):
    p = morvane.pattern(molecule, table, adduct=adduct, threshold=1e-4)
    status, out = run_morvane(written, TABLE_PATH, "-mtz", charge, "-t", "1e-4", "-p", 17)
    assert status == 0
    mass, abundance = parse_table(out)
    assert p.mass.tolist() == [abs(m) for m in mass]  # m/z is mass over |z|
    assert p.abundance.tolist() == abundance
    assert (p.formula, p.adduct, p.charge, p.mz) == (molecule, adduct, charge, True)
    assert same(p, morvane.pattern(written, table, charge=charge, mz=True, threshold=1e-4))


def test_glucose_ions_at_their_monoisotopic_mz(table):
    # An independent calculator on the same isotope masses: 181.0706646, 203.0526092.
    assert morvane.pattern("C6H12O6", table, adduct="[M+H]+").mass[0] == pytest.approx(181.0706646, abs=5e-8)
    assert morvane.pattern("C6H12O6", table, adduct="[M+Na]+").mass[0] == pytest.approx(203.0526092, abs=5e-8)


def test_adduct_shows_its_composition_change_and_charge(table):
    a = morvane.Adduct("[2M+2H-H2O+Na]3+", table)
    assert (a.text, a.multiple, a.charge) == ("[2M+2H-H2O+Na]3+", 2, 3)
    assert a.added == {"H": 2, "Na": 1}
    assert a.removed == {"H": 2, "O": 1}
    assert a.change == {"Na": 1, "O": -1}
    assert repr(a) == "<Adduct [2M+2H-H2O+Na]3+: 2 M, Na+1 O-1, charge +3>"
    assert repr(morvane.Adduct("[M-H]-", table)) == "<Adduct [M-H]-: M, H-1, charge -1>"
    assert repr(morvane.Adduct("[M]+", table)) == "<Adduct [M]+: M, no atoms, charge +1>"


def test_adduct_object_or_text_and_other_tables(table):
    a = morvane.Adduct("[M+NH4]+", table)
    assert same(morvane.pattern("C6H12O6", table, adduct=a), morvane.pattern("C6H12O6", table, adduct="[M+NH4]+"))
    # An adduct of another table is read again against the pattern's table.
    other = morvane.IsotopeTable(TABLE_PATH)
    assert same(morvane.pattern("C6H12O6", other, adduct=a), morvane.pattern("C6H16NO6", table, charge=1, mz=True))


@pytest.mark.parametrize(
    "text, reason",
    [
        ("[M+Xx]+", "unknown element symbol 'Xx' at position 4 in the group +Xx"),
        ("[M+H]0+", "a charge of 0 makes no ion, at position 6"),
        ("M+H]+", "malformed brackets: an adduct begins with [, as in [M+H]+"),
        ("[M+H+", "malformed brackets: no closing ]"),
        ("[M+H]]+", "expected the charge (+, -, 2+, 3-...) at position 6"),
        ("[M+]+", "the group + has no formula, at position 3"),
    ],
)
def test_adduct_text_that_does_not_parse(table, text, reason):
    with pytest.raises(morvane.AdductError) as error:
        morvane.Adduct(text, table)
    assert str(error.value) == f"{text}: {reason}"
    assert isinstance(error.value, ValueError)
    with pytest.raises(morvane.AdductError):
        morvane.pattern("C6H12O6", table, adduct=text)


def test_table_must_be_an_isotope_table():
    with pytest.raises(TypeError, match="table must be an IsotopeTable, not str"):
        morvane.Adduct("[M+H]+", "morvanetable.txt")


def test_ion_the_molecule_cannot_make(table):
    with pytest.raises(morvane.FormulaError, match=r"^\[M-H2O\+H\]\+ of CH4: removes O, which CH4 lacks$"):
        morvane.pattern("CH4", table, adduct="[M-H2O+H]+")


@pytest.mark.parametrize("settings", [{"charge": 1}, {"mz": True}, {"charge": -2, "mz": True}])
def test_adduct_sets_the_charge(table, settings):
    with pytest.raises(ValueError, match="an adduct sets the charge; leave out charge and mz"):
        morvane.pattern("C6H12O6", table, adduct="[M+H]+", **settings)
    with pytest.raises(ValueError, match="an adduct sets the charge"):
        morvane.patterns(["C6H12O6"], table, adduct="[M+H]+", **settings)


@pytest.mark.parametrize("threads", [1, 2])
def test_many_ions_in_input_order(table, threads):
    formulas = peptide_formulas(100, 17) + ["CH4", "C6H12O6"]
    got = morvane.patterns(formulas, table, adduct="[M+2H-H2O]2+", threads=threads, errors="return")
    for formula, p in zip(formulas, got):
        if formula == "CH4":
            assert isinstance(p, morvane.FormulaError)
            assert str(p) == "[M+2H-H2O]2+ of CH4: removes O, which CH4 lacks"
        else:
            assert same(p, morvane.pattern(formula, table, adduct="[M+2H-H2O]2+"))
            assert p.adduct == "[M+2H-H2O]2+"


def test_adducts_and_ion_patterns_pickle(table):
    a = pickle.loads(pickle.dumps(morvane.Adduct("[M+K]+", table)))
    assert (a.text, a.charge, a.added) == ("[M+K]+", 1, {"K": 1})
    p = morvane.pattern("C6H12O6", table, adduct=a)
    q = pickle.loads(pickle.dumps(p))
    assert same(p, q)
    assert (q.adduct, q.charge, q.mz) == ("[M+K]+", 1, True)

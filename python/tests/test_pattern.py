"""One pattern: its object, its settings, its errors, its profile."""

import math

import numpy as np
import pytest

import morvane
from conftest import TABLE_PATH, parse_table, run_morvane

ELECTRON = 0.00054857990943


def test_glucose(table):
    # The glucose table of docs/command-line.md, printed by morvane with 8 digits.
    p = morvane.pattern("C6H12O6", table, threshold=1e-3)
    assert len(p) == 3
    assert p.mass.dtype == np.float64 and p.abundance.dtype == np.float64
    assert [float(f"{m:.8g}") for m in p.mass] == [180.06339, 181.06683, 182.06794]
    assert [float(f"{a:.8g}") for a in p.abundance] == [0.92263298, 0.063255793, 0.012994973]
    assert list(p) == list(zip(p.mass.tolist(), p.abundance.tolist()))
    assert all(type(m) is float and type(a) is float for m, a in p)
    assert p.formula == "C6H12O6" and p.charge == 0 and not p.mz
    assert "C6H12O6" in repr(p) and "3 peaks" in repr(p)


def test_default_table_is_used_without_a_table(table, monkeypatch, tmp_path):
    monkeypatch.chdir(tmp_path)
    assert morvane.pattern("C6H12O6").mass.tolist() == morvane.pattern("C6H12O6", table).mass.tolist()


def test_settings_act_as_morvanes_options(table):
    plain = morvane.pattern("C6H12O6", table, threshold=1e-3)
    ion = morvane.pattern("C6H12O6", table, charge=2)
    assert ion.mass[0] == pytest.approx(plain.mass[0] - 2 * ELECTRON, abs=1e-12)
    mz = morvane.pattern("C6H12O6", table, charge=2, mz=True)
    assert mz.mz and mz.charge == 2
    assert mz.mass[0] == pytest.approx(ion.mass[0] / 2, abs=1e-12)
    normalised = morvane.pattern("C6H12O6", table, normalize=True)
    assert normalised.abundance.max() == 100
    filtered = morvane.pattern("C254H377N65O75S6", table, filter=5, threshold=1e-3)
    assert filtered.abundance.min() >= 5 and filtered.abundance.max() == 100
    # Br2 at a merge distance of 0.5 u: the three peaks of docs/command-line.md.
    assert len(morvane.pattern("Br2", table, merge=0.5)) == 3
    assert len(morvane.pattern("C6H12O6", table, threshold=1e-6)) > len(plain)
    assert len(morvane.pattern("C6H12O6", table, merge=0)) > len(plain)


def test_mz_at_charge_zero_is_refused(table):
    # morvane -mtz 0 prints no line; no pattern must not pass for one.
    with pytest.raises(ValueError, match="^m/z needs a charge other than 0$"):
        morvane.pattern("C6H12O6", table, mz=True)
    with pytest.raises(ValueError, match="^m/z needs a charge other than 0$"):
        morvane.patterns(["C6H12O6"], table, mz=True)


def test_negative_ions_at_positive_mz_ascending(table):
    # Deprotonated glucose: mass over |z|, as instruments report it; morvane
    # -mtz -1 prints the same magnitudes below 0.
    p = morvane.pattern("C6H11O6", table, charge=-1, mz=True, threshold=1e-3)
    assert p.mass.tolist() == sorted(p.mass.tolist())
    assert p.mass[0] == pytest.approx(179.05611, abs=5e-6)
    status, out = run_morvane("C6H11O6", TABLE_PATH, "-mtz", -1, "-p", 17)
    assert [-m for m in parse_table(out)[0]] == p.mass.tolist()


@pytest.mark.parametrize(
    "settings, message",
    [
        ({"threshold": 1.5}, "threshold must be between 0 and 1"),
        ({"threshold": -0.1}, "threshold must be between 0 and 1"),
        ({"threshold": math.nan}, "threshold must be between 0 and 1"),
        ({"threshold": "low"}, "threshold must be between 0 and 1"),
        ({"merge": -0.1}, "peak merge must be >= 0"),
        ({"filter": 100}, "filter must be between 0 and 100"),
        ({"filter": -0.5}, "filter must be between 0 and 100"),
        ({"charge": 1.5}, "charge must be integer"),
        ({"charge": "2"}, "charge must be integer"),
        ({"charge": 2**31}, "charge must be between -1000 and 1000"),
        ({"charge": 1001}, "charge must be between -1000 and 1000"),
        ({"charge": -1000000}, "charge must be between -1000 and 1000"),
    ],
)
def test_bad_settings_raise_value_error_with_morvanes_words(table, settings, message):
    with pytest.raises(ValueError) as caught:
        morvane.pattern("C6H12O6", table, **settings)
    assert str(caught.value) == message
    assert type(caught.value) is ValueError


@pytest.mark.parametrize(
    "formula, words",
    [
        ("C6H12Xx", ["Xx", "position 6"]),
        ("Ca(OH2", ["unmatched (", "position 3"]),
        ("H2O.", ["nothing after the dot", "position 4"]),
        ("cl2", ["cl", "position 1"]),
        ("", ["empty"]),
        ("C99999999999", ["99999999999"]),
    ],
)
def test_bad_formulas_raise_formula_error(table, formula, words):
    with pytest.raises(morvane.FormulaError) as caught:
        morvane.pattern(formula, table)
    assert isinstance(caught.value, ValueError)
    for word in words:
        assert word in str(caught.value)


def test_formula_with_a_nul_character_is_refused(table):
    with pytest.raises(morvane.FormulaError):
        morvane.pattern("C6\0H12O6", table)


def test_calculation_beyond_the_bounds_raises_calculation_error(table):
    # Titin's fine structure holds about 10^11 variants above 1e-3, and
    # many more at the default coverage: refused at once, with the ways to
    # its envelope.
    with pytest.raises(morvane.CalculationError, match="beyond reach: about 1e\\+11 variants.*nominal binning"):
        morvane.pattern("C169719H270464N45688O52237S911", table, threshold=1e-3)
    beyond = "of coverage 0.999999 is beyond reach: about [0-9.]+e\\+1[0-9] variants.*nominal binning"
    with pytest.raises(morvane.CalculationError, match=beyond):
        morvane.pattern("C169719H270464N45688O52237S911", table)
    assert not issubclass(morvane.CalculationError, ValueError)


def test_profile_is_the_librarys_gaussian(table):
    # One peak of height a and width w: a * 0.9394372785 / w at its position,
    # half of that at w/2 from it (morvane's stored constants).
    one = morvane.Pattern([100.0], [0.5])
    assert one.profile([100.0], 0.2)[0] == 0.5 * 0.9394372785 / 0.2
    assert one.profile(100.1, 0.2) == pytest.approx(0.5 * 0.9394372785 / 0.2 / 2, rel=1e-9)
    # Peaks add.
    two = morvane.Pattern([100.0, 100.3], [0.5, 0.25])
    x = np.linspace(99, 101, 11)
    second = morvane.Pattern([100.3], [0.25])
    np.testing.assert_allclose(two.profile(x, 0.2), one.profile(x, 0.2) + second.profile(x, 0.2), rtol=1e-15)
    assert two.profile(x.reshape(11, 1), 0.2).shape == (11, 1)
    with pytest.raises(ValueError, match="peak width must be > 0"):
        one.profile(x, 0)
    for wide in (1e20, float("inf")):
        with pytest.raises(ValueError, match="peak width must be at most 10000"):
            one.profile(x, wide)
    with pytest.raises(ValueError, match="peak width must be at least 1e-9"):
        one.profile(x, 1e-320)


def test_text_that_is_no_unicode_is_refused_with_the_reason(table):
    # A lone surrogate, as os.fsdecode leaves for bytes it cannot decode.
    with pytest.raises(ValueError, match="formula 0 holds a character that is no Unicode text"):
        morvane.pattern("C\udce9", table)
    with pytest.raises(ValueError, match="formula holds a character that is no Unicode text"):
        morvane.formula_of("C\udce9", table)
    with pytest.raises(ValueError, match="a fixed modification holds a character that is no Unicode text"):
        morvane.pattern(sequence="ACK", table=table, fixed=["\udce9@C"])
    with pytest.raises(ValueError, match="an enrichment's label holds a character that is no Unicode text"):
        morvane.pattern("[13C]6H12O6", table, enrichment={"\udce9": 0.5})
    with pytest.raises(TypeError, match="enrichment of 13C must be a number"):
        morvane.pattern("[13C]6H12O6", table, enrichment={"13C": "high"})
    with pytest.raises(morvane.AdductError, match="adduct holds a character that is no Unicode text"):
        morvane.Adduct("[M+\udce9]+", table)


def test_repr_abbreviates_a_long_formula():
    p = morvane.Pattern([100.0], [1.0], formula="C" * 1000)
    assert repr(p) == "<Pattern " + "C" * 60 + "... (1000 characters) charge 0: 1 peaks from 100.0000 to 100.0000 u>"
    assert repr(morvane.Pattern([100.0], [1.0], formula="C6H6")) == (
        "<Pattern C6H6 charge 0: 1 peaks from 100.0000 to 100.0000 u>"
    )


def test_table_must_be_a_table_or_a_path(table):
    with pytest.raises(TypeError, match="table must be an IsotopeTable or a path, not list"):
        morvane.pattern("H2O", ["morvanetable.txt"])


def test_every_public_name_has_a_docstring():
    names = [getattr(morvane, name) for name in morvane.__all__]
    methods = [morvane.Pattern.profile, morvane.Pattern.plot, morvane.Pattern.to_pandas, morvane.IsotopeTable.symbols]
    for thing in [morvane] + names + methods:
        assert thing.__doc__ and len(thing.__doc__.strip()) > 20, thing

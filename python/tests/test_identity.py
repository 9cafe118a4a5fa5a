"""Bit identity with the command line: morvane -p 17 prints every double so
that it reads back exactly, and the module must give those very doubles."""

import random

import numpy as np
import pytest

import morvane
from conftest import TABLE_PATH, parse_table, run_morvane

REAL_FORMULAS = [
    "H2O",
    "C6H12O6",
    "CH3CH2OH",
    "2H2O",
    "C 6 H 1 2",
    "C8H10N4O2",  # caffeine
    "C27H46O",  # cholesterol
    "C10H16N5O13P3",  # ATP
    "C34H32FeN4O4",  # heme b
    "C55H72MgN4O5",  # chlorophyll a
    "C63H88CoN14O14P",  # cyanocobalamin
    "C66H75Cl2N9O24",  # vancomycin
    "Cl2H6N2Pt",  # cisplatin
    "C15H12Br4O2",  # tetrabromobisphenol A
    "C63H98N18O13S",  # substance P
    "C254H377N65O75S6",  # insulin
    "C378H629N105O118S",  # ubiquitin
    "C2934H4615N781O897S39",
    "Br2",
    "SnCl4",
    "HgCl2",
    "C0",
    "UF6",
    "Pt60",
]

# Formulas that morvane refuses, so the module must raise.
FAILING_FORMULAS = ["Xx", "Ca(OH", "C6H5-", "Fe+", "cl2", "123", "C4294967296", "C169719H270464N45688O52237S911"]


def random_formula(rng, symbols, counts):
    groups = []
    for symbol in rng.sample(symbols, rng.randint(1, 4)):
        count = rng.choice(counts)
        groups.append(symbol + ("" if count == 1 and rng.random() < 0.5 else str(count)))
    if rng.random() < 0.2:
        groups.append(rng.choice(groups))  # a repeated group adds up
    return "".join(groups)


def random_settings(rng, thresholds):
    threshold = rng.choice(thresholds)
    settings = {
        "charge": rng.choice([0, 0, 1, 2, 3, -1, -2]),
        "mz": rng.random() < 0.4,
        "threshold": threshold,
        "merge": rng.choice([0.1, 0.1, 0.0, 0.01, 0.5, 1.0, 0.05]),
        "normalize": rng.random() < 0.3,
        "filter": rng.choice([0.0, 0.0, 0.0, 1.0, 5.0, 0.5]),
    }
    return settings


def options(settings):
    """morvane's options for the same settings."""
    words = ["-p", "17", "-t", repr(settings["threshold"]), "-r", repr(settings["merge"])]
    words += ["-mtz" if settings["mz"] else "-z", str(settings["charge"])]
    if settings["normalize"]:
        words.append("-n")
    if settings["filter"] > 0:
        words += ["-f", repr(settings["filter"])]
    return words


def cases():
    rng = random.Random(20261207)
    symbols = [line.split()[0] for line in TABLE_PATH.read_text().splitlines() if line[:1].isalpha()]
    light = ["C", "H", "N", "O", "S", "P", "Cl", "Br", "F", "Na", "K", "Fe", "Se", "Si"]
    found = [(f, {"charge": 0, "mz": False, "threshold": 1e-3, "merge": 0.1, "normalize": False, "filter": 0.0})
             for f in REAL_FORMULAS + FAILING_FORMULAS]
    # Lower thresholds for smaller molecules only: the test stays quick.
    for formula in REAL_FORMULAS:
        thresholds = [1e-2, 1e-3] + ([1e-4, 1e-6] if len(formula) < 20 else []) + ([0.0] if len(formula) < 12 else [])
        found += [(formula, random_settings(rng, thresholds)) for _ in range(4)]
    for _ in range(120):
        found.append((random_formula(rng, symbols, [1, 1, 2, 3, 5, 8]), random_settings(rng, [1e-2, 1e-3])))
    for _ in range(80):
        formula = random_formula(rng, light, [1, 1, 2, 3, 5, 8, 13, 20])
        found.append((formula, random_settings(rng, [1e-2, 1e-3, 1e-4, 1e-6])))
    return found


EXCEPTION_OF_STATUS = {2: morvane.FormulaError, 6: morvane.CalculationError}


@pytest.mark.parametrize("formula, settings", cases())
def test_module_gives_morvanes_doubles(table, formula, settings):
    status, out = run_morvane(formula, TABLE_PATH, *options(settings))
    if settings["mz"] and settings["charge"] == 0:
        with pytest.raises(ValueError, match="m/z needs a charge other than 0"):
            morvane.pattern(formula, table, **settings)
        return
    if status != 0:
        with pytest.raises(EXCEPTION_OF_STATUS[status]):
            morvane.pattern(formula, table, **settings)
        return
    mass, abundance = parse_table(out)
    if settings["mz"] and settings["charge"] < 0:
        mass = [-m for m in mass]  # m/z is mass over |z|
    p = morvane.pattern(formula, table, **settings)
    assert p.mass.tobytes() == np.array(mass).tobytes()
    assert p.abundance.tobytes() == np.array(abundance).tobytes()

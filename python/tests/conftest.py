"""Shared fixtures: the shipped table, the built executable, peptide formulas."""

import os
import pathlib
import random
import subprocess
import sys

import pytest

import morvane

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]
TABLE_PATH = SOURCE_DIR / "morvanetable.txt"

sys.path.insert(0, str(SOURCE_DIR / "tools"))
import make_batch_formulas  # noqa: E402  (the tryptic peptide generator)


@pytest.fixture(scope="session")
def table():
    return morvane.IsotopeTable(TABLE_PATH)


def run_morvane(*args, cwd=None):
    """Runs the built executable; returns its exit status and standard output."""
    exe = os.environ.get("MORVANE_EXE")
    if not exe:
        pytest.skip("MORVANE_EXE names no executable (the tests run from ctest)")
    done = subprocess.run([exe, *map(str, args)], capture_output=True, text=True, cwd=cwd, check=False)
    return done.returncode, done.stdout


def parse_table(text):
    """The two columns of morvane's result table as lists of doubles."""
    rows = [line.split("\t") for line in text.splitlines()]
    return [float(m) for m, _ in rows], [float(a) for _, a in rows]


def peptide_formulas(n, seed):
    """n tryptic peptide formulas, the same for the same seed."""
    return [formula for _, formula in make_batch_formulas.peptides(random.Random(seed), n)]

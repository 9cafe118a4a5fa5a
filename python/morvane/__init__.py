"""Isotope patterns of molecules, from Python.

morvane works out every isotopic variant of a molecule that matters, by
J. A. Yergey's multinomial method, merges variants closer together than a
mass spectrometer could tell apart, and gives the peaks: position (mass in u,
or m/z) and abundance. Given a threshold, the numbers are those of the
``morvane`` command with it, bit for bit: this package wraps the same C++
library. Without one, a pattern holds ``FRONT_END_COVERAGE`` (0.999999) of the
probability, which keeps the tails of large molecules that morvane's default
threshold of 1e-3 cuts.

    import morvane
    glucose = morvane.pattern("C6H12O6")
    glucose.mass, glucose.abundance   # numpy float64 arrays
    glucose.plot(fwhm=0.05)           # sticks and profile on a matplotlib axis

``morvane.__version__`` is the version of the ``morvane`` command it matches.
"""

from ._adduct import Adduct, AdductError
from ._match import estimate_resolution, fit_enrichment, match, read_spectrum
from ._core import FRONT_END_COVERAGE, CalculationError, FormulaError, TableError, __version__
from ._pattern import Distance, Pattern, distance, formula_of, pattern, patterns, to_pandas
from ._table import Element, IsotopeTable

# Public names belong to the package, as pickles and help() show them.
for _name in (
    "Adduct",
    "AdductError",
    "Distance",
    "Element",
    "IsotopeTable",
    "Pattern",
    "distance",
    "estimate_resolution",
    "fit_enrichment",
    "formula_of",
    "match",
    "read_spectrum",
    "pattern",
    "patterns",
    "to_pandas",
):
    globals()[_name].__module__ = __name__
del _name

__all__ = [
    "Adduct",
    "AdductError",
    "CalculationError",
    "Distance",
    "Element",
    "FRONT_END_COVERAGE",
    "FormulaError",
    "IsotopeTable",
    "Pattern",
    "TableError",
    "distance",
    "estimate_resolution",
    "fit_enrichment",
    "formula_of",
    "match",
    "read_spectrum",
    "pattern",
    "patterns",
    "to_pandas",
]
